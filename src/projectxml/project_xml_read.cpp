// Reading Project XML files into the planning host's model.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

#include <pugixml.hpp>

#include "host/error.hpp"
#include "projectxml/calendar_recurrence.hpp"
#include "projectxml/file_text.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "projectxml/xml_source.hpp"
#include "projectxml/xml_values.hpp"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;
using pugi::xml_node;

// Unassigned work of a task (placeholder assignments) carries this resource UID.
constexpr std::int32_t kNoResource = -65535;
// Exceptions kept per file at most; recurring patterns beyond it are cut off with a warning.
constexpr std::size_t kMaxExceptions = 500'000;
// Repeating exceptions are kept as their single days within these years.
const DayWindow kRecurrenceWindow{DateSerial(1900, 1, 1), DateSerial(2099, 12, 31)};
// Days of alternative work weeks turned into exceptions, per work week at most.
constexpr long long kMaxWorkWeekDays = 366LL * 50;

// An element's name without its prefix, compared with names of the format.
struct Tag {
  const char* name;
  bool operator==(const char* other) const {
    const char* a = name;
    while (*a != '\0' && *a == *other) {
      ++a;
      ++other;
    }
    return *a == *other;
  }
  operator std::string() const { return name; }
};

std::string_view Text(xml_node n) {
  return n.child_value();
}

std::string Quoted(std::string_view s) {
  constexpr std::size_t kMax = 60;
  std::string q = "\"";
  q.append(s.substr(0, kMax));
  if (s.size() > kMax) q += "...";
  return q + "\"";
}

// The file name of a path that may use Windows separators.
std::string FileNamePart(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The day of the date read last ("yyyy-mm-dd") and its day number.
struct DayCache {
  char day[10] = {};
  double serial = 0.0;
};

// Assignments from this many on are read by two threads.
constexpr std::size_t kParallelAssignments = 512;

struct CalendarEntry {
  std::shared_ptr<CalendarData> calendar;
  xml_node node;
  xml_node baseNode;  // the BaseCalendarUID element
  std::int32_t baseUid = -1;
};

struct TaskEntry {
  TaskData* task = nullptr;  // null: an empty row
  bool hasZeroWork = false;
  std::vector<pxml::WorkStretch> unassigned;  // work of placeholder assignments
  std::vector<AssignmentData*> assignments;
};

// Loads one file and, through the same loader, the files inserted into it.
class Loader {
 public:
  Loader(const ReadOptions& options, std::vector<std::string>& warnings)
      : options_(options), warnings_(warnings) {}

  std::shared_ptr<ProjectData> LoadPath(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
      throw host::HostError(host::kErrFile, path + ": Datei kann nicht gelesen werden");
    pxml::NoteInterruptedSave(path, warnings_);
    return Load(nullptr, {}, path);
  }

  // Reads `*bytes` in place, `original` being their unparsed text and `path` standing for the
  // file in messages; or, with null `bytes`, the file `path`.
  std::shared_ptr<ProjectData> Load(std::string* bytes, std::string_view original,
                                    const std::string& path);

  std::vector<std::string> loading_;  // canonical paths of the files being read, outermost first

 private:
  const ReadOptions& options_;
  std::vector<std::string>& warnings_;
};

// Walks the elements of one file's parse into the model.
class FileReader {
 public:
  FileReader(Loader& loader, const ReadOptions& options, std::vector<std::string>& warnings,
             const std::string& path, const XmlSource& source)
      : loader_(loader), options_(options), warnings_(warnings), path_(path), source_(source) {}

  std::shared_ptr<ProjectData> Read();

 private:
  [[noreturn]] void Fail(xml_node at, const std::string& what) const {
    throw host::HostError(host::kErrFile, source_.Where(at) + what);
  }
  void Warn(xml_node at, const std::string& what) { warnings_.push_back(source_.Where(at) + what); }

  // An element's name without the prefix of the file's namespace.
  Tag LocalName(const char* name) const {
    if (prefixedNames_) {
      const char* colon = std::strrchr(name, ':');
      if (colon) return {colon + 1};
    }
    return {name};
  }

  // Typed values of an element's text; each fails with the element's line.
  Date DateOf(xml_node n) { return DateOf(n, cache_); }
  Date DateOf(xml_node n, DayCache& cache) const {
    const char* t = n.child_value();
    // Dates are mostly spelled "yyyy-mm-ddThh:mm:ss", and many share their day with the date
    // read before. Each character is looked at only once those before it are known not to end
    // the text.
    int century = 0, year = 0, mo = 0, d = 0, hh = 0, mm = 0, ss = 0;
    if (TwoDigits(t, century) && TwoDigits(t + 2, year) && t[4] == '-' && TwoDigits(t + 5, mo) &&
        t[7] == '-' && TwoDigits(t + 8, d) && t[10] == 'T' && TwoDigits(t + 11, hh) &&
        t[13] == ':' && TwoDigits(t + 14, mm) && t[16] == ':' && TwoDigits(t + 17, ss) &&
        t[19] == '\0' && hh < 24 && mm < 60 && ss < 60) {
      if (std::memcmp(t, cache.day, 10) != 0) {
        year += century * 100;
        if (!IsValidCivil(year, mo, d)) Fail(n, "Datum " + Quoted(t) + " ist ungültig");
        std::memcpy(cache.day, t, 10);
        cache.serial = DateSerial(year, mo, d).serial;
      }
      return Date(cache.serial + (hh * 3600 + mm * 60 + ss) / 86400.0);
    }
    const auto date = ParseXmlDateTime(t);
    if (!date) Fail(n, "Datum " + Quoted(t) + " ist ungültig");
    return *date;
  }
  static bool TwoDigits(const char* p, int& out) {
    if (p[0] < '0' || p[0] > '9') return false;
    if (p[1] < '0' || p[1] > '9') return false;
    out = (p[0] - '0') * 10 + (p[1] - '0');
    return true;
  }
  double DurationOf(xml_node n) const {
    // Durations are mostly spelled "PT#H#M#S" with whole numbers.
    const char* t = n.child_value();
    if (t[0] == 'P' && t[1] == 'T') {
      std::uint64_t part[3] = {0, 0, 0};
      static constexpr char kUnits[] = {'H', 'M', 'S'};
      const char* p = t + 2;
      bool ok = true;
      for (int k = 0; k < 3 && ok; ++k) {
        const char* first = p;
        while (*p >= '0' && *p <= '9' && p - first < 9)
          part[k] = part[k] * 10 + static_cast<unsigned>(*p++ - '0');
        ok = p != first && *p == kUnits[k];
        ++p;
      }
      // The same sum, in the same order, as ParseXmlDuration makes it.
      if (ok && *p == '\0')
        return static_cast<double>(part[0]) * 60.0 + static_cast<double>(part[1]) * 1.0 +
               static_cast<double>(part[2]) * (1.0 / 60.0);
    }
    const auto d = ParseXmlDuration(Text(n));
    if (!d) Fail(n, "Dauer " + Quoted(Text(n)) + " ist ungültig");
    return *d;
  }
  std::int32_t IntOf(xml_node n) const {
    const auto v = ParseXmlInteger(Text(n));
    if (!v || *v < INT32_MIN || *v > INT32_MAX)
      Fail(n, "Zahl " + Quoted(Text(n)) + " in <" + std::string(LocalName(n.name())) +
                  "> ist ungültig");
    return static_cast<std::int32_t>(*v);
  }
  double NumberOf(xml_node n) const {
    const auto v = ParseXmlNumber(Text(n));
    if (!v)
      Fail(n, "Zahl " + Quoted(Text(n)) + " in <" + std::string(LocalName(n.name())) +
                  "> ist ungültig");
    return *v;
  }
  bool BoolOf(xml_node n) const {
    const auto v = ParseXmlBool(Text(n));
    if (!v)
      Fail(n, "Wahrheitswert " + Quoted(Text(n)) + " in <" + std::string(LocalName(n.name())) +
                  "> ist ungültig");
    return *v;
  }
  double TimeOf(xml_node n) const {
    const auto v = ParseXmlTime(Text(n));
    if (!v) Fail(n, "Uhrzeit " + Quoted(Text(n)) + " ist ungültig");
    return *v;
  }

  void CheckRoot(xml_node root);
  void ReadHeader(xml_node root);
  void ReadCalendars(xml_node calendars);
  void ReadCalendar(xml_node node, CalendarEntry& entry);
  WorkingTimes ReadWorkingTimes(xml_node workingTimes);
  WorkingTimes DayTimes(xml_node workingTimes, bool working);
  std::pair<Date, Date> ReadPeriod(xml_node timePeriod, xml_node owner);
  void ReadException(xml_node node, CalendarData& calendar);
  void ReadWorkWeeks(xml_node workWeeks, CalendarData& calendar);
  void TidyExceptions(CalendarData& calendar);
  void ResolveBaseCalendars();
  std::shared_ptr<CalendarData> CalendarByUid(xml_node uidNode, std::int32_t uid,
                                              const std::string& owner);
  void ReadResources(xml_node resources);
  void ReadTasks(xml_node tasks);
  // What one assignment gives, kept apart until all are read.
  struct AssignmentResult {
    std::shared_ptr<AssignmentData> assignment;
    TaskEntry* task = nullptr;
    ResourceData* resource = nullptr;  // null: the work is no one's
    bool zeroWork = false;
    std::vector<pxml::WorkStretch> unassigned;
  };
  // The assignments, and those of the fragments after them.
  void ReadAssignments(xml_node assignments);
  // Reads one assignment without changing anything, so that two threads may. The result points
  // at its task's entry of `tasks` (the reader's own), which is changed only once all are read.
  AssignmentResult ReadAssignment(xml_node node, DayCache& cache,
                                  std::unordered_map<std::int32_t, TaskEntry>& tasks) const;
  void ReadTimephased(xml_node node, DayCache& cache, AssignmentResult& out) const;
  void DeriveGaps();
  void ReadSubprojects();
  void ReadCompanion();
  template <class T>
  void PlaceRows(
      std::vector<std::pair<std::int64_t, std::pair<xml_node, std::shared_ptr<T>>>>& rows,
      std::vector<std::shared_ptr<T>>& out, const char* what);

  Loader& loader_;
  const ReadOptions& options_;
  std::vector<std::string>& warnings_;
  const std::string& path_;
  const XmlSource& source_;
  bool prefixedNames_ = false;  // the file writes its element names with a prefix ("p:Task")
  DayCache cache_;              // of the dates outside the assignments, which keep their own
  std::shared_ptr<ProjectData> project_;
  std::unordered_map<std::int32_t, CalendarEntry> calendars_;
  std::unordered_map<std::int32_t, ResourceData*> resources_;  // null: an empty row
  std::unordered_map<std::int32_t, TaskEntry> tasks_;
  std::vector<std::pair<xml_node, TaskData*>> subprojectTasks_;
  xml_node projectCalendarNode_;
  std::optional<std::int32_t> projectCalendarUid_;
  std::size_t exceptionCount_ = 0;
};

void FileReader::CheckRoot(xml_node root) {
  const std::string_view name = root.name();
  const auto colon = name.rfind(':');
  const std::string prefix =
      colon == std::string_view::npos ? "" : std::string(name.substr(0, colon));
  const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
  const pugi::xml_attribute ns =
      root.attribute(prefix.empty() ? "xmlns" : ("xmlns:" + prefix).c_str());
  if (local == "Project" && std::string_view(ns.value()) == kProjectXmlNamespace) {
    prefixedNames_ = !prefix.empty();
    return;
  }
  if (local == "Project")
    Fail(root, "keine Project-XML-Datei: das Wurzelelement <Project> gehört nicht zum Namensraum " +
                   std::string(kProjectXmlNamespace));
  Fail(root, "keine Project-XML-Datei: das Wurzelelement ist <" + std::string(name) +
                 ">, erwartet wird <Project> im Namensraum " + kProjectXmlNamespace);
}

std::shared_ptr<ProjectData> FileReader::Read() {
  const xml_node root = source_.Root();
  CheckRoot(root);

  project_ = std::make_shared<ProjectData>();
  project_->name = FileNamePart(path_);
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(path_), ec);
  project_->fullName = ec ? path_ : absolute.lexically_normal().string();

  ReadHeader(root);
  xml_node calendars, tasks, resources, assignments;
  for (xml_node c = root.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "Calendars")
      calendars = c;
    else if (n == "Tasks")
      tasks = c;
    else if (n == "Resources")
      resources = c;
    else if (n == "Assignments")
      assignments = c;
  }
  ReadCalendars(calendars);
  if (projectCalendarUid_)  // without one the project keeps the host's "Standard"
    project_->calendarName =
        CalendarByUid(projectCalendarNode_, *projectCalendarUid_, "das Projekt")->name;
  ReadResources(resources);
  ReadTasks(tasks);
  ReadAssignments(assignments);
  DeriveGaps();
  if (options_.readCompanion) ReadCompanion();
  if (options_.loadSubprojects) ReadSubprojects();
  return std::move(project_);
}

void FileReader::ReadHeader(xml_node root) {
  for (xml_node c = root.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "Title") {
      project_->title = Text(c);
    } else if (n == "StartDate") {
      project_->start = DateOf(c);
    } else if (n == "FinishDate") {
      project_->finish = DateOf(c);
    } else if (n == "CalendarUID") {
      projectCalendarUid_ = IntOf(c);
      projectCalendarNode_ = c;
    } else if (n == "DefaultStartTime") {
      project_->dayStartTime = TimeOf(c);
    } else if (n == "DefaultFinishTime") {
      const double t = TimeOf(c);
      project_->dayFinishTime = t == 0.0 ? 1.0 : t;
    } else if (n == "MinutesPerDay") {
      project_->minutesPerDay = NumberOf(c);
    } else if (n == "MinutesPerWeek") {
      project_->minutesPerWeek = NumberOf(c);
    } else if (n == "DaysPerMonth") {
      project_->daysPerMonth = IntOf(c);
    } else if (n == "ExtendedAttributes") {
      for (xml_node a = c.first_child(); a; a = a.next_sibling()) {
        std::optional<std::int32_t> id;
        std::string alias;
        for (xml_node f = a.first_child(); f; f = f.next_sibling()) {
          const Tag fn = LocalName(f.name());
          if (fn == "FieldID")
            id = IntOf(f);
          else if (fn == "Alias")
            alias = Text(f);
        }
        if (id && !alias.empty()) project_->definitions.customFieldTitles[*id] = alias;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Calendars

WorkingTimes FileReader::ReadWorkingTimes(xml_node workingTimes) {
  WorkingTimes times;
  for (xml_node wt = workingTimes.first_child(); wt; wt = wt.next_sibling()) {
    if (LocalName(wt.name()) != "WorkingTime") continue;
    std::optional<double> from, to;
    for (xml_node c = wt.first_child(); c; c = c.next_sibling()) {
      const Tag n = LocalName(c.name());
      if (n == "FromTime")
        from = TimeOf(c);
      else if (n == "ToTime")
        to = TimeOf(c);
    }
    if (!from || !to) continue;  // an empty interval element
    if (*to == 0.0) to = 1.0;    // "00:00:00" as the end is midnight at the end of the day
    if (*to <= *from) {
      Warn(wt, "Arbeitszeit " + FormatXmlTime(*from) + " bis " + FormatXmlTime(*to) +
                   " endet nicht nach ihrem Beginn und wird übergangen");
      continue;
    }
    times.push_back({*from, *to});
  }
  std::sort(times.begin(), times.end(),
            [](const WorkingTime& a, const WorkingTime& b) { return a.from < b.from; });
  WorkingTimes merged;
  for (const WorkingTime& t : times) {
    if (!merged.empty() && t.from <= merged.back().to)
      merged.back().to = std::max(merged.back().to, t.to);
    else
      merged.push_back(t);
  }
  return merged;
}

WorkingTimes FileReader::DayTimes(xml_node workingTimes, bool working) {
  if (!working) return {};
  WorkingTimes times = workingTimes ? ReadWorkingTimes(workingTimes) : WorkingTimes{};
  if (!workingTimes) times = pxml::HostDefaultTimes(1);  // a working day without its hours
  return times;
}

std::pair<Date, Date> FileReader::ReadPeriod(xml_node timePeriod, xml_node owner) {
  std::optional<Date> from, to;
  xml_node toNode;
  for (xml_node c = timePeriod.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "FromDate")
      from = DateOf(c);
    else if (n == "ToDate") {
      to = DateOf(c);
      toNode = c;
    }
  }
  if (!from) Fail(timePeriod ? timePeriod : owner, "Zeitraum ohne Anfangsdatum <FromDate>");
  if (!to) to = from;
  // A period that ends at midnight ends with the day before.
  Date last = DateOnly(*to);
  if (TimeOfDay(*to) == 0.0 && DateOnly(*from) < last) last = Date(last.serial - 1);
  if (last < DateOnly(*from)) Fail(toNode, "Zeitraum endet vor seinem Anfang");
  return {DateOnly(*from), last};
}

void FileReader::ReadException(xml_node node, CalendarData& calendar) {
  RecurringException p;
  xml_node period, workingTimes;
  for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "EnteredByOccurrences")
      p.enteredByOccurrences = BoolOf(c);
    else if (n == "TimePeriod")
      period = c;
    else if (n == "Occurrences")
      p.occurrences = IntOf(c);
    else if (n == "Name")
      p.name = Text(c);
    else if (n == "Type")
      p.type = IntOf(c);
    else if (n == "Period")
      p.period = IntOf(c);
    else if (n == "DaysOfWeek")
      p.daysOfWeek = IntOf(c);
    else if (n == "MonthItem")
      p.monthItem = IntOf(c);
    else if (n == "MonthPosition")
      p.monthPosition = IntOf(c);
    else if (n == "Month")
      p.month = IntOf(c);
    else if (n == "MonthDay")
      p.monthDay = IntOf(c);
    else if (n == "DayWorking")
      p.working = BoolOf(c);
    else if (n == "WorkingTimes")
      workingTimes = c;
  }
  const auto [from, to] = ReadPeriod(period, node);
  p.from = from;
  p.to = to;
  p.times = DayTimes(workingTimes, p.working);
  bool truncated = false;
  const std::size_t budget = kMaxExceptions - std::min(kMaxExceptions, exceptionCount_);
  auto occurrences = ExpandRecurrence(p, budget, &truncated, kRecurrenceWindow);
  if (truncated)
    Warn(node, "Kalender " + Quoted(calendar.name) + ": die Ausnahme " + Quoted(p.name) +
                   " hat zu viele Vorkommen; nur die ersten werden übernommen");
  else if (!((p.type == 1 || p.type == 7) && p.period <= 1) &&
           (p.from < kRecurrenceWindow.from || (p.to && kRecurrenceWindow.to < *p.to)))
    Warn(node, "Kalender " + Quoted(calendar.name) + ": von der Ausnahme " + Quoted(p.name) +
                   " werden nur die Vorkommen der Jahre 1900 bis 2099 übernommen");
  exceptionCount_ += occurrences.size();
  for (auto& e : occurrences) calendar.exceptions.push_back(std::move(e));
}

void FileReader::ReadWorkWeeks(xml_node workWeeks, CalendarData& calendar) {
  // Exceptions win over work weeks; days of a work week become exceptions of their own.
  std::sort(calendar.exceptions.begin(), calendar.exceptions.end(),
            [](const CalendarException& a, const CalendarException& b) { return a.from < b.from; });
  const std::vector<CalendarException> explicitOnes = calendar.exceptions;
  auto covered = [&](Date day) {
    auto it = std::upper_bound(explicitOnes.begin(), explicitOnes.end(), day,
                               [](Date d, const CalendarException& e) { return d < e.from; });
    if (it == explicitOnes.begin()) return false;
    --it;
    return !(it->to < day);
  };
  for (xml_node ww = workWeeks.first_child(); ww; ww = ww.next_sibling()) {
    if (LocalName(ww.name()) != "WorkWeek") continue;
    xml_node period, weekDays;
    std::string name;
    for (xml_node c = ww.first_child(); c; c = c.next_sibling()) {
      const Tag n = LocalName(c.name());
      if (n == "TimePeriod")
        period = c;
      else if (n == "Name")
        name = Text(c);
      else if (n == "WeekDays")
        weekDays = c;
    }
    std::array<std::optional<WorkingTimes>, 7> days;
    for (xml_node wd = weekDays.first_child(); wd; wd = wd.next_sibling()) {
      if (LocalName(wd.name()) != "WeekDay") continue;
      int type = -1;
      bool working = false;
      xml_node times;
      for (xml_node c = wd.first_child(); c; c = c.next_sibling()) {
        const Tag n = LocalName(c.name());
        if (n == "DayType")
          type = IntOf(c);
        else if (n == "DayWorking")
          working = BoolOf(c);
        else if (n == "WorkingTimes")
          times = c;
      }
      if (type >= 1 && type <= 7) days[type - 1] = DayTimes(times, working);
    }
    if (!period) continue;
    auto [from, to] = ReadPeriod(period, ww);
    if (to.serial - from.serial >= kMaxWorkWeekDays) {
      Warn(ww, "Kalender " + Quoted(calendar.name) + ": die Arbeitswoche " + Quoted(name) +
                   " ist zu lang; sie gilt nur für ihre ersten 50 Jahre");
      to = Date(from.serial + kMaxWorkWeekDays - 1);
    }
    for (Date d = from; !(to < d); d = Date(d.serial + 1)) {
      const int w = Weekday(d) - 1;
      if (!days[w] || covered(d)) continue;
      const WeekdayDefinition& own = calendar.weekdays[w];
      if (!own.inherited && own.times == *days[w]) continue;
      auto& list = calendar.exceptions;
      const bool working = !days[w]->empty();
      if (!list.empty() && list.back().name == name && list.back().to.serial + 1 == d.serial &&
          list.back().working == working && list.back().times == *days[w] &&
          list.size() > explicitOnes.size()) {
        list.back().to = d;
        continue;
      }
      if (exceptionCount_ >= kMaxExceptions) break;
      list.push_back({name, d, d, working, *days[w]});
      ++exceptionCount_;
    }
  }
}

void FileReader::TidyExceptions(CalendarData& calendar) {
  // Patterns may fall on the same day (the first of a month that is also its first Saturday):
  // the earlier exception keeps such days, a later one keeps the rest of its own.
  auto& list = calendar.exceptions;
  std::stable_sort(
      list.begin(), list.end(),
      [](const CalendarException& a, const CalendarException& b) { return a.from < b.from; });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (kept > 0 && !(list[kept - 1].to < list[i].from)) {
      if (!(list[kept - 1].to < list[i].to)) continue;  // wholly covered
      list[i].from = Date(list[kept - 1].to.serial + 1);
    }
    if (kept != i) list[kept] = std::move(list[i]);
    ++kept;
  }
  list.resize(kept);
}

void FileReader::ReadCalendar(xml_node node, CalendarEntry& entry) {
  auto cal = std::make_shared<CalendarData>();
  entry.calendar = cal;
  entry.node = node;
  std::optional<std::int32_t> uid;
  xml_node weekDays, exceptions, workWeeks;
  for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "UID")
      uid = IntOf(c);
    else if (n == "Name")
      cal->name = Text(c);
    else if (n == "IsBaseCalendar")
      cal->isBase = BoolOf(c);
    else if (n == "BaseCalendarUID") {
      entry.baseUid = IntOf(c);
      entry.baseNode = c;
    } else if (n == "WeekDays")
      weekDays = c;
    else if (n == "Exceptions")
      exceptions = c;
    else if (n == "WorkWeeks")
      workWeeks = c;
  }
  if (!uid) Fail(node, "Kalender " + Quoted(cal->name) + " ohne <UID>");
  cal->uid = *uid;

  const bool newExceptions = exceptions && exceptions.first_child();
  for (xml_node wd = weekDays.first_child(); wd; wd = wd.next_sibling()) {
    if (LocalName(wd.name()) != "WeekDay") continue;
    std::optional<int> type;
    bool working = false;
    xml_node times, period, typeNode;
    for (xml_node c = wd.first_child(); c; c = c.next_sibling()) {
      const Tag n = LocalName(c.name());
      if (n == "DayType") {
        type = IntOf(c);
        typeNode = c;
      } else if (n == "DayWorking")
        working = BoolOf(c);
      else if (n == "WorkingTimes")
        times = c;
      else if (n == "TimePeriod")
        period = c;
    }
    if (!type) Fail(wd, "Wochentag ohne <DayType>");
    if (*type >= 1 && *type <= 7) {
      cal->weekdays[*type - 1] = {false, DayTimes(times, working)};
    } else if (*type == 0) {
      if (newExceptions) continue;  // the file holds the same exceptions in the newer form
      const auto [from, to] = ReadPeriod(period, wd);
      if (exceptionCount_ >= kMaxExceptions) continue;
      cal->exceptions.push_back({"", from, to, working, DayTimes(times, working)});
      ++exceptionCount_;
    } else {
      Warn(typeNode, "Wochentag " + std::to_string(*type) + " ist unbekannt und wird übergangen");
    }
  }
  if (newExceptions) {
    for (xml_node e = exceptions.first_child(); e; e = e.next_sibling())
      if (LocalName(e.name()) == "Exception") ReadException(e, *cal);
  }
  if (workWeeks) ReadWorkWeeks(workWeeks, *cal);
  TidyExceptions(*cal);
}

std::shared_ptr<CalendarData> FileReader::CalendarByUid(xml_node uidNode, std::int32_t uid,
                                                        const std::string& owner) {
  const auto it = calendars_.find(uid);
  if (it == calendars_.end())
    Fail(uidNode, "Kalender-UID " + std::to_string(uid) + " für " + owner + " ist nicht definiert");
  return it->second.calendar;
}

void FileReader::ResolveBaseCalendars() {
  // Base calendars by UID first: a loop is refused before any link is made, so that no
  // calendars keep each other alive.
  std::unordered_map<std::int32_t, std::int32_t> baseOf;
  for (auto& [uid, entry] : calendars_) {
    const CalendarData& cal = *entry.calendar;
    // -1, and 0 where no calendar has that UID, mean "no base calendar".
    if (cal.isBase || !entry.baseNode || entry.baseUid == -1 ||
        (entry.baseUid == 0 && !calendars_.count(0)))
      continue;
    if (!calendars_.count(entry.baseUid)) {
      // Files of real tools name base calendars of another file (-65533): the calendar is read
      // on the host's default week instead of refusing the whole file.
      Warn(entry.baseNode, "Kalender " + Quoted(cal.name) + ": der Basiskalender mit der UID " +
                               std::to_string(entry.baseUid) +
                               " ist in der Datei nicht definiert; der Kalender baut "
                               "stattdessen auf der Standardwoche auf (Montag bis Freitag, "
                               "8:00-12:00 und 13:00-17:00)");
      continue;
    }
    baseOf[uid] = entry.baseUid;
  }
  for (const auto& calendar : project_->calendars) {  // in file order: the first in a loop is named
    const std::int32_t uid = calendar->uid;
    std::size_t steps = 0;
    for (auto it = baseOf.find(uid); it != baseOf.end(); it = baseOf.find(it->second)) {
      if (++steps > baseOf.size()) {
        const CalendarEntry& entry = calendars_.at(uid);
        Fail(entry.baseNode,
             "die Basiskalender von " + Quoted(entry.calendar->name) + " bilden eine Schleife");
      }
    }
  }
  for (const auto& [uid, base] : baseOf)
    calendars_.at(uid).calendar->base = calendars_.at(base).calendar;
}

void FileReader::ReadCalendars(xml_node calendars) {
  for (xml_node node = calendars.first_child(); node; node = node.next_sibling()) {
    if (LocalName(node.name()) != "Calendar") continue;
    CalendarEntry entry;
    ReadCalendar(node, entry);
    const std::int32_t uid = entry.calendar->uid;
    if (calendars_.count(uid))
      Fail(node, "Kalender-UID " + std::to_string(uid) + " ist doppelt vergeben");
    project_->calendars.push_back(entry.calendar);
    calendars_.emplace(uid, std::move(entry));
  }
  ResolveBaseCalendars();
}

// ---------------------------------------------------------------------------------------------
// Rows

template <class T>
void FileReader::PlaceRows(
    std::vector<std::pair<std::int64_t, std::pair<xml_node, std::shared_ptr<T>>>>& rows,
    std::vector<std::shared_ptr<T>>& out, const char* what) {
  std::int64_t last = 0;
  std::vector<std::pair<xml_node, std::shared_ptr<T>>> extra;  // rows without a free number
  std::int64_t maxRow = 0;
  for (auto& [id, item] : rows) {
    if (id <= 0) id = last + 1;
    last = id;
    maxRow = std::max(maxRow, id);
  }
  out.assign(static_cast<std::size_t>(maxRow), nullptr);
  std::vector<bool> taken(static_cast<std::size_t>(maxRow), false);
  for (auto& [id, item] : rows) {
    const auto index = static_cast<std::size_t>(id - 1);
    if (taken[index]) {
      Warn(item.first, std::string(what) + " Nr. " + std::to_string(id) +
                           " ist doppelt vergeben; die Zeile wird ans Ende gestellt");
      extra.push_back(std::move(item));
      continue;
    }
    taken[index] = true;
    out[index] = std::move(item.second);
  }
  for (auto& [node, item] : extra) {
    if (item) item->id = static_cast<std::int32_t>(out.size() + 1);
    out.push_back(std::move(item));
  }
  for (std::size_t i = 0; i < out.size(); ++i)
    if (out[i]) out[i]->id = static_cast<std::int32_t>(i + 1);
}

void FileReader::ReadResources(xml_node resources) {
  std::vector<std::pair<std::int64_t, std::pair<xml_node, std::shared_ptr<ResourceData>>>> rows;
  for (xml_node node = resources.first_child(); node; node = node.next_sibling()) {
    if (LocalName(node.name()) != "Resource") continue;
    auto r = std::make_shared<ResourceData>();
    std::optional<std::int32_t> uid;
    std::int64_t id = 0;
    bool isNull = false, isCost = false, named = false;
    int type = 1;
    xml_node calendarNode, idNode;
    std::int32_t calendarUid = -1;
    for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
      const Tag n = LocalName(c.name());
      if (n == "UID")
        uid = IntOf(c);
      else if (n == "ID") {
        id = IntOf(c);
        idNode = c;
      } else if (n == "Name") {
        r->name = Text(c);
        named = true;
      } else if (n == "Type")
        type = IntOf(c);
      else if (n == "IsNull")
        isNull = BoolOf(c);
      else if (n == "Initials")
        r->initials = Text(c);
      else if (n == "Group")
        r->group = Text(c);
      else if (n == "CalendarUID") {
        calendarUid = IntOf(c);
        calendarNode = c;
      } else if (n == "IsCostResource")
        isCost = BoolOf(c);
    }
    if (!uid) Fail(node, "Ressource " + Quoted(r->name) + " ohne <UID>");
    if (*uid == 0) continue;  // the project's own entry, no row of the sheet
    if (resources_.count(*uid))
      Fail(node, "Ressourcen-UID " + std::to_string(*uid) + " ist doppelt vergeben");
    if (id > pxml::kMaxRow) Fail(idNode, "Ressourcen-Nr. " + std::to_string(id) + " ist zu groß");
    r->uid = *uid;
    // The format counts 0 material, 1 work, 2 cost; cost resources of older files say so apart.
    r->kind = isCost || type == 2 ? 2 : type == 0 ? 1 : 0;
    if (calendarUid != -1)
      r->calendar = CalendarByUid(calendarNode, calendarUid, "die Ressource " + Quoted(r->name));
    // A row without <Name> is empty; one whose name is empty or blanks keeps its row and work.
    const bool empty = isNull || !named;
    resources_[*uid] = empty ? nullptr : r.get();
    rows.push_back({id, {node, empty ? nullptr : r}});
  }
  PlaceRows(rows, project_->resources, "Ressourcen");
}

void FileReader::ReadTasks(xml_node tasks) {
  std::vector<std::pair<std::int64_t, std::pair<xml_node, std::shared_ptr<TaskData>>>> rows;
  for (xml_node node = tasks.first_child(); node; node = node.next_sibling()) {
    if (LocalName(node.name()) != "Task") continue;
    auto t = std::make_shared<TaskData>();
    std::optional<std::int32_t> uid;
    std::int64_t id = 0;
    bool isNull = false, isSubproject = false;
    xml_node idNode, subNode;
    std::string subName;
    for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
      const Tag n = LocalName(c.name());
      if (n == "UID")
        uid = IntOf(c);
      else if (n == "ID") {
        id = IntOf(c);
        idNode = c;
      } else if (n == "Name")
        t->name = Text(c);
      else if (n == "IsNull")
        isNull = BoolOf(c);
      else if (n == "OutlineLevel")
        t->outlineLevel = IntOf(c);
      else if (n == "Summary")
        t->summary = BoolOf(c);
      else if (n == "Start")
        t->start = DateOf(c);
      else if (n == "Finish")
        t->finish = DateOf(c);
      else if (n == "Duration")
        t->durationMinutes = DurationOf(c);
      else if (n == "Rollup")
        t->rollup = BoolOf(c);
      else if (n == "HideBar")
        t->hiddenBar = BoolOf(c);
      else if (n == "IsSubproject")
        isSubproject = BoolOf(c);
      else if (n == "SubprojectName") {
        subName = Text(c);
        subNode = c;
      } else if (n == "ExtendedAttribute") {
        std::optional<std::int32_t> field;
        xml_node value;
        for (xml_node a = c.first_child(); a; a = a.next_sibling()) {
          const Tag an = LocalName(a.name());
          if (an == "FieldID")
            field = IntOf(a);
          else if (an == "Value")
            value = a;
        }
        const auto known = field ? pxml::CustomFieldOf(*field) : std::nullopt;
        if (!known || !value || *value.child_value() == '\0') continue;
        if (known->isDate)
          t->dates[pxml::ModelFieldName(*known)] = DateOf(value);
        else
          t->numbers[pxml::ModelFieldName(*known)] = NumberOf(value);
      }
    }
    if (!uid) Fail(node, "Vorgang " + Quoted(t->name) + " ohne <UID>");
    if (*uid == 0) continue;  // the project summary task, no row of the sheet
    if (tasks_.count(*uid))
      Fail(node, "Vorgangs-UID " + std::to_string(*uid) + " ist doppelt vergeben");
    if (id > pxml::kMaxRow) Fail(idNode, "Vorgangs-Nr. " + std::to_string(id) + " ist zu groß");
    t->uid = *uid;
    if (isSubproject && !subName.empty() && !isNull) {
      t->subprojectFile = subName;
      subprojectTasks_.emplace_back(subNode, t.get());
    }
    tasks_[*uid].task = isNull ? nullptr : t.get();
    rows.push_back({id, {node, isNull ? nullptr : t}});
  }
  PlaceRows(rows, project_->tasks, "Vorgangs");
}

// ---------------------------------------------------------------------------------------------
// Assignments

void FileReader::ReadTimephased(xml_node node, DayCache& cache, AssignmentResult& out) const {
  // Planned work is the assignment's remaining work (type 1) plus its actual work (type 2); the
  // two cover different days, and actual overtime (type 3) is part of actual work already.
  int type = 0;
  xml_node typeNode, start, finish, unitNode, value;
  for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "Type")
      typeNode = c;
    else if (n == "Start")
      start = c;
    else if (n == "Finish")
      finish = c;
    else if (n == "Unit")
      unitNode = c;
    else if (n == "Value")
      value = c;
  }
  if (typeNode) {
    const char* t = typeNode.child_value();
    type = (t[0] == '1' || t[0] == '2') && t[1] == '\0' ? t[0] - '0' : IntOf(typeNode);
  }
  // Stretches without a value are time without work (nights, weekends): nothing to keep.
  if ((type != 1 && type != 2) || !value || *value.child_value() == '\0') return;
  if (!start || !finish) Fail(node, "Zeitphasendaten ohne <Start> oder <Finish>");
  // Without a unit a stretch counts as the day planning tools record work by.
  TimeUnit unit = TimeUnit::kDay;
  if (unitNode) {
    const char* u = unitNode.child_value();
    const int code = u[0] >= '0' && u[0] <= '9' && u[1] == '\0' ? u[0] - '0' : IntOf(unitNode);
    // A unit that the format does not know is spread by the hours, as every stretch once was.
    unit = code == 1 || code == 2 || code == 3 || code == 5 || code == 8 ? static_cast<TimeUnit>(code)
                                                                         : TimeUnit::kMinute;
  }
  const TimephasedWork w{DateOf(start, cache), DateOf(finish, cache), DurationOf(value), unit};
  if (w.minutes == 0) out.zeroWork = true;
  if (out.resource)
    out.assignment->timephased.push_back(w);
  else if (out.task)
    out.unassigned.push_back({w.start, w.finish, w.minutes});
}

FileReader::AssignmentResult FileReader::ReadAssignment(
    xml_node node, DayCache& cache, std::unordered_map<std::int32_t, TaskEntry>& tasks) const {
  AssignmentResult out;
  out.assignment = std::make_shared<AssignmentData>();
  AssignmentData& a = *out.assignment;
  xml_node resourceNode, taskNode, firstStretch;
  bool haveTask = false, haveResource = false;
  std::size_t stretches = 0;
  for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
    const Tag n = LocalName(c.name());
    if (n == "TimephasedData") {  // read below, once the owners are known
      if (stretches++ == 0) firstStretch = c;
    } else if (n == "UID")
      a.uid = IntOf(c);
    else if (n == "TaskUID") {
      a.taskUid = IntOf(c);
      taskNode = c;
      haveTask = true;
    } else if (n == "ResourceUID") {
      a.resourceUid = IntOf(c);
      resourceNode = c;
      haveResource = true;
    } else if (n == "Start")
      a.start = DateOf(c, cache);
    else if (n == "Finish")
      a.finish = DateOf(c, cache);
    else if (n == "Work")
      a.workMinutes = DurationOf(c);
  }
  if (!haveTask) Fail(node, "Zuordnung ohne <TaskUID>");
  if (a.taskUid != 0) {
    const auto it = tasks.find(a.taskUid);
    if (it == tasks.end())
      Fail(taskNode,
           "Vorgangs-UID " + std::to_string(a.taskUid) + " der Zuordnung ist nicht definiert");
    out.task = &it->second;
  }
  if (haveResource && a.resourceUid != kNoResource && a.resourceUid != 0) {
    const auto it = resources_.find(a.resourceUid);
    if (it == resources_.end())
      Fail(resourceNode, "Ressourcen-UID " + std::to_string(a.resourceUid) +
                             " der Zuordnung ist nicht definiert");
    out.resource = it->second;  // null for an empty row: the work is no one's
  }
  if (out.resource) a.timephased.reserve(stretches);
  for (xml_node c = firstStretch; c; c = c.next_sibling())
    if (LocalName(c.name()) == "TimephasedData") ReadTimephased(c, cache, out);
  const auto byStart = [](const TimephasedWork& x, const TimephasedWork& y) {
    return x.start < y.start;
  };
  if (!std::is_sorted(a.timephased.begin(), a.timephased.end(), byStart))
    std::stable_sort(a.timephased.begin(), a.timephased.end(), byStart);
  return out;
}

void FileReader::ReadAssignments(xml_node assignments) {
  const auto [middle, tail] = source_.LaterAssignments();
  std::vector<xml_node> nodes;
  for (const xml_node part : {assignments, middle, tail})
    for (xml_node node = part.first_child(); node; node = node.next_sibling())
      if (LocalName(node.name()) == "Assignment") nodes.push_back(node);

  // Large files: the second half is read on a second thread. Each half stops at its first
  // error; the error that comes first in the file is the one reported.
  std::vector<AssignmentResult> results(nodes.size());
  struct Part {
    std::size_t begin = 0, end = 0;
    std::exception_ptr error;
  };
  auto readPart = [&](Part& part) {
    DayCache cache;
    try {
      for (std::size_t i = part.begin; i < part.end; ++i)
        results[i] = ReadAssignment(nodes[i], cache, tasks_);
    } catch (...) {
      part.error = std::current_exception();
    }
  };
  Part first{0, nodes.size(), nullptr}, second{nodes.size(), nodes.size(), nullptr};
  std::thread helper;
  if (nodes.size() >= kParallelAssignments) {
    first.end = second.begin = nodes.size() / 2;
    try {
      helper = std::thread(readPart, std::ref(second));
    } catch (const std::system_error&) {
      first.end = nodes.size();  // no second thread to be had: one reads all
      second.begin = nodes.size();
    }
  }
  readPart(first);
  if (helper.joinable()) helper.join();
  if (first.error) std::rethrow_exception(first.error);
  if (second.error) std::rethrow_exception(second.error);

  for (AssignmentResult& r : results) {
    if (r.task) {
      r.task->hasZeroWork = r.task->hasZeroWork || r.zeroWork;
      for (auto& w : r.unassigned) r.task->unassigned.push_back(w);
    }
    if (!r.resource) continue;
    if (r.task) r.task->assignments.push_back(r.assignment.get());
    r.resource->assignments.push_back(std::move(r.assignment));
  }
}

void FileReader::DeriveGaps() {
  for (auto& [uid, entry] : tasks_) {
    if (!entry.task || !entry.hasZeroWork) continue;
    std::vector<pxml::WorkStretch> stretches = std::move(entry.unassigned);
    for (const AssignmentData* a : entry.assignments)
      for (const TimephasedWork& w : a->timephased)
        stretches.push_back({w.start, w.finish, w.minutes});
    entry.task->gaps = pxml::GapsFromWork(std::move(stretches));
  }
}

// ---------------------------------------------------------------------------------------------
// Inserted projects and the companion file

void FileReader::ReadSubprojects() {
  const fs::path folder = fs::path(path_).parent_path();
  for (const auto& [node, task] : subprojectTasks_) {
    std::string name = task->subprojectFile;
    std::replace(name.begin(), name.end(), '\\', '/');
    std::vector<fs::path> candidates;
    const fs::path named(name);
    const bool windowsAbsolute = name.size() > 2 && name[1] == ':' && name[2] == '/';
    if (named.is_absolute() || windowsAbsolute)
      candidates.push_back(named);
    else
      candidates.push_back(folder / named);
    candidates.push_back(folder / FileNamePart(name));
    std::optional<fs::path> found;
    for (const auto& c : candidates) {
      std::error_code ec;
      // A pipe or device of the name is found, and refused when it is read.
      if (fs::exists(c, ec) && !fs::is_directory(c, ec)) {
        found = c;
        break;
      }
    }
    if (!found) {
      Warn(node, "eingefügtes Projekt " + Quoted(task->subprojectFile) +
                     " wurde nicht gefunden und wird übergangen");
      continue;
    }
    std::error_code ec;
    const std::string canonical = fs::weakly_canonical(*found, ec).string();
    if (std::find(loader_.loading_.begin(), loader_.loading_.end(), canonical) !=
        loader_.loading_.end())
      Fail(node, "eingefügtes Projekt " + Quoted(task->subprojectFile) +
                     " fügt dieses Projekt selbst wieder ein (Schleife)");
    std::string sub = found->string();
    SubprojectData entry;
    entry.sourceFile = task->subprojectFile;
    entry.taskRow = task->id;
    entry.project = loader_.LoadPath(sub);
    project_->subprojects.push_back(std::move(entry));
  }
}

void FileReader::ReadCompanion() {
  const std::string companion = CompanionPath(path_);
  std::error_code ec;
  if (!fs::exists(companion, ec)) return;
  FileText file;
  bool ok = false;
  try {
    ok = ReadFileText(
        companion, [](std::string_view) { return std::optional<bool>(false); }, file);
  } catch (const std::bad_alloc&) {
    throw host::HostError(host::kErrFile, OutOfMemoryText(companion, file.size));
  }
  if (!ok && file.kind == FileKind::Special)
    throw host::HostError(host::kErrFile, NotRegularFileText(companion));
  std::string problem = "Datei kann nicht gelesen werden";
  if (ok && pxml::ApplyCompanion(std::string(file.view()), *project_, problem)) return;
  warnings_.push_back(companion + ": Begleitdatei ist beschädigt und wird übergangen (" + problem +
                      ")");
}

std::shared_ptr<ProjectData> Loader::Load(std::string* bytes, std::string_view original,
                                          const std::string& path) {
  std::error_code ec;
  const std::string canonical = fs::weakly_canonical(fs::path(path), ec).string();
  loading_.push_back(ec ? path : canonical);
  std::optional<XmlSource> source;
  if (bytes)
    source.emplace(*bytes, original, path);
  else
    source.emplace(path, options_.parseInPartsFrom);
  auto project = FileReader(*this, options_, warnings_, path, *source).Read();
  loading_.pop_back();
  return project;
}

}  // namespace

std::string CompanionPath(const std::string& projectPath) {
  return projectPath + ".korvalinx.json";
}

LoadResult ReadProjectXml(const std::string& path, const ReadOptions& options) {
  LoadResult result;
  Loader loader(options, result.warnings);
  result.project = loader.LoadPath(path);
  return result;
}

LoadResult ReadProjectXmlText(std::string_view text, const std::string& name,
                              const ReadOptions& options) {
  LoadResult result;
  Loader loader(options, result.warnings);
  std::string bytes(text);
  result.project = loader.Load(&bytes, text, name);
  return result;
}

std::shared_ptr<ProjectData> ProjectXmlFormat::Load(const std::string& path) {
  LoadResult r = ReadProjectXml(path);
  warnings_ = std::move(r.warnings);
  return r.project;
}

}  // namespace kx::platform
