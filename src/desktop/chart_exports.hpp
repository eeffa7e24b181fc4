#pragma once
// "Datei > Exportieren": the shown chart as a picture (PDF, PNG, SVG), drawn by the chart
// renderer the way the command line draws it, and the days of its resources as a CSV,
// iCalendar or workbook file, made by the chart job with the command line's extra outputs.
// Every file goes through the one guarded writer; what goes wrong is said in German boxes.

#include <optional>
#include <string>
#include <vector>

#include "platform/planning_host.hpp"
#include "settings/chart_settings.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"

namespace kx::desktop {

enum class ExportKind { Pdf, Png, Svg, Csv, Ics, Xlsx };

struct ExportFormat {
  ExportKind kind;
  const char* caption;    // the menu entry
  const char* name;       // the object name of its action
  const char* filter;     // the save dialog's filter, "text\0pattern\0\0"
  const char* extension;  // without the point
  const char* what;       // "Die CSV-Datei", "Das Bild", as the job's guard names outputs
  bool picture;           // drawn from the shown project, not made by the chart job
};

const std::vector<ExportFormat>& ExportFormats();
const ExportFormat& FormatOf(ExportKind kind);

// Refuses a target that is a file of an open project, of a project inserted into one, or a file
// kept beside one: a German text naming both files, or empty.
std::string GuardedTarget(platform::PlanningHost& host, const ExportFormat& format,
                          const std::string& path);

// Draws `project` (its current view) into `path`. Returns the line that says what was written,
// or nullopt after a message through `boxes`.
std::optional<std::string> ExportPicture(const platform::ProjectData& project,
                                         const ExportFormat& format, const std::string& path,
                                         MessageBoxes& boxes);

// Runs the chart job over the project file `source` with `settings` (what the project open in
// the window holds) and writes the table, calendar or workbook to `path`. Returns the lines
// that say what was written, or nullopt after the job's messages through `boxes`.
std::optional<std::string> ExportDays(const std::string& source,
                                      const settings::ChartSettings& settings,
                                      const ExportFormat& format, const std::string& path,
                                      MessageBoxes& boxes, RegistryStore& store);

}  // namespace kx::desktop
