#pragma once
// What "korvalinx conflicts" and "korvalinx presence" share: the options of the period, the
// comparison calendar and the resource choice, the output files, and the run through the chart
// job up to the resources, where the two commands look instead of making a chart.

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/absence.hpp"
#include "command_line.hpp"

namespace kx::app {

struct AbsenceGiven {
  std::string source, period, year, from, to, calendar, filter, csv, xlsx, maxAbsent;
  bool quiet = false;
};

// One command's own part.
struct AbsenceCommand {
  const char* name;           // "conflicts"
  const char* working;        // the progress text
  bool conflicts;             // the working days are needed too
  // Prints the report (unless quiet: then only its closing line) and returns kExitOk or
  // kExitFound.
  std::function<int(const chart::AbsenceReport& report, const std::string& project, bool quiet,
                    std::ostream& out)>
      print;
  // Writes the files; each throws ExportError.
  std::function<void(const chart::AbsenceReport&, const std::string& path)> writeCsv;
  std::function<void(const chart::AbsenceReport&, const std::string& title,
                     const std::string& path)>
      writeXlsx;
  const char* titleWord;  // the workbook's title starts with it: "Konflikte"
};

// Adds QUELLE, the period, --calendar, --filter, --csv, --xlsx and --quiet (and --max-absent
// when `limit`).
void AddAbsenceOptions(CLI::App* cmd, AbsenceGiven& given, bool limit);

// Runs the command: checks the options, opens the source through the chart job, computes the
// report, prints it and writes the files. Returns the exit code.
int RunAbsenceCommand(const CLI::App* cmd, const AbsenceGiven& given, const AbsenceCommand& what,
                      CommandLineEnvironment& env);

// Lays rows out in columns, aligned by the characters shown; the first row is the header.
std::string Columns(const std::vector<std::vector<std::string>>& rows);

// "01.01.2025 bis 31.12.2025".
std::string PeriodText(const chart::AbsenceReport& report);

}  // namespace kx::app
