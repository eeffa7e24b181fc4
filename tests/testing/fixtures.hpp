#pragma once
// Where the tests find the real Project XML files and the format's schema. They live beside the
// checkout (../shared/fixtures), which a plain clone does not have: tests that need them skip.
//
// The folder is the environment variable KX_FIXTURES_DIR when it is set, else the CMake cache
// variable of the same name (by default ../shared/fixtures/project-xml beside the source tree).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kx::testing {

inline std::string FixturesDir() {
  if (const char* dir = std::getenv("KX_FIXTURES_DIR"); dir != nullptr && *dir != '\0')
    return dir;
  return KX_FIXTURES_DIR;
}

inline bool HaveFixtures() {
  std::error_code ec;
  return std::filesystem::is_directory(FixturesDir(), ec);
}

// The published schema of Project XML, in the folder beside the fixtures.
inline std::string SchemaPath() {
  return (std::filesystem::path(FixturesDir()).parent_path() / "schema" / "mspdi_pj12.xsd")
      .string();
}

}  // namespace kx::testing

// Skips the running test when the real files are not there, saying where they were looked for.
#define KX_NEED_FIXTURES()                                                             \
  if (!::kx::testing::HaveFixtures())                                                  \
  GTEST_SKIP() << "the real Project XML files are not there: " << ::kx::testing::FixturesDir() \
               << " (set KX_FIXTURES_DIR)"
