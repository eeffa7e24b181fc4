#include "job/absence_run.hpp"

#include <memory>
#include <ostream>

#include "chart/korvalinx.hpp"
#include "exports/exports.hpp"
#include "host/error.hpp"
#include "settings/chart_settings.hpp"
#include "support/file_writer.hpp"
#include "support/product.hpp"

namespace kx::job {

int RunAbsence(const AbsenceRunOptions& g, const AbsenceLook& what, const CommandEnvironment& env) {
  bool drawn = false;
  CommandLineMessages boxes(env.err, &drawn);
  // The writer's notices (waiting for a lock) start on a line of their own, as messages do.
  const ScopedWriterNotices notices([&boxes](const std::string& text) {
    ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
  });
  const std::string help = std::string("\r\nHilfe: korvalinx ") + what.name + " --help";
  const auto refuse = [&](const std::string& text) {
    PrintMessage(env.err, true, text + help);
    return static_cast<int>(kExitBadInput);
  };
  ChartJobOptions options = g.chart;
  if (const auto problem = PeriodAndCalendarProblem(options)) return refuse(*problem);
  exports::ExportTargets targets;
  targets.csv = g.csv;
  targets.xlsx = g.xlsx;
  bool cannotWrite = false;
  if (const auto problem = exports::CheckExportTargets(targets, std::string(), &cannotWrite)) {
    PrintMessage(env.err, true, *problem);
    return cannotWrite ? kExitWriteFailed : kExitBadInput;
  }

  options.plan = settings::kPlanVacation;  // the comparison calendar is checked as for one
  options.yes = true;                      // names that occur twice are no obstacle to a look
  if (!g.csv.empty()) options.outputFiles.push_back({"Die CSV-Datei", g.csv});
  if (!g.xlsx.empty()) options.outputFiles.push_back({"Die Arbeitsmappe", g.xlsx});
  const std::optional<chart::AbsenceLimit>& limit = g.maxAbsent;

  // KORVALINX_ZEITEN=1: the stages' seconds, as the chart command writes them ("tage": both
  // extractions and the counting).
  StageClock clock;
  const std::function<void(const char*)> stage = clock.Recorder();

  options.instead = [&](chart::clsKorvalinx& engine, MessageBoxes& messages) -> int {
    if (stage) stage("tage");
    const auto period = chart::SettingsPeriod(engine);
    if (!period) {
      ShowMessage(messages, "Der Zeitraum kann nicht bestimmt werden.", kProductTitle,
                  MsgIcon::Critical);
      return kExitBadInput;
    }
    chart::AbsenceOptions look;
    look.first = period->first;
    look.last = period->last;
    look.calendarType = engine.lngCalendarType;
    look.calendar = engine.strCalendar;
    look.comparisonInstead = engine.comparisonInstead;
    look.conflicts = what.conflicts;
    look.limit = limit;
    double done = 0.0;
    int shownPercent = -1;
    if (env.terminal && !g.quiet) {
      look.step = [&](double share) {
        done += share;
        const int percent = static_cast<int>(done * 100.0);
        if (percent == shownPercent) return;
        shownPercent = percent;
        DrawProgress(env.err, percent, what.working);
        drawn = true;
      };
    }
    const chart::AbsenceReport report =
        chart::ComputeAbsence(*engine.objResources, *engine.objProject, look);
    if (drawn) env.err << "\r\x1b[K" << std::flush;
    drawn = false;
    host::Resume r;
    std::string project =
        r.Get([&] { return engine.objProject->GetProjectTitle(); }, std::string());
    if (project.empty())
      project = r.Get([&] { return engine.objProject->GetProjectName(); }, std::string());
    if (stage) stage("ausgaben");
    int code = what.print(report, project, g.quiet, env.out);
    const auto write = [&](const char* kind, const std::string& path,
                           const std::function<void()>& run) {
      if (path.empty()) return;
      try {
        run();
        env.out << kind << " gespeichert: " << path << "\n";
      } catch (const std::exception& e) {
        ShowMessage(messages,
                    std::string("Die ") + kind + " \"" + path +
                        "\" konnte nicht geschrieben werden:\r\n" + e.what(),
                    kProductTitle, MsgIcon::Critical);
        code = kExitWriteFailed;
      }
    };
    write("CSV-Datei", g.csv, [&] { what.writeCsv(report, g.csv); });
    write("Arbeitsmappe", g.xlsx, [&] {
      what.writeXlsx(report, std::string(what.titleWord) + (project.empty() ? "" : " " + project),
                     g.xlsx);
    });
    return code;
  };

  std::unique_ptr<RegistryStore> ownStore;
  RegistryStore* store = UserStore(env, boxes, ownStore);
  if (store == nullptr) return kExitBadInput;
  ChartJobServices services{boxes, *store, nullptr, nullptr, nullptr};
  services.processEnds = env.processEnds;
  services.stage = stage;
  const int code = RunChartJob(options, services);
  if (drawn) env.err << "\n" << std::flush;
  clock.Print(env.err);
  return code;
}

}  // namespace kx::job
