// Every input the fuzzer kept is read once more: it may be refused, but never crash.

#include <gtest/gtest.h>

#include <filesystem>

#include "addin/host/error.hpp"
#include "platform/project_xml.hpp"
#include "platform_xml/test_files.hpp"

namespace kx::platform {
namespace {

TEST(ProjectXmlFuzzCorpus, EveryInputIsReadOrRefused) {
  const std::filesystem::path corpus = std::filesystem::path(KX_SOURCE_DIR) / "fuzz/corpus/project_xml";
  ASSERT_TRUE(std::filesystem::is_directory(corpus));
  std::size_t inputs = 0, read = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    ++inputs;
    const std::string text = testing::ReadText(entry.path().string());
    try {
      const LoadResult r = ReadProjectXmlText(text, "eingabe.xml", {false, false});
      ASSERT_TRUE(r.project);
      ProjectXmlText(*r.project);
      ++read;
    } catch (const host::HostError& e) {
      EXPECT_EQ(e.description().rfind("eingabe.xml:", 0), 0u) << entry.path() << ": " << e.description();
    }
  }
  EXPECT_GT(inputs, 0u);
  EXPECT_GT(read, 0u);
}

}  // namespace
}  // namespace kx::platform
