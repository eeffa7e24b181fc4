// "korvalinx chart SOURCE [-o CHART] [--csv FILE] [--ics FILE] [--xlsx FILE] [options]": reads
// the options, hands them to the chart job with the exports as its extra outputs, and draws its
// progress.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string_view>
#include <tuple>
#include <utility>

#include "command_line.hpp"
#include "exports/exports.hpp"
#include "holidays/holidays.hpp"
#include "job/chart_job.hpp"
#ifdef KX_WITH_PICTURE
#include "absence_marks.hpp"
#include "picture_job.hpp"
#endif
#include "chart/absence.hpp"
#include "chart/korvalinx.hpp"
#include "platform/planning_host.hpp"
#include "platform/user_store.hpp"
#include "resources/period_extraction.hpp"
#include "settings/chart_settings.hpp"
#include "support/paths.hpp"
#include "support/file_writer.hpp"
#include "support/product.hpp"
#include "support/regional.hpp"

namespace kx::app {
namespace {

// Draws the run's status texts and percentages as a bar on a terminal line.
void DrawProgress(std::ostream& out, double percent, const std::string& text) {
  constexpr int kWidth = 30;
  const int filled = static_cast<int>(std::clamp(percent, 0.0, 100.0) * kWidth / 100.0 + 0.5);
  char head[16];
  std::snprintf(head, sizeof head, "%3.0f%% ", percent);
  out << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << head
      << text << "\x1b[K" << std::flush;
}

// A whole number from `low` to `high`, else nullopt.
std::optional<int> WholeNumber(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

CLI::Validator Check(std::function<std::string(const std::string&)> check) {
  return CLI::Validator([check](std::string& text) { return check(text); }, "");
}

// Every option that names an output file refuses an empty name alike.
CLI::Validator FileName() {
  return Check([](const std::string& v) -> std::string {
    return v.empty() ? "der Dateiname ist leer" : "";
  });
}

// True when a flag with a negative form ("--group,!--no-group") was given in both forms.
bool BothForms(const CLI::Option* flag) {
  bool on = false, off = false;
  for (const std::string& result : flag->results()) {
    try {
      (CLI::detail::to_flag_value(result) > 0 ? on : off) = true;
    } catch (const std::exception&) {
      on = true;  // not a flag value: CLI11 has refused it already
    }
  }
  return on && off;
}

// The options as given: every value as text, read when the command runs.
struct GivenOptions {
  std::string source;
  std::string output, plan, period, year, from, to, calendar, filter, colour, holidays;
  exports::ExportTargets exports;
  std::vector<std::string> pictures;  // --png, --svg, --pdf
  std::optional<bool> group, keepEmpty;
  bool colours = false, saveSettings = false, yes = false, quiet = false;
  bool presence = false, conflicts = false;  // marks in the pictures (and the workbook)
  std::string maxAbsent;
};

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

std::optional<Date> ParseCommandLineDate(const std::string& text) {
  if (auto iso = ParseIsoDateTime(text)) return DateOnly(*iso);
  if (auto regional = ParseDate(text)) return DateOnly(*regional);
  if (auto german = ParseDate(text, RegionalSettings::German())) return DateOnly(*german);
  return std::nullopt;
}

std::string CommandLineDateExamples(int year, int month, int day) {
  const Date d = DateSerial(year, month, day);
  return FormatDate(d) + " oder " + FormatIsoDate(d);
}

void AddChartCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode) {
  auto given = std::make_shared<GivenOptions>();
  CLI::App* cmd = app.add_subcommand(
      "chart", "Ressourcenzeitplan oder Urlaubsplan aus einer Projektdatei erstellen");
  cmd->formatter(app.get_formatter());
  cmd->set_help_flag("-h,--help", "diese Hilfe zeigen");
  cmd->add_option("QUELLE", given->source, "das Quellprojekt (Project XML)")->required();
  cmd->add_option("-o,--output", given->output, "die Diagrammdatei, die geschrieben wird")
      ->type_name("DIAGRAMM")
      ->check(FileName());
  cmd->add_option("--csv", given->exports.csv,
                  "die Tage als CSV-Datei für Tabellenkalkulationen (UTF-8, \";\")")
      ->type_name("DATEI")
      ->check(FileName());
  cmd->add_option("--ics", given->exports.ics,
                  "die Tage als iCalendar-Datei: ein ganztägiger Termin je Folge von Tagen")
      ->type_name("DATEI")
      ->check(FileName());
  cmd->add_option("--xlsx", given->exports.xlsx,
                  "die Tage als Arbeitsmappe mit den Balkenfarben und den Summen")
      ->type_name("DATEI")
      ->check(FileName());
#ifdef KX_WITH_PICTURE
  for (const auto& [name, ext, what] :
       {std::tuple{"--png", ".png", "ein Bild des Diagramms als PNG"},
        std::tuple{"--svg", ".svg", "ein Bild des Diagramms als SVG"},
        std::tuple{"--pdf", ".pdf", "das Diagramm als PDF zum Drucken (Seiten mit Kopfzeile)"}}) {
    cmd->add_option_function<std::string>(
           name, [given](const std::string& path) { given->pictures.push_back(path); }, what)
        ->type_name("DATEI")
        ->check(FileName())
        ->check(Check([ext = std::string(ext)](const std::string& v) -> std::string {
          if (v.size() > ext.size() && v.compare(v.size() - ext.size(), ext.size(), ext) == 0)
            return {};
          return "\"" + v + "\" endet nicht auf " + ext;
        }));
  }
#endif
  cmd->add_option("--plan", given->plan,
                  "schedule: Ressourcenzeitplan, vacation: Urlaubsplan\n"
                  "(Vorgabe: die gespeicherte Art, sonst schedule)")
      ->type_name("ART")
      ->check(Check([](const std::string& v) -> std::string {
        if (v == "schedule" || v == "vacation") return {};
        return "\"" + v + "\" ist keine Diagrammart; erlaubt sind schedule und vacation";
      }));
  cmd->add_option("--period", given->period, "project: die gesamte Projektdauer")
      ->type_name("ZEITRAUM")
      ->check(Check([](const std::string& v) -> std::string {
        if (v == "project") return {};
        return "\"" + v +
               "\" ist kein Zeitraum; erlaubt ist project (sonst --year oder "
               "--from/--to)";
      }));
  cmd->add_option("--year", given->year, "ein Kalenderjahr von 1984 bis 2049")
      ->type_name("JAHR")
      ->check(Check([](const std::string& v) -> std::string {
        if (WholeNumber(v, settings::kFirstYear, settings::kLastYear)) return {};
        return "\"" + v + "\" ist kein Jahr von 1984 bis 2049";
      }));
  const auto date = Check([](const std::string& v) -> std::string {
    if (ParseCommandLineDate(v)) return {};
    return "\"" + v + "\" ist kein Datum (z. B. " + CommandLineDateExamples(2025, 3, 15) + ")";
  });
  cmd->add_option("--from", given->from,
                  "Zeitraum ab (" + CommandLineDateExamples(2025, 3, 15) + ")")
      ->type_name("DATUM")
      ->check(date);
  cmd->add_option("--to", given->to, "Zeitraum bis (" + CommandLineDateExamples(2025, 12, 31) + ")")
      ->type_name("DATUM")
      ->check(date);
  cmd->add_option("--calendar", given->calendar,
                  "ein Basiskalender des Projekts als Vergleichskalender\n"
                  "(Vorgabe: der Basiskalender jeder Ressource)")
      ->type_name("NAME");
  AddHolidaysOption(cmd, given->holidays,
                    "die Feiertage eines Landes (BY, Bayern, ...) als Vergleichskalender\n"
                    "\"Feiertage <Land>\"; die Bilder zeigen sie (nicht mit --calendar;\n"
                    "welche Feiertage: korvalinx holidays --help)");
  cmd->add_option("--filter", given->filter,
                  "ein Ressourcenfilter des Projekts (Vorgabe: Alle Ressourcen)")
      ->type_name("NAME");
  cmd->add_flag_function(
      "--group,!--no-group", [given](std::int64_t count) { given->group = count > 0; },
      "nach Ressourcengruppen zusammenfassen (oder nicht)");
  cmd->add_flag_function(
      "--keep-empty,!--drop-empty", [given](std::int64_t count) { given->keepEmpty = count > 0; },
      "Ressourcen ohne Werte im Diagramm behalten (oder nicht)");
  cmd->add_option("--colour", given->colour, "eine Farbe für alle Balken: Position 1 bis 17")
      ->type_name("POSITION")
      ->check(Check([](const std::string& v) -> std::string {
        if (WholeNumber(v, 1, settings::kColorCount)) return {};
        return "\"" + v + "\" ist keine Farbposition von 1 bis 17";
      }));
  cmd->add_flag("--colours", given->colours, "eine Farbe je Ressource");
  cmd->add_flag("--save-settings", given->saveSettings,
                "die Einstellungen im Quellprojekt speichern (in seiner Begleitdatei)");
  cmd->add_flag("--presence", given->presence,
                "Urlaubsplan mit Gruppen: je Gruppe und Tag die Abwesenden im Bild\n"
                "und auf dem Blatt \"Anwesenheit\" der Arbeitsmappe");
  cmd->add_option("--max-absent", given->maxAbsent,
                  "mit --presence: Tage mit mehr Abwesenden rot (3 oder 50%)")
      ->type_name("N|N%")
      ->check(Check([](const std::string& v) -> std::string {
        if (chart::ParseAbsenceLimit(v)) return {};
        return "\"" + v + "\" ist keine Grenze (eine Zahl wie 3 oder ein Anteil von 0% bis 100%)";
      }));
  cmd->add_flag("--conflicts", given->conflicts,
                "Ressourcenzeitplan: Arbeit an Urlaubstagen als rote Tage im Bild");
  cmd->add_flag("--yes", given->yes, "trotz doppelter Ressourcennamen fortfahren");
  cmd->add_flag("--quiet", given->quiet, "keinen Fortschritt zeigen");
  cmd->footer(
      "Ohne eine Option gilt, was im Quellprojekt gespeichert ist, sonst die Vorgabe des\n"
      "Benutzers ($XDG_CONFIG_HOME/korvalinx/registry.json); eine Option ändert nur ihre\n"
      "eigene Einstellung. Ein gespeicherter Wert, den die Option ablehnen würde, wird ebenso\n"
      "abgelehnt (Rückgabewert 2).\n"
      "\n"
      "Beispiele:\n"
      "  korvalinx chart neubau.xml -o urlaub.xml --plan vacation --year 2025 --group --colours\n"
      "  korvalinx chart neubau.xml -o zeitplan.xml --plan schedule --from 01.03.2025 \\\n"
      "      --to 2025-06-30 --filter Arbeitsressourcen\n"
      "  korvalinx chart neubau.xml --plan vacation --year 2025 --csv urlaub.csv \\\n"
      "      --ics urlaub.ics --xlsx urlaub.xlsx\n"
      "  korvalinx chart neubau.xml --plan vacation --year 2025 --holidays NW \\\n"
      "      --csv urlaub.csv --png urlaub.png\n"
      "\n"
      "--csv, --ics und --xlsx schreiben die Tage desselben Laufs; -o ist dann nicht nötig.\n"
      "\"--\" beendet die Optionen: was folgt, ist die Quelle, auch wenn es mit \"-\" beginnt.\n"
      "\n"
      "Rückgabewerte:\n"
      "  0  Diagramm geschrieben\n"
      "  1  eine Datei konnte nicht geschrieben werden (eine frühere Datei bleibt erhalten)\n"
      "  2  ungültige Eingabe (nichts geschrieben)\n"
      "  3  Diagramm geschrieben, aber unvollständig (übersprungene Schritte werden genannt)");

  cmd->callback([given, cmd, &env, &exitCode] {
    const GivenOptions& g = *given;
    bool drawn = false;  // the progress bar's line is open on the terminal
    CommandLineMessages boxes(env.err, &drawn);
    // The writer's notices (waiting for a lock) start on a line of their own, as messages do.
    const ScopedWriterNotices notices([&boxes](const std::string& text) {
      ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
    });
    const auto refuse = [&](const std::string& text) {
      PrintMessage(env.err, true, text + "\r\nHilfe: korvalinx chart --help");
      exitCode = job::kExitBadInput;
    };
    const auto has = [cmd](const char* name) { return cmd->count(name) > 0; };
    if (BothForms(cmd->get_option("--group")))
      return refuse("--group und --no-group schließen einander aus");
    if (BothForms(cmd->get_option("--keep-empty")))
      return refuse("--keep-empty und --drop-empty schließen einander aus");
    if (has("--colour") && has("--colours"))
      return refuse("--colour und --colours schließen einander aus");
    if (const auto problem = PeriodAndCalendarProblem(*cmd)) return refuse(*problem);
    if (has("--max-absent") && !g.presence) return refuse("--max-absent gilt nur zusammen mit --presence");
    if (g.presence && g.pictures.empty() && g.exports.xlsx.empty())
      return refuse("--presence zeigt die Abwesenden in einem Bild (--png, --svg, --pdf) oder in "
                    "der Arbeitsmappe (--xlsx)");
    if (g.conflicts && g.pictures.empty())
      return refuse("--conflicts zeichnet die Konflikte in ein Bild (--png, --svg oder --pdf)");
    if (!has("--output") && !g.exports.Any() && g.pictures.empty())
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
      if (has("--output") && SameFile(picture, g.output))
        return refuse("Das Bild \"" + picture + "\" würde die Diagrammdatei überschreiben.");
    }
    bool cannotWrite = false;
    if (const auto problem = exports::CheckExportTargets(g.exports, g.output, &cannotWrite)) {
      ShowMessage(boxes, *problem, kProductTitle, MsgIcon::Critical);
      exitCode = cannotWrite ? job::kExitWriteFailed : job::kExitBadInput;
      return;
    }

    job::ChartJobOptions options;
    options.source = g.source;
    if (has("--output")) options.output = g.output;
    if (!g.plan.empty())
      options.plan = g.plan == "vacation" ? settings::kPlanVacation : settings::kPlanSchedule;
    options.wholeProject = !g.period.empty();
    if (!g.year.empty()) options.year = WholeNumber(g.year, 0, 99999);
    if (!g.from.empty()) options.from = ParseCommandLineDate(g.from);
    if (!g.to.empty()) options.to = ParseCommandLineDate(g.to);
    if (has("--calendar")) options.calendar = g.calendar;
    if (has("--filter")) options.filter = g.filter;
    if (has("--holidays")) options.holidays = holidays::FindState(g.holidays);
    given->exports.holidays = options.holidays;
    options.group = g.group;
    options.keepEmpty = g.keepEmpty;
    if (!g.colour.empty()) options.colour = WholeNumber(g.colour, 1, settings::kColorCount);
    options.colours = g.colours;
    options.saveSettings = g.saveSettings;
    options.yes = g.yes;
    for (const auto& [what, path] : {std::pair{"Die CSV-Datei", &g.exports.csv},
                                     std::pair{"Die Kalenderdatei", &g.exports.ics},
                                     std::pair{"Die Arbeitsmappe", &g.exports.xlsx}})
      if (!path->empty()) options.outputFiles.push_back({what, *path});
    for (const std::string& picture : g.pictures) options.outputFiles.push_back({"Das Bild", picture});

    std::unique_ptr<RegistryStore> ownStore;
    RegistryStore* store = env.registry;
    if (store == nullptr) {
      const std::string path = platform::UserRegistryStore::DefaultPath();
      if (path.empty()) {
        ownStore = std::make_unique<MemoryRegistryStore>();
      } else {
        auto user = std::make_unique<platform::UserRegistryStore>(path);
        if (const std::string refusal = user->Refusal(); !refusal.empty()) {
          ShowMessage(boxes,
                      "Die gespeicherten Einstellungen können nicht gelesen werden:\r\n" + refusal,
                      kProductTitle, MsgIcon::Critical);
          exitCode = job::kExitBadInput;
          return;
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
    const auto absenceOf = [&](const job::FinishedChart& chart) -> const chart::AbsenceReport* {
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
        if (!g.maxAbsent.empty()) look.limit = chart::ParseAbsenceLimit(g.maxAbsent);
        absence = chart::ComputeAbsence(*chart::WholeGroups(*chart.engine.objResources),
                                        *chart.engine.objProject, look);
      }
      return &*absence;
    };
    if (g.presence || g.conflicts) {
      options.checks.push_back([&g](const job::FinishedChart& chart) -> std::string {
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
      options.outputs.push_back([&services, &absenceOf, presence = g.presence,
                                 targets = g.exports](const job::FinishedChart& chart,
                                                      MessageBoxes& messages) {
        // Calendars and workbooks name the project by its title where it has one.
        std::string source = chart.sourceName;
        if (const auto data = platform::PlanningHost::DataOf(chart.engine.objProject);
            data && !data->title.empty())
          source = data->title;
        std::vector<std::string> written;
        const bool ok = exports::WriteExports(chart.engine, source, chart.chartPath, targets,
                                              messages, &written,
                                              presence && !targets.xlsx.empty() ? absenceOf(chart) : nullptr);
        for (const std::string& line : written) services.done(line);
        return ok;
      });
    }
#ifdef KX_WITH_PICTURE
    for (const std::string& picture : g.pictures) {
      options.checks.push_back([picture](const job::FinishedChart& chart) {
        return chart.chart ? CheckChartPicture(*chart.chart, picture, RunPeriod(chart.engine))
                           : std::string();
      });
      options.outputs.push_back([&env, &g, &absenceOf, picture, state = options.holidays](
                                    const job::FinishedChart& chart, MessageBoxes&) {
        const chart::AbsenceReport* report = absenceOf(chart);
        const auto compared = ComparedCalendar(chart.engine);
        const PictureMarks marks = [&g, report, compared](gantt::ChartModel& model) {
          if (compared) gantt::AddFreeWeekdays(model, *compared);
          if (report) MarkFromReport(model, *report, g.presence, g.conflicts);
        };
        return chart.chart && WriteChartPicture(*chart.chart, picture, env.out, env.err, state,
                                                marks, RunPeriod(chart.engine));
      });
    }
#endif
    // KORVALINX_ZEITEN=1: one line on standard error with the seconds of each stage.
    StageClock clock;
    services.stage = clock.Recorder();
    exitCode = job::RunChartJob(options, services);
    if (drawn) env.err << "\n" << std::flush;
    clock.Print(env.err);
  });
}

}  // namespace kx::app
