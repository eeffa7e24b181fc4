// What other planning tools read: files that validate, with the elements real files carry, and
// that no input can make ill-formed.

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "host/error.hpp"
#include "example_projects.hpp"
#include "testing/model_diff.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/schema_check.hpp"
#include "projectxml/test_files.hpp"

namespace kx::platform {
namespace {

using testing::ExpectValidProjectXml;
using testing::HaveSchema;
using testing::HaveXmllint;
using testing::XmllintProblems;
using testing::Fixture;
using testing::ReadText;
using testing::TempDir;

constexpr const char* kFixtureFiles[] = {"assignment-assignments-project2016-mspdi.xml",
                                         "calendar-calendars-project2002-mspdi.xml",
                                         "calendar-calendars-project2010-mspdi.xml",
                                         "calendar-calendars-project2019-mspdi.xml",
                                         "calendar-recurring-exceptions-project2010-mspdi.xml",
                                         "mspdiassignmentfields.xml",
                                         "mspdisplittask.xml",
                                         "mspditimephased.xml",
                                         "resource-type-project2010-mspdi.xml",
                                         "sample.xml"};

// A saved plan keeps what its file held, so it validates where its file did, and is always
// well-formed; as a plan of its own (a chart, a project never saved) it validates always.
TEST(ProjectXmlValid, EveryFixtureSavedAgainValidatesAndReadsTheSame) {
  KX_NEED_FIXTURES();
  for (const char* file : kFixtureFiles) {
    SCOPED_TRACE(file);
    TempDir dir;
    const auto original = ReadProjectXml(Fixture(file)).project;
    SaveProjectXml(*original, dir / file);
    if (HaveXmllint()) {
      EXPECT_EQ(XmllintProblems(dir / file, false), "");
      if (HaveSchema() && XmllintProblems(Fixture(file), true).empty()) {
        EXPECT_EQ(XmllintProblems(dir / file, true), "");
      }
    }
    const LoadResult kept = ReadProjectXml(dir / file);
    EXPECT_EQ(kept.warnings.size(), ReadProjectXml(Fixture(file)).warnings.size());
    EXPECT_EQ(ModelDifference(*original, *kept.project), "");
    TempDir fresh;
    original->source.reset();
    SaveProjectXml(*original, fresh / file);
    ExpectValidProjectXml(fresh / file);
    const LoadResult again = ReadProjectXml(fresh / file);
    EXPECT_TRUE(again.warnings.empty()) << again.warnings.front();
    EXPECT_EQ(ModelDifference(*original, *again.project), "");
  }
}

TEST(ProjectXmlValid, TheExamplesValidate) {
  ExpectValidProjectXml(std::string(KX_EXAMPLES_DIR) + "/" + tools::kBuildingFile);
  ExpectValidProjectXml(std::string(KX_EXAMPLES_DIR) + "/" + tools::kOutdoorFile);
}

// The child elements of `parent`'s first `name` child, by name.
std::vector<std::string> ChildNames(pugi::xml_node node) {
  std::vector<std::string> names;
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) names.push_back(c.name());
  return names;
}

bool Has(const std::vector<std::string>& names, const char* name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::shared_ptr<ProjectData> SplitChart() {
  auto p = std::make_shared<ProjectData>();
  p->name = "Projekt1";
  p->title = "Urlaubsplan 2025 – Neubau Bürogebäude";
  p->start = DateTimeSerial(2025, 3, 3, 8, 0);
  auto standard = std::make_shared<CalendarData>();
  standard->uid = 1;
  standard->name = "Standard";
  for (int d = 0; d < 7; ++d)
    standard->weekdays[d] = {false, d == 0 || d == 6 ? WorkingTimes{} : DefaultWorkingTimes()};
  p->calendars = {standard};
  p->definitions.options["SetViewOptions"] = {{6, std::string("€")}};
  auto group = std::make_shared<TaskData>();
  group->uid = 1;
  group->id = 1;
  group->name = "Rohbau";
  group->summary = true;
  group->start = p->start;
  group->finish = DateTimeSerial(2025, 3, 14, 17, 0);
  // Monday 3 March to Friday 14 March, without Wednesday 5 to Thursday 6 March: eight days.
  auto row = std::make_shared<TaskData>();
  row->uid = 2;
  row->id = 2;
  row->name = "Maier";
  row->outlineLevel = 2;
  row->start = p->start;
  row->finish = DateTimeSerial(2025, 3, 14, 17, 0);
  row->durationMinutes = 8 * 480.0;
  row->gaps = {{DateTimeSerial(2025, 3, 4, 17, 0), DateTimeSerial(2025, 3, 7, 8, 0)}};
  auto second = std::make_shared<TaskData>(*row);
  second->uid = 3;
  second->id = 3;
  second->name = "Huber";
  p->tasks = {group, row, second};
  return p;
}

TEST(ProjectXmlValid, TasksCarryOutlineConstraintsAndWorkAsRealFilesDo) {
  TempDir dir;
  const auto chart = SplitChart();
  SaveProjectXml(*chart, dir / "urlaub.xml");
  ExpectValidProjectXml(dir / "urlaub.xml");
  const std::string xml = ReadText(dir / "urlaub.xml");
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(xml.c_str()));
  const pugi::xml_node project = doc.child("Project");
  EXPECT_STREQ(project.child_value("Name"), "urlaub.xml");  // the file's name, not "Projekt1"
  EXPECT_STREQ(project.child_value("Title"), "Urlaubsplan 2025 – Neubau Bürogebäude");
  EXPECT_STREQ(project.child_value("CurrencyCode"), "EUR");
  EXPECT_STREQ(project.child_value("CurrencySymbol"), "€");
  EXPECT_STREQ(project.child("Resources").child("Resource").child_value("UID"), "0");

  std::vector<pugi::xml_node> tasks;
  for (pugi::xml_node t : project.child("Tasks").children("Task")) tasks.push_back(t);
  ASSERT_EQ(tasks.size(), 4u);
  for (const char* element : {"OutlineNumber", "WBS", "Milestone", "Type", "ConstraintType",
                              "Work", "Duration", "Summary", "OutlineLevel"})
    EXPECT_TRUE(Has(ChildNames(tasks[2]), element)) << element;
  EXPECT_STREQ(tasks[1].child_value("OutlineNumber"), "1");
  EXPECT_STREQ(tasks[2].child_value("OutlineNumber"), "1.1");
  EXPECT_STREQ(tasks[3].child_value("WBS"), "1.2");
  EXPECT_STREQ(tasks[2].child_value("Milestone"), "0");
  // Rows are pinned to their start; the group row follows them.
  EXPECT_STREQ(tasks[2].child_value("ConstraintType"), "2");
  EXPECT_STREQ(tasks[2].child_value("ConstraintDate"), "2025-03-03T08:00:00");
  EXPECT_STREQ(tasks[1].child_value("ConstraintType"), "0");

  // The work of the split bar, one stretch per day as real files have it: eight hours on
  // working days, nothing over the weekend, explicit zeros over the gap.
  std::vector<std::string> values;
  for (pugi::xml_node a : project.child("Assignments").children("Assignment")) {
    if (std::string(a.child_value("TaskUID")) != tasks[2].child_value("UID")) continue;
    for (pugi::xml_node t : a.children("TimephasedData"))
      values.push_back(std::string(t.child_value("Start")).substr(5, 5) + " " +
                       t.child_value("Value"));
  }
  EXPECT_EQ(values,
            (std::vector<std::string>{"03-03 PT8H0M0S", "03-04 PT8H0M0S", "03-04 PT0H0M0S",
                                      "03-05 PT0H0M0S", "03-06 PT0H0M0S", "03-07 PT8H0M0S",
                                      "03-08 ", "03-09 ", "03-10 PT8H0M0S", "03-11 PT8H0M0S",
                                      "03-12 PT8H0M0S", "03-13 PT8H0M0S", "03-14 PT8H0M0S"}));

  const auto again = ReadProjectXml(dir / "urlaub.xml").project;
  auto expected = SplitChart();
  expected->name = "urlaub.xml";  // saved under that name
  EXPECT_EQ(ModelDifference(*expected, *again), "");
  EXPECT_EQ(again->tasks[1]->gaps, chart->tasks[1]->gaps);
}

TEST(ProjectXmlValid, NoTextInTheModelMakesTheFileIllFormed) {
  TempDir dir;
  auto chart = SplitChart();
  chart->title = std::string("Plan\x01 mit \x1B[31mFarbe\x7F und \xFF\xFE kaputt ") + '\0' + "Ende";
  chart->tasks[1]->name = "Maier \xC3\x28 \xED\xA0\x80 \xEF\xBF\xBE";  // no UTF-8; a surrogate; U+FFFE
  chart->tasks[2]->name = "Zeile\r\nzwei\tdrei";
  chart->tasks[2]->name += std::string(600, 'x');  // longer than the format keeps
  SaveProjectXml(*chart, dir / "urlaub.xml");
  ExpectValidProjectXml(dir / "urlaub.xml");
  const auto again = ReadProjectXml(dir / "urlaub.xml").project;
  EXPECT_EQ(again->title,
            "Plan\xEF\xBF\xBD mit \xEF\xBF\xBD[31mFarbe\x7F und \xEF\xBF\xBD\xEF\xBF\xBD kaputt "
            "\xEF\xBF\xBD"
            "Ende");
  EXPECT_EQ(again->tasks[1]->name,
            "Maier \xEF\xBF\xBD( \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD");
  EXPECT_EQ(again->tasks[2]->name.substr(0, 16), "Zeile\r\nzwei\tdrei");  // kept exactly
  EXPECT_EQ(again->tasks[2]->name.size(), 512u);
}

// Durations far beyond any plan, as a broken file may give them, are still written as durations.
TEST(ProjectXmlValid, AbsurdDurationsAreWrittenAsDurations) {
  TempDir dir;
  auto chart = SplitChart();
  chart->tasks[1]->durationMinutes = 1e13;
  chart->tasks[2]->durationMinutes = -1e13;
  SaveProjectXml(*chart, dir / "urlaub.xml");
  ExpectValidProjectXml(dir / "urlaub.xml");
  const auto again = ReadProjectXml(dir / "urlaub.xml").project;
  EXPECT_EQ(again->tasks[1]->durationMinutes, 1.5e11);
}

}  // namespace
}  // namespace kx::platform
