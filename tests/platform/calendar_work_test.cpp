#include <gtest/gtest.h>

#include <algorithm>

#include "platform/planning_host.hpp"
#include "platform_fixture.hpp"
#include "support/regional.hpp"

namespace kx::platform {
namespace {

using testing::BaseCalendar;
using testing::ErrorOf;
using testing::Resource;
using testing::ResourceCalendar;

std::optional<double> Shift(host::Calendar& c, int y, int m, int d, int shift) {
  return c.GetCalendarYear(y)->GetYearMonth(m)->GetMonthDay(d)->GetDayShiftStart(shift);
}

TEST(CalendarObjects, YearsMonthsAndDaysInOrderAndByNumber) {
  auto p = NewProjectData("Quelle");
  PlanningHost host;
  auto cal = host.AddProject(p)->GetBaseCalendar("Standard");
  const auto years = cal->GetCalendarYears();
  ASSERT_EQ(years.size(), 66u);
  EXPECT_EQ(years.front()->GetYearNumber(), 1984);
  EXPECT_EQ(years.back()->GetYearNumber(), 2049);
  EXPECT_EQ(cal->GetCalendarYear(2024)->GetYearNumber(), 2024);
  EXPECT_EQ(ErrorOf([&] { cal->GetCalendarYear(1983); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { cal->GetCalendarYear(2050); }), host::kErrNotFound);

  const auto months = cal->GetCalendarYear(2024)->GetYearMonths();
  ASSERT_EQ(months.size(), 12u);
  EXPECT_EQ(months[1]->GetMonthNumber(), 2);
  const auto days = months[1]->GetMonthDays();
  ASSERT_EQ(days.size(), 29u);  // a leap year
  EXPECT_EQ(days[28]->GetDayNumber(), 29);
  EXPECT_EQ(days[28]->GetDayDate(), DateSerial(2024, 2, 29));
  EXPECT_EQ(ErrorOf([&] { months[1]->GetMonthDay(30); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { cal->GetCalendarYear(2024)->GetYearMonth(13); }), host::kErrNotFound);

  // Monday 18.03.2024: two shifts; Sunday: none.
  EXPECT_DOUBLE_EQ(*Shift(*cal, 2024, 3, 18, 1), 8.0 / 24);
  EXPECT_DOUBLE_EQ(*Shift(*cal, 2024, 3, 18, 2), 13.0 / 24);
  EXPECT_FALSE(Shift(*cal, 2024, 3, 18, 3));
  EXPECT_FALSE(Shift(*cal, 2024, 3, 17, 1));
  EXPECT_EQ(ErrorOf([&] { Shift(*cal, 2024, 3, 18, 0); }), host::kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { Shift(*cal, 2024, 3, 18, 6); }), host::kErrInvalidArgument);
}

TEST(CalendarObjects, AVacationShowsOnTheResourceCalendarOnly) {
  auto p = NewProjectData("Quelle");
  auto base = p->FindCalendar("Standard");
  auto own = ResourceCalendar("Anna", base);
  own->exceptions.push_back(
      {"Urlaub", DateSerial(2024, 3, 19), DateSerial(2024, 3, 20), false, {}});
  // A night shift from midnight on the Friday.
  own->exceptions.push_back(
      {"Nacht", DateSerial(2024, 3, 22), DateSerial(2024, 3, 22), true, {{0.0, 8.0 / 24}}});
  p->calendars.push_back(own);
  auto anna = Resource(1, "Anna", "Bau");
  anna->calendar = own;
  p->resources = {anna};

  PlanningHost host;
  auto project = host.AddProject(p);
  auto resource = project->GetProjectResources().at(0);
  auto resourceCal = resource->GetResourceCalendar();
  auto baseCal = project->GetBaseCalendar(resource->GetResourceBaseCalendarName());
  EXPECT_EQ(resource->GetResourceBaseCalendarName(), "Standard");
  for (int shift = 1; shift <= 5; ++shift) EXPECT_FALSE(Shift(*resourceCal, 2024, 3, 19, shift));
  EXPECT_TRUE(Shift(*baseCal, 2024, 3, 19, 1));
  EXPECT_TRUE(Shift(*resourceCal, 2024, 3, 21, 1));  // back at work

  const auto night = Shift(*resourceCal, 2024, 3, 22, 1);
  ASSERT_TRUE(night.has_value());  // used although it starts at 0
  EXPECT_EQ(*night, 0.0);
  EXPECT_FALSE(Shift(*resourceCal, 2024, 3, 22, 2));

  // The same handle is given out again, and it sees later changes of the model.
  EXPECT_EQ(project->GetBaseCalendar("Standard"), baseCal);
  base->exceptions.push_back(
      {"Feiertag", DateSerial(2024, 3, 25), DateSerial(2024, 3, 25), false, {}});
  EXPECT_FALSE(Shift(*baseCal, 2024, 3, 25, 1));
  EXPECT_FALSE(Shift(*resourceCal, 2024, 3, 25, 1));
  EXPECT_EQ(ErrorOf([&] { project->GetBaseCalendar("standard"); }), host::kErrNotFound);
}

// The month's working days read in one go, against its days read shift by shift.
std::uint32_t DayByDay(host::CalendarMonth& month) {
  std::uint32_t mask = 0;
  for (const auto& day : month.GetMonthDays())
    for (int shift = 1; shift <= 5; ++shift)
      if (day->GetDayShiftStart(shift)) {
        mask |= std::uint32_t{1} << (day->GetDayNumber() - 1);
        break;
      }
  return mask;
}

TEST(CalendarObjects, AMonthsWorkingDaysAreItsDaysWithAShiftAsTheCalendarIsNow) {
  auto p = NewProjectData("Quelle");
  auto base = p->FindCalendar("Standard");
  auto own = ResourceCalendar("Anna", base);
  own->exceptions.push_back(
      {"Samstag", DateSerial(2024, 2, 24), DateSerial(2024, 2, 24), true, {{0.0, 4.0 / 24}}});
  own->exceptions.push_back({"Urlaub", DateSerial(2024, 2, 26), DateSerial(2024, 3, 1), false, {}});
  // Stretches over the turn of a month, one right after the other, a working day without times
  // in the base (the host's default times), Sundays worked in the base.
  own->exceptions.insert(own->exceptions.begin(),
                         {{"Urlaub", DateSerial(2024, 1, 30), DateSerial(2024, 2, 2), false, {}},
                          {"Urlaub", DateSerial(2024, 2, 3), DateSerial(2024, 2, 3), false, {}}});
  base->exceptions.push_back({"Messe", DateSerial(2024, 2, 4), DateSerial(2024, 2, 11), true, {}});
  base->exceptions.push_back({"Ruhe", DateSerial(2024, 2, 12), DateSerial(2024, 4, 2), false, {}});
  ASSERT_TRUE(std::is_sorted(base->exceptions.begin(), base->exceptions.end(),
                             [](const auto& a, const auto& b) { return a.from < b.from; }));
  base->weekdays[0] = {false, {{9.0 / 24, 12.0 / 24}}};
  own->weekdays[6] = {false, {}};
  p->calendars.push_back(own);
  auto anna = Resource(1, "Anna", "Bau");
  anna->calendar = own;
  p->resources = {anna};
  PlanningHost host;
  auto project = host.AddProject(p);
  auto cal = project->GetProjectResources().at(0)->GetResourceCalendar();
  for (const auto& month : project->GetBaseCalendar("Standard")->GetCalendarYear(2024)->GetYearMonths())
    EXPECT_EQ(month->GetMonthWorkingDays(), DayByDay(*month)) << "Standard " << month->GetMonthNumber();
  for (int year : {2023, 2024}) {
    for (const auto& month : cal->GetCalendarYear(year)->GetYearMonths())
      EXPECT_EQ(month->GetMonthWorkingDays(), DayByDay(*month)) << year << " " << month->GetMonthNumber();
  }
  auto february = cal->GetCalendarYear(2024)->GetYearMonth(2);
  const std::uint32_t before = february->GetMonthWorkingDays();
  EXPECT_TRUE(before & (1u << 23));    // the working Saturday
  EXPECT_FALSE(before & (1u << 25));   // on vacation
  EXPECT_FALSE(before >> 29);          // no day after the 29th
  // A change of the calendar or of its base shows at the next reading of the same month.
  base->exceptions.pop_back();  // no "Ruhe" any more
  own->exceptions.pop_back();   // back from vacation
  EXPECT_EQ(february->GetMonthWorkingDays(), DayByDay(*february));
  EXPECT_TRUE(february->GetMonthWorkingDays() & (1u << 12));  // Tuesday 13.02. worked again
  EXPECT_TRUE(february->GetMonthWorkingDays() & (1u << 25));
}

TEST(CalendarData, PrecedenceOfExceptionsAndWeekdays) {
  auto base = BaseCalendar("Basis", 1);
  base->weekdays[6] = {false, {{9.0 / 24, 12.0 / 24}}};  // base works Saturday mornings
  base->exceptions.push_back(
      {"Betriebsferien", DateSerial(2024, 3, 18), DateSerial(2024, 3, 18), false, {}});
  auto own = ResourceCalendar("Eigen", base);
  own->weekdays[1] = {false, {{6.0 / 24, 14.0 / 24}}};  // own Monday
  // The base chain's exception wins over the own weekday.
  EXPECT_TRUE(own->WorkingTimesOn(DateSerial(2024, 3, 18)).empty());
  // The own weekday wins over the base's default.
  EXPECT_EQ(own->WorkingMinutesOn(DateSerial(2024, 3, 25)), 480.0);
  EXPECT_EQ(own->WorkingTimesOn(DateSerial(2024, 3, 25)).front().from, 6.0 / 24);
  // The base's weekday, then the host default.
  EXPECT_EQ(own->WorkingMinutesOn(DateSerial(2024, 3, 23)), 180.0);
  EXPECT_EQ(own->WorkingTimesOn(DateSerial(2024, 3, 26)), DefaultWorkingTimes());
  EXPECT_TRUE(own->WorkingTimesOn(DateSerial(2024, 3, 24)).empty());
  // The own exception wins over everything.
  own->exceptions.push_back({"Einsatz",
                             DateSerial(2024, 3, 18),
                             DateSerial(2024, 3, 18),
                             true,
                             {{10.0 / 24, 11.0 / 24}}});
  EXPECT_EQ(own->WorkingMinutesOn(DateSerial(2024, 3, 18)), 60.0);
  EXPECT_EQ(own->BaseCalendarName(), "Basis");
}

// A file may chain resource calendars on resource calendars: every link counts, however long
// the chain, in the model and in the host's month of working days alike.
TEST(CalendarData, ChainsOfAnyLengthReachTheirBaseCalendar) {
  auto base = BaseCalendar("Basis", 1);
  base->exceptions.push_back(
      {"Betriebsferien", DateSerial(2024, 3, 18), DateSerial(2024, 3, 18), false, {}});
  auto link = ResourceCalendar("Glied 0", base);
  for (int i = 1; i < 100; ++i) link = ResourceCalendar("Glied " + std::to_string(i), link);
  EXPECT_EQ(link->BaseCalendarName(), "Basis");
  EXPECT_TRUE(link->WorkingTimesOn(DateSerial(2024, 3, 18)).empty());
  EXPECT_EQ(link->WorkingMinutesOn(DateSerial(2024, 3, 19)), 480.0);
}

class DailyWorkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegionalSettings::SetCurrent(RegionalSettings::German());
    data_ = NewProjectData("Quelle");
    auto cal = ResourceCalendar("Anna", data_->FindCalendar("Standard"));
    // Wednesday 20.03.2024 is a holiday for Anna.
    cal->exceptions.push_back(
        {"Feiertag", DateSerial(2024, 3, 20), DateSerial(2024, 3, 20), false, {}});
    data_->calendars.push_back(cal);
    anna_ = Resource(1, "Anna", "Bau");
    anna_->calendar = cal;
    data_->resources = {anna_};
  }
  std::vector<host::DailyWorkItem> Work(const std::string& from, const std::string& to) {
    PlanningHost host;
    return host.AddProject(data_)->GetProjectResources().at(0)->GetDailyWork(from, to);
  }
  std::shared_ptr<ProjectData> data_;
  std::shared_ptr<ResourceData> anna_;
};

TEST_F(DailyWorkTest, WorkIsSpreadOverTheWorkingTimeOfTheResourceCalendar) {
  auto a = std::make_shared<AssignmentData>();
  a->start = DateTimeSerial(2024, 3, 18, 8, 0);
  a->finish = DateTimeSerial(2024, 3, 22, 17, 0);
  a->workMinutes = 1920.0;
  anna_->assignments.push_back(a);

  const auto days = Work("17.03.2024", "23.03.2024");
  ASSERT_EQ(days.size(), 7u);
  EXPECT_EQ(days[0].start, DateSerial(2024, 3, 17));
  EXPECT_EQ(days[6].start, DateSerial(2024, 3, 23));
  EXPECT_FALSE(days[0].minutes);  // Sunday
  EXPECT_EQ(days[1].minutes, 480.0);
  EXPECT_EQ(days[2].minutes, 480.0);
  EXPECT_FALSE(days[3].minutes);  // the holiday
  EXPECT_EQ(days[4].minutes, 480.0);
  EXPECT_EQ(days[5].minutes, 480.0);
  EXPECT_FALSE(days[6].minutes);

  // A second assignment adds up; a range that starts late gets its share only.
  auto b = std::make_shared<AssignmentData>();
  b->start = DateTimeSerial(2024, 3, 21, 13, 0);
  b->finish = DateTimeSerial(2024, 3, 21, 15, 0);
  b->workMinutes = 120.0;
  anna_->assignments.push_back(b);
  const auto late = Work("21.03.2024", "22.03.2024");
  ASSERT_EQ(late.size(), 2u);
  EXPECT_EQ(late[0].minutes, 600.0);
  EXPECT_EQ(late[1].minutes, 480.0);
  EXPECT_TRUE(Work("22.03.2024", "21.03.2024").empty());
  EXPECT_EQ(ErrorOf([&] { Work("kein Datum", "21.03.2024"); }), host::kErrInvalidArgument);
}

TEST_F(DailyWorkTest, TimephasedDataWinsAndMultiDayStretchesFollowTheCalendar) {
  auto a = std::make_shared<AssignmentData>();
  a->start = DateTimeSerial(2024, 3, 18, 8, 0);
  a->finish = DateTimeSerial(2024, 3, 25, 17, 0);
  a->workMinutes = 9999.0;  // not used: the timephased data says it day by day
  a->timephased = {
      {DateTimeSerial(2024, 3, 18, 8, 0), DateTimeSerial(2024, 3, 18, 17, 0), 450.0},
      // Tuesday to Thursday: the holiday on Wednesday takes no share.
      {DateTimeSerial(2024, 3, 19, 8, 0), DateTimeSerial(2024, 3, 21, 17, 0), 600.0},
      // Over the weekend, where the calendar has no working time: evenly over its two days,
      // not by the hours of each.
      {DateTimeSerial(2024, 3, 23, 6, 0), DateTimeSerial(2024, 3, 25, 0, 0), 90.0},
      {DateTimeSerial(2024, 3, 22, 8, 0), DateTimeSerial(2024, 3, 22, 17, 0), 0.0},
  };
  anna_->assignments.push_back(a);
  const auto days = Work("18.03.2024", "25.03.2024");
  ASSERT_EQ(days.size(), 8u);
  EXPECT_EQ(days[0].minutes, 450.0);
  EXPECT_EQ(days[1].minutes, 300.0);
  EXPECT_FALSE(days[2].minutes);
  EXPECT_EQ(days[3].minutes, 300.0);
  EXPECT_FALSE(days[4].minutes);  // zero work is no work
  EXPECT_EQ(days[5].minutes, 45.0);
  EXPECT_EQ(days[6].minutes, 45.0);
  EXPECT_FALSE(days[7].minutes);
}

}  // namespace
}  // namespace kx::platform
