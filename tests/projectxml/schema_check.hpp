#pragma once
// Checks written files with xmllint: well-formed always, valid against the published schema when
// the shared fixtures (with the schema) are there.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "testing/fixtures.hpp"

namespace kx::platform::testing {

using kx::testing::SchemaPath;

inline bool HaveSchema() {
  std::error_code ec;
  return std::filesystem::is_regular_file(SchemaPath(), ec);
}

inline bool HaveXmllint() {
  return std::system("xmllint --version >/dev/null 2>&1") == 0;
}

// Runs xmllint on `file`; returns "" when it passes, else what xmllint says (first lines).
inline std::string XmllintProblems(const std::string& file, bool withSchema) {
  std::string command = "xmllint --noout ";
  if (withSchema) command += "--schema '" + SchemaPath() + "' ";
  command += "'" + file + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "xmllint kann nicht gestartet werden";
  std::string out;
  std::array<char, 4096> buf{};
  while (std::fgets(buf.data(), buf.size(), pipe) && out.size() < 4000) out += buf.data();
  const int status = ::pclose(pipe);
  return status == 0 ? std::string() : out;
}

// Expects `file` well-formed, and valid against the schema when it is there.
inline void ExpectValidProjectXml(const std::string& file) {
  if (!HaveXmllint()) GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
  EXPECT_EQ(XmllintProblems(file, false), "") << file;
  if (HaveSchema()) {
    EXPECT_EQ(XmllintProblems(file, true), "") << file;
  }
}

}  // namespace kx::platform::testing
