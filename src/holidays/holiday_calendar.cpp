#include "holidays/holiday_calendar.hpp"

#include <algorithm>
#include <limits>
#include <set>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

namespace kx::holidays {

std::string CalendarName(State state) { return std::string("Feiertage ") + Name(state); }

namespace {

// The years of the table within `from` to `to`; throws when none is left.
std::pair<int, int> CoveredYears(State state, int from, int to) {
  const int first = std::max({from, FirstYear(state), kFirstYear});
  const int last = std::min(to, kLastYear);
  if (first > last) {
    throw std::invalid_argument(std::string("Für ") + Name(state) +
                                " gibt es Feiertage nur in den Jahren " +
                                std::to_string(FirstYear(state)) + " bis " +
                                std::to_string(kLastYear) + ".");
  }
  return {first, last};
}

// A base calendar `name` of `project`: the one there, or a new one with the next free UID.
// Throws when the name belongs to a resource calendar.
std::shared_ptr<platform::CalendarData> BaseCalendarNamed(platform::ProjectData& project,
                                                          const std::string& name, bool& added) {
  for (const auto& c : project.calendars) {
    if (c != nullptr && !c->isBase && c->name == name)
      throw std::invalid_argument("Der Name \"" + name + "\" gehört schon einem Ressourcenkalender.");
  }
  added = false;
  if (auto calendar = project.FindCalendar(name)) return calendar;
  auto calendar = std::make_shared<platform::CalendarData>();
  // The next UID after the highest; after a UID at the end of the range, the lowest free one.
  std::set<std::int32_t> taken;
  for (const auto& c : project.calendars)
    if (c != nullptr) taken.insert(c->uid);
  std::int32_t uid = taken.empty() ? 0 : std::max(*taken.rbegin(), 0);
  if (uid < std::numeric_limits<std::int32_t>::max()) {
    ++uid;
  } else {
    uid = 1;
    while (taken.count(uid) > 0) ++uid;
  }
  calendar->uid = uid;
  calendar->name = name;
  calendar->isBase = true;
  project.calendars.push_back(calendar);
  added = true;
  return calendar;
}

// Puts the holidays in as one-day days off where no exception covers their day; returns how
// many. Keeps the exceptions sorted.
int AddHolidays(std::vector<platform::CalendarException>& exceptions,
                const std::vector<Holiday>& holidays) {
  int days = 0;
  for (const Holiday& h : holidays) {
    const bool covered = std::any_of(exceptions.begin(), exceptions.end(), [&](const auto& e) {
      return e.from <= h.day && h.day <= e.to;
    });
    if (covered) continue;
    exceptions.push_back({h.name, h.day, h.day, false, {}});
    ++days;
  }
  std::sort(exceptions.begin(), exceptions.end(),
            [](const auto& a, const auto& b) { return a.from < b.from; });
  return days;
}

}  // namespace

InsertedCalendar InsertHolidayCalendar(platform::ProjectData& project, State state, int from,
                                       int to) {
  InsertedCalendar result;
  std::tie(result.firstYear, result.lastYear) = CoveredYears(state, from, to);
  const auto calendar = BaseCalendarNamed(project, CalendarName(state), result.added);
  if (const auto week = project.ProjectCalendar(); week != nullptr && week != calendar)
    calendar->weekdays = week->weekdays;

  const auto holidays = HolidaysOf(state, result.firstYear, result.lastYear);
  std::set<std::string> names;
  for (const State s : AllStates())
    for (const Holiday& h : HolidaysOf(s, std::max(FirstYear(s), result.firstYear), result.lastYear))
      names.insert(h.name);
  const Date spanFrom = DateSerial(result.firstYear, 1, 1);
  const Date spanTo = DateSerial(result.lastYear, 12, 31);
  auto& exceptions = calendar->exceptions;
  std::erase_if(exceptions, [&](const platform::CalendarException& e) {
    return !e.working && e.from == e.to && e.from >= spanFrom && e.from <= spanTo &&
           names.count(e.name) > 0;
  });
  result.days = AddHolidays(exceptions, holidays);
  result.calendar = calendar;
  return result;
}

std::string ComparisonCalendarName(const std::string& base, State state) {
  return base + " mit Feiertagen " + Name(state);
}

std::shared_ptr<platform::CalendarData> InsertHolidayComparison(platform::ProjectData& project,
                                                                const platform::CalendarData& base,
                                                                State state, int from, int to) {
  const auto [first, last] = CoveredYears(state, from, to);
  const platform::CalendarData copy = base;  // `base` may be the calendar made anew
  bool added = false;
  const auto calendar = BaseCalendarNamed(project, ComparisonCalendarName(copy.name, state), added);
  calendar->weekdays = copy.weekdays;
  calendar->exceptions = copy.exceptions;
  AddHolidays(calendar->exceptions, HolidaysOf(state, first, last));
  return calendar;
}

}  // namespace kx::holidays
