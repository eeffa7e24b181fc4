#pragma once
// One chart job from a project file to the chart file, for every front end (the command line,
// the desktop program, the tests): open the source, run the launch checks, take the stored
// settings (else the user's defaults), let the given options override them, check the stored
// values taken, the names and the period, read and filter the resources, make the chart, let
// the outputs check it, save it, write the extra outputs and say how it ended.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "holidays/holidays.hpp"
#include "host/error.hpp"
#include "settings/chart_settings.hpp"
#include "support/clock.hpp"
#include "support/date.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"

namespace kx::chart {
class clsKorvalinx;
}
namespace kx::platform {
struct ProjectData;
}

namespace kx::job {

// How a job ended; the command line's exit codes.
enum ExitCode : int {
  kExitOk = 0,           // the chart (and every extra output) was written
  kExitWriteFailed = 1,  // a file could not be written; an earlier file at its place is kept
  kExitBadInput = 2,     // the input is wrong; nothing was written
  kExitIncomplete = 3,   // the chart was written, but the run passed over some of its content
  kExitFound = 4,        // a look found what it looks for: conflicts, days over the limit
};

// What a finished run hands to the extra outputs.
struct FinishedChart {
  const chart::clsKorvalinx& engine;  // the settings and the resource model with its day records
  std::shared_ptr<const platform::ProjectData> chart;  // the chart project just made
  std::string sourceName;                              // the source project's name
  std::string chartPath;  // where the chart was saved; empty when no chart file was asked for
};

// Writes one extra file from the finished run (a picture, a table, a calendar). Returns false
// after it has said what went wrong through `boxes` (the job then ends with kExitWriteFailed).
using ChartOutput = std::function<bool(const FinishedChart& chart, MessageBoxes& boxes)>;

// A file that one of the extra outputs writes: what it is ("Die CSV-Datei", "Das Bild") and
// where. The job refuses, before the run, any output that would replace the source, a file of
// it, a file kept beside a project, or another output of the same run.
struct OutputFile {
  std::string what;
  std::string path;
};

// Looks at the chart a run has made before any file is written: returns a German text that
// says why an output cannot be made from it (the job then ends with kExitBadInput and writes
// nothing), or an empty one.
using OutputCheck = std::function<std::string(const FinishedChart& chart)>;

// Instead of a chart: a look at the prepared run, given the engine with its settings (the
// options applied) and the source's resources read and filtered as for a chart. Returns the
// job's exit code; the job writes nothing itself.
using PreparedLook = std::function<int(chart::clsKorvalinx& engine, MessageBoxes& boxes)>;

// What the job is asked to do. Every setting left empty keeps the value stored in the source
// project, else the user's default.
struct ChartJobOptions {
  std::string source;
  std::optional<std::string> output;    // the chart file; none: the chart is made for `outputs`
  std::optional<std::int32_t> plan;     // settings::kPlanSchedule or kPlanVacation
  bool wholeProject = false;            // the period: the whole project
  std::optional<int> year;              // the period: one calendar year
  std::optional<Date> from, to;         // the period: a free range (both or neither)
  std::optional<std::string> calendar;  // one special comparison calendar
  // The holidays of a state: the source gets, in memory only, the base calendar "Feiertage
  // <Land>" (the project calendar's week, the holidays of the period's years as days off), and a
  // vacation plan compares with it. Excludes `calendar`; not stored with `saveSettings`.
  std::optional<holidays::State> holidays;
  std::optional<std::string> filter;    // a resource filter of the project
  std::optional<bool> group;
  std::optional<bool> keepEmpty;
  std::optional<int> colour;  // one colour for all bars: position 1 to 17
  bool colours = false;       // a colour per resource
  bool saveSettings = false;  // store the settings in the source project's companion file
  bool yes = false;           // go on despite duplicate resource names
  // The settings to start from instead of those stored in the source (a window passes what the
  // wizard left in the project it holds open); the options above still override them.
  std::optional<settings::ChartSettings> settings;
  std::vector<ChartOutput> outputs;
  std::vector<OutputFile> outputFiles;  // the files that `outputs` write
  std::vector<OutputCheck> checks;  // each output's check of the chart made, before any write
  PreparedLook instead;  // when set, the job makes no chart and runs this instead
};

// What the job reports through. Fatal messages come with the Critical icon, warnings with
// Exclamation, notes with Information; the job asks no questions.
struct ChartJobServices {
  MessageBoxes& boxes;
  RegistryStore& registry;
  // The run's status texts and percentages; may be empty.
  std::function<void(double percent, const std::string& text)> progress;
  // The line that says what was written ("Urlaubsplan gespeichert: ..."); may be empty.
  std::function<void(const std::string& line)> done;
  Clock* clock = nullptr;  // the run's waits; null: none
  // Called as each stage of the job begins: "lesen" (the source), "vorbereiten" (checks,
  // settings, resources, the chart project), "tage" (the day records), "zeilen" (the chart
  // rows), "speichern", "ausgaben" (the extra outputs), "ende"; may be empty.
  std::function<void(const char* stage)> stage = nullptr;
  // The process ends as soon as the job returns: the models the run built (the source, the
  // chart, the resources with their day records) are left to the system instead of taken
  // apart. Files, folders and messages are finished as always.
  bool processEnds = false;
};

// Runs the job and returns its exit code. Never throws.
int RunChartJob(const ChartJobOptions& options, const ChartJobServices& services);

}  // namespace kx::job
