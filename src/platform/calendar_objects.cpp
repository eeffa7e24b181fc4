// Calendars as the host shows them: years 1984 to 2049, their months and days, and the working
// shifts of a day. The objects are light handles over the shared calendar data.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/host_objects.hpp"

namespace kx::platform::detail {
namespace {

constexpr int kFirstYear = 1984;
constexpr int kLastYear = 2049;
constexpr int kShifts = 5;

// Bit i for each of the `days` days (at most 32) from day number `first` that has working time:
// the rule of CalendarData::WorkingTimesRefOn (own exception, the base chain's exceptions, own
// weekday, the base chain's weekday, the host default) for all the days in one walk over the
// exceptions and seven weekday look-ups.
std::uint32_t WorkingDays(const CalendarData& cal, double first, int days) {
  const std::uint32_t all = days >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << days) - 1;
  const double last = first + days - 1;
  std::uint32_t decided = 0, working = 0;
  for (const CalendarData* c = &cal; c != nullptr && decided != all; c = c->base.get()) {
    const auto& list = c->exceptions;
    // A day is decided by the last exception that starts on or before it, when that one holds it.
    auto it = std::upper_bound(
        list.begin(), list.end(), first,
        [](double d, const CalendarException& e) { return d < std::floor(e.from.serial); });
    if (it != list.begin()) --it;
    for (; it != list.end() && std::floor(it->from.serial) <= last; ++it) {
      const double start = std::floor(it->from.serial);
      double until = std::min(std::floor(it->to.serial), last);
      if (it + 1 != list.end()) until = std::min(until, std::floor((it + 1)->from.serial) - 1);
      for (double d = std::max(start, first); d <= until; d += 1) {
        const std::uint32_t bit = std::uint32_t{1} << static_cast<int>(d - first);
        if (decided & bit) continue;
        decided |= bit;
        if (it->working) working |= bit;
      }
    }
  }
  if (decided == all) return working;
  bool weekdayWorks[7];
  for (int wd = 0; wd < 7; ++wd) {
    weekdayWorks[wd] = wd != 0 && wd != 6;
    for (const CalendarData* c = &cal; c != nullptr; c = c->base.get()) {
      const WeekdayDefinition& w = c->weekdays[static_cast<std::size_t>(wd)];
      if (!w.inherited) {
        weekdayWorks[wd] = !w.times.empty();
        break;
      }
    }
  }
  const int firstWeekday = Weekday(Date(first)) - 1;  // 0 = Sunday
  for (int i = 0; i < days; ++i) {
    const std::uint32_t bit = std::uint32_t{1} << i;
    if (!(decided & bit) && weekdayWorks[(firstWeekday + i) % 7]) working |= bit;
  }
  return working;
}

class DayObject final : public host::CalendarDay {
 public:
  DayObject(std::shared_ptr<CalendarData> cal, Date date, int day)
      : cal_(std::move(cal)), date_(date), day_(day) {}
  int GetDayNumber() override { return day_; }
  Date GetDayDate() override { return date_; }
  std::optional<double> GetDayShiftStart(int shift) override {
    if (shift < 1 || shift > kShifts) {
      Fail(host::kErrInvalidArgument,
           "Die Schicht " + std::to_string(shift) + " gibt es nicht (1 bis 5).");
    }
    const WorkingTimes& times = cal_->WorkingTimesRefOn(date_);
    if (static_cast<std::size_t>(shift) > times.size()) return std::nullopt;
    return times[static_cast<std::size_t>(shift - 1)].from;
  }

 private:
  std::shared_ptr<CalendarData> cal_;
  Date date_;
  int day_;
};

class MonthObject final : public host::CalendarMonth {
 public:
  MonthObject(std::shared_ptr<CalendarData> cal, int year, int month)
      : cal_(std::move(cal)), year_(year), month_(month) {}
  int GetMonthNumber() override { return month_; }
  std::vector<host::CalendarDayPtr> GetMonthDays() override {
    const int days = DaysInMonth(year_, month_);
    const double first = DateSerial(year_, month_, 1).serial;
    std::vector<host::CalendarDayPtr> result;
    result.reserve(static_cast<std::size_t>(days));
    for (int d = 1; d <= days; ++d) {
      result.push_back(std::make_shared<DayObject>(cal_, Date(first + d - 1), d));
    }
    return result;
  }
  host::CalendarDayPtr GetMonthDay(int day) override {
    if (day < 1 || day > DaysInMonth(year_, month_)) {
      Fail(host::kErrNotFound, "Den Tag " + std::to_string(day) + " gibt es im Monat " +
                                   std::to_string(month_) + "/" + std::to_string(year_) +
                                   " nicht.");
    }
    return std::make_shared<DayObject>(cal_, DateSerial(year_, month_, day), day);
  }
  std::uint32_t GetMonthWorkingDays() override {
    // Read from the calendar as it is now.
    return WorkingDays(*cal_, DateSerial(year_, month_, 1).serial, DaysInMonth(year_, month_));
  }

 private:
  std::shared_ptr<CalendarData> cal_;
  int year_;
  int month_;
};

class YearObject final : public host::CalendarYear {
 public:
  YearObject(std::shared_ptr<CalendarData> cal, int year) : cal_(std::move(cal)), year_(year) {}
  int GetYearNumber() override { return year_; }
  std::vector<host::CalendarMonthPtr> GetYearMonths() override {
    if (months_.empty()) {
      months_.reserve(12);
      for (int m = 1; m <= 12; ++m)
        months_.push_back(std::make_shared<MonthObject>(cal_, year_, m));
    }
    return months_;
  }
  host::CalendarMonthPtr GetYearMonth(int month) override {
    if (month < 1 || month > 12) {
      Fail(host::kErrNotFound, "Den Monat " + std::to_string(month) + " gibt es nicht.");
    }
    return GetYearMonths()[static_cast<std::size_t>(month - 1)];
  }

 private:
  std::shared_ptr<CalendarData> cal_;
  int year_;
  std::vector<host::CalendarMonthPtr> months_;  // made on first use
};

class CalendarObject final : public host::Calendar {
 public:
  explicit CalendarObject(std::shared_ptr<CalendarData> cal) : cal_(std::move(cal)) {}
  std::string GetCalendarName() override { return cal_->name; }
  std::vector<host::CalendarYearPtr> GetCalendarYears() override {
    if (years_.empty()) {
      years_.reserve(kLastYear - kFirstYear + 1);
      for (int y = kFirstYear; y <= kLastYear; ++y) {
        years_.push_back(std::make_shared<YearObject>(cal_, y));
      }
    }
    return years_;
  }
  host::CalendarYearPtr GetCalendarYear(int year) override {
    if (year < kFirstYear || year > kLastYear) {
      Fail(host::kErrNotFound,
           "Das Jahr " + std::to_string(year) + " liegt außerhalb des Kalenders (1984 bis 2049).");
    }
    if (years_.empty()) GetCalendarYears();
    return years_[static_cast<std::size_t>(year - kFirstYear)];
  }

 private:
  std::shared_ptr<CalendarData> cal_;
  std::vector<host::CalendarYearPtr> years_;  // made on first use
};

}  // namespace

host::CalendarPtr MakeCalendar(std::shared_ptr<CalendarData> cal) {
  return std::make_shared<CalendarObject>(std::move(cal));
}

host::CalendarPtr ProjectState::CalendarHandle(const std::shared_ptr<CalendarData>& cal) {
  auto& handle = calendarHandles[cal.get()];
  if (handle == nullptr) handle = MakeCalendar(cal);
  return handle;
}

std::shared_ptr<CalendarData> ProjectState::FindBaseCalendar(const std::string& name) {
  const auto& list = data->calendars;
  if (const auto it = calendarIndex.find(name); it != calendarIndex.end()) {
    if (it->second < list.size()) {
      const auto& c = list[it->second];
      if (c != nullptr && c->isBase && c->name == name) return c;
    }
  }
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] != nullptr && list[i]->isBase && list[i]->name == name) {
      calendarIndex[name] = i;
      return list[i];
    }
  }
  return nullptr;
}

const ResourceData* ProjectState::FindResourceByUid(std::int32_t uid) {
  const auto& list = data->resources;
  const auto at = [&](std::size_t i) {
    return i < list.size() && list[i] != nullptr && list[i]->uid == uid ? list[i].get() : nullptr;
  };
  if (const auto it = resourceIndex.find(uid); it != resourceIndex.end())
    if (const ResourceData* r = at(it->second)) return r;
  std::size_t found = 0;
  while (found < list.size() && at(found) == nullptr) ++found;
  if (found == list.size()) return nullptr;
  // The list changed since the numbers were remembered: they are taken anew.
  resourceIndex.clear();
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i] != nullptr) resourceIndex.try_emplace(list[i]->uid, i);
  return list[found].get();
}

std::shared_ptr<ProjectState> ProjectState::SubState(const std::shared_ptr<ProjectData>& sub) {
  auto& state = subprojects[sub.get()];
  if (state == nullptr) {
    EnsureBuiltIns(sub->definitions);
    state = std::make_shared<ProjectState>(sub);
  }
  return state;
}

}  // namespace kx::platform::detail
