// "korvalinx conflicts SOURCE [period] [--calendar NAME] [--filter NAME] [--csv FILE]
// [--xlsx FILE] [--quiet]": the days on which a resource is on vacation and yet has work in the
// project.

#include <memory>
#include <ostream>
#include <set>

#include "absence_command.hpp"
#include "exports/absence_export.hpp"
#include "exports/chart_table.hpp"
#include "job/chart_job.hpp"

namespace kx::app {
namespace {

int PrintConflicts(const chart::AbsenceReport& report, const std::string& project, bool quiet,
                   std::ostream& out) {
  const std::string where = project.empty() ? "" : " in \"" + project + "\"";
  if (report.conflicts.empty()) {
    out << "Keine Konflikte" << where << ": vom " << exports::DayText(report.first) << " bis "
        << exports::DayText(report.last)
        << " hat keine Ressource an einem Urlaubstag Arbeit im Projekt.\n";
    return job::kExitOk;
  }
  std::set<std::pair<std::string, std::string>> resources;
  for (const auto& c : report.conflicts) resources.emplace(c.group, c.resource);
  if (!quiet) {
    out << "Arbeit an Urlaubstagen" << where << ", " << PeriodText(report) << ":\n\n";
    std::vector<std::vector<std::string>> rows{{"Gruppe", "Ressource", "Datum", "Stunden", "Vorgänge"}};
    for (const auto& c : report.conflicts) {
      std::string tasks;
      for (const auto& t : c.tasks) tasks += (tasks.empty() ? "" : ", ") + t;
      rows.push_back(
          {c.group, c.resource, exports::DayText(c.day), exports::HoursText(c.hours), tasks});
    }
    out << Columns(rows) << "\n";
  }
  const std::size_t n = report.conflicts.size();
  out << (n == 1 ? std::string("1 Konflikt") : std::to_string(n) + " Konflikte") << " bei "
      << (resources.size() == 1 ? std::string("1 Ressource") : std::to_string(resources.size()) + " Ressourcen")
      << ": Arbeit im Projekt an einem Urlaubstag.\n";
  return job::kExitFound;
}

}  // namespace

void AddConflictsCommand(CLI::App& app, CommandLineEnvironment& env, int& exitCode) {
  auto given = std::make_shared<AbsenceGiven>();
  CLI::App* cmd = app.add_subcommand(
      "conflicts", "Arbeit im Projekt an Urlaubstagen der Ressourcen finden");
  cmd->formatter(app.get_formatter());
  AddAbsenceOptions(cmd, *given, false);
  cmd->footer(
      "Ein Tag ist ein Konflikt, wenn der Urlaubsplan ihn markiert (der Kalender der Ressource\n"
      "hält ihn frei, ihr Vergleichskalender arbeitet) und der Ressourcenzeitplan auch (sie hat\n"
      "an dem Tag Arbeit im Projekt). Ohne eine Option gilt, was im Quellprojekt gespeichert\n"
      "ist, sonst die Vorgabe des Benutzers.\n"
      "\n"
      "Beispiele:\n"
      "  korvalinx conflicts neubau.xml --year 2025\n"
      "  korvalinx conflicts neubau.xml --from 01.06.2025 --to 31.08.2025 --csv konflikte.csv\n"
      "\n"
      "CSV: Gruppe;Ressource;Datum;Stunden;Vorgänge, eine Zeile je Ressource und Tag.\n"
      "\n"
      "Rückgabewerte:\n"
      "  0  keine Konflikte\n"
      "  1  eine Datei konnte nicht geschrieben werden (eine frühere Datei bleibt erhalten)\n"
      "  2  ungültige Eingabe (nichts geschrieben)\n"
      "  3  keine Konflikte, aber beim Lesen wurde etwas übersprungen (die Warnung nennt es)\n"
      "  4  es gibt Konflikte");
  cmd->callback([cmd, given, &env, &exitCode] {
    AbsenceCommand what;
    what.name = "conflicts";
    what.working = "Konflikte werden gesucht...";
    what.conflicts = true;
    what.print = PrintConflicts;
    what.writeCsv = exports::WriteConflictsCsv;
    what.writeXlsx = exports::WriteConflictsXlsx;
    what.titleWord = "Konflikte";
    exitCode = RunAbsenceCommand(cmd, *given, what, env);
  });
}

}  // namespace kx::app
