#pragma once
// The chart as a workbook: the CSV's table on the first sheet (header row and name columns
// frozen, narrow day columns, weekends shaded, marked days filled in the resource's bar colour,
// hours and counts as numbers), and one line per resource with its counts on the second.

#include <string>

#include "chart/absence.hpp"
#include "exports/chart_table.hpp"

namespace kx::exports {

// The most days a sheet can hold beside the name and count columns.
inline constexpr long kMaxSheetDays = 16384 - 5;

// Writes the workbook to `path` through a temporary file. Throws ExportError, also for a
// period longer than kMaxSheetDays.
// With `presence`, a third sheet "Anwesenheit" holds per group and day the people away, the days
// over the limit in red.
void WriteXlsx(const ChartTable& table, const std::string& path,
               const chart::AbsenceReport* presence = nullptr);

}  // namespace kx::exports
