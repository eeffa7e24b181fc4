#pragma once
// What "korvalinx conflicts" and "korvalinx presence" share: the run through the chart job up to
// the resources, where the two commands look instead of making a chart, the report computed, and
// its files written; each command brings how its report is printed and written.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "chart/absence.hpp"
#include "job/chart_job.hpp"
#include "job/terminal.hpp"

namespace kx::job {

struct AbsenceRunOptions {
  // The source, the period, the comparison calendar or a state's holidays, the resource filter.
  ChartJobOptions chart;
  std::string csv, xlsx;                         // the report's files; empty: none
  std::optional<chart::AbsenceLimit> maxAbsent;  // the most of a group away
  bool quiet = false;                            // the report's closing line only
};

// One command's own part.
struct AbsenceLook {
  const char* name;     // "conflicts"
  const char* working;  // the progress text
  bool conflicts;       // the working days are needed too
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

// Checks the options, opens the source through the chart job, computes the report, prints it
// and writes the files. Returns the exit code.
int RunAbsence(const AbsenceRunOptions& options, const AbsenceLook& what,
               const CommandEnvironment& env);

}  // namespace kx::job
