#pragma once
// Files for the Project XML tests: the real fixtures, a scratch folder, text edits.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "testing/fixtures.hpp"

namespace kx::platform::testing {

// The path of a real fixture file; tests that use one start with KX_NEED_FIXTURES().
inline std::string Fixture(const std::string& name) {
  return kx::testing::FixturesDir() + "/" + name;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Replaces the first `from` in `text` by `to`; fails the test when there is none.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const auto pos = text.find(from);
  EXPECT_NE(pos, std::string::npos) << from;
  if (pos != std::string::npos) text.replace(pos, from.size(), to);
  return text;
}

// Line (from 1) of the first `needle` in `text`.
inline int LineOf(const std::string& text, const std::string& needle) {
  const auto pos = text.find(needle);
  EXPECT_NE(pos, std::string::npos) << needle;
  if (pos == std::string::npos) return 0;
  return 1 +
         static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(pos), '\n'));
}

// A scratch folder that is removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("kx_xml_test_" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace kx::platform::testing
