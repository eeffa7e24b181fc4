#include "absence_command.hpp"

#include <algorithm>
#include <optional>

#include "exports/chart_table.hpp"
#include "holidays/holidays.hpp"
#include "settings/chart_settings.hpp"

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
  const auto has = [cmd](const char* name) { return cmd->count(name) > 0; };
  job::AbsenceRunOptions run;
  job::ChartJobOptions& options = run.chart;
  options.source = g.source;
  options.wholeProject = !g.period.empty();
  if (!g.year.empty()) options.year = Year(g.year);
  if (!g.from.empty()) options.from = ParseCommandLineDate(g.from);
  if (!g.to.empty()) options.to = ParseCommandLineDate(g.to);
  if (has("--calendar")) options.calendar = g.calendar;
  if (has("--holidays")) options.holidays = holidays::FindState(g.holidays);
  if (has("--filter")) options.filter = g.filter;
  run.csv = g.csv;
  run.xlsx = g.xlsx;
  if (!g.maxAbsent.empty()) run.maxAbsent = chart::ParseAbsenceLimit(g.maxAbsent);
  run.quiet = g.quiet;
  return job::RunAbsence(run, what, env);
}

}  // namespace kx::app
