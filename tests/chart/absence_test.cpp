#include "chart/absence.hpp"

#include <gtest/gtest.h>

#include "chart/chart_fixture.hpp"

namespace kx::chart::testing {
namespace {

// A group of four on the standard calendar (Monday to Friday). Meier is away on Tuesday
// 12.03.2024 and yet has the tasks "Fundament" and "Schalung" on it; three of the four are away
// on Wednesday 13.03.2024; Lang, of another group, works only on days he is there.
class Absence : public ChartTest {
 protected:
  std::shared_ptr<platform::AssignmentData> Work(std::int32_t taskUid, Date day, double minutes) {
    auto a = std::make_shared<platform::AssignmentData>();
    a->taskUid = taskUid;
    a->start = Date(day.serial + 8.0 / 24);
    a->finish = Date(day.serial + 17.0 / 24);
    a->workMinutes = minutes;
    a->timephased = {{a->start, a->finish, minutes}};
    return a;
  }
  void AddTask(std::int32_t uid, const std::string& name) {
    auto t = std::make_shared<platform::TaskData>();
    t->uid = uid;
    t->id = uid;
    t->name = name;
    source->tasks.push_back(t);
  }

  AbsenceReport Compute(std::optional<AbsenceLimit> limit, std::int32_t calendarType = 0,
                        const std::string& calendar = "") {
    AddTask(1, "Fundament");
    AddTask(2, "Schalung");
    auto meier = AddResource("Meier", "Rohbau");
    meier->calendar->exceptions = {DaysOff(DateSerial(2024, 3, 12), DateSerial(2024, 3, 13))};
    meier->assignments = {Work(1, DateSerial(2024, 3, 11), 480), Work(1, DateSerial(2024, 3, 12), 240),
                          Work(2, DateSerial(2024, 3, 12), 210)};
    for (const char* name : {"Schulz", "Wolf"}) {
      AddResource(name, "Rohbau")->calendar->exceptions = {
          DaysOff(DateSerial(2024, 3, 13), DateSerial(2024, 3, 13))};
    }
    AddResource("Kran", "Rohbau", host::kMaterialResource);  // not counted
    AddResource("Braun", "Rohbau");
    auto lang = AddResource("Lang", "Elektro");
    lang->calendar->exceptions = {DaysOff(DateSerial(2024, 3, 14), DateSerial(2024, 3, 14))};
    lang->assignments = {Work(2, DateSerial(2024, 3, 13), 480)};
    auto& e = Engine();
    AbsenceOptions options;
    options.first = DateSerial(2024, 3, 11);
    options.last = DateSerial(2024, 3, 17);
    options.calendarType = calendarType;
    options.calendar = calendar;
    options.limit = limit;
    return ComputeAbsence(*e.objResources, *e.objProject, options);
  }
};

TEST_F(Absence, WorkOnAVacationDayIsAConflictWithItsHoursAndTasks) {
  const AbsenceReport report = Compute(std::nullopt);
  ASSERT_EQ(report.conflicts.size(), 1u);
  const WorkConflict& c = report.conflicts[0];
  EXPECT_EQ(c.group, "Rohbau");
  EXPECT_EQ(c.resource, "Meier");
  EXPECT_EQ(c.day, DateSerial(2024, 3, 12));
  EXPECT_DOUBLE_EQ(c.hours, 7.5);
  EXPECT_EQ(c.tasks, (std::vector<std::string>{"Fundament", "Schalung"}));
  // The day lists of the model stay untouched for the chart.
  EXPECT_TRUE(engine->objResources->colResources.Item(1)->colHolidays.Empty());
  EXPECT_TRUE(engine->objResources->colResources.Item(1)->colWorkdays.Empty());
}

TEST_F(Absence, GroupOfFourWithThreeAwayPassesHalf) {
  const AbsenceReport report = Compute(AbsenceLimit{50, true});
  ASSERT_EQ(report.groups.size(), 2u);
  const GroupPresence& rohbau = report.groups[0];
  EXPECT_EQ(rohbau.name, "Rohbau");
  EXPECT_EQ(rohbau.resources, 4);  // the material resource is no one
  // Monday to Sunday.
  EXPECT_EQ(rohbau.absent, (std::vector<int>{0, 1, 3, 0, 0, 0, 0}));
  EXPECT_EQ(rohbau.present, (std::vector<int>{4, 3, 1, 4, 4, 0, 0}));
  for (long d = 0; d < 7; ++d) EXPECT_EQ(report.Over(rohbau, d), d == 2) << d;
  // Lang alone in his group: one of one away on Thursday passes half as well.
  EXPECT_EQ(report.DaysOver(), 2);
}

TEST_F(Absence, CountLimitAndSevenDayComparison) {
  auto seven = Calendar("7-Tage-Woche", 50);
  for (auto& d : seven->weekdays) d = {false, platform::DefaultWorkingTimes()};
  source->calendars.push_back(seven);
  const AbsenceReport report = Compute(AbsenceLimit{3, false}, 1, "7-Tage-Woche");
  const GroupPresence& rohbau = report.groups[0];
  // Against a seven-day week the free weekend counts as everyone's vacation.
  EXPECT_EQ(rohbau.absent, (std::vector<int>{0, 1, 3, 0, 0, 4, 4}));
  EXPECT_EQ(rohbau.present, (std::vector<int>{4, 3, 1, 4, 4, 0, 0}));
  EXPECT_FALSE(report.Over(rohbau, 2));  // three of at most three
  EXPECT_TRUE(report.Over(rohbau, 5));
  // The weekend work-free, the conflict stays the one on Tuesday.
  EXPECT_EQ(report.conflicts.size(), 1u);
}

TEST_F(Absence, AfterAChartRunTheGroupsAreWholeAgain) {
  Compute(std::nullopt);
  auto& e = *engine;
  e.lngPlanType = 1;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2024;
  e.blnGroupResources = true;
  e.blnUseNullValues = false;
  e.ExportChart();
  // The chart dropped Braun (no vacation) and the crane from the group; presence counts them.
  ASSERT_EQ(e.objResources->colResourceGroups.Item(1)->colResources.Count(), 3);
  const auto whole = WholeGroups(*e.objResources);
  ASSERT_EQ(whole->colResourceGroups.Count(), 2);
  EXPECT_EQ(whole->colResourceGroups.Item(1)->strName, "Rohbau");
  EXPECT_EQ(whole->colResourceGroups.Item(1)->colResources.Count(), 5);
  AbsenceOptions options;
  options.first = DateSerial(2024, 3, 13);
  options.last = DateSerial(2024, 3, 13);
  EXPECT_EQ(ComputeAbsence(*whole, *e.objProject, options).groups[0].resources, 4);
}

TEST(AbsenceLimit, ReadsCountsAndPercents) {
  EXPECT_EQ(ParseAbsenceLimit("3")->value, 3);
  EXPECT_FALSE(ParseAbsenceLimit("3")->percent);
  EXPECT_TRUE(ParseAbsenceLimit("50%")->percent);
  EXPECT_EQ(ParseAbsenceLimit("50 %")->value, 50);
  for (const char* bad : {"", "%", "-1", "101%", "2,5", "drei", "1e3"})
    EXPECT_FALSE(ParseAbsenceLimit(bad)) << bad;
  EXPECT_FALSE(PassesLimit({50, true}, 2, 4));
  EXPECT_TRUE(PassesLimit({50, true}, 3, 4));
  EXPECT_TRUE(PassesLimit({0, false}, 1, 4));
  EXPECT_FALSE(PassesLimit({0, true}, 0, 0));
}

}  // namespace
}  // namespace kx::chart::testing
