#pragma once
// A state's public holidays as CSV for German spreadsheets and as an iCalendar file.

#include <ctime>
#include <string>
#include <vector>

#include "holidays/holidays.hpp"

namespace kx::exports {

// "Donnerstag"
std::string GermanWeekday(Date d);

// The whole file: UTF-8 with a byte-order mark, the header "Datum;Wochentag;Name", a line per
// holiday ("01.01.2026;Donnerstag;Neujahr"), lines ended by CR LF.
std::string HolidaysCsvText(const std::vector<holidays::Holiday>& days);

// The whole file: the calendar "Feiertage <Land> <years>" with an all-day event per holiday.
// An event's identifier stays the same from one export to the next (state and day), so an
// import of a newer file updates the events instead of adding them twice.
std::string HolidaysIcsText(holidays::State state, int from, int to,
                            const std::vector<holidays::Holiday>& days, std::time_t stamp);

// Write the texts above through the one file writer. Throw ExportError.
void WriteHolidaysCsv(const std::vector<holidays::Holiday>& days, const std::string& path);
void WriteHolidaysIcs(holidays::State state, int from, int to,
                      const std::vector<holidays::Holiday>& days, const std::string& path);

}  // namespace kx::exports
