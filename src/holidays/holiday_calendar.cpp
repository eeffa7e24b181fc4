#include "holidays/holiday_calendar.hpp"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace kx::holidays {

std::string CalendarName(State state) { return std::string("Feiertage ") + Name(state); }

InsertedCalendar InsertHolidayCalendar(platform::ProjectData& project, State state, int from,
                                       int to) {
  InsertedCalendar result;
  result.firstYear = std::max({from, FirstYear(state), kFirstYear});
  result.lastYear = std::min(to, kLastYear);
  if (result.firstYear > result.lastYear) {
    throw std::invalid_argument(std::string("Für ") + Name(state) +
                                " gibt es Feiertage nur in den Jahren " +
                                std::to_string(FirstYear(state)) + " bis " +
                                std::to_string(kLastYear) + ".");
  }
  const std::string name = CalendarName(state);
  for (const auto& c : project.calendars) {
    if (c != nullptr && !c->isBase && c->name == name)
      throw std::invalid_argument("Der Name \"" + name + "\" gehört schon einem Ressourcenkalender.");
  }

  auto calendar = project.FindCalendar(name);
  if (calendar == nullptr) {
    calendar = std::make_shared<platform::CalendarData>();
    std::int32_t uid = 0;
    for (const auto& c : project.calendars)
      if (c != nullptr) uid = std::max(uid, c->uid);
    calendar->uid = uid + 1;
    calendar->name = name;
    calendar->isBase = true;
    project.calendars.push_back(calendar);
    result.added = true;
  }
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
  for (const Holiday& h : holidays) {
    const bool covered = std::any_of(exceptions.begin(), exceptions.end(), [&](const auto& e) {
      return e.from <= h.day && h.day <= e.to;
    });
    if (covered) continue;
    exceptions.push_back({h.name, h.day, h.day, false, {}});
    ++result.days;
  }
  std::sort(exceptions.begin(), exceptions.end(),
            [](const auto& a, const auto& b) { return a.from < b.from; });
  result.calendar = calendar;
  return result;
}

}  // namespace kx::holidays
