#include "job/holidays_run.hpp"

#include <functional>
#include <ostream>
#include <tuple>
#include <utility>

#include "exports/chart_table.hpp"
#include "exports/exports.hpp"
#include "exports/holiday_export.hpp"
#include "job/chart_job.hpp"
#include "projectxml/project_xml.hpp"

namespace kx::job {

int RunHolidays(const HolidaysRunOptions& options, const CommandEnvironment& env) {
  const auto refuse = [&](const std::string& text) {
    PrintMessage(env.err, true, text + "\r\nHilfe: korvalinx holidays --help");
    return static_cast<int>(kExitBadInput);
  };
  const int from = options.from, to = options.to;
  if (from < holidays::FirstYear(options.state) || to > holidays::kLastYear)
    return refuse(std::string("für ") + holidays::Name(options.state) +
                  " sind Feiertage der Jahre " +
                  std::to_string(holidays::FirstYear(options.state)) + " bis " +
                  std::to_string(holidays::kLastYear) + " enthalten" +
                  (holidays::FirstYear(options.state) > holidays::kFirstYear
                       ? " (Land der Bundesrepublik seit dem 3. Oktober 1990)"
                       : ""));
  exports::ExportTargets targets{options.csv, options.ics, "", std::nullopt};
  bool cannotWrite = false;
  if (const auto problem = exports::CheckExportTargets(targets, "", &cannotWrite)) {
    PrintMessage(env.err, true, *problem);
    return cannotWrite ? kExitWriteFailed : kExitBadInput;
  }
  // As every output: no file of a project, wherever a link leads.
  for (const auto& [what, path] :
       {std::pair{"Die CSV-Datei", &options.csv}, std::pair{"Die Kalenderdatei", &options.ics}}) {
    if (path->empty()) continue;
    if (const auto hit = platform::ProjectFileAt(*path)) {
      PrintMessage(env.err, true,
                   std::string(what) + " \"" + *path + "\" würde " + *hit + " überschreiben.");
      return kExitBadInput;
    }
  }

  const auto days = holidays::HolidaysOf(options.state, from, to);
  if (!targets.Any()) {
    env.out << "Feiertage " << holidays::Name(options.state) << " "
            << (from == to ? std::to_string(from) : std::to_string(from) + "–" + std::to_string(to))
            << "\n";
    for (const holidays::Holiday& h : days) {
      std::string weekday = exports::GermanWeekday(h.day);
      while (weekday.size() < 12) weekday += ' ';
      env.out << exports::DayText(h.day) << "  " << weekday << h.name << "\n";
    }
    env.out << std::flush;
    return kExitOk;
  }
  int exitCode = kExitOk;
  for (const auto& [what, path, write] :
       {std::tuple{"CSV-Datei", &options.csv,
                   std::function<void(const std::string&)>(
                       [&](const std::string& p) { exports::WriteHolidaysCsv(days, p); })},
        std::tuple{"Kalenderdatei", &options.ics,
                   std::function<void(const std::string&)>([&](const std::string& p) {
                     exports::WriteHolidaysIcs(options.state, from, to, days, p);
                   })}}) {
    if (path->empty()) continue;
    try {
      write(*path);
      env.out << what << " gespeichert: " << *path << "\n";
    } catch (const std::exception& e) {
      PrintMessage(env.err, true,
                   std::string("Die ") + what + " \"" + *path +
                       "\" konnte nicht geschrieben werden:\r\n" + e.what());
      exitCode = kExitWriteFailed;
    }
  }
  env.out << std::flush;
  return exitCode;
}

}  // namespace kx::job
