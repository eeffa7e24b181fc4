// "korvalinx chart SOURCE [-o CHART] [--csv FILE] [--ics FILE] [--xlsx FILE] [options]": turns
// the words into the chart run's options (src/job), which checks and runs them.

#include <memory>
#include <string>
#include <tuple>

#include "chart/absence.hpp"
#include "command_line.hpp"
#include "holidays/holidays.hpp"
#include "job/chart_run.hpp"
#include "settings/chart_settings.hpp"

namespace kx::app {
namespace {

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


}  // namespace

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
    const auto refuse = [&](const std::string& text) {
      PrintMessage(env.err, true, text + "\r\nHilfe: korvalinx chart --help");
      exitCode = job::kExitBadInput;
    };
    if (BothForms(cmd->get_option("--group")))
      return refuse("--group und --no-group schließen einander aus");
    if (BothForms(cmd->get_option("--keep-empty")))
      return refuse("--keep-empty und --drop-empty schließen einander aus");
    const auto has = [cmd](const char* name) { return cmd->count(name) > 0; };
    job::ChartRunOptions run;
    job::ChartJobOptions& options = run.chart;
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
    options.group = g.group;
    options.keepEmpty = g.keepEmpty;
    if (!g.colour.empty()) options.colour = WholeNumber(g.colour, 1, settings::kColorCount);
    options.colours = g.colours;
    options.saveSettings = g.saveSettings;
    options.yes = g.yes;
    run.exports = g.exports;
    run.pictures = g.pictures;
    run.presence = g.presence;
    if (has("--max-absent")) run.maxAbsent = chart::ParseAbsenceLimit(g.maxAbsent);
    run.conflicts = g.conflicts;
    run.quiet = g.quiet;
    exitCode = job::RunChart(run, env);
  });
}

}  // namespace kx::app
