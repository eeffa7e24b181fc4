// "korvalinx holidays LAND [--year J | --from J --to J] [--csv DATEI] [--ics DATEI]": the public
// holidays of a German state as a list, a CSV file or an iCalendar file.

#include <ctime>
#include <memory>
#include <ostream>
#include <string>

#include "command_line.hpp"
#include "exports/chart_table.hpp"
#include "holidays/holidays.hpp"
#include "job/chart_job.hpp"
#include "job/holidays_run.hpp"
#include "support/product.hpp"
#include "support/text.hpp"

namespace kx::app {
namespace {

struct HolidayOptions {
  std::string state, year, from, to, csv, ics;
};

std::optional<int> Year(const std::string& text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < holidays::kFirstYear || value > holidays::kLastYear) return std::nullopt;
  return value;
}

int ThisYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

// The help's note, broken into lines of at most 92 characters.
std::string Wrapped(const std::string& text) {
  std::string out, line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > 92) {
      out += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  return out + line;
}

}  // namespace

CLI::Option* AddHolidaysOption(CLI::App* cmd, std::string& value, const std::string& help) {
  return cmd->add_option("--holidays", value, help)
      ->type_name("LAND")
      ->check(CLI::Validator(
          [](std::string& v) -> std::string {
            if (holidays::FindState(v)) return {};
            return "\"" + v + "\" ist kein Land; erlaubt sind " + holidays::StateCodes() +
                   " oder der Name des Landes";
          },
          std::string()));
}

void AddHolidaysCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode) {
  auto given = std::make_shared<HolidayOptions>();
  CLI::App* cmd = app.add_subcommand(
      "holidays", "die gesetzlichen Feiertage eines Landes zeigen oder als CSV/iCalendar schreiben");
  cmd->formatter(app.get_formatter());
  cmd->set_help_flag("-h,--help", "diese Hilfe zeigen");
  cmd->add_option("LAND", given->state,
                  "das Land: " + holidays::StateCodes() + "\noder sein Name (z. B. Bayern)")
      ->required();
  const auto year = CLI::Validator(
      [](std::string& v) -> std::string {
        return Year(v) ? "" : "\"" + v + "\" ist kein Jahr von 1984 bis 2049";
      },
      "");
  cmd->add_option("--year", given->year, "ein Jahr von 1984 bis 2049 (Vorgabe: das laufende)")
      ->type_name("JAHR")
      ->check(year);
  cmd->add_option("--from", given->from, "die Jahre ab")->type_name("JAHR")->check(year);
  cmd->add_option("--to", given->to, "die Jahre bis")->type_name("JAHR")->check(year);
  const auto file = CLI::Validator(
      [](std::string& v) -> std::string { return v.empty() ? "der Dateiname ist leer" : ""; }, "");
  cmd->add_option("--csv", given->csv, "die Feiertage als CSV-Datei (UTF-8, \";\")")
      ->type_name("DATEI")
      ->check(file);
  cmd->add_option("--ics", given->ics,
                  "die Feiertage als iCalendar-Datei: ein ganztägiger Termin je Feiertag")
      ->type_name("DATEI")
      ->check(file);
  cmd->footer(Wrapped(holidays::NotIncludedNote()) +
              "\n\n"
              "Beispiele:\n"
              "  korvalinx holidays BY --year 2026\n"
              "  korvalinx holidays Nordrhein-Westfalen --from 2025 --to 2027 --csv feiertage.csv\n"
              "\n"
              "Rückgabewerte:\n"
              "  0  Feiertage gezeigt oder geschrieben\n"
              "  1  eine Datei konnte nicht geschrieben werden (eine frühere Datei bleibt erhalten)\n"
              "  2  ungültige Eingabe (nichts geschrieben)");

  cmd->callback([given, cmd, &env, &exitCode] {
    const HolidayOptions& g = *given;
    const auto refuse = [&](const std::string& text) {
      PrintMessage(env.err, true, text + "\r\nHilfe: korvalinx holidays --help");
      exitCode = job::kExitBadInput;
    };
    const auto has = [cmd](const char* name) { return cmd->count(name) > 0; };
    const auto state = holidays::FindState(g.state);
    if (!state)
      return refuse("\"" + g.state + "\" ist kein Land; erlaubt sind " + holidays::StateCodes() +
                    " oder der Name des Landes");
    if (has("--year") && (has("--from") || has("--to")))
      return refuse("--year und --from/--to schließen einander aus");
    if (has("--from") != has("--to"))
      return refuse(has("--from") ? "zu --from fehlt --to" : "zu --to fehlt --from");
    int from = ThisYear(), to = from;
    if (has("--year")) from = to = *Year(g.year);
    if (has("--from")) {
      from = *Year(g.from);
      to = *Year(g.to);
      if (to < from) return refuse("--to liegt vor --from");
    }
    job::HolidaysRunOptions run{*state, from, to, g.csv, g.ics};
    exitCode = job::RunHolidays(run, env);
  });
}

}  // namespace kx::app
