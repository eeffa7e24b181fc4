#include "job/picture_job.hpp"

#include <filesystem>
#include <ostream>

#include "job/absence_marks.hpp"
#include "job/terminal.hpp"
#include "gantt/chart_model.hpp"
#include "gantt/chart_painter.hpp"
#include "gantt/picture_file.hpp"
#include "job/chart_job.hpp"
#include "model/model.hpp"
#include "projectxml/project_xml.hpp"
#include "support/paths.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"

namespace kx::job {
namespace {

namespace fs = std::filesystem;

// The longest period a picture shows: a hundred years of days.
constexpr long kMaxDays = 36525;

int BadInput(std::ostream& err, const std::string& text) {
  PrintMessage(err, true, text);
  return kExitBadInput;
}

// Says that the picture of `file` shows its longest texts cut.
void WarnCutTexts(std::ostream& err, const std::string& file, const gantt::ChartModel& model) {
  if (model.cutTexts == 0) return;
  const std::string most = std::to_string(kLongestName);
  PrintMessage(err, false,
               file + ": Texte, die länger als " + most +
                   " Zeichen sind, zeigt das Bild nur mit ihren ersten " + most + " Zeichen.");
}

}  // namespace

int RunPictureJob(const PictureJobOptions& options, std::ostream& out, std::ostream& err) {
  const auto format = gantt::PictureFormatOf(options.output);
  if (!format)
    return BadInput(err, "Das Bildformat der Datei \"" + options.output +
                             "\" ist unbekannt: erlaubt sind .png, .svg und .pdf.");
  std::optional<Date> from, to;
  if (options.from && !(from = ParseCommandLineDate(*options.from)))
    return BadInput(err, "Das Anfangsdatum \"" + *options.from + "\" ist kein Datum (z. B. " +
                             CommandLineDateExamples(2024, 3, 15) + ").");
  if (options.to && !(to = ParseCommandLineDate(*options.to)))
    return BadInput(err, "Das Enddatum \"" + *options.to + "\" ist kein Datum (z. B. " +
                             CommandLineDateExamples(2024, 12, 31) + ").");
  if (from && to && *to < *from)
    return BadInput(err, "Das Enddatum " + FormatDate(*to) + " liegt vor dem Anfangsdatum " +
                             FormatDate(*from) + ".");
  std::optional<double> dayWidth;
  if (options.dayWidth) {
    RegionalSettings point = RegionalSettings::German();
    point.decimalMark = ".";
    dayWidth = ParseNumber(*options.dayWidth, RegionalSettings::German());
    if (!dayWidth) dayWidth = ParseNumber(*options.dayWidth, point);
    if (!dayWidth)
      return BadInput(
          err, "Die Tagesbreite \"" + *options.dayWidth + "\" ist keine Zahl (z. B. 12 oder 2,5).");
    if (!(*dayWidth >= 0.5 && *dayWidth <= 200.0))
      return BadInput(err, "Die Tagesbreite " + FormatGeneralNumber(*dayWidth) +
                               " liegt nicht zwischen 0,5 und 200 Pixeln.");
  }
  std::optional<chart::AbsenceLimit> limit;
  if (options.maxAbsent) {
    if (!options.presence)
      return BadInput(err, "--max-absent gilt nur zusammen mit --presence.");
    if (!(limit = chart::ParseAbsenceLimit(*options.maxAbsent)))
      return BadInput(err, "Die Grenze \"" + *options.maxAbsent +
                               "\" ist keine Zahl wie 3 und kein Anteil von 0% bis 100%.");
  }
  std::optional<holidays::State> state;
  if (options.holidays && !(state = holidays::FindState(*options.holidays)))
    return BadInput(err, "\"" + *options.holidays + "\" ist kein Land; erlaubt sind " +
                             holidays::StateCodes() + " oder der Name des Landes.");
  if (options.paper != "A4" && options.paper != "A3")
    return BadInput(
        err, "Das Papierformat \"" + options.paper + "\" ist unbekannt: erlaubt sind A4 und A3.");

  std::error_code ec;
  if (!fs::exists(options.chart, ec))
    return BadInput(
        err, "Die Diagrammdatei \"" + options.chart + "\" " + NotFoundText(options.chart) + ".");
  if (fs::is_directory(options.chart, ec))
    return BadInput(err, "Die Diagrammdatei \"" + options.chart + "\" ist ein Ordner.");
  if (SamePath(options.chart, options.output))
    return BadInput(err, "Das Bild \"" + options.output +
                             "\" würde die Diagrammdatei überschreiben; wählen Sie einen anderen "
                             "Namen.");
  // Its companion ends in ".json", which the format check refuses, but a link named ".png" may
  // lead to it.
  if (SamePath(platform::CompanionPath(options.chart), options.output))
    return BadInput(err, "Das Bild \"" + options.output +
                             "\" würde die Begleitdatei der Diagrammdatei überschreiben; wählen "
                             "Sie einen anderen Namen.");
  // Nor any other file of a project (a plan, a journal, a lock), wherever a link leads.
  if (const auto hit = platform::ProjectFileAt(options.output))
    return BadInput(err, "Das Bild \"" + options.output + "\" würde " + *hit + " überschreiben.");
  const fs::path folder = fs::absolute(options.output, ec).parent_path();
  if (!fs::is_directory(folder, ec))
    return BadInput(err, "Der Ordner \"" + folder.string() + "\" für das Bild " +
                             NotFoundText(folder.string()) + ".");
  if (fs::is_directory(options.output, ec))
    return BadInput(err, "Das Bild \"" + options.output + "\" ist ein Ordner.");
  // A pipe, a device or a link that leads nowhere (yet) is no place for a picture.
  if (fs::exists(fs::symlink_status(options.output, ec)) &&
      !fs::is_regular_file(fs::status(options.output, ec)))
    return BadInput(err, "Das Bild \"" + options.output + "\" ist keine gewöhnliche Datei.");

  platform::LoadResult loaded;
  try {
    loaded = platform::ReadProjectXml(options.chart, {false, true});
  } catch (const host::HostError& e) {
    return BadInput(err, "Die Diagrammdatei kann nicht gelesen werden:\n" + e.description());
  }
  if (!options.quiet) {
    for (const auto& w : loaded.warnings) PrintMessage(err, false, w);
  }

  gantt::ModelOptions modelOptions;
  if (from) modelOptions.from = gantt::DayOf(*from);
  if (to) modelOptions.to = gantt::DayOf(*to);
  if (from.has_value() != to.has_value()) {
    // One end given: the other is the chart's, and the two must not cross.
    const gantt::DaySpan own = gantt::BuildChartModel(*loaded.project).period;
    if (from && own.last < *modelOptions.from)
      return BadInput(err, "Das Anfangsdatum " + FormatDate(*from) +
                               " liegt nach dem Ende des Diagramms (" +
                               FormatDate(gantt::DateOfDay(own.last)) + ").");
    if (to && own.first > *modelOptions.to)
      return BadInput(err, "Das Enddatum " + FormatDate(*to) +
                               " liegt vor dem Anfang des Diagramms (" +
                               FormatDate(gantt::DateOfDay(own.first)) + ").");
  }
  gantt::ChartModel model = gantt::BuildChartModel(*loaded.project, modelOptions);
  if (state) {
    gantt::AddHolidays(model, *state);
    if (ToCivil(gantt::DateOfDay(model.period.first)).year < holidays::FirstYear(*state))
      PrintMessage(err, false,
                   std::string("Feiertage von ") + holidays::Name(*state) + " sind ab " +
                       std::to_string(holidays::FirstYear(*state)) +
                       " enthalten; das Bild zeigt keine früheren.");
  }
  if (!options.quiet) WarnCutTexts(err, options.chart, model);
  if (options.presence &&
      (model.viewName != kVacationView || MarkPresenceFromRows(model, limit) == 0))
    return BadInput(err, "Die Datei \"" + options.chart +
                             "\" ist kein Urlaubsplan mit Gruppen: --presence zählt die "
                             "Abwesenden je Gruppenzeile.");
  if (model.period.last - model.period.first >= kMaxDays)
    return BadInput(err, "Der Zeitraum " + gantt::PeriodText(model.period) +
                             " ist länger als 100 Jahre; wählen Sie mit --from und --to einen "
                             "kürzeren.");

  if (!gantt::EnsureGuiApplication()) {
    PrintMessage(err, true, "Die Zeichenumgebung (Qt) kann nicht gestartet werden.");
    return kExitWriteFailed;
  }
  gantt::PictureOptions pictureOptions;
  if (dayWidth) pictureOptions.dayWidth = *dayWidth;
  pictureOptions.table = !options.noTable;
  gantt::PdfOptions pdf;
  pdf.paper = options.paper == "A3" ? gantt::PaperSize::A3 : gantt::PaperSize::A4;
  pdf.landscape = !options.portrait;
  // Pages show the whole period across their width unless a day width is asked for.
  if (*format == gantt::PictureFormat::Pdf && !dayWidth)
    pictureOptions.dayWidth = gantt::PdfDayWidth(model, pictureOptions, pdf);
  const gantt::ChartPainter painter(model, pictureOptions);
  if (*format == gantt::PictureFormat::Png) {
    if (const std::string problem = gantt::PngSizeProblem(painter); !problem.empty())
      return BadInput(err, options.output + ": " + problem);
  }
  try {
    gantt::SavePicture(painter, options.output, *format, pdf);
  } catch (const host::HostError& e) {
    PrintMessage(err, true, "Das Bild kann nicht gespeichert werden:\n" + e.description());
    return kExitWriteFailed;
  }
  std::string detail = std::to_string(model.rows.size()) +
                       (model.rows.size() == 1 ? " Zeile, " : " Zeilen, ") +
                       gantt::PeriodText(model.period);
  if (*format == gantt::PictureFormat::Pdf) {
    const int pages = gantt::PdfPageCount(painter, pdf);
    detail += ", " + std::to_string(pages) + (pages == 1 ? " Seite" : " Seiten");
  } else {
    const QSizeF size = painter.Size();
    detail += ", " + std::to_string(static_cast<long>(size.width())) + " × " +
              std::to_string(static_cast<long>(size.height())) + " Pixel";
  }
  out << "Bild gespeichert: " << options.output << " (" << detail << ")\n";
  // What reading passed over is missing from the picture too, as from a chart.
  return loaded.warnings.empty() ? kExitOk : kExitIncomplete;
}

std::string CheckChartPicture(const platform::ProjectData& project, const std::string& path,
                              const gantt::ModelOptions& period) {
  // Only a PNG has a size limit; without Qt the write says what is wrong.
  if (gantt::PictureFormatOf(path) != gantt::PictureFormat::Png) return {};
  if (!gantt::EnsureGuiApplication()) return {};
  const gantt::ChartModel model = gantt::BuildChartModel(project, period);
  const gantt::ChartPainter painter(model);
  const std::string problem = gantt::PngSizeProblem(painter);
  return problem.empty() ? problem : path + ": " + problem;
}

bool WriteChartPicture(const platform::ProjectData& project, const std::string& path,
                       std::ostream& out, std::ostream& err,
                       std::optional<holidays::State> holidays, const PictureMarks& marks,
                       const gantt::ModelOptions& period) {
  const auto format = gantt::PictureFormatOf(path);
  if (!format) {
    PrintMessage(err, true, "Das Bildformat der Datei \"" + path + "\" ist unbekannt.");
    return false;
  }
  if (!gantt::EnsureGuiApplication()) {
    PrintMessage(err, true, "Die Zeichenumgebung (Qt) kann nicht gestartet werden.");
    return false;
  }
  gantt::ChartModel model = gantt::BuildChartModel(project, period);
  if (holidays) gantt::AddHolidays(model, *holidays);
  WarnCutTexts(err, path, model);
  if (marks) marks(model);
  gantt::PictureOptions pictureOptions;
  const gantt::PdfOptions pdf;
  if (*format == gantt::PictureFormat::Pdf)
    pictureOptions.dayWidth = gantt::PdfDayWidth(model, pictureOptions, pdf);
  const gantt::ChartPainter painter(model, pictureOptions);
  try {
    gantt::SavePicture(painter, path, *format, pdf);
  } catch (const host::HostError& e) {
    PrintMessage(err, true, "Das Bild kann nicht gespeichert werden:\n" + e.description());
    return false;
  }
  out << "Bild gespeichert: " << path << "\n";
  return true;
}

}  // namespace kx::job
