// Every input the fuzzer kept is read once more: it may be refused, but never crash, and what is
// read is written and read back unchanged.

#include <gtest/gtest.h>

#include <filesystem>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "projectxml/test_files.hpp"

namespace kx::platform {
namespace {

TEST(ProjectXmlFuzzCorpus, EveryInputIsReadOrRefused) {
  const std::filesystem::path corpus =
      std::filesystem::path(KX_SOURCE_DIR) / "fuzz/corpus/project_xml";
  ASSERT_TRUE(std::filesystem::is_directory(corpus));
  std::size_t inputs = 0, read = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    ++inputs;
    const std::string text = testing::ReadText(entry.path().string());
    try {
      const LoadResult r = ReadProjectXmlText(text, "eingabe.xml", {false, false});
      ASSERT_TRUE(r.project);
      // What the writer makes of it reads back and writes to the same text.
      const std::string first = ProjectXmlText(*r.project);
      const LoadResult again = ReadProjectXmlText(first, "eingabe.xml", {false, false});
      EXPECT_EQ(ProjectXmlText(*again.project), first) << entry.path();
      ++read;
    } catch (const host::HostError& e) {
      EXPECT_EQ(e.description().rfind("eingabe.xml:", 0), 0u)
          << entry.path() << ": " << e.description();
    }
  }
  EXPECT_GT(inputs, 0u);
  EXPECT_GT(read, 0u);
}

}  // namespace
}  // namespace kx::platform

namespace kx::platform {
namespace {

// Companion files the fuzzer kept: each applies in full or changes nothing.
TEST(ProjectXmlFuzzCorpus, EveryCompanionFileAppliesOrIsRefused) {
  const std::filesystem::path corpus =
      std::filesystem::path(KX_SOURCE_DIR) / "fuzz/corpus/companion";
  std::size_t inputs = 0, applied = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    ++inputs;
    ProjectData project;
    project.tasks = {std::make_shared<TaskData>()};
    std::string problem;
    if (pxml::ApplyCompanion(testing::ReadText(entry.path().string()), project, problem)) {
      ++applied;
    } else {
      EXPECT_FALSE(problem.empty()) << entry.path();
      EXPECT_TRUE(project.properties.empty()) << entry.path();
      EXPECT_FALSE(project.tasks[0]->barColour) << entry.path();
    }
  }
  EXPECT_GT(inputs, 0u);
  EXPECT_GT(applied, 0u);
}

}  // namespace
}  // namespace kx::platform
