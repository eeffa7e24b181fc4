#pragma once
// What "korvalinx conflicts" and "korvalinx presence" share: the options of the period, the
// comparison calendar and the resource choice, the output files, and the tables of a report.

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

#include "chart/absence.hpp"
#include "job/absence_run.hpp"
#include "command_line.hpp"

namespace kx::app {

struct AbsenceGiven {
  std::string source, period, year, from, to, calendar, holidays, filter, csv, xlsx, maxAbsent;
  bool quiet = false;
};

using AbsenceCommand = job::AbsenceLook;

// Adds QUELLE, the period, --calendar, --filter, --csv, --xlsx and --quiet (and --max-absent
// when `limit`).
void AddAbsenceOptions(CLI::App* cmd, AbsenceGiven& given, bool limit);

// Turns the words into the run's options and runs it (src/job). Returns the exit code.
int RunAbsenceCommand(const CLI::App* cmd, const AbsenceGiven& given, const AbsenceCommand& what,
                      CommandLineEnvironment& env);

// Lays rows out in columns, aligned by the characters shown; the first row is the header.
std::string Columns(const std::vector<std::vector<std::string>>& rows);

// "01.01.2025 bis 31.12.2025".
std::string PeriodText(const chart::AbsenceReport& report);

}  // namespace kx::app
