#include "job/chart_job.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "addin/project_tools.hpp"
#include "chart/checks.hpp"
#include "chart/korvalinx.hpp"
#include "holidays/holiday_calendar.hpp"
#include "platform/planning_host.hpp"
#include "projectxml/project_xml.hpp"
#include "resources/resource_model.hpp"
#include "settings/chart_settings.hpp"
#include "support/file_writer.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"

namespace kx::job {
namespace {

namespace fs = std::filesystem;

void Mark(const ChartJobServices& services, const char* stage) {
  if (services.stage) services.stage(stage);
}

void Error(MessageBoxes& boxes, const std::string& text) {
  ShowMessage(boxes, text, kProductTitle, MsgIcon::Critical);
}

void Warning(MessageBoxes& boxes, const std::string& text) {
  ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
}

int BadInput(MessageBoxes& boxes, const std::string& text) {
  Error(boxes, text);
  return kExitBadInput;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Joined(const std::vector<std::string>& names, std::size_t most) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < most; ++i) {
    if (i) text += ", ";
    text += "\"" + names[i] + "\"";
  }
  if (names.size() > most) text += " und " + std::to_string(names.size() - most) + " weitere";
  return text;
}

// The chart engine's own messages end the job (the target is open, the save failed), so they
// reach the front end as errors.
class FatalBoxes final : public MessageBoxes {
 public:
  explicit FatalBoxes(MessageBoxes& boxes) : boxes_(boxes) {}
  MsgAnswer Show(const MessageRequest& request) override {
    MessageRequest fatal = request;
    if (fatal.icon == MsgIcon::Exclamation) fatal.icon = MsgIcon::Critical;
    return boxes_.Show(fatal);
  }

 private:
  MessageBoxes& boxes_;
};

// The launch checks' messages speak of "the project"; a job names its file. The checks only
// speak when they stop the run, so their messages reach the front end as errors.
class FileNamingBoxes final : public MessageBoxes {
 public:
  FileNamingBoxes(MessageBoxes& boxes, std::string file) : boxes_(boxes), file_(std::move(file)) {}
  MsgAnswer Show(const MessageRequest& request) override {
    MessageRequest named = request;
    named.text = file_ + ": " + Trim(request.text);
    if (named.icon == MsgIcon::Exclamation) named.icon = MsgIcon::Critical;
    return boxes_.Show(named);
  }

 private:
  MessageBoxes& boxes_;
  std::string file_;
};

// Path problems that mean a save cannot be made, rather than a wrong entry.
bool CannotWrite(const chart::CheckProblem& problem) {
  return problem.path == chart::PathProblem::FolderReadOnly ||
         problem.path == chart::PathProblem::WriteProtected;
}

int PathRefused(MessageBoxes& boxes, const chart::CheckProblem& problem) {
  Error(boxes, problem.detail);
  return CannotWrite(problem) ? kExitWriteFailed : kExitBadInput;
}

// The whole project as the chart's period needs its dates: a file without a start (the day
// count's zero, 30.12.1899) or without a finish (no date and no task to give one), or one that
// finishes before it starts, has no period to chart. An error text naming `source`, or empty.
std::string CheckProjectDates(chart::clsKorvalinx& engine, const std::string& source) {
  if (engine.lngPlanDuration != settings::kPeriodProject) return {};
  const auto data = platform::PlanningHost::DataOf(engine.objProject);
  if (data == nullptr) return {};
  const bool noStart = data->start.serial == 0.0;
  bool noFinish = !data->finish;
  for (const auto& t : data->tasks) noFinish = noFinish && t == nullptr;
  constexpr const char* kChoose =
      "; wählen Sie den Zeitraum mit --year JAHR oder --from DATUM --to DATUM.";
  if (noStart || noFinish)
    return source + ": das Projekt hat " +
           (noStart && noFinish ? "weder ein Anfangs- noch ein Enddatum"
            : noStart           ? "kein Anfangsdatum"
                                : "kein Enddatum") +
           kChoose;
  host::Resume r;
  const Date start = r.Get([&] { return engine.objProject->GetProjectStart(); }, Date());
  const Date finish = r.Get([&] { return engine.objProject->GetProjectFinish(); }, Date());
  if (DateOnly(finish) < DateOnly(start))
    return source + ": das Projekt endet am " + FormatDate(DateOnly(finish)) +
           " vor seinem Anfang am " + FormatDate(DateOnly(start)) + kChoose;
  return {};
}

// The chart's period must lie within the host's calendar years: beyond them a chart would lose
// its days without a word. An error text, or empty.
std::string CheckPeriodYears(chart::clsKorvalinx& engine) {
  std::optional<Date> from, to;
  host::Resume r;
  switch (engine.lngPlanDuration) {
    case settings::kPeriodYear:
      return {};  // a year is checked with the options and the stored settings
    case settings::kPeriodRange:
      from = ToDate(engine.varPlanDurationStart);
      to = ToDate(engine.varPlanDurationFinish);
      break;
    default:
      r([&] { from = engine.objProject->GetProjectStart(); });
      r([&] { to = engine.objProject->GetProjectFinish(); });
      break;
  }
  if (!from || !to || *to < *from) return {};  // the checks of the dates say what is wrong
  const auto problem = chart::CheckCalendarYears(*from, *to);
  return problem ? problem->detail : std::string();
}

// The first and the last year of the chart's period; nullopt when the period cannot be read.
std::optional<std::pair<int, int>> PeriodYears(chart::clsKorvalinx& engine) {
  if (engine.lngPlanDuration == settings::kPeriodYear)
    return std::pair{engine.lngPlanDurationYear, engine.lngPlanDurationYear};
  std::optional<Date> from, to;
  host::Resume r;
  if (engine.lngPlanDuration == settings::kPeriodRange) {
    from = ToDate(engine.varPlanDurationStart);
    to = ToDate(engine.varPlanDurationFinish);
  } else {
    r([&] { from = engine.objProject->GetProjectStart(); });
    r([&] { to = engine.objProject->GetProjectFinish(); });
  }
  if (!from || !to) return std::nullopt;
  if (*to < *from) to = from;
  return std::pair{ToCivil(*from).year, ToCivil(*to).year};
}

// Makes a vacation plan compare with the state's holidays for the period's years: each base
// calendar it would compare with gets, in memory only, a copy with the holidays as days off
// ("Standard mit Feiertagen Bayern"), which is compared with in its place. The company
// holidays of a base calendar stay days off of its copy. An error text, or empty.
std::string UseHolidays(chart::clsKorvalinx& engine, holidays::State state) {
  const auto years = PeriodYears(engine);
  if (!years) return "Der Zeitraum des Diagramms kann nicht gelesen werden.";
  if (years->first < holidays::FirstYear(state))
    return std::string("Für ") + holidays::Name(state) + " sind Feiertage ab " +
           std::to_string(holidays::FirstYear(state)) +
           " enthalten (Land der Bundesrepublik seit dem 3. Oktober 1990); der Zeitraum "
           "beginnt " +
           std::to_string(years->first) + ".";
  const auto data = platform::PlanningHost::DataOf(engine.objProject);
  if (data == nullptr) return "Das Quellprojekt kann nicht gelesen werden.";
  if (engine.lngPlanType != settings::kPlanVacation) return {};
  try {
    if (engine.lngCalendarType != settings::kCalendarOwn) {
      const auto base = data->FindCalendar(engine.strCalendar);
      if (base == nullptr)
        return "Das Projekt hat keinen Basiskalender \"" + engine.strCalendar + "\".";
      engine.strCalendar =
          holidays::InsertHolidayComparison(*data, *base, state, years->first, years->second)->name;
      return {};
    }
    std::vector<std::shared_ptr<platform::CalendarData>> bases;
    for (const auto& c : data->calendars)
      if (c != nullptr && c->isBase) bases.push_back(c);
    for (const auto& base : bases)
      engine.comparisonInstead[base->name] =
          holidays::InsertHolidayComparison(*data, *base, state, years->first, years->second)->name;
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return {};
}

// Leaves what a run built standing when the process ends with the job: taking a large plan's
// models apart costs a twentieth of the run, and the system takes their memory back at once.
// Whatever is left stays reachable, so a leak check at exit does not count it.
class LeaveAtEnd {
 public:
  LeaveAtEnd(bool leave, std::shared_ptr<void> object)
      : object_(leave ? std::move(object) : nullptr) {}
  ~LeaveAtEnd() {
    if (!object_) return;
    static auto* const left = new std::vector<std::shared_ptr<void>>;
    left->push_back(std::move(object_));
  }
  LeaveAtEnd(const LeaveAtEnd&) = delete;
  LeaveAtEnd& operator=(const LeaveAtEnd&) = delete;

 private:
  std::shared_ptr<void> object_;
};

// Lets the options override the settings the engine read.
void Override(chart::clsKorvalinx& engine, const ChartJobOptions& options) {
  if (options.plan) engine.lngPlanType = *options.plan;
  if (options.wholeProject) engine.lngPlanDuration = settings::kPeriodProject;
  if (options.year) {
    engine.lngPlanDuration = settings::kPeriodYear;
    engine.lngPlanDurationYear = *options.year;
  }
  if (options.from && options.to) {
    engine.lngPlanDuration = settings::kPeriodRange;
    engine.varPlanDurationStart = FormatDate(*options.from);
    engine.varPlanDurationFinish = FormatDate(*options.to);
  }
  if (options.calendar) {
    engine.lngCalendarType = settings::kCalendarSpecial;
    engine.strCalendar = *options.calendar;
  }
  if (options.filter) {
    engine.lngResourceType = settings::kResourcesFiltered;
    engine.strResourceFilter = *options.filter;
  }
  if (options.group) engine.blnGroupResources = *options.group;
  if (options.keepEmpty) engine.blnUseNullValues = *options.keepEmpty;
  if (options.colour) {
    engine.lngColorType = settings::kColorsOne;
    engine.lngColor = *options.colour;
  }
  if (options.colours) engine.lngColorType = settings::kColorsPerResource;
}

// True when the run takes the value of `setting` stored in the project: no option gives it, and
// the settings chosen make use of it.
bool Taken(settings::StoredSetting setting, const ChartJobOptions& o,
           const chart::clsKorvalinx& engine) {
  // A look instead of a chart uses the period, the calendar and the resources only.
  if (o.instead && (setting == settings::kGroupResources || setting == settings::kUseNullValues ||
                    setting == settings::kColorType || setting == settings::kColor))
    return false;
  switch (setting) {
    case settings::kGroupResources:
      return !o.group;
    case settings::kUseNullValues:
      return !o.keepEmpty;
    case settings::kPlanType:
      return !o.plan;
    case settings::kPlanDuration:
      return !o.wholeProject && !o.year && !o.from;
    case settings::kPlanDurationYear:
      return !o.year && engine.lngPlanDuration == settings::kPeriodYear;
    case settings::kPlanDurationStart:
    case settings::kPlanDurationFinish:
      return !o.from && engine.lngPlanDuration == settings::kPeriodRange;
    case settings::kColorType:
      return !o.colour && !o.colours;
    case settings::kColor:
      return !o.colour && engine.lngColorType == settings::kColorsOne;
    case settings::kResourceType:
      return !o.filter;
    case settings::kCalendarType:
      return !o.calendar && !o.holidays;
    case settings::kResourceFilter:
    case settings::kCalendar:
      break;
  }
  return false;
}

// The option that gives a stored setting instead.
const char* OptionFor(settings::StoredSetting setting) {
  switch (setting) {
    case settings::kGroupResources:
      return "--group oder --no-group";
    case settings::kUseNullValues:
      return "--keep-empty oder --drop-empty";
    case settings::kPlanType:
      return "--plan";
    case settings::kPlanDuration:
      return "--period, --year oder --from/--to";
    case settings::kPlanDurationYear:
      return "--year";
    case settings::kPlanDurationStart:
    case settings::kPlanDurationFinish:
      return "--from/--to";
    case settings::kColorType:
      return "--colour oder --colours";
    case settings::kColor:
      return "--colour";
    case settings::kResourceType:
      return "--filter";
    case settings::kCalendarType:
      return "--calendar";
    case settings::kResourceFilter:
    case settings::kCalendar:
      break;
  }
  return "";
}

// The stored values that the run would take although they are wrong, as one error text naming
// the companion file and each property; empty when there are none.
std::string CheckStoredSettings(const std::vector<settings::StoredProblem>& problems,
                                const ChartJobOptions& options, const chart::clsKorvalinx& engine) {
  std::string lines;
  std::size_t count = 0;
  for (const auto& problem : problems) {
    if (!Taken(problem.setting, options, engine)) continue;
    ++count;
    lines += std::string("\r\n- ") + settings::kStoredNames[problem.setting].property + " (" +
             OptionFor(problem.setting) + "): " + problem.text;
  }
  if (count == 0) return {};
  return "Die Begleitdatei \"" + platform::CompanionPath(options.source) + "\" speichert " +
         (count == 1 ? "eine ungültige Einstellung:" : "ungültige Einstellungen:") + lines +
         "\r\nEine Option übergeht die gespeicherte Einstellung, mit --save-settings wird sie "
         "ersetzt.";
}

// The warnings about texts the run changed on their way into the chart, naming the source.
void WarnChangedTexts(MessageBoxes& boxes, const chart::clsKorvalinx& engine,
                      const std::string& source) {
  if (const long n = engine.LastRunUnnamed(); n > 0) {
    Warning(boxes, source + ": " + std::to_string(n) +
                       (n == 1 ? " Ressource hat" : " Ressourcen haben") +
                       " keinen Namen; das Diagramm zeigt sie als \"" + resources::kNoName + "\".");
  }
  const long names = engine.LastRunCutNames();
  const bool title = engine.LastRunCutTitle();
  if (names > 0 || title) {
    std::string what = title ? "Der Titel" : "";
    if (names > 0) {
      if (title) what += " und ";
      what += std::to_string(names) + (names == 1 ? " Name" : " Namen");
    }
    const bool one = names + (title ? 1 : 0) == 1;
    Warning(boxes, source + ": " + what + (one ? " ist" : " sind") + " länger als die " +
                       std::to_string(kLongestName) + " Zeichen, die ein Diagramm aufnimmt, und " +
                       (one ? "wurde" : "wurden") + " gekürzt.");
  }
}

// Whether a resource of the run has a marked day in the period: a vacation day of a vacation
// plan, a working day of a resource schedule.
bool AnyMarkedDay(const chart::clsKorvalinx& engine) {
  if (!engine.objResources) return false;
  for (const auto& resource : engine.objResources->colResources) {
    if (!resource) continue;
    for (const auto& h : resource->colHolidays)
      if (h && h->blnIsHoliday) return true;
    for (const auto& w : resource->colWorkdays)
      if (w && w->blnIsWorkday) return true;
  }
  return false;
}

// What can be judged without the project; an error text, or empty.
std::string CheckOptions(const ChartJobOptions& o) {
  if (o.plan && *o.plan != settings::kPlanSchedule && *o.plan != settings::kPlanVacation)
    return "Unbekannte Diagrammart " + std::to_string(*o.plan) + ".";
  if (o.year && (*o.year < settings::kFirstYear || *o.year > settings::kLastYear))
    return "Das Jahr " + std::to_string(*o.year) + " liegt nicht zwischen 1984 und 2049.";
  if (o.colour && (*o.colour < 1 || *o.colour > settings::kColorCount))
    return "Die Farbposition " + std::to_string(*o.colour) + " liegt nicht zwischen 1 und 17.";
  if (o.colour && o.colours)
    return "Eine Farbe für alle Balken und eine Farbe je Ressource "
           "schließen einander aus.";
  if (o.from.has_value() != o.to.has_value()) return "Ein Zeitraum braucht Anfang und Ende.";
  if (o.calendar && o.holidays)
    return "Ein Vergleichskalender und die Feiertage eines Landes schließen einander aus.";
  const int periods = int(o.wholeProject) + int(o.year.has_value()) + int(o.from.has_value());
  if (periods > 1)
    return "Es kann nur ein Zeitraum gewählt werden: das ganze Projekt, ein Jahr oder ein "
           "Bereich von bis.";
  if (o.from) {
    if (const auto problem = chart::CheckDateRange(*o.from, *o.to)) return problem->text;
  }
  if (!o.output && o.outputs.empty() && !o.instead)
    return "Es ist keine Ausgabe angegeben: eine Diagrammdatei oder eine weitere Ausgabe.";
  return {};
}

// The checks of the names that the chart needs in the project; an error text, or empty.
std::string CheckNames(chart::clsKorvalinx& engine, std::string& filter) {
  host::Project& source = *engine.objProject;
  if (engine.lngPlanType == settings::kPlanVacation &&
      engine.lngCalendarType != settings::kCalendarOwn) {
    std::vector<std::string> calendars;
    host::Resume r;
    r([&] {
      for (const auto& c : source.GetBaseCalendars()) calendars.push_back(c->GetCalendarName());
    });
    if (!Contains(calendars, engine.strCalendar))
      return "Das Projekt hat keinen Basiskalender \"" + engine.strCalendar + "\".";
  }
  filter = engine.lngResourceType == settings::kResourcesFiltered ? engine.strResourceFilter
                                                                  : kAllResourcesFilter;
  host::Resume r;
  const auto filters =
      r.Get([&] { return source.GetResourceFilters(); }, std::vector<std::string>());
  if (!Contains(filters, filter))
    return "Das Projekt hat keinen Ressourcenfilter \"" + filter + "\".";
  if (engine.lngPlanDuration == settings::kPeriodRange) {
    const auto s = ToDate(engine.varPlanDurationStart), e = ToDate(engine.varPlanDurationFinish);
    if (!s || !e) return "Der im Projekt gespeicherte Zeitraum ist ungültig.";
    if (const auto problem = chart::CheckDateRange(*s, *e)) return problem->text;
  }
  return {};
}

std::string Lowered(std::string what) {
  if (!what.empty() && what[0] >= 'A' && what[0] <= 'Z') what[0] = static_cast<char>(what[0] - 'A' + 'a');
  return what;
}

// Refuses an output that would replace the source, a file of it (its companion, its journal, a
// project inserted into it), a file kept beside any project, or another output of this run;
// compared as resolved paths. An error text naming both files, or empty.
std::string CheckOutputFiles(platform::PlanningHost& host, const ChartJobOptions& options,
                             const std::string& chartPath) {
  std::vector<OutputFile> outputs;
  std::size_t savedFiles = 0;
  if (options.output) {
    const auto files = host.GetFilesOfSave(chartPath);
    for (std::size_t i = 0; i < files.size(); ++i)
      outputs.push_back({i == 0 ? "Die Diagrammdatei" : "Die Datei", files[i]});
    savedFiles = files.size();
  }
  outputs.insert(outputs.end(), options.outputFiles.begin(), options.outputFiles.end());
  // A name longer than the folder's file system takes would fail only when it is written, after
  // the run; the chart's companion is fifteen bytes longer than the chart's name.
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const fs::path path(outputs[i].path);
    const std::size_t length = path.filename().string().size();
    const long most =
        ::pathconf(path.has_parent_path() ? path.parent_path().c_str() : ".", _PC_NAME_MAX);
    const std::size_t limit = most > 0 ? static_cast<std::size_t>(most) : 255;
    if (length <= limit) continue;
    const bool companion = options.output && i == 1;  // as GetFilesOfSave lists them
    return (companion ? "Die Begleitdatei " + Quoted(outputs[i].path) + " des Diagramms"
                      : outputs[i].what + " " + Quoted(outputs[i].path)) +
           " hätte einen Namen von " + std::to_string(length) +
           " Bytes; ein Dateiname darf dort höchstens " + std::to_string(limit) +
           " Bytes lang sein" +
           (companion ? ". Wählen Sie für das Diagramm einen kürzeren Namen." : ".");
  }
  std::vector<std::string> guarded;
  try {
    guarded = host.GetGuardedFiles();
  } catch (const host::HostError&) {
    guarded = {options.source};
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const OutputFile& out = outputs[i];
    const std::string named = out.what + " " + Quoted(out.path);
    for (const std::string& g : guarded) {
      if (!SamePath(out.path, g)) continue;
      std::string what = "eine Datei des Quellprojekts";
      if (SamePath(g, options.source))
        what = "die Quelldatei";
      else if (const auto kept = platform::KeptFileOf(g))
        what = kept->what + " von " + Quoted(kept->project);
      else
        what = "das eingefügte Projekt";
      return named + " würde " + what + " " + Quoted(g) + " überschreiben.";
    }
    // The chart's own companion and journal are its save's to write; the chart may replace
    // an earlier chart, the other outputs no file of a project. Judged where links lead.
    if (i == 0 && savedFiles > 0) {
      if (const auto kept = platform::KeptFileAt(out.path))
        return named + " würde " + kept->what + " des Projekts " + Quoted(kept->project) +
               " überschreiben.";
    } else if (i >= savedFiles) {
      if (const auto hit = platform::ProjectFileAt(out.path))
        return named + " würde " + *hit + " überschreiben.";
    }
    for (std::size_t j = 0; j < i; ++j)
      if (SamePath(out.path, outputs[j].path))
        return named + " ist dieselbe Datei wie " + Lowered(outputs[j].what) + " " +
               Quoted(outputs[j].path) + ".";
  }
  return {};
}

int Run(const ChartJobOptions& options, const ChartJobServices& services) {
  MessageBoxes& boxes = services.boxes;
  if (const std::string problem = CheckOptions(options); !problem.empty())
    return BadInput(boxes, problem);
  if (options.output) {
    if (const auto problem = chart::CheckChartPath(nullptr, *options.output))
      return PathRefused(boxes, *problem);
  }

  std::error_code ec;
  if (!fs::exists(options.source, ec))
    return BadInput(
        boxes, "Die Quelldatei \"" + options.source + "\" " + NotFoundText(options.source) + ".");
  if (fs::is_directory(options.source, ec))
    return BadInput(boxes, "Die Quelldatei \"" + options.source + "\" ist ein Ordner.");

  auto format = std::make_shared<platform::ProjectXmlFormat>();
  const auto hostObject = std::make_shared<platform::PlanningHost>(format);
  const LeaveAtEnd leaveHost(services.processEnds, hostObject);
  platform::PlanningHost& host = *hostObject;
  Mark(services, "lesen");
  host::Resume open;
  const bool opened = open([&] { host.OpenProject(options.source); });
  Mark(services, "vorbereiten");
  if (!opened)
    return BadInput(boxes, "Die Quelldatei kann nicht gelesen werden:\r\n" +
                               open.Failures().back().description);
  for (const auto& warning : format->LastWarnings()) Warning(boxes, warning);
  const bool passedOver = !format->LastWarnings().empty();

  bool duplicatesStop = false;
  FileNamingBoxes launchBoxes(boxes, options.source);
  const bool go = addin::PassLaunchChecks(host, kProductTitle, launchBoxes, [&] {
    if (options.yes) return true;
    duplicatesStop = true;
    return false;
  });
  if (!go) {
    if (duplicatesStop) {
      Error(boxes, "Das Projekt enthält doppelte Ressourcennamen: " +
                       Joined(addin::DuplicateResourceNames(host), 5) +
                       ".\r\nMit --yes wird das Diagramm trotzdem erstellt.");
    }
    return kExitBadInput;
  }

  forms::frmKorvalinx form;
  NoWaitClock noWait;
  FatalBoxes engineBoxes(boxes);
  const auto engineObject = std::make_shared<chart::clsKorvalinx>(
      chart::EngineContext{&host, &form, &engineBoxes, services.clock ? services.clock : &noWait,
                           &services.registry, nullptr, [&services](chart::RunStage stage) {
                             static constexpr const char* kNames[] = {"tage", "zeilen",
                                                                      "speichern"};
                             Mark(services, kNames[static_cast<int>(stage)]);
                           }});
  const LeaveAtEnd leaveEngine(services.processEnds, engineObject);
  chart::clsKorvalinx& engine = *engineObject;
  std::vector<settings::StoredProblem> stored;
  engine.GetSettings(&stored);
  if (options.settings) {
    // Given settings replace the stored ones, which are then not taken.
    static_cast<settings::ChartSettings&>(engine) = *options.settings;
    stored.clear();
  }
  Override(engine, options);
  if (const std::string problem = CheckStoredSettings(stored, options, engine); !problem.empty())
    return BadInput(boxes, problem);
  // As the wizard has it: rows without values are dropped from groups only.
  if (options.keepEmpty == false && !engine.blnGroupResources && !options.instead)
    Warning(boxes,
            "--drop-empty wirkt nur zusammen mit --group: ohne Gruppen zeigt das Diagramm "
            "jede Ressource, auch eine ohne Werte.");

  std::optional<ScratchFolder> scratch;  // only for a chart that no file asked for
  if (options.output) {
    engine.strChartPath = fs::absolute(*options.output).lexically_normal().string();
  } else {
    scratch.emplace();
    if (scratch->Path().empty())
      return BadInput(boxes, "Es kann kein temporärer Ordner angelegt werden.");
    engine.strChartPath = (fs::path(scratch->Path()) / "diagramm.xml").string();
  }
  if (const auto problem = chart::CheckChartPath(&host, engine.strChartPath))
    return PathRefused(boxes, *problem);
  if (const std::string problem = CheckOutputFiles(host, options, engine.strChartPath);
      !problem.empty())
    return BadInput(boxes, problem);

  if (const std::string problem = CheckProjectDates(engine, options.source); !problem.empty())
    return BadInput(boxes, problem);
  if (const std::string problem = CheckPeriodYears(engine); !problem.empty())
    return BadInput(boxes, problem);
  // The settings as they were before the holidays' calendar took the comparison's place: only
  // these are stored.
  const std::int32_t storedCalendarType = engine.lngCalendarType;
  const std::string storedCalendar = engine.strCalendar;
  if (options.holidays) {
    if (const std::string problem = UseHolidays(engine, *options.holidays); !problem.empty())
      return BadInput(boxes, problem);
  }

  std::string filter;
  if (const std::string problem = CheckNames(engine, filter); !problem.empty())
    return BadInput(boxes, problem);

  engine.GetResourceData();
  engine.SetFilter(filter);
  engine.objResources->lngResourcesCount =
      static_cast<std::int32_t>(engine.objResources->colResources.Count());
  if (const auto problem = chart::CheckResourceCount(engine.objResources->lngResourcesCount))
    return BadInput(boxes, options.source + ": " + Trim(problem->text));
  if (options.instead) {
    const int code = options.instead(engine, boxes);
    return code == kExitOk && passedOver ? kExitIncomplete : code;
  }

  int exitCode = kExitOk;
  const auto saveSettings = [&] {
    if (!options.saveSettings) return;
    const std::int32_t usedCalendarType = engine.lngCalendarType;
    const std::string usedCalendar = engine.strCalendar;
    engine.lngCalendarType = storedCalendarType;
    engine.strCalendar = storedCalendar;
    engine.SaveSettings();
    engine.lngCalendarType = usedCalendarType;
    engine.strCalendar = usedCalendar;
    host::Resume r;
    if (!r([&] {
          platform::SaveCompanionOnly(*platform::PlanningHost::DataOf(engine.objProject),
                                      options.source);
        })) {
      Error(boxes, "Die Einstellungen konnten nicht gespeichert werden:\r\n" +
                       r.Failures().back().description);
      exitCode = kExitWriteFailed;
    }
  };
  // What the run made, for the checks and the extra outputs.
  const auto finished = [&] {
    host::Resume r;
    const auto chartData =
        r.Get([&] { return platform::PlanningHost::DataOf(host.GetActiveProject()); },
              std::shared_ptr<platform::ProjectData>());
    const std::string sourceName =
        r.Get([&] { return engine.objProject->GetProjectName(); }, std::string());
    return FinishedChart{engine, chartData, sourceName,
                         options.output ? engine.strChartPath : std::string()};
  };

  int subscription = -1;
  if (services.progress) {
    subscription = form.Subscribe([&](const forms::Control* c, forms::Property p) {
      if (c != &form.lblProgress || p != forms::Property::Repaint) return;
      services.progress(ToNumber(form.barProgress.Value()).value_or(0), form.lblProgress.Caption());
    });
  }
  // The chart is made, looked at by the outputs' checks, and only then is anything written.
  std::string refused;
  if (engine.MakeChart()) {
    WarnChangedTexts(boxes, engine, options.source);
    if (const auto& period = engine.LastRunPeriod(); period && !AnyMarkedDay(engine)) {
      const bool vacation = engine.lngPlanType == settings::kPlanVacation;
      Warning(boxes, options.source + ": vom " + FormatDate(period->first) + " bis " +
                         FormatDate(period->last) + " hat keine Ressource einen " +
                         (vacation ? "Urlaubstag" : "Arbeitstag im Projekt") +
                         "; das Diagramm zeigt keine Balken.");
    }
    if (!options.checks.empty()) {
      const FinishedChart made = finished();
      for (const auto& check : options.checks) {
        host::Resume r;
        refused = r.Get([&] { return check(made); }, std::string());
        if (!refused.empty()) break;
      }
    }
    if (refused.empty()) {
      saveSettings();
      engine.SaveChart();
    }
  }
  if (subscription >= 0) form.Unsubscribe(subscription);
  if (!refused.empty()) return BadInput(boxes, refused);
  Mark(services, "ausgaben");

  switch (engine.LastRunOutcome()) {
    case chart::RunOutcome::Saved:
      break;
    case chart::RunOutcome::TargetOpen:
      return kExitBadInput;
    default:
      return kExitWriteFailed;
  }
  const bool vacation = engine.lngPlanType == settings::kPlanVacation;
  if (options.output && services.done)
    services.done(std::string(vacation ? "Urlaubsplan" : "Ressourcenzeitplan") +
                  " gespeichert: " + engine.strChartPath);
  if (!engine.LastRunSkipped().empty()) {
    Warning(boxes, chart::SkippedRunText(engine.LastRunSkipped()));
    if (exitCode == kExitOk) exitCode = kExitIncomplete;
  }
  // What reading passed over (an inserted project not found, a companion skipped, exceptions cut
  // off) is missing from the chart too: the warnings above said what.
  if (passedOver && exitCode == kExitOk) exitCode = kExitIncomplete;

  if (!options.outputs.empty()) {
    host::Resume r;
    const FinishedChart made = finished();
    for (const auto& output : options.outputs) {
      bool written = false;
      if (!r([&] { written = output(made, boxes); })) {
        Error(boxes, "Eine Ausgabe konnte nicht geschrieben werden:\r\n" +
                         r.Failures().back().description);
      }
      if (!written) exitCode = kExitWriteFailed;
    }
  }
  return exitCode;
}

}  // namespace

int RunChartJob(const ChartJobOptions& options, const ChartJobServices& services) {
  try {
    const int code = Run(options, services);
    Mark(services, "ende");
    return code;
  } catch (const std::bad_alloc&) {
    Error(services.boxes, "Der Arbeitsspeicher reicht für dieses Diagramm nicht aus.");
  } catch (const std::exception& e) {
    Error(services.boxes, std::string("Unerwarteter Fehler: ") + e.what());
  }
  return kExitWriteFailed;
}

}  // namespace kx::job
