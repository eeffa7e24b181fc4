#include "exports/csv_export.hpp"

#include "exports/export_file.hpp"

namespace kx::exports {

std::string CsvField(std::string_view text) {
  std::string value;
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
    value = "'";
  value += text;
  const bool quote = value.find_first_of(";\"\r\n") != std::string::npos ||
                     (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!quote) return value;
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string CsvText(const ChartTable& table) {
  constexpr const char* kEnd = "\r\n";
  std::string text = "\xEF\xBB\xBF";
  text += "Gruppe;Ressource;";
  const long days = table.DayCount();
  for (long i = 0; i < days; ++i) {
    text += DayText(table.Day(i));
    text += ';';
  }
  text += table.Vacation() ? "Anzahl Urlaubstage" : "Anzahl Arbeitstage;Anzahl Projektstunden";
  text += kEnd;
  // A line under the header names the holidays when the run compared with a state's.
  if (!table.holidays.empty()) {
    text += "Feiertage;;";
    for (long i = 0; i < days; ++i) {
      if (const auto it = table.holidays.find(i); it != table.holidays.end())
        text += CsvField(it->second);
      text += ';';
    }
    if (!table.Vacation()) text += ';';
    text += kEnd;
  }
  for (const TableRow& row : table.rows) {
    text += CsvField(row.group);
    text += ';';
    text += CsvField(row.name);
    text += ';';
    for (const DayCell& cell : row.days) {
      if (cell.marked) text += table.Vacation() ? std::string("U") : HoursText(cell.hours);
      text += ';';
    }
    text += std::to_string(row.markedDays);
    if (!table.Vacation()) {
      text += ';';
      text += HoursText(row.hours);
    }
    text += kEnd;
  }
  return text;
}

void WriteCsv(const ChartTable& table, const std::string& path) {
  WriteFileWhole(path, CsvText(table));
}

}  // namespace kx::exports
