#pragma once
// "korvalinx render": draws a chart file (or any project file) as a PNG, SVG or PDF picture.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "gantt/chart_model.hpp"
#include "holidays/holidays.hpp"

namespace kx::platform {
struct ProjectData;
}

namespace kx::job {

struct PictureJobOptions {
  std::string chart;                // the chart file (Project XML)
  std::string output;               // .png, .svg or .pdf
  std::optional<std::string> from;  // the first day shown; default: the chart's period
  std::optional<std::string> to;
  std::optional<std::string> dayWidth;  // pixels per day: "12", "2,5" or "2.5"
  std::string paper = "A4";             // PDF: "A4" or "A3"
  bool portrait = false;                // PDF: upright pages
  bool noTable = false;                 // bars only, without the table at the left
  std::optional<std::string> holidays;  // a state whose holidays are shaded and named
  bool quiet = false;
  bool presence = false;                // group rows: the people away per day
  std::optional<std::string> maxAbsent;  // with presence: the limit, "3" or "50%"
};

// Adds marks to a picture's model before it is drawn.
using PictureMarks = std::function<void(gantt::ChartModel& model)>;

// Runs the job: 0 the picture was written, 1 it could not be written (an earlier file at the
// target stays as it was), 2 bad input (a German message on `err` says what is wrong), 3 it was
// written, but reading the chart file passed over some of it (the warnings say what). The
// result line goes to `out`.
int RunPictureJob(const PictureJobOptions& options, std::ostream& out, std::ostream& err);

// Says whether a chart just made (`project`) can be drawn to `path` over `period` (default: the
// chart's rows say): a German text naming the file when it cannot (a PNG larger than a picture
// may be), else an empty one.
std::string CheckChartPicture(const platform::ProjectData& project, const std::string& path,
                              const gantt::ModelOptions& period = {});

// The view name of a vacation plan's chart.
inline constexpr const char* kVacationView = "Balkendiagramm: Urlaub";

// Draws a chart just made (`project`) to `path` in the format its extension names, over
// `period` (the run's, which a chart without rows cannot tell; default: the chart's rows say).
// Returns false after a German message on `err`; the result line goes to `out`.
// `holidays`: the state whose holidays are shaded and named.
bool WriteChartPicture(const platform::ProjectData& project, const std::string& path,
                       std::ostream& out, std::ostream& err,
                       std::optional<holidays::State> holidays = std::nullopt,
                       const PictureMarks& marks = nullptr, const gantt::ModelOptions& period = {});

}  // namespace kx::job
