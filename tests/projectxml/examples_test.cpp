// The sample projects of examples/ and the benchmarks' large project, as the generator makes them.

#include <gtest/gtest.h>

#include <map>

#include "example_projects.hpp"
#include "testing/model_diff.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/test_files.hpp"

namespace kx::platform {
namespace {

using testing::ReadText;
using testing::TempDir;

std::string Example(const std::string& name) {
  return std::string(KX_EXAMPLES_DIR) + "/" + name;
}

// Working days off in a resource calendar that its base calendar works.
int VacationDays(const CalendarData& c) {
  int days = 0;
  for (const auto& e : c.exceptions) {
    if (e.working) continue;
    for (Date d = e.from; !(e.to < d); d = Date(d.serial + 1)) {
      bool baseWorks = Weekday(d) >= 2 && Weekday(d) <= 6;
      for (const auto& b : c.base->exceptions)
        if (!(d < b.from) && !(b.to < d)) baseWorks = b.working;
      days += baseWorks ? 1 : 0;
    }
  }
  return days;
}

TEST(Examples, CommittedFilesAreWhatTheGeneratorMakes) {
  EXPECT_EQ(ReadText(Example(tools::kBuildingFile)), ProjectXmlText(*tools::BuildingProject()));
  EXPECT_EQ(ReadText(Example(tools::kOutdoorFile)), ProjectXmlText(*tools::OutdoorProject()));
}

TEST(Examples, BuildingProjectHoldsItsGroupsVacationsAndInsertedProject) {
  const LoadResult r = ReadProjectXml(Example(tools::kBuildingFile));
  EXPECT_TRUE(r.warnings.empty());
  const ProjectData& p = *r.project;
  EXPECT_EQ(p.title, "Neubau Bürogebäude");
  std::map<std::string, int> groups;
  for (const auto& res : p.resources) ++groups[res->group];
  EXPECT_EQ(
      groups,
      (std::map<std::string, int>{
          {"", 1}, {"Planung", 5}, {"Rohbau", 11}, {"Elektro", 6}, {"Sanitär", 6}, {"Ausbau", 7}}));
  EXPECT_EQ(p.resources.back()->name, "Beton C25/30");
  EXPECT_EQ(p.resources.back()->kind, 1);
  std::vector<std::string> bases;
  for (const auto& c : p.calendars)
    if (c->isBase) bases.push_back(c->name);
  EXPECT_EQ(bases, (std::vector<std::string>{"Standard", "Betriebsferien", "7-Tage-Woche"}));
  for (const auto& res : p.resources) {
    if (res->kind != 0) continue;
    SCOPED_TRACE(res->name);
    const int days = VacationDays(*res->calendar);
    EXPECT_GE(days, 15);
    EXPECT_LE(days, 30);
    ASSERT_FALSE(res->assignments.empty());
    EXPECT_GE(res->assignments.front()->timephased.size(), 5u);
  }
  ASSERT_EQ(p.subprojects.size(), 1u);
  EXPECT_EQ(p.subprojects[0].sourceFile, tools::kOutdoorFile);
  EXPECT_EQ(p.subprojects[0].project->resources.size(), 5u);
}

TEST(Examples, ExamplesAndTheLargeProjectSurviveSaveAndLoad) {
  TempDir dir;
  const auto building = ReadProjectXml(Example(tools::kBuildingFile)).project;
  SaveProjectXml(*building->subprojects[0].project, dir / tools::kOutdoorFile);
  SaveProjectXml(*building, dir / tools::kBuildingFile);
  EXPECT_EQ(ModelDifference(*building, *ReadProjectXml(dir / tools::kBuildingFile).project), "");

  const auto large = tools::LargeProject(160, 4);  // 640 assignments: read by two threads
  EXPECT_EQ(large->resources.size(), 160u);
  EXPECT_EQ(large->tasks.size(), 4u * 5);
  for (const auto& res : large->resources) {
    const int days = VacationDays(*res->calendar);
    EXPECT_GE(days, 15) << res->name;
    EXPECT_LE(days, 30) << res->name;
  }
  large->name = "gross.xml";
  SaveProjectXml(*large, dir / "gross.xml");
  EXPECT_EQ(ModelDifference(*large, *ReadProjectXml(dir / "gross.xml").project), "");
}

}  // namespace
}  // namespace kx::platform
