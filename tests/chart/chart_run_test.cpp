#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "chart/chart_fixture.hpp"
#include "chart/chart_rows.hpp"

namespace kx::chart::testing {
namespace {

namespace fs = std::filesystem;

std::vector<double> Percentages(const std::vector<ProgressStep>& steps) {
  std::vector<double> out;
  for (const auto& s : steps) out.push_back(s.percent);
  return out;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

using Vacation = ChartTest;

TEST_F(Vacation, MondayToFridayOffWithThursdayWorkedGivesOneGap) {
  auto r = AddResource("Meier", "Rohbau");
  // Monday 18.03.2024 to Wednesday, and Friday.
  r->calendar->exceptions = {DaysOff(DateSerial(2024, 3, 18), DateSerial(2024, 3, 20)),
                             DaysOff(DateSerial(2024, 3, 22), DateSerial(2024, 3, 22))};
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2024;
  e.ExportChart();

  ASSERT_EQ(e.LastRunOutcome(), RunOutcome::Saved);
  const auto row = Row(1);
  EXPECT_EQ(row->name, "Meier");
  EXPECT_EQ(row->start, DateTimeSerial(2024, 3, 18, 8, 0));
  EXPECT_EQ(row->finish, DateTimeSerial(2024, 3, 22, 17, 0));
  EXPECT_EQ(row->durationMinutes, 4 * 480.0);
  ASSERT_EQ(row->gaps.size(), 1u);
  EXPECT_EQ(row->gaps[0].first, DateTimeSerial(2024, 3, 21, 8, 0));
  EXPECT_EQ(row->gaps[0].second, DateTimeSerial(2024, 3, 22, 8, 0));
  EXPECT_EQ(row->numbers.at("Zahl14"), 4.0);
  EXPECT_EQ(row->dates.at("Datum7"), DateSerial(2024, 1, 1));
  EXPECT_EQ(row->dates.at("Datum8"), DateSerial(2024, 12, 31));
  EXPECT_TRUE(row->rollup);
  EXPECT_EQ(row->barColour, 16);
  EXPECT_EQ(Chart()->calendarName, "KXNeutral");
  // The weekend the base calendar keeps free stays out of the vacation days.
  const auto& holidays = e.objResources->colResources.Item(1)->colHolidays;
  EXPECT_EQ(holidays.Count(), 5);
}

TEST_F(Vacation, PeriodFromTheFifteenthOfMarchStartsThere) {
  auto r = AddResource("Meier", "Rohbau");
  r->calendar->exceptions = {DaysOff(DateSerial(2024, 3, 4), DateSerial(2024, 3, 29))};
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 2;
  e.varPlanDurationStart = std::string("15.03.2024");
  e.varPlanDurationFinish = std::string("31.03.2024");
  e.ExportChart();
  const auto& holidays = e.objResources->colResources.Item(1)->colHolidays;
  ASSERT_GE(holidays.Count(), 1);
  EXPECT_EQ(ToText(holidays.Item(1)->varDate), "15.03.2024");
  EXPECT_EQ(ToText(holidays.Item(holidays.Count())->varDate), "29.03.2024");
  EXPECT_EQ(Row(1)->start, DateTimeSerial(2024, 3, 15, 8, 0));
}

TEST_F(Vacation, SpecialSevenDayCalendarCountsFreeWeekends) {
  auto seven = Calendar("7-Tage-Woche", 50);
  for (auto& d : seven->weekdays) d = {false, platform::DefaultWorkingTimes()};
  source->calendars.push_back(seven);
  auto r = AddResource("Meier", "Rohbau");
  r->calendar->exceptions = {DaysOff(DateSerial(2024, 3, 18), DateSerial(2024, 3, 22))};
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 2;
  e.varPlanDurationStart = std::string("11.03.2024");
  e.varPlanDurationFinish = std::string("31.03.2024");
  e.lngCalendarType = 1;
  e.strCalendar = "7-Tage-Woche";
  e.ExportChart();
  // Every Saturday and Sunday of the period is free for the resource while the calendar works.
  const auto row = Row(1);
  EXPECT_EQ(row->start, DateTimeSerial(2024, 3, 16, 8, 0));
  EXPECT_EQ(row->numbers.at("Zahl14"), 2 + 5 + 2 + 2.0);  // 16./17., 18.-22., 23./24., 30./31.
}

TEST_F(Vacation, MidnightShiftsAreWorkingTime) {
  auto night = Calendar("Nachtschicht", 60);
  for (int d = 1; d <= 5; ++d) night->weekdays[d] = {false, {{0.0, 8.0 / 24.0}}};
  for (int d : {0, 6}) night->weekdays[d] = {false, {}};
  source->calendars.push_back(night);
  auto r = AddResource("Nachtwächter", "Wache");
  r->calendar->base = night;
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2024;
  e.ExportChart();
  // The night calendar works Monday to Friday from midnight: no day counts as vacation.
  EXPECT_EQ(e.objResources->colResources.Item(1)->colHolidays.Count(), 0);
  EXPECT_TRUE(Row(1)->hiddenBar);
}

using Schedule = ChartTest;

std::shared_ptr<platform::AssignmentData> Work(Date day, double minutes) {
  auto a = std::make_shared<platform::AssignmentData>();
  a->start = Date(day.serial + 8.0 / 24);
  a->finish = Date(day.serial + 17.0 / 24);
  a->workMinutes = minutes;
  a->timephased = {{a->start, a->finish, minutes}};
  return a;
}

TEST_F(Schedule, HoursAreTheExactSumOfTheDays) {
  auto r = AddResource("Meier", "Rohbau");
  for (int d : {18, 19, 20}) r->assignments.push_back(Work(DateSerial(2024, 3, d), 450));
  auto& e = Engine();
  e.lngPlanType = 0;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2024;
  e.ExportChart();
  const auto row = Row(1);
  EXPECT_EQ(row->numbers.at("Zahl15"), 3.0);
  EXPECT_DOUBLE_EQ(row->numbers.at("Zahl16"), 22.5);
  EXPECT_EQ(row->durationMinutes, 3 * 480.0);
  EXPECT_TRUE(row->gaps.empty());
}

TEST_F(Schedule, FractionsOfAMinuteCountAsWork) {
  auto r = AddResource("Meier", "Rohbau");
  r->assignments.push_back(Work(DateSerial(2024, 3, 18), 7.5));
  auto& e = Engine();
  e.lngPlanType = 0;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2024;
  e.ExportChart();
  const auto& days = e.objResources->colResources.Item(1)->colWorkdays;
  ASSERT_EQ(days.Count(), 1);
  EXPECT_TRUE(days.Item(1)->blnIsWorkday);
  EXPECT_DOUBLE_EQ(days.Item(1)->dblHours, 7.5 / 60);
}

TEST_F(Schedule, WorkOnTheFirstAndLastDayKeepsTheDaysBetweenAsGaps) {
  auto r = AddResource("Meier", "Rohbau");
  r->assignments.push_back(Work(DateSerial(2024, 3, 18), 480));
  r->assignments.push_back(Work(DateSerial(2024, 3, 22), 480));
  auto& e = Engine();
  e.lngPlanType = 0;
  e.lngPlanDuration = 2;
  e.varPlanDurationStart = std::string("18.03.2024");
  e.varPlanDurationFinish = std::string("22.03.2024");
  e.ExportChart();
  const auto row = Row(1);
  EXPECT_EQ(row->numbers.at("Zahl15"), 2.0);
  EXPECT_EQ(row->finish, DateTimeSerial(2024, 3, 22, 17, 0));
  ASSERT_EQ(row->gaps.size(), 1u);
  EXPECT_EQ(row->gaps[0].first, DateTimeSerial(2024, 3, 19, 8, 0));
  EXPECT_EQ(row->gaps[0].second, DateTimeSerial(2024, 3, 22, 8, 0));
}

using Rows = ChartTest;

TEST_F(Rows, SixteenResourcesWithAColourEach) {
  for (int i = 1; i <= 16; ++i) {
    auto r = AddResource("R" + std::to_string(i), "Bau");
    r->calendar->exceptions = {DaysOff(DateSerial(2024, 3, 18), DateSerial(2024, 3, 18))};
  }
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2024;
  e.lngColorType = 1;
  e.ExportChart();
  std::vector<int> codes;
  for (long i = 1; i <= 16; ++i) codes.push_back(Row(i)->barColour.value_or(-1));
  // White (7) and yellow (2) would hardly show on the white grid.
  EXPECT_EQ(codes, (std::vector<int>{1, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 0, 1, 3, 4}));
}

TEST(RowColours, PositionsOfTheColourList) {
  EXPECT_EQ(SingleColourCode(1), 16);
  EXPECT_EQ(SingleColourCode(2), 0);
  EXPECT_EQ(SingleColourCode(17), 15);
  EXPECT_EQ(ChangingColourCode(13), 0);
  EXPECT_EQ(ChangingColourCode(14), 1);
}

TEST_F(Rows, GroupedChartHasSummaryRowsAndHiddenBarsForEmptyResources) {
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(DateSerial(2024, 5, 6), DateSerial(2024, 5, 7))};
  AddResource("Bernd", "Planung");  // no vacation
  auto c = AddResource("Clara", "Elektro");
  c->calendar->exceptions = {DaysOff(DateSerial(2024, 8, 5), DateSerial(2024, 8, 5))};
  AddResource("Dora", "Sanitär");  // no vacation: the group disappears
  AddResource("Beton", "Material", 1);
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2024;
  e.blnGroupResources = true;
  e.blnUseNullValues = false;
  e.lngColorType = 1;
  e.ExportChart();
  const auto chart = Chart();
  ASSERT_EQ(chart->tasks.size(), 4u);
  EXPECT_EQ(Row(1)->name, "Planung");
  EXPECT_TRUE(Row(1)->summary);
  EXPECT_EQ(Row(2)->name, "Anna");
  EXPECT_EQ(Row(2)->outlineLevel, 2);
  EXPECT_EQ(Row(3)->name, "Elektro");
  EXPECT_EQ(Row(4)->name, "Clara");
  // Bernd was dropped, so Clara is the second row: lime, the second colour after yellow.
  EXPECT_EQ(Row(4)->barColour, 3);

  // With the resources without values kept, the empty one gets a hidden bar and a zero count.
  e.GetResourceData();
}

TEST_F(Rows, KeptEmptyResourceHasAHiddenBarAndStillUsesAColour) {
  AddResource("Bernd", "Planung");
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(DateSerial(2024, 5, 6), DateSerial(2024, 5, 6))};
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2024;
  e.blnUseNullValues = true;
  e.lngColorType = 1;
  e.ExportChart();
  EXPECT_TRUE(Row(1)->hiddenBar);
  EXPECT_EQ(Row(1)->durationMinutes, 0.0);
  EXPECT_EQ(Row(1)->numbers.at("Zahl14"), 0.0);
  EXPECT_FALSE(Row(1)->barColour);
  EXPECT_EQ(Row(2)->barColour, 3);  // the second colour: lime (yellow is passed over)
}

using ChartRun = ChartTest;

TEST_F(ChartRun, ModelWithoutResourcesGoesThroughEveryStage) {
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 0;
  e.ExportChart();
  EXPECT_EQ(Percentages(progress), (std::vector<double>{10, 13, 15, 17, 20, 40, 80, 90, 100}));
  EXPECT_EQ(progress.back().text, "Urlaubsplan wurde erstellt.");
  EXPECT_EQ(progress[5].text, "Urlaubstage berechnet.");
  EXPECT_EQ(clock.Waited(), 100 + 100 + 100 + 100 + 500 + 200);
  EXPECT_TRUE(fs::exists(dir / "chart.xml"));
  EXPECT_FALSE(host->ScreenUpdating());
}

TEST_F(ChartRun, YearsAreWrittenWithFourDigits) {
  AddResource("Meier", "Rohbau");
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 987;
  e.blnUseNullValues = true;
  e.ExportChart();
  EXPECT_EQ(Row(1)->dates.at("Datum7"), DateSerial(987, 1, 1));
  EXPECT_EQ(Row(1)->dates.at("Datum8"), DateSerial(987, 12, 31));
}

TEST_F(ChartRun, ProjectFinishBeforeStartGivesAOneDayPeriod) {
  source->start = DateTimeSerial(2024, 5, 10, 8, 0);
  source->finish = DateTimeSerial(2024, 5, 1, 17, 0);
  AddResource("Meier", "Rohbau");
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 0;
  e.blnUseNullValues = true;
  e.ExportChart();
  EXPECT_EQ(Row(1)->dates.at("Datum7"), DateSerial(2024, 5, 10));
  EXPECT_EQ(Row(1)->dates.at("Datum8"), DateSerial(2024, 5, 10));
}

TEST_F(ChartRun, TargetOpenInTheHostIsRefusedAlsoWhenWrittenAnotherWay) {
  source->fullName = (dir / "Bau.xml").string();
  std::ofstream(dir / "Bau.xml") << "original\n";
  fs::create_symlink(dir / "Bau.xml", dir / "link.xml");
  for (const std::string& target : {(dir / "Bau.xml").string(), (dir / "." / "Bau.xml").string(),
                                    (dir / "link.xml").string()}) {
    SCOPED_TRACE(target);
    if (!engine) Engine();
    engine->strChartPath = target;
    boxes.Clear();
    progress.clear();
    engine->ExportChart();
    EXPECT_EQ(engine->LastRunOutcome(), RunOutcome::TargetOpen);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, kTextTargetOpen);
    EXPECT_EQ(boxes.Last().title, "Korvalinx");
    EXPECT_EQ(Percentages(progress),
              (std::vector<double>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(progress.back().text, "Ausgabe wird beendet...");
    EXPECT_EQ(host->GetOpenProjects().size(), 1u);
  }
  EXPECT_EQ(ReadFile(dir / "Bau.xml"), "original\n");
}

TEST_F(ChartRun, DifferentLetterCaseIsAnotherFile) {
  source->fullName = (dir / "Bau.xml").string();
  auto& e = Engine();
  e.strChartPath = (dir / "bau.xml").string();
  e.ExportChart();
  EXPECT_EQ(e.LastRunOutcome(), RunOutcome::Saved);
}

TEST_F(ChartRun, FailedSaveIsReportedAndKeepsTheEarlierFile) {
  std::ofstream(dir / "chart.xml") << "earlier chart\n";
  format->fail = true;
  auto& e = Engine();
  e.lngPlanType = 0;
  e.ExportChart();
  EXPECT_EQ(e.LastRunOutcome(), RunOutcome::SaveFailed);
  EXPECT_EQ(progress.back().text, "Ressourcendiagramm konnte nicht gespeichert werden.");
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_NE(boxes.Last().text.find("chart.xml"), std::string::npos);
  EXPECT_NE(boxes.Last().text.find("Datenträger voll"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "chart.xml"), "earlier chart\n");
}

// The run says what it passed over; a clean run, with every option, passes over nothing (the
// steps that are expected to fail on the way, such as looking for a column before adding it,
// do not count).
TEST_F(ChartRun, SkippedStepsAreJournaledAndACleanRunHasNone) {
  AddResource("Meier", "Rohbau");
  AddResource("Schulz", "Ausbau");
  auto& e = Engine();
  for (const std::int32_t plan : {settings::kPlanSchedule, settings::kPlanVacation}) {
    for (const bool grouped : {false, true}) {
      SCOPED_TRACE(std::to_string(plan) + (grouped ? " grouped" : ""));
      e.lngPlanType = plan;
      e.blnGroupResources = grouped;
      e.blnUseNullValues = true;
      e.lngColorType = settings::kColorsPerResource;
      e.strChartPath =
          (dir / ("chart-" + std::to_string(plan) + std::to_string(grouped) + ".xml")).string();
      e.SetFilter(kAllResourcesFilter);
      e.ExportChart();
      EXPECT_EQ(e.LastRunOutcome(), RunOutcome::Saved);
      for (const auto& f : e.LastRunSkipped()) ADD_FAILURE() << f.description;
    }
  }
  // A resource whose calendar is gone cannot be read: the run goes on and says so.
  source->resources[1]->calendar = nullptr;
  source->calendarName = "Gibt es nicht";
  e.lngPlanType = settings::kPlanVacation;
  e.strChartPath = (dir / "chart-broken.xml").string();
  e.GetResourceData();
  e.ExportChart();
  EXPECT_EQ(e.LastRunOutcome(), RunOutcome::Saved);
  EXPECT_FALSE(e.LastRunSkipped().empty());
}

TEST(SkippedRunText, CountsAndListsTheFirstFew) {
  EXPECT_EQ(SkippedRunText({{1100, "Feld \"Zahl14\" fehlt"}}),
            "Diagramm geschrieben, aber unvollständig: 1 Schritt wurde übersprungen.\r\n"
            "- Feld \"Zahl14\" fehlt (Fehler 1100)");
  std::vector<host::Failure> many(7, host::Failure{1102, "Balken"});
  const std::string text = SkippedRunText(many, 2);
  EXPECT_NE(text.find("7 Schritte wurden übersprungen."), std::string::npos);
  EXPECT_NE(text.find("\r\n- und 5 weitere"), std::string::npos);
}

using Filter = ChartTest;

TEST_F(Filter, HidingOneGroupRemovesItAndKeepsTheOthersInOrder) {
  AddResource("Anna", "Planung");
  AddResource("Bernd", "Rohbau");
  AddResource("Clara", "Elektro");
  platform::FilterDefinition f;
  f.name = "Ohne Rohbau";
  f.criteria = {{"Gruppe", "ungleich", "Rohbau", "Und"}};
  source->definitions.filters.push_back(f);
  auto& e = Engine();
  e.SetFilter("Ohne Rohbau");
  const auto& model = *e.objResources;
  ASSERT_EQ(model.colResourceGroups.Count(), 2);
  EXPECT_EQ(model.colResourceGroups.Item(1)->strName, "Planung");
  EXPECT_EQ(model.colResourceGroups.Item(2)->strName, "Elektro");
  EXPECT_EQ(model.colResources.Count(), 2);
  EXPECT_EQ(model.lngResourcesCount, 2);

  // The unique number column was added to the resource table once.
  int tables = 0;
  for (const auto& t : source->definitions.tables) {
    if (!t.taskTable && t.name == "&Eingabe") {
      ++tables;
      ASSERT_FALSE(t.columns.empty());
      EXPECT_EQ(t.columns.back().field, "Einmalige Nr.");
      EXPECT_EQ(t.columns.back().width, 10);
      EXPECT_EQ(t.columns.back().align, 2);
    }
  }
  EXPECT_EQ(tables, 1);

  e.GetResourceData();
  e.SetFilter("Alle Ressourcen");
  EXPECT_EQ(e.objResources->lngResourcesCount, 3);
  e.SetFilter("Materialressourcen");
  EXPECT_EQ(e.objResources->colResourceGroups.Count(), 0);
  EXPECT_EQ(e.objResources->lngResourcesCount, 0);
}

}  // namespace
}  // namespace kx::chart::testing
