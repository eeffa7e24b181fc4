#pragma once
// The chart as an iCalendar file: one all-day event per run of marked days of a resource.
// A run goes on over days that the comparison calendar keeps free (weekends, public holidays),
// stops at a working day without a mark, and starts and ends on marked days.

#include <ctime>
#include <string>
#include <vector>

#include "exports/chart_table.hpp"

namespace kx::exports {

// One run of marked days of a row: positions in the row's day cells, both included.
struct MarkedRun {
  long first = 0;
  long last = 0;
  std::int32_t markedDays = 0;
  double hours = 0.0;
};

// Returns the runs of `row` in date order.
std::vector<MarkedRun> MarkedRuns(const TableRow& row);

// "Urlaubsplan 01.01.2025 – 31.12.2025: <source>", with the chart file when there is one.
std::string CalendarName(const ChartTable& table);

// The event's identifier, the same in every export of the same project as long as the
// resource's unique number and the run's first day stay: an import of a newer export updates
// the event instead of adding a second one.
std::string EventUid(const ChartTable& table, const TableRow& row, Date firstDay);

// Returns the whole file; `stamp` is the moment of the export (UTC) written as DTSTAMP.
std::string IcsText(const ChartTable& table, std::time_t stamp);

// Writes IcsText with the current time to `path` through a temporary file. Throws ExportError.
void WriteIcs(const ChartTable& table, const std::string& path);

}  // namespace kx::exports
