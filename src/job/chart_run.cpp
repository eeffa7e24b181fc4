#include "job/chart_run.hpp"

#include <filesystem>
#include <memory>
#include <ostream>
#include <utility>

#include "chart/korvalinx.hpp"
#include "platform/planning_host.hpp"
#include "resources/period_extraction.hpp"
#include "settings/chart_settings.hpp"
#include "support/file_writer.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#ifdef KX_WITH_PICTURE
#include "job/absence_marks.hpp"
#include "job/picture_job.hpp"
#endif

namespace kx::job {
namespace {

#ifdef KX_WITH_PICTURE
// The period the run charted, which a picture shows even when no row tells it.
gantt::ModelOptions RunPeriod(const chart::clsKorvalinx& engine) {
  gantt::ModelOptions period;
  if (const auto& run = engine.LastRunPeriod()) {
    period.from = gantt::DayOf(run->first);
    period.to = gantt::DayOf(run->last);
  }
  return period;
}

// The calendar whose free weekdays a picture shades: a vacation plan's one comparison calendar,
// else what the project calendar is compared as (with a state's holidays, say).
std::shared_ptr<const platform::CalendarData> ComparedCalendar(const chart::clsKorvalinx& engine) {
  const auto data = platform::PlanningHost::DataOf(engine.objProject);
  if (data == nullptr) return nullptr;
  const bool vacation = engine.lngPlanType == settings::kPlanVacation;
  return data->FindCalendar(
      resources::ComparisonName(vacation ? engine.lngCalendarType : settings::kCalendarOwn,
                                engine.strCalendar, engine.comparisonInstead, data->calendarName));
}
#endif

}  // namespace

int RunChart(const ChartRunOptions& g, const CommandEnvironment& env) {
  bool drawn = false;  // the progress bar's line is open on the terminal
  CommandLineMessages boxes(env.err, &drawn);
  // The writer's notices (waiting for a lock) start on a line of their own, as messages do.
  const ScopedWriterNotices notices([&boxes](const std::string& text) {
    ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
  });
  const auto refuse = [&](const std::string& text) {
    PrintMessage(env.err, true, text + "\r\nHilfe: korvalinx chart --help");
    return static_cast<int>(kExitBadInput);
  };
  ChartJobOptions options = g.chart;
  if (options.colour && options.colours)
    return refuse("--colour und --colours schließen einander aus");
  if (const auto problem = PeriodAndCalendarProblem(options)) return refuse(*problem);
  if (g.maxAbsent && !g.presence) return refuse("--max-absent gilt nur zusammen mit --presence");
  if (g.presence && g.pictures.empty() && g.exports.xlsx.empty())
    return refuse(
        "--presence zeigt die Abwesenden in einem Bild (--png, --svg, --pdf) oder in "
        "der Arbeitsmappe (--xlsx)");
  if (g.conflicts && g.pictures.empty())
    return refuse("--conflicts zeichnet die Konflikte in ein Bild (--png, --svg oder --pdf)");
  if (!options.output && !g.exports.Any() && g.pictures.empty())
    return refuse(
        "es fehlt eine Ausgabe: -o/--output (die Diagrammdatei), --csv, --ics, --xlsx, --png, "
        "--svg oder --pdf");
  for (const std::string& picture : g.pictures) {
    std::error_code ec;
    const auto folder = std::filesystem::absolute(picture, ec).parent_path();
    if (!std::filesystem::is_directory(folder, ec))
      return refuse("Der Ordner \"" + folder.string() + "\" für das Bild " +
                    NotFoundText(folder.string()) + ".");
    if (std::filesystem::is_directory(picture, ec))
      return refuse("Das Bild \"" + picture + "\" ist ein Ordner.");
    // A pipe, a device or a link that leads nowhere (yet) is no place for a picture.
    if (std::filesystem::exists(std::filesystem::symlink_status(picture, ec)) &&
        !std::filesystem::is_regular_file(std::filesystem::status(picture, ec)))
      return refuse("Das Bild \"" + picture + "\" ist keine gewöhnliche Datei.");
    if (options.output && SameFile(picture, *options.output))
      return refuse("Das Bild \"" + picture + "\" würde die Diagrammdatei überschreiben.");
  }
  bool cannotWrite = false;
  if (const auto problem =
          exports::CheckExportTargets(g.exports, options.output.value_or(""), &cannotWrite)) {
    ShowMessage(boxes, *problem, kProductTitle, MsgIcon::Critical);
    return cannotWrite ? kExitWriteFailed : kExitBadInput;
  }

  exports::ExportTargets targets = g.exports;
  targets.holidays = options.holidays;
  for (const auto& [what, path] :
       {std::pair{"Die CSV-Datei", &g.exports.csv}, std::pair{"Die Kalenderdatei", &g.exports.ics},
        std::pair{"Die Arbeitsmappe", &g.exports.xlsx}})
    if (!path->empty()) options.outputFiles.push_back({what, *path});
  for (const std::string& picture : g.pictures)
    options.outputFiles.push_back({"Das Bild", picture});

  std::unique_ptr<RegistryStore> ownStore;
  RegistryStore* store = UserStore(env, boxes, ownStore);
  if (store == nullptr) return kExitBadInput;
  ChartJobServices services{boxes, *store, nullptr, nullptr, nullptr};
  services.processEnds = env.processEnds;
  if (env.terminal && !g.quiet) {
    services.progress = [&](double percent, const std::string& text) {
      DrawProgress(env.err, percent, text);
      drawn = true;
    };
  }
  services.done = [&](const std::string& line) {
    if (drawn) env.err << "\n" << std::flush;
    drawn = false;
    env.out << line << "\n";
  };
  // Who is away and where work meets a vacation day: computed once, for every output that
  // shows it.
  std::optional<chart::AbsenceReport> absence;
  const auto absenceOf = [&](const FinishedChart& chart) -> const chart::AbsenceReport* {
    if (!g.presence && !g.conflicts) return nullptr;
    const auto& period = chart.engine.LastRunPeriod();
    if (!period || !chart.engine.objResources || !chart.engine.objProject) return nullptr;
    if (!absence) {
      chart::AbsenceOptions look;
      look.first = period->first;
      look.last = period->last;
      look.calendarType = chart.engine.lngCalendarType;
      look.calendar = chart.engine.strCalendar;
      look.comparisonInstead = chart.engine.comparisonInstead;
      look.conflicts = g.conflicts;
      look.limit = g.maxAbsent;
      absence = chart::ComputeAbsence(*chart::WholeGroups(*chart.engine.objResources),
                                      *chart.engine.objProject, look);
    }
    return &*absence;
  };
  if (g.presence || g.conflicts) {
    options.checks.push_back([&g](const FinishedChart& chart) -> std::string {
      const bool vacation = chart.engine.lngPlanType == settings::kPlanVacation;
      if (g.presence && (!vacation || !chart.engine.blnGroupResources))
        return "--presence zählt die Abwesenden je Gruppe eines Urlaubsplans: es braucht "
               "--plan vacation und --group.";
      if (g.conflicts && vacation)
        return "--conflicts zeichnet Konflikte auf die Balken eines Ressourcenzeitplans: es "
               "braucht --plan schedule.";
      return {};
    });
  }
  if (g.exports.Any()) {
    options.outputs.push_back([&services, &absenceOf, presence = g.presence, targets](
                                  const FinishedChart& chart, MessageBoxes& messages) {
      // Calendars and workbooks name the project by its title where it has one.
      std::string source = chart.sourceName;
      if (const auto data = platform::PlanningHost::DataOf(chart.engine.objProject);
          data && !data->title.empty())
        source = data->title;
      std::vector<std::string> written;
      const bool ok =
          exports::WriteExports(chart.engine, source, chart.chartPath, targets, messages, &written,
                                presence && !targets.xlsx.empty() ? absenceOf(chart) : nullptr);
      for (const std::string& line : written) services.done(line);
      return ok;
    });
  }
#ifdef KX_WITH_PICTURE
  for (const std::string& picture : g.pictures) {
    options.checks.push_back([picture](const FinishedChart& chart) {
      return chart.chart ? CheckChartPicture(*chart.chart, picture, RunPeriod(chart.engine))
                         : std::string();
    });
    options.outputs.push_back([&env, &g, &absenceOf, picture, state = options.holidays](
                                  const FinishedChart& chart, MessageBoxes&) {
      const chart::AbsenceReport* report = absenceOf(chart);
      const auto compared = ComparedCalendar(chart.engine);
      const PictureMarks marks = [&g, report, compared](gantt::ChartModel& model) {
        if (compared) gantt::AddFreeWeekdays(model, *compared);
        if (report) MarkFromReport(model, *report, g.presence, g.conflicts);
      };
      return chart.chart && WriteChartPicture(*chart.chart, picture, env.out, env.err, state, marks,
                                              RunPeriod(chart.engine));
    });
  }
#endif
  // KORVALINX_ZEITEN=1: one line on standard error with the seconds of each stage.
  StageClock clock;
  services.stage = clock.Recorder();
  const int code = RunChartJob(options, services);
  if (drawn) env.err << "\n" << std::flush;
  clock.Print(env.err);
  return code;
}

}  // namespace kx::job
