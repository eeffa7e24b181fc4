#include "desktop/chart_exports.hpp"

#include "exports/exports.hpp"
#include "gantt/chart_model.hpp"
#include "gantt/chart_painter.hpp"
#include "gantt/picture_file.hpp"
#include "job/chart_job.hpp"
#include "projectxml/project_xml.hpp"
#include "support/paths.hpp"

namespace kx::desktop {

using namespace std::string_literals;

const std::vector<ExportFormat>& ExportFormats() {
  static const std::vector<ExportFormat> formats{
      {ExportKind::Pdf, "&PDF-Dokument...", "exportPdf", "PDF-Dokumente (*.pdf)\0*.pdf\0\0", "pdf",
       "Das Bild", true},
      {ExportKind::Png, "P&NG-Bild...", "exportPng", "PNG-Bilder (*.png)\0*.png\0\0", "png",
       "Das Bild", true},
      {ExportKind::Svg, "&SVG-Zeichnung...", "exportSvg", "SVG-Zeichnungen (*.svg)\0*.svg\0\0",
       "svg", "Das Bild", true},
      {ExportKind::Csv, "&CSV-Datei...", "exportCsv", "CSV-Dateien (*.csv)\0*.csv\0\0", "csv",
       "Die CSV-Datei", false},
      {ExportKind::Ics, "&iCalendar-Datei...", "exportIcs", "iCalendar-Dateien (*.ics)\0*.ics\0\0",
       "ics", "Die Kalenderdatei", false},
      {ExportKind::Xlsx, "&Arbeitsmappe...", "exportXlsx", "Arbeitsmappen (*.xlsx)\0*.xlsx\0\0",
       "xlsx", "Die Arbeitsmappe", false},
  };
  return formats;
}

const ExportFormat& FormatOf(ExportKind kind) {
  for (const ExportFormat& f : ExportFormats())
    if (f.kind == kind) return f;
  return ExportFormats().front();
}

std::string GuardedTarget(platform::PlanningHost& host, const ExportFormat& format,
                          const std::string& path) {
  std::vector<std::string> guarded;
  try {
    guarded = host.GetGuardedFiles();
  } catch (const host::HostError&) {
  }
  for (const std::string& g : guarded)
    if (SameFile(path, g))
      return std::string(format.what) + " \"" + path + "\" würde die Datei \"" + g +
             "\" eines geöffneten Projekts überschreiben.";
  // Nor a file of a project that is not open, wherever a link leads.
  if (const auto hit = platform::ProjectFileAt(path))
    return std::string(format.what) + " \"" + path + "\" würde " + *hit + " überschreiben.";
  return {};
}

std::optional<std::string> ExportPicture(const platform::ProjectData& project,
                                         const ExportFormat& format, const std::string& path,
                                         MessageBoxes& boxes) {
  const auto refuse = [&](const std::string& text) -> std::optional<std::string> {
    ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
    return std::nullopt;
  };
  const gantt::PictureFormat kind = format.kind == ExportKind::Pdf   ? gantt::PictureFormat::Pdf
                                    : format.kind == ExportKind::Svg ? gantt::PictureFormat::Svg
                                                                     : gantt::PictureFormat::Png;
  // As the command line draws a chart: its natural day width, a PDF's fitted to the page.
  const gantt::ChartModel model = gantt::BuildChartModel(project);
  gantt::PictureOptions options;
  const gantt::PdfOptions pdf;
  if (kind == gantt::PictureFormat::Pdf) options.dayWidth = gantt::PdfDayWidth(model, options, pdf);
  const gantt::ChartPainter painter(model, options);
  if (kind == gantt::PictureFormat::Png) {
    if (const std::string problem = gantt::PngSizeProblem(painter); !problem.empty())
      return refuse(path + ": " + problem);
  }
  try {
    gantt::SavePicture(painter, path, kind, pdf);
  } catch (const host::HostError& e) {
    return refuse("Das Bild kann nicht gespeichert werden:\r\n" + e.description());
  }
  return "Bild gespeichert: " + path;
}

std::optional<std::string> ExportDays(const std::string& source,
                                      const settings::ChartSettings& settings,
                                      const ExportFormat& format, const std::string& path,
                                      MessageBoxes& boxes, RegistryStore& store) {
  exports::ExportTargets targets;
  (format.kind == ExportKind::Csv   ? targets.csv
   : format.kind == ExportKind::Ics ? targets.ics
                                    : targets.xlsx) = path;
  if (const auto problem = exports::CheckExportTargets(targets, std::string())) {
    ShowMessage(boxes, *problem, kProductTitle, MsgIcon::Critical);
    return std::nullopt;
  }
  job::ChartJobOptions options;
  options.source = source;
  options.settings = settings;
  options.yes = true;  // the window's wizard asked about duplicate names already
  options.outputFiles.push_back({format.what, path});
  std::string written;
  options.outputs.push_back([&](const job::FinishedChart& chart, MessageBoxes& messages) {
    // Calendars and workbooks name the project by its title where it has one.
    std::string name = chart.sourceName;
    if (const auto data = platform::PlanningHost::DataOf(chart.engine.objProject);
        data && !data->title.empty())
      name = data->title;
    std::vector<std::string> lines;
    const bool ok =
        exports::WriteExports(chart.engine, name, chart.chartPath, targets, messages, &lines);
    for (const std::string& line : lines) written += (written.empty() ? "" : " ") + line;
    return ok;
  });
  job::ChartJobServices services{boxes, store, nullptr, nullptr, nullptr};
  const int code = job::RunChartJob(options, services);
  if (code != job::kExitOk && code != job::kExitIncomplete) return std::nullopt;
  return written.empty() ? std::string(format.what) + " wurde gespeichert: " + path : written;
}

}  // namespace kx::desktop
