#pragma once
// "korvalinx chart": the chart job with what the command line asks of it besides the chart file
// (the exports, the pictures with their marks of who is away and where work meets a vacation
// day), the checks of the options that only together are wrong, the user's store, the progress
// bar and the lines that say what was written.

#include <optional>
#include <string>
#include <vector>

#include "chart/absence.hpp"
#include "exports/exports.hpp"
#include "job/chart_job.hpp"
#include "job/terminal.hpp"

namespace kx::job {

struct ChartRunOptions {
  ChartJobOptions chart;              // the source, the chart file, the period and the settings
  exports::ExportTargets exports;     // --csv, --ics, --xlsx
  std::vector<std::string> pictures;  // --png, --svg, --pdf in the order given
  bool presence = false;              // the people away per group in the pictures and workbook
  std::optional<chart::AbsenceLimit> maxAbsent;  // with presence: days over it are red
  bool conflicts = false;  // a schedule's work on vacation days as red days in the pictures
  bool quiet = false;      // no progress bar
};

// Runs the chart and returns the exit code; refusals name the option and end with the help's
// hint.
int RunChart(const ChartRunOptions& options, const CommandEnvironment& env);

}  // namespace kx::job
