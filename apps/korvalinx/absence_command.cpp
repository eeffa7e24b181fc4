#include "absence_command.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string_view>

#include "exports/chart_table.hpp"
#include "holidays/holidays.hpp"
#include "exports/exports.hpp"
#include "job/chart_job.hpp"
#include "platform/planning_host.hpp"
#include "platform/user_store.hpp"
#include "settings/chart_settings.hpp"
#include "support/file_writer.hpp"
#include "support/product.hpp"

namespace kx::app {
namespace {

CLI::Validator Check(std::function<std::string(const std::string&)> check) {
  return CLI::Validator([check](std::string& text) { return check(text); }, "");
}

std::size_t Shown(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::optional<int> Year(const std::string& text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < settings::kFirstYear || value > settings::kLastYear) return std::nullopt;
  return value;
}

void DrawProgress(std::ostream& out, double percent, const std::string& text) {
  constexpr int kWidth = 30;
  const int filled = static_cast<int>(std::clamp(percent, 0.0, 100.0) * kWidth / 100.0 + 0.5);
  char head[16];
  std::snprintf(head, sizeof head, "%3.0f%% ", percent);
  out << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << head
      << text << "\x1b[K" << std::flush;
}

}  // namespace

std::string Columns(const std::vector<std::vector<std::string>>& given) {
  // A name may hold line breaks and tabs (XML allows them); in a table they are spaces.
  std::vector<std::vector<std::string>> rows = given;
  for (auto& row : rows)
    for (auto& cell : row)
      std::replace_if(cell.begin(), cell.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Shown(row[c]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line = "  ";
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - Shown(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

std::string PeriodText(const chart::AbsenceReport& report) {
  return exports::DayText(report.first) + " bis " + exports::DayText(report.last);
}

void AddAbsenceOptions(CLI::App* cmd, AbsenceGiven& g, bool limit) {
  cmd->set_help_flag("-h,--help", "diese Hilfe zeigen");
  cmd->add_option("QUELLE", g.source, "das Quellprojekt (Project XML)")->required();
  cmd->add_option("--year", g.year, "ein Kalenderjahr von 1984 bis 2049")
      ->type_name("JAHR")
      ->check(Check([](const std::string& v) -> std::string {
        if (Year(v)) return {};
        return "\"" + v + "\" ist kein Jahr von 1984 bis 2049";
      }));
  const auto date = Check([](const std::string& v) -> std::string {
    if (ParseCommandLineDate(v)) return {};
    return "\"" + v + "\" ist kein Datum (z. B. " + CommandLineDateExamples(2025, 3, 15) + ")";
  });
  cmd->add_option("--from", g.from, "Zeitraum ab (" + CommandLineDateExamples(2025, 3, 15) + ")")
      ->type_name("DATUM")
      ->check(date);
  cmd->add_option("--to", g.to, "Zeitraum bis (" + CommandLineDateExamples(2025, 12, 31) + ")")
      ->type_name("DATUM")
      ->check(date);
  cmd->add_option("--period", g.period, "project: die gesamte Projektdauer")
      ->type_name("ZEITRAUM")
      ->check(Check([](const std::string& v) -> std::string {
        if (v == "project") return {};
        return "\"" + v + "\" ist kein Zeitraum; erlaubt ist project (sonst --year oder --from/--to)";
      }));
  cmd->add_option("--calendar", g.calendar,
                  "ein Basiskalender des Projekts als Vergleichskalender\n"
                  "(Vorgabe: der Basiskalender jeder Ressource)")
      ->type_name("NAME");
  AddHolidaysOption(cmd, g.holidays,
                    "die Feiertage eines Landes (BY, Bayern, ...) als Vergleichskalender\n"
                    "\"Feiertage <Land>\" (nicht mit --calendar;\n"
                    "welche Feiertage: korvalinx holidays --help)");
  cmd->add_option("--filter", g.filter,
                  "ein Ressourcenfilter des Projekts (Vorgabe: Alle Ressourcen)")
      ->type_name("NAME");
  if (limit) {
    cmd->add_option("--max-absent", g.maxAbsent,
                    "höchstens so viele einer Gruppe abwesend: eine Zahl oder\n"
                    "ein Anteil in Prozent (3 oder 50%)")
        ->type_name("N|N%")
        ->check(Check([](const std::string& v) -> std::string {
          if (chart::ParseAbsenceLimit(v)) return {};
          return "\"" + v + "\" ist keine Grenze (eine Zahl wie 3 oder ein Anteil von 0% bis 100%)";
        }));
  }
  const auto file = Check([](const std::string& v) -> std::string {
    return v.empty() ? "der Dateiname ist leer" : "";
  });
  cmd->add_option("--csv", g.csv, "die Tabelle als CSV-Datei (UTF-8, \";\")")
      ->type_name("DATEI")
      ->check(file);
  cmd->add_option("--xlsx", g.xlsx, "die Tabelle als Arbeitsmappe")->type_name("DATEI")->check(file);
  cmd->add_flag("--quiet", g.quiet, "nur die Schlusszeile, keine Tabelle und kein Fortschritt");
}

int RunAbsenceCommand(const CLI::App* cmd, const AbsenceGiven& g, const AbsenceCommand& what,
                      CommandLineEnvironment& env) {
  bool drawn = false;
  CommandLineMessages boxes(env.err, &drawn);
  // The writer's notices (waiting for a lock) start on a line of their own, as messages do.
  const ScopedWriterNotices notices([&boxes](const std::string& text) {
    ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
  });
  const std::string help = std::string("\r\nHilfe: korvalinx ") + what.name + " --help";
  const auto refuse = [&](const std::string& text) {
    PrintMessage(env.err, true, text + help);
    return static_cast<int>(job::kExitBadInput);
  };
  const auto has = [cmd](const char* name) { return cmd->count(name) > 0; };
  if (const auto problem = PeriodAndCalendarProblem(*cmd)) return refuse(*problem);
  exports::ExportTargets targets;
  targets.csv = g.csv;
  targets.xlsx = g.xlsx;
  bool cannotWrite = false;
  if (const auto problem = exports::CheckExportTargets(targets, std::string(), &cannotWrite)) {
    PrintMessage(env.err, true, *problem);
    return cannotWrite ? job::kExitWriteFailed : job::kExitBadInput;
  }

  job::ChartJobOptions options;
  options.source = g.source;
  options.plan = settings::kPlanVacation;  // the comparison calendar is checked as for one
  options.wholeProject = !g.period.empty();
  if (!g.year.empty()) options.year = Year(g.year);
  if (!g.from.empty()) options.from = ParseCommandLineDate(g.from);
  if (!g.to.empty()) options.to = ParseCommandLineDate(g.to);
  if (has("--calendar")) options.calendar = g.calendar;
  if (has("--holidays")) options.holidays = holidays::FindState(g.holidays);
  if (has("--filter")) options.filter = g.filter;
  options.yes = true;  // names that occur twice are no obstacle to a look
  if (!g.csv.empty()) options.outputFiles.push_back({"Die CSV-Datei", g.csv});
  if (!g.xlsx.empty()) options.outputFiles.push_back({"Die Arbeitsmappe", g.xlsx});
  const std::optional<chart::AbsenceLimit> limit =
      g.maxAbsent.empty() ? std::nullopt : chart::ParseAbsenceLimit(g.maxAbsent);

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
      return job::kExitBadInput;
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
    const chart::AbsenceReport report = chart::ComputeAbsence(*engine.objResources, *engine.objProject, look);
    if (drawn) env.err << "\r\x1b[K" << std::flush;
    drawn = false;
    host::Resume r;
    std::string project = r.Get([&] { return engine.objProject->GetProjectTitle(); }, std::string());
    if (project.empty()) project = r.Get([&] { return engine.objProject->GetProjectName(); }, std::string());
    if (stage) stage("ausgaben");
    int code = what.print(report, project, g.quiet, env.out);
    const auto write = [&](const char* kind, const std::string& path, const std::function<void()>& run) {
      if (path.empty()) return;
      try {
        run();
        env.out << kind << " gespeichert: " << path << "\n";
      } catch (const std::exception& e) {
        ShowMessage(messages,
                    std::string("Die ") + kind + " \"" + path + "\" konnte nicht geschrieben werden:\r\n" + e.what(),
                    kProductTitle, MsgIcon::Critical);
        code = job::kExitWriteFailed;
      }
    };
    write("CSV-Datei", g.csv, [&] { what.writeCsv(report, g.csv); });
    write("Arbeitsmappe", g.xlsx, [&] {
      what.writeXlsx(report, std::string(what.titleWord) + (project.empty() ? "" : " " + project), g.xlsx);
    });
    return code;
  };

  std::unique_ptr<RegistryStore> ownStore;
  RegistryStore* store = env.registry;
  if (store == nullptr) {
    const std::string path = platform::UserRegistryStore::DefaultPath();
    if (path.empty()) {
      ownStore = std::make_unique<MemoryRegistryStore>();
    } else {
      auto user = std::make_unique<platform::UserRegistryStore>(path);
      if (const std::string refusal = user->Refusal(); !refusal.empty()) {
        PrintMessage(env.err, true, "Die gespeicherten Einstellungen können nicht gelesen werden:\r\n" + refusal);
        return job::kExitBadInput;
      }
      user->OnWarning([&boxes](const std::string& text) {
        ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
      });
      ownStore = std::move(user);
    }
    store = ownStore.get();
  }
  job::ChartJobServices services{boxes, *store, nullptr, nullptr, nullptr};
  services.processEnds = env.processEnds;
  services.stage = stage;
  const int code = job::RunChartJob(options, services);
  if (drawn) env.err << "\n" << std::flush;
  clock.Print(env.err);
  return code;
}

}  // namespace kx::app
