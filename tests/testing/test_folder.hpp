#pragma once
// A scratch folder of the running test's own, removed with everything in it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kx::testing {

// The whole content of a file, empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TestFolder {
 public:
  // A new empty folder named after `prefix`, the process and the running test.
  explicit TestFolder(const std::string& prefix)
      : path_(std::filesystem::temp_directory_path() /
              (prefix + "-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  // Copies the example project and the project it inserts here; returns the example's path.
  std::string CopyExamples() const {
    for (const char* f : {"neubau_buerogebaeude.xml", "aussenanlagen.xml"})
      std::filesystem::copy_file(std::filesystem::path(KX_EXAMPLES_DIR) / f, path_ / f,
                                 std::filesystem::copy_options::overwrite_existing);
    return (path_ / "neubau_buerogebaeude.xml").string();
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kx::testing
