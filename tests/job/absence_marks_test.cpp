#include "job/absence_marks.hpp"

#include <gtest/gtest.h>

#include "support/text.hpp"

namespace kx::job {
namespace {

Date DateOf(gantt::Day day) { return gantt::DateOfDay(day); }

gantt::Row Row(const std::string& name, bool summary, std::vector<gantt::DaySpan> parts = {}) {
  gantt::Row row;
  row.summary = summary;
  row.level = summary ? 1 : 2;
  row.cells = {"", name};
  if (!parts.empty()) {
    gantt::Bar bar;
    bar.parts = std::move(parts);
    row.bars.push_back(bar);
    gantt::Bar rolled = bar;  // what a summary row shows of it must not count twice
    rolled.rolledUp = true;
    rolled.parts = {{100, 104}};
    row.bars.push_back(rolled);
  }
  return row;
}

gantt::ChartModel Model() {
  gantt::ChartModel model;
  model.columns = {{"Nr.", "Nr."}, {"Name", "Name"}};
  model.period = {100, 104};
  model.rows = {Row("Rohbau", true), Row("Meier", false, {{101, 102}}),
                Row("Schulz", false, {{102, 102}, {104, 104}}), Row("Wolf", false, {{102, 103}}),
                Row("Braun", false), Row("Elektro", true), Row("Meier", false, {{100, 100}})};
  return model;
}

TEST(AbsenceMarks, GroupRowsCountTheRowsBelowThem) {
  gantt::ChartModel model = Model();
  EXPECT_EQ(MarkPresenceFromRows(model, chart::AbsenceLimit{50, true}), 2u);
  const gantt::DayMarks& rohbau = model.rows[0].marks;
  EXPECT_EQ(rohbau.first, 100);
  EXPECT_EQ(rohbau.counts, (std::vector<int>{0, 1, 3, 1, 1}));
  EXPECT_EQ(rohbau.over, (std::vector<char>{0, 0, 1, 0, 0}));  // 3 of 4 passes half
  EXPECT_EQ(rohbau.most, 4);
  EXPECT_EQ(model.rows[5].marks.counts, (std::vector<int>{1, 0, 0, 0, 0}));
  EXPECT_TRUE(model.rows[1].marks.Empty());
}

TEST(AbsenceMarks, ConflictsGoToTheResourceOfTheirGroup) {
  gantt::ChartModel model = Model();
  chart::AbsenceReport report;
  report.first = DateOf(100);
  report.last = DateOf(104);
  report.conflicts = {{"Elektro", "Meier", DateOf(100), 8.0, {"Kabel"}}};
  report.groups = {{"Rohbau", 4, {0, 1, 3, 1, 1}, {4, 3, 1, 3, 3}}};
  report.limit = chart::AbsenceLimit{2, false};
  EXPECT_EQ(MarkFromReport(model, report, true, true), 2u);
  EXPECT_TRUE(model.rows[1].marks.red.empty());  // Meier of Rohbau has no conflict
  EXPECT_EQ(model.rows[6].marks.red, (std::vector<gantt::Day>{100}));
  EXPECT_EQ(model.rows[0].marks.over, (std::vector<char>{0, 0, 1, 0, 0}));
  EXPECT_TRUE(model.rows[5].marks.counts.empty());  // Elektro is not in the report's groups
}

TEST(AbsenceMarks, AGroupNameTheChartCutStillFindsItsCounts) {
  const std::string name(600, 'R');
  gantt::ChartModel model = Model();
  model.rows[0].cells[1] = name.substr(0, kLongestName);
  model.rows[1].cells[1] = name.substr(0, kLongestName);
  chart::AbsenceReport report;
  report.first = DateOf(100);
  report.last = DateOf(104);
  report.conflicts = {{name, name, DateOf(101), 8.0, {"Kabel"}}};
  report.groups = {{name, 4, {0, 1, 3, 1, 1}, {4, 3, 1, 3, 3}}};
  EXPECT_EQ(MarkFromReport(model, report, true, true), 2u);
  EXPECT_EQ(model.rows[0].marks.counts, (std::vector<int>{0, 1, 3, 1, 1}));
  EXPECT_EQ(model.rows[1].marks.red, (std::vector<gantt::Day>{101}));
}

}  // namespace
}  // namespace kx::job
