#include "gantt/chart_model.hpp"

#include <gtest/gtest.h>

#include "gantt/chart_projects.hpp"
#include "holidays/holiday_calendar.hpp"

namespace kx::gantt {
namespace {

using testing::At;

Day D(int y, int m, int d) {
  return DayOf(DateSerial(y, m, d));
}

std::vector<std::string> Styles(const Row& row) {
  std::vector<std::string> names;
  for (const auto& b : row.bars) names.push_back(b.style + (b.rolledUp ? " (rollup)" : ""));
  return names;
}

TEST(ChartModelTest, TableColumnsAndTitlesComeFromTheChartsView) {
  const auto p = testing::GroupedVacationChart();
  const ChartModel m = BuildChartModel(*p);
  ASSERT_EQ(m.columns.size(), 6u);
  std::vector<std::string> titles;
  for (const auto& c : m.columns) titles.push_back(c.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Nr.", "", "Name", "Bereich von", "Bereich bis",
                                              "Anzahl Urlaubstage"}));
  EXPECT_EQ(m.columns[0].align, Align::Centre);
  EXPECT_EQ(m.columns[2].width, 24);
  EXPECT_EQ(m.columns[5].align, Align::Right);
  EXPECT_EQ(m.viewName, "Balkendiagramm: Urlaub");
  EXPECT_EQ(m.title, "urlaub.xml");
}

// Texts longer than a chart keeps are cut, by characters, before anything draws them.
TEST(ChartModelTest, LongTextsAreCutToWhatAChartKeeps) {
  auto p = testing::GroupedVacationChart();
  p->title = std::string(100000, 'T');
  std::string name;
  for (int i = 0; i < 600; ++i) name += "ä";
  p->tasks[1]->name = name;
  const ChartModel m = BuildChartModel(*p);
  EXPECT_EQ(m.title, std::string(512, 'T'));
  EXPECT_EQ(m.rows[1].cells[2], name.substr(0, 2 * 512));
  EXPECT_EQ(m.cutTexts, 2u);
  EXPECT_EQ(BuildChartModel(*testing::GroupedVacationChart()).cutTexts, 0u);
}

TEST(ChartModelTest, CellsAreWrittenAsTheSheetShowsThem) {
  auto p = testing::GroupedVacationChart();
  p->tasks[1]->dates.erase("Datum8");
  const ChartModel m = BuildChartModel(*p, {}, RegionalSettings::German());
  ASSERT_EQ(m.rows.size(), 5u);
  EXPECT_EQ(m.rows[1].cells,
            (std::vector<std::string>{"2", "", "Katrin Vogel", "01.03.2025", "NV", "4"}));
  EXPECT_EQ(m.rows[1].level, 2);
  EXPECT_FALSE(m.rows[1].summary);
  // A group row adds up the counts below it: the count field sums on summary rows.
  EXPECT_EQ(m.rows[0].cells[5], "6");
  EXPECT_EQ(m.rows[3].cells[5], "1");
  EXPECT_TRUE(m.rows[0].summary);
}

TEST(ChartModelTest, SummaryRowsShowTheirOwnValueWithoutTheSumProperty) {
  auto p = testing::GroupedVacationChart();
  p->definitions.customFieldProperties.clear();
  const ChartModel m = BuildChartModel(*p);
  EXPECT_EQ(m.rows[0].cells[5], "0");
}

TEST(ChartModelTest, AGapDaySplitsTheBarAndTheEndsStayOnMarkedDays) {
  // Monday to Friday with Thursday worked: the parts are Monday to Wednesday and Friday. The
  // first part ends at 08:00 on Thursday, which holds no work of Thursday.
  const ChartModel m = BuildChartModel(*testing::GroupedVacationChart());
  const Row& katrin = m.rows[1];
  ASSERT_EQ(Styles(katrin), (std::vector<std::string>{"Vorgang"}));
  EXPECT_EQ(katrin.bars[0].parts, (std::vector<DaySpan>{{D(2025, 3, 3), D(2025, 3, 5)},
                                                        {D(2025, 3, 7), D(2025, 3, 7)}}));
  EXPECT_EQ(katrin.bars[0].ownColour, 1);
  EXPECT_EQ(katrin.bars[0].look.middleColour, 15);  // the style's own colour stays
  EXPECT_EQ(katrin.bars[0].text, "");  // "Ressourcennamen" of a chart row is empty
}

TEST(ChartModelTest, GapsOfSeveralDaysAndGapsInsideADay) {
  auto p = testing::EmptyVacationChart();
  auto& t = testing::AddResourceRow(*p, "A", 1, At(2025, 3, 3), At(2025, 3, 14), 3);
  // Tuesday 4 to Thursday 13 free, and the lunch hour of Friday 14 (which keeps the day).
  t.gaps = {{At(2025, 3, 4, 8), At(2025, 3, 14, 8)}, {At(2025, 3, 14, 12), At(2025, 3, 14, 13)}};
  const ChartModel m = BuildChartModel(*p);
  EXPECT_EQ(m.rows[0].bars[0].parts, (std::vector<DaySpan>{{D(2025, 3, 3), D(2025, 3, 3)},
                                                           {D(2025, 3, 14), D(2025, 3, 14)}}));
}

TEST(ChartModelTest, ABarRunsOverDaysOffOfTheProjectCalendar) {
  // A source project on "Standard": Friday 08:00 to Tuesday 17:00 is one bar over the weekend.
  auto p = platform::NewProjectData("Bau.xml");
  p->tasks.push_back(std::make_shared<platform::TaskData>());
  auto& t = *p->tasks.back();
  t.id = t.uid = 1;
  t.name = "Schalung";
  t.start = At(2025, 3, 7, 8);
  t.finish = At(2025, 3, 11, 17);
  t.durationMinutes = 3 * 480;
  const ChartModel m = BuildChartModel(*p);
  ASSERT_EQ(Styles(m.rows[0]), (std::vector<std::string>{"Vorgang"}));
  EXPECT_EQ(m.rows[0].bars[0].parts,
            (std::vector<DaySpan>{{D(2025, 3, 7), D(2025, 3, 11)}}));
  // Without a table of its own the entry table's columns show.
  ASSERT_GE(m.columns.size(), 6u);
  EXPECT_EQ(m.columns[3].field, "Dauer");
  EXPECT_EQ(m.rows[0].cells[3], "3 t");
  EXPECT_EQ(m.rows[0].cells[4], "07.03.2025");
}

TEST(ChartModelTest, SummaryRowsCarryTheRolledUpBarsOfTheirRows) {
  const ChartModel m = BuildChartModel(*testing::GroupedVacationChart());
  // The group's own bar first, then one rolled-up bar per resource row below it.
  EXPECT_EQ(Styles(m.rows[0]), (std::vector<std::string>{"Vorgang", "Rollup: Vorgang (rollup)",
                                                         "Rollup: Vorgang (rollup)"}));
  EXPECT_EQ(m.rows[0].bars[0].parts, (std::vector<DaySpan>{{D(2025, 3, 3), D(2025, 3, 11)}}));
  EXPECT_EQ(m.rows[0].bars[1].parts, m.rows[1].bars[0].parts);
  EXPECT_FALSE(m.rows[0].bars[1].ownColour.has_value());  // black, the roll-up style's colour
  EXPECT_EQ(m.rows[0].bars[1].look.middleColour, 0);
  // "Bau" collects Jan only, not the rows of "Planung".
  EXPECT_EQ(Styles(m.rows[3]),
            (std::vector<std::string>{"Vorgang", "Rollup: Vorgang (rollup)"}));
}

TEST(ChartModelTest, AHiddenBarShowsNeitherOnItsRowNorOnTheSummaryRow) {
  const ChartModel m = BuildChartModel(*testing::GroupedVacationChart(true));
  EXPECT_TRUE(m.rows[2].bars.empty());
  EXPECT_EQ(Styles(m.rows[0]),
            (std::vector<std::string>{"Vorgang", "Rollup: Vorgang (rollup)"}));
}

TEST(ChartModelTest, RowsWithoutRollupStayOffTheSummaryRow) {
  auto p = testing::GroupedVacationChart();
  p->tasks[1]->rollup = false;
  const ChartModel m = BuildChartModel(*p);
  ASSERT_EQ(m.rows[0].bars.size(), 2u);
  EXPECT_EQ(m.rows[0].bars[1].parts, m.rows[2].bars[0].parts);
}

TEST(ChartModelTest, AnOutlineThatSkipsLevelsStillRollsUp) {
  // Levels 1, 3, 3, 2 as a damaged file may give them: both level-3 rows belong to the group.
  auto p = testing::GroupedVacationChart();
  p->tasks.resize(3);
  p->tasks[1]->outlineLevel = 3;
  p->tasks[2]->outlineLevel = 3;
  auto& last = testing::AddResourceRow(*p, "Uwe Koch", 2, At(2025, 3, 20), At(2025, 3, 20), 2);
  last.numbers["Zahl14"] = 1;
  const ChartModel m = BuildChartModel(*p);
  ASSERT_EQ(m.rows.size(), 4u);
  EXPECT_EQ(m.rows[0].bars.size(), 4u);  // its own and three rolled-up bars
  EXPECT_EQ(m.rows[0].cells[5], "7");
}

TEST(ChartModelTest, ThePeriodIsTheChartsRangeUnlessTheOptionsSayOtherwise) {
  const auto p = testing::GroupedVacationChart();
  EXPECT_EQ(BuildChartModel(*p).period, (DaySpan{D(2025, 3, 1), D(2025, 3, 31)}));
  ModelOptions o;
  o.from = D(2025, 3, 10);
  EXPECT_EQ(BuildChartModel(*p, o).period, (DaySpan{D(2025, 3, 10), D(2025, 3, 31)}));
  o.to = D(2025, 2, 1);  // before the start: one day
  EXPECT_EQ(BuildChartModel(*p, o).period, (DaySpan{D(2025, 3, 10), D(2025, 3, 10)}));

  // Without range fields the bars decide.
  for (auto& t : p->tasks) t->dates.clear();
  EXPECT_EQ(BuildChartModel(*p).period, (DaySpan{D(2025, 3, 3), D(2025, 3, 19)}));
}

TEST(ChartModelTest, AnEmptyChartHasAPeriodAndNoRows) {
  const auto p = testing::EmptyVacationChart();
  const ChartModel m = BuildChartModel(*p);
  EXPECT_TRUE(m.rows.empty());
  EXPECT_EQ(m.period.first, D(2025, 3, 1));
  EXPECT_EQ(m.period.last, D(2025, 3, 31));
}

TEST(ChartModelTest, StandardStylesDrawSummariesAndMilestonesOfSourceProjects) {
  auto p = platform::NewProjectData("Bau.xml");
  p->definitions.barStyles.clear();
  auto add = [&](const std::string& name, int level, Date start, Date finish, double minutes) {
    auto t = std::make_shared<platform::TaskData>();
    t->id = t->uid = static_cast<std::int32_t>(p->tasks.size() + 1);
    t->name = name;
    t->outlineLevel = level;
    t->start = start;
    t->finish = finish;
    t->durationMinutes = minutes;
    p->tasks.push_back(t);
    return t;
  };
  add("Rohbau", 1, At(2025, 3, 3, 8), At(2025, 3, 5, 17), 3 * 480)->summary = true;
  add("Aushub", 2, At(2025, 3, 3, 8), At(2025, 3, 5, 17), 3 * 480);
  add("Abnahme", 2, At(2025, 3, 5, 17), At(2025, 3, 5, 17), 0);
  // The task of the assignment shows its resource's name.
  auto r = std::make_shared<platform::ResourceData>();
  r->uid = 1;
  r->name = "Bagger";
  r->assignments.push_back(std::make_shared<platform::AssignmentData>());
  r->assignments.back()->taskUid = 2;
  p->resources.push_back(r);
  p->definitions.tables[0].columns.push_back({"Ressourcennamen", "", 20, 0});
  p->definitions.currentTable = p->definitions.tables[0].name;

  const ChartModel m = BuildChartModel(*p);
  EXPECT_EQ(Styles(m.rows[0]), (std::vector<std::string>{"Sammelvorgang"}));
  EXPECT_EQ(Styles(m.rows[1]), (std::vector<std::string>{"Vorgang"}));
  EXPECT_EQ(Styles(m.rows[2]), (std::vector<std::string>{"Meilenstein"}));
  EXPECT_EQ(m.rows[2].bars[0].parts, (std::vector<DaySpan>{{D(2025, 3, 5), D(2025, 3, 5)}}));
  EXPECT_EQ(m.rows[1].cells.back(), "Bagger");
}

// A project that carries a state's holiday calendar shows its holidays by name (the desktop's
// view shades them and names them in its tooltip); a day the user changed to a working day is
// none.
TEST(ChartModelTest, TheHolidaysOfAHolidayCalendarOfTheProject) {
  auto p = testing::GroupedVacationChart();
  holidays::InsertHolidayCalendar(*p, holidays::State::BE, 2025, 2025);
  ChartModel m = BuildChartModel(*p, {DayOf(DateSerial(2025, 3, 1)), DayOf(DateSerial(2025, 3, 31))});
  AddCalendarHolidays(m, *p);
  ASSERT_EQ(m.holidays.size(), 1u);
  EXPECT_EQ(m.holidays.at(DayOf(DateSerial(2025, 3, 8))), "Internationaler Frauentag");
  p->FindCalendar("Feiertage Berlin")->exceptions[1].working = true;  // 08.03., after Neujahr
  m.holidays.clear();
  AddCalendarHolidays(m, *p);
  EXPECT_TRUE(m.holidays.empty());
}

}  // namespace
}  // namespace kx::gantt
