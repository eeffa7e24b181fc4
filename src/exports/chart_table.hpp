#pragma once
// The table behind every export of a chart: one line per resource row of the chart, in chart
// order, with one cell per day of the chart period and the chart's counts.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "chart/korvalinx.hpp"
#include "holidays/holidays.hpp"
#include "support/date.hpp"

namespace kx::exports {

// A failure of an export, with a German text that names what went wrong.
class ExportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class PlanKind { Schedule, Vacation };

struct DayCell {
  bool marked = false;  // a vacation day, or a day with work
  double hours = 0.0;   // work on that day (resource schedule)
  // The comparison calendar keeps the day free (weekend, public holiday). Only read for the
  // unmarked days between a resource's first and last marked day.
  bool free = false;
};

struct TableRow {
  std::string group;
  std::string name;
  std::int32_t uniqueId = 0;
  std::optional<int> colour;  // host colour code of the bar; empty when the bar is hidden
  std::vector<DayCell> days;  // one per day of the period
  std::int32_t markedDays = 0;
  double hours = 0.0;  // sum of the day hours (resource schedule)
  std::optional<Date> firstMarked;
  std::optional<Date> lastMarked;
};

struct ChartTable {
  PlanKind kind = PlanKind::Vacation;
  Date first;  // first day of the period
  Date last;   // last day of the period
  std::string sourceName;  // the source project
  std::string chartName;   // the chart file's name, empty when none was written
  std::vector<TableRow> rows;
  // The public holidays of the period when the run compared with a state's holidays: the day's
  // position in `days` and the holiday's name.
  std::map<long, std::string> holidays;

  long DayCount() const { return static_cast<long>(last.serial - first.serial) + 1; }
  Date Day(long index) const { return Date(first.serial + static_cast<double>(index)); }
  bool Vacation() const { return kind == PlanKind::Vacation; }
};

// Reads the table from an engine after its chart run: the rows in the order the chart wrote
// them, their day records, bar colours and counts, and the free days of each resource's
// comparison calendar. `chartPath` is where the chart was saved (empty: no chart file was
// asked for). Host reads that fail leave their value at its default. Throws ExportError when
// the engine has not run a chart.
ChartTable ReadChartTable(const chart::clsKorvalinx& engine, const std::string& sourceName,
                          const std::string& chartPath);

// Fills `table.holidays` with the holidays of `state` in the table's period.
void MarkHolidays(ChartTable& table, holidays::State state);

// "Urlaubsplan" or "Ressourcenzeitplan".
const char* PlanName(PlanKind kind);
// The day as the regional settings write a date ("15.03.2025", in en-GB "15/03/2025").
std::string DayText(Date d);
// Hours with the regional settings' decimal mark and at most two decimals, without trailing
// zeros ("7,5", "8"; in en-GB "7.5").
std::string HoursText(double hours);
// True for Saturday and Sunday.
bool IsWeekend(Date d);

}  // namespace kx::exports
