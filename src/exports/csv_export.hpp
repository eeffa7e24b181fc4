#pragma once
// The chart as CSV for German spreadsheets: UTF-8 with a byte-order mark, ";" between fields,
// lines ended by CR LF, a header line with one column per day and the chart's counts.

#include <string>
#include <string_view>

#include "exports/chart_table.hpp"

namespace kx::exports {

// Returns the whole file. A vacation day reads "U", a working day its hours ("7,5"); other days
// stay empty. With holidays the line after the header is "Feiertage;;" and each holiday's name
// in its day's column.
std::string CsvText(const ChartTable& table);

// Returns `text` as one field: quoted (quotes doubled) when it holds ";", a quote, a line break
// or blanks at either end; a text that a spreadsheet would take for a formula ("=", "+", "-",
// "@" at the start) is preceded by an apostrophe.
std::string CsvField(std::string_view text);

// Writes CsvText to `path` through a temporary file. Throws ExportError.
void WriteCsv(const ChartTable& table, const std::string& path);

}  // namespace kx::exports
