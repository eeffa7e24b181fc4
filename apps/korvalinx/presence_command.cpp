// "korvalinx presence SOURCE [period] [--calendar NAME] [--filter NAME] [--max-absent N|N%]
// [--csv FILE] [--xlsx FILE] [--quiet]": for every resource group and day how many of its
// resources are away and how many are there, and the days on which too many are away.

#include <memory>
#include <ostream>
#include <set>

#include "absence_command.hpp"
#include "exports/absence_export.hpp"
#include "exports/chart_table.hpp"
#include "job/chart_job.hpp"

namespace kx::app {
namespace {

constexpr const char* kMonths[] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                                   "Juli",   "August",  "September", "Oktober", "November", "Dezember"};

// Without a limit: per group and month the vacation days, and the day most were away.
void PrintMonths(const chart::AbsenceReport& report, std::ostream& out) {
  std::vector<std::vector<std::string>> rows{
      {"Gruppe", "Monat", "Ressourcen", "Urlaubstage", "meiste abwesend", "am"}};
  const long days = report.DayCount();
  for (const auto& group : report.groups) {
    long d = 0;
    while (d < days) {
      const CivilDate month = ToCivil(report.Day(d));
      long sum = 0;
      int most = 0;
      long mostDay = -1;
      for (; d < days && ToCivil(report.Day(d)).month == month.month; ++d) {
        const int absent = group.absent[static_cast<std::size_t>(d)];
        sum += absent;
        if (absent > most) {
          most = absent;
          mostDay = d;
        }
      }
      rows.push_back({group.name,
                      std::string(kMonths[month.month - 1]) + " " + std::to_string(month.year),
                      std::to_string(group.resources), std::to_string(sum), std::to_string(most),
                      mostDay < 0 ? "-" : exports::DayText(report.Day(mostDay))});
    }
  }
  out << Columns(rows) << "\n";
}

int PrintPresence(const chart::AbsenceReport& report, const std::string& project, bool quiet,
                  std::ostream& out) {
  const std::string where = project.empty() ? "" : " in \"" + project + "\"";
  if (!report.limit) {
    if (!quiet) {
      out << "Urlaub je Gruppe und Monat" << where << ", " << PeriodText(report) << ":\n\n";
      PrintMonths(report, out);
    }
    out << report.groups.size() << (report.groups.size() == 1 ? " Gruppe" : " Gruppen")
        << "; ohne --max-absent keine Grenze, die Tage stehen in --csv oder --xlsx.\n";
    return job::kExitOk;
  }
  const std::string limit = chart::AbsenceLimitText(*report.limit);
  const long over = report.DaysOver();
  if (over == 0) {
    out << "Kein Tag über der Grenze" << where << ": vom " << exports::DayText(report.first)
        << " bis " << exports::DayText(report.last) << " sind nie mehr als " << limit
        << " einer Gruppe abwesend.\n";
    return job::kExitOk;
  }
  std::set<std::string> groups;
  std::vector<std::vector<std::string>> rows{{"Gruppe", "Datum", "Ressourcen", "abwesend", "anwesend"}};
  for (const auto& group : report.groups) {
    for (long d = 0; d < report.DayCount(); ++d) {
      if (!report.Over(group, d)) continue;
      groups.insert(group.name);
      const auto i = static_cast<std::size_t>(d);
      rows.push_back({group.name, exports::DayText(report.Day(d)), std::to_string(group.resources),
                      std::to_string(group.absent[i]), std::to_string(group.present[i])});
    }
  }
  if (!quiet) {
    out << "Tage mit mehr als " << limit << " einer Gruppe abwesend" << where << ", "
        << PeriodText(report) << ":\n\n"
        << Columns(rows) << "\n";
  }
  out << (over == 1 ? std::string("1 Tag") : std::to_string(over) + " Tage") << " über der Grenze in "
      << (groups.size() == 1 ? std::string("1 Gruppe") : std::to_string(groups.size()) + " Gruppen")
      << ".\n";
  return job::kExitFound;
}

}  // namespace

void AddPresenceCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode) {
  auto given = std::make_shared<AbsenceGiven>();
  CLI::App* cmd = app.add_subcommand(
      "presence", "je Ressourcengruppe und Tag zählen, wer da ist und wer Urlaub hat");
  cmd->formatter(app.get_formatter());
  AddAbsenceOptions(cmd, *given, true);
  cmd->footer(
      "Für jede Gruppe und jeden Tag: wie viele Ressourcen sie hat, wie viele Urlaub haben und\n"
      "wie viele anwesend sind (ihr Vergleichskalender arbeitet, sie haben keinen Urlaub). Mit\n"
      "--max-absent zeigt das Terminal die Tage, an denen mehr abwesend sind, sonst eine\n"
      "Zusammenfassung je Monat.\n"
      "\n"
      "Beispiele:\n"
      "  korvalinx presence neubau.xml --year 2025 --max-absent 50%\n"
      "  korvalinx presence neubau.xml --year 2025 --max-absent 2 --xlsx anwesenheit.xlsx\n"
      "\n"
      "CSV: Gruppe;Datum;Ressourcen;abwesend;anwesend;über Grenze, eine Zeile je Gruppe und Tag.\n"
      "\n"
      "Rückgabewerte:\n"
      "  0  kein Tag über der Grenze (oder keine Grenze angegeben)\n"
      "  1  eine Datei konnte nicht geschrieben werden (eine frühere Datei bleibt erhalten)\n"
      "  2  ungültige Eingabe (nichts geschrieben)\n"
      "  3  wie 0, aber beim Lesen wurde etwas übersprungen (die Warnung nennt es)\n"
      "  4  an mindestens einem Tag sind mehr abwesend, als die Grenze erlaubt");
  cmd->callback([cmd, given, &env, &exitCode] {
    AbsenceCommand what;
    what.name = "presence";
    what.working = "Anwesenheit wird gezählt...";
    what.conflicts = false;
    what.print = PrintPresence;
    what.writeCsv = exports::WritePresenceCsv;
    what.writeXlsx = exports::WritePresenceXlsx;
    what.titleWord = "Anwesenheit";
    exitCode = RunAbsenceCommand(cmd, *given, what, env);
  });
}

}  // namespace kx::app
