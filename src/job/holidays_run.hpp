#pragma once
// "korvalinx holidays": a state's public holidays of some years as a list on the terminal, or
// written as CSV and iCalendar files.

#include <string>

#include "holidays/holidays.hpp"
#include "job/terminal.hpp"

namespace kx::job {

struct HolidaysRunOptions {
  holidays::State state;
  int from = 0, to = 0;  // the years
  std::string csv, ics;  // the files; both empty: the list on the terminal
};

// Checks that the state has holidays in those years and that the files may be written, then
// shows or writes them. Returns the exit code.
int RunHolidays(const HolidaysRunOptions& options, const CommandEnvironment& env);

}  // namespace kx::job
