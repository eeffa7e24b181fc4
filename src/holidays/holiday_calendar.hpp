#pragma once
// A state's public holidays as a base calendar of a project: "Feiertage <Land>", the week of the
// project calendar with the holidays as days off.

#include <memory>
#include <string>

#include "holidays/holidays.hpp"
#include "model/model.hpp"

namespace kx::holidays {

// "Feiertage Bayern"
std::string CalendarName(State state);

struct InsertedCalendar {
  std::shared_ptr<platform::CalendarData> calendar;
  bool added = false;  // false: a calendar of that name was there and has been updated
  int firstYear = 0;   // the years that got the holidays (within the table's years)
  int lastYear = 0;
  int days = 0;        // holidays put in as days off
};

// Adds the calendar "Feiertage <Land>" to `project`, or updates the one it has: the week becomes
// the project calendar's, and for the years `from` to `to` (cut to the years the table covers
// for the state) the holidays become days off. An update replaces, in those years, the one-day
// exceptions that carry a holiday's name and keeps every other exception; a day that another
// exception already covers keeps that exception. A second insert of the same years therefore
// changes nothing. Throws std::invalid_argument when no year of the range is covered, or when
// the name belongs to a resource calendar.
InsertedCalendar InsertHolidayCalendar(platform::ProjectData& project, State state, int from,
                                       int to);

// "Betriebsferien mit Feiertagen Bayern": what a run compares with in place of a base calendar
// when it compares with a state's holidays.
std::string ComparisonCalendarName(const std::string& base, State state);

// Adds to `project` the base calendar ComparisonCalendarName(base.name, state), or makes the one
// of that name anew: the week and the exceptions of `base` (its company holidays, say), and for
// the years `from` to `to` (cut as above) the state's holidays as days off on the days that no
// exception of `base` decides. For a run's comparison in memory. Throws std::invalid_argument
// as InsertHolidayCalendar does.
std::shared_ptr<platform::CalendarData> InsertHolidayComparison(platform::ProjectData& project,
                                                                const platform::CalendarData& base,
                                                                State state, int from, int to);

}  // namespace kx::holidays
