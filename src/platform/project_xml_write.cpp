// Writing the planning host's model as Project XML, with its companion file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "addin/host/error.hpp"
#include "platform/project_xml.hpp"
#include "platform/project_xml_detail.hpp"
#include "platform/xml_values.hpp"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kNoResource = -65535;

// Streams indented XML text.
class XmlOut {
 public:
  XmlOut() { s_.reserve(1 << 16); }
  void Open(std::string_view name) {
    Indent();
    s_ += '<';
    s_ += name;
    s_ += ">\n";
    ++depth_;
  }
  void Close(std::string_view name) {
    --depth_;
    Indent();
    s_ += "</";
    s_ += name;
    s_ += ">\n";
  }
  void Leaf(std::string_view name, std::string_view text) {
    Indent();
    s_ += '<';
    s_ += name;
    s_ += '>';
    Escape(text);
    s_ += "</";
    s_ += name;
    s_ += ">\n";
  }
  void Leaf(std::string_view name, long long v) { Leaf(name, std::string_view(std::to_string(v))); }
  void Leaf(std::string_view name, int v) { Leaf(name, static_cast<long long>(v)); }
  void Flag(std::string_view name, bool v) { Leaf(name, std::string_view(v ? "1" : "0")); }
  void Empty(std::string_view name) {
    Indent();
    s_ += '<';
    s_ += name;
    s_ += "/>\n";
  }
  void Raw(std::string_view text) { s_ += text; }
  void Enter() { ++depth_; }
  void Leave() { --depth_; }
  std::string Take() { return std::move(s_); }

 private:
  void Indent() { s_.append(static_cast<std::size_t>(depth_), '\t'); }
  void Escape(std::string_view text) {
    for (const char ch : text) {
      const auto c = static_cast<unsigned char>(ch);
      switch (ch) {
        case '&':
          s_ += "&amp;";
          break;
        case '<':
          s_ += "&lt;";
          break;
        case '>':
          s_ += "&gt;";
          break;
        default:
          if (c < 0x20 && c != '\t' && c != '\n') {
            // Carriage returns and other control characters as references, so that reading
            // gives them back unchanged.
            char buf[8];
            std::snprintf(buf, sizeof buf, "&#%u;", static_cast<unsigned>(c));
            s_ += buf;
          } else {
            s_ += ch;
          }
      }
    }
  }
  std::string s_;
  int depth_ = 0;
};

// Hands out unique positive UIDs: the model's own where it is positive and free.
class UidPool {
 public:
  // UIDs below `lowest` are never kept: 0 is the project's own task and resource.
  explicit UidPool(std::int32_t lowest) : lowest_(lowest), next_(lowest - 1) {}
  template <class Items, class Get>
  void Reserve(const Items& items, Get uidOf) {
    for (const auto& item : items) {
      if (!item) continue;
      const std::int32_t uid = uidOf(*item);
      if (uid >= lowest_ && used_.insert(uid).second) own_.insert(item.get());
      next_ = std::max(next_, uid);
    }
  }
  // The UID to write for `item`: its own when reserved for it, else a new one.
  std::int32_t For(const void* item, std::int32_t own) {
    if (own_.count(item)) return own;
    return Fresh();
  }
  std::int32_t Fresh() {
    while (used_.count(++next_)) {
    }
    used_.insert(next_);
    return next_;
  }

 private:
  std::unordered_set<std::int32_t> used_;
  std::unordered_set<const void*> own_;
  std::int32_t lowest_;
  std::int32_t next_;
};

struct Written {
  std::string xml;
  pxml::CompanionExtras extras;
};

class Writer {
 public:
  explicit Writer(const ProjectData& p) : p_(p) {}
  Written Run();

 private:
  void CollectCalendars();
  void WriteHeader();
  void WriteCalendars();
  void WriteTimes(const WorkingTimes& times);
  void WriteTasks();
  void WriteResources();
  void WriteAssignments();
  void WriteStretch(std::int32_t uid, Date start, Date finish, double minutes);

  const ProjectData& p_;
  XmlOut out_;
  Written written_;
  std::vector<std::shared_ptr<CalendarData>> calendars_;
  std::unordered_map<const CalendarData*, std::int32_t> calendarUid_;
  std::vector<std::int32_t> taskUids_;                        // by row
  std::unordered_map<std::int32_t, std::int32_t> taskUidOf_;  // the model's uid -> written uid
  std::vector<std::int32_t> resourceUids_;                    // by row
};

void Writer::CollectCalendars() {
  // The project's calendars in their order, then any that only a resource or a base link knows.
  std::unordered_set<const CalendarData*> seen;
  auto add = [&](const std::shared_ptr<CalendarData>& c) {
    if (c && seen.insert(c.get()).second) calendars_.push_back(c);
  };
  for (const auto& c : p_.calendars) add(c);
  for (const auto& r : p_.resources)
    if (r) add(r->calendar);
  for (std::size_t i = 0; i < calendars_.size(); ++i) add(calendars_[i]->base);
  UidPool pool(1);
  pool.Reserve(calendars_, [](const CalendarData& c) { return c.uid; });
  for (const auto& c : calendars_) calendarUid_[c.get()] = pool.For(c.get(), c->uid);
}

void Writer::WriteHeader() {
  out_.Leaf("SaveVersion", 14);
  out_.Leaf("Name", p_.name);
  if (!p_.title.empty()) out_.Leaf("Title", p_.title);
  out_.Leaf("ScheduleFromStart", 1);
  out_.Leaf("StartDate", FormatXmlDateTime(p_.start));
  if (p_.finish) out_.Leaf("FinishDate", FormatXmlDateTime(*p_.finish));
  // The project calendar: a base calendar of that name, else any calendar of that name.
  std::optional<std::int32_t> projectCalendar;
  for (const auto& c : calendars_) {
    if (c->name != p_.calendarName) continue;
    if (c->isBase) {
      projectCalendar = calendarUid_[c.get()];
      break;
    }
    if (!projectCalendar) projectCalendar = calendarUid_[c.get()];
  }
  if (projectCalendar) {
    out_.Leaf("CalendarUID", *projectCalendar);
  } else {
    written_.extras.projectCalendar = p_.calendarName;
  }
  out_.Leaf("DefaultStartTime", "08:00:00");
  out_.Leaf("DefaultFinishTime", "17:00:00");
  out_.Leaf("MinutesPerDay", FormatXmlNumber(p_.minutesPerDay));
  out_.Leaf("MinutesPerWeek", FormatXmlNumber(p_.minutesPerWeek));
  out_.Leaf("DaysPerMonth", p_.daysPerMonth);

  // Field definitions: every custom field that has a title or a value.
  std::set<std::int32_t> fields;
  for (const auto& [id, title] : p_.definitions.customFieldTitles)
    if (pxml::CustomFieldOf(id)) fields.insert(id);
  for (const auto& t : p_.tasks) {
    if (!t) continue;
    for (const auto& [name, v] : t->numbers)
      if (const auto id = pxml::FieldIdOf(name)) fields.insert(*id);
    for (const auto& [name, v] : t->dates)
      if (const auto id = pxml::FieldIdOf(name)) fields.insert(*id);
  }
  if (fields.empty()) return;
  out_.Open("ExtendedAttributes");
  for (const std::int32_t id : fields) {
    out_.Open("ExtendedAttribute");
    out_.Leaf("FieldID", id);
    out_.Leaf("FieldName", pxml::XmlFieldName(*pxml::CustomFieldOf(id)));
    const auto title = p_.definitions.customFieldTitles.find(id);
    if (title != p_.definitions.customFieldTitles.end() && !title->second.empty())
      out_.Leaf("Alias", title->second);
    out_.Close("ExtendedAttribute");
  }
  out_.Close("ExtendedAttributes");
}

void Writer::WriteTimes(const WorkingTimes& times) {
  if (times.empty()) {
    out_.Empty("WorkingTimes");
    return;
  }
  out_.Open("WorkingTimes");
  for (const WorkingTime& t : times) {
    out_.Open("WorkingTime");
    out_.Leaf("FromTime", FormatXmlTime(t.from));
    out_.Leaf("ToTime", FormatXmlTime(t.to));
    out_.Close("WorkingTime");
  }
  out_.Close("WorkingTimes");
}

void Writer::WriteCalendars() {
  out_.Open("Calendars");
  for (const auto& c : calendars_) {
    const std::int32_t uid = calendarUid_[c.get()];
    out_.Open("Calendar");
    out_.Leaf("UID", uid);
    out_.Leaf("Name", c->name);
    out_.Flag("IsBaseCalendar", c->isBase);
    out_.Leaf("BaseCalendarUID", !c->isBase && c->base ? calendarUid_[c->base.get()] : -1);
    out_.Open("WeekDays");
    std::vector<int> inherited;
    for (int d = 0; d < 7; ++d) {
      const WeekdayDefinition& w = c->weekdays[static_cast<std::size_t>(d)];
      // A derived calendar leaves a day to its base by not naming it; a base calendar names
      // every day, spelling out the host's default where the model leaves the day to the host.
      if (w.inherited && !c->isBase) continue;
      const WorkingTimes times = w.inherited ? pxml::HostDefaultTimes(d) : w.times;
      if (w.inherited) inherited.push_back(d);
      out_.Open("WeekDay");
      out_.Leaf("DayType", d + 1);
      out_.Flag("DayWorking", !times.empty());
      if (!times.empty()) WriteTimes(times);
      out_.Close("WeekDay");
    }
    // The exceptions once more in the older form, for readers that know no other.
    for (const CalendarException& e : c->exceptions) {
      out_.Open("WeekDay");
      out_.Leaf("DayType", 0);
      out_.Flag("DayWorking", e.working);
      out_.Open("TimePeriod");
      out_.Leaf("FromDate", FormatXmlDateTime(DateOnly(e.from)));
      out_.Leaf("ToDate", FormatXmlDateTime(Date(DateOnly(e.to).serial + 1439.0 / 1440)));
      out_.Close("TimePeriod");
      if (e.working) WriteTimes(e.times);
      out_.Close("WeekDay");
    }
    out_.Close("WeekDays");
    if (!inherited.empty()) written_.extras.inheritedWeekdays.emplace_back(uid, inherited);
    if (!c->exceptions.empty()) {
      out_.Open("Exceptions");
      for (const CalendarException& e : c->exceptions) {
        out_.Open("Exception");
        out_.Flag("EnteredByOccurrences", false);
        out_.Open("TimePeriod");
        out_.Leaf("FromDate", FormatXmlDateTime(DateOnly(e.from)));
        out_.Leaf("ToDate", FormatXmlDateTime(Date(DateOnly(e.to).serial + 1439.0 / 1440)));
        out_.Close("TimePeriod");
        const long long days =
            static_cast<long long>(DateOnly(e.to).serial - DateOnly(e.from).serial) + 1;
        out_.Leaf("Occurrences", std::max(days, 1LL));
        if (!e.name.empty()) out_.Leaf("Name", e.name);
        out_.Leaf("Type", 1);
        out_.Leaf("Period", 1);
        out_.Flag("DayWorking", e.working);
        if (e.working) WriteTimes(e.times);
        out_.Close("Exception");
      }
      out_.Close("Exceptions");
    }
    out_.Close("Calendar");
  }
  out_.Close("Calendars");
}

void Writer::WriteTasks() {
  UidPool pool(1);
  pool.Reserve(p_.tasks, [](const TaskData& t) { return t.uid; });
  out_.Open("Tasks");
  // The project summary task, which no row shows.
  out_.Open("Task");
  out_.Leaf("UID", 0);
  out_.Leaf("ID", 0);
  out_.Leaf("Name", p_.title.empty() ? p_.name : p_.title);
  out_.Flag("IsNull", false);
  out_.Leaf("OutlineLevel", 0);
  out_.Leaf("Start", FormatXmlDateTime(p_.start));
  if (p_.finish) out_.Leaf("Finish", FormatXmlDateTime(*p_.finish));
  out_.Flag("Summary", true);
  out_.Close("Task");
  for (std::size_t i = 0; i < p_.tasks.size(); ++i) {
    const auto& t = p_.tasks[i];
    const std::int32_t uid = t ? pool.For(t.get(), t->uid) : pool.Fresh();
    taskUids_.push_back(uid);
    out_.Open("Task");
    out_.Leaf("UID", uid);
    out_.Leaf("ID", static_cast<long long>(i + 1));
    if (!t) {
      out_.Flag("IsNull", true);
      out_.Close("Task");
      continue;
    }
    taskUidOf_.emplace(t->uid, uid);
    out_.Leaf("Name", t->name);
    out_.Flag("IsNull", false);
    out_.Leaf("OutlineLevel", t->outlineLevel);
    out_.Leaf("Start", FormatXmlDateTime(t->start));
    out_.Leaf("Finish", FormatXmlDateTime(t->finish));
    out_.Leaf("Duration", FormatXmlDuration(t->durationMinutes));
    out_.Leaf("DurationFormat", 7);
    out_.Flag("Summary", t->summary);
    if (!t->subprojectFile.empty()) {
      out_.Flag("IsSubproject", true);
      out_.Leaf("SubprojectName", t->subprojectFile);
    }
    out_.Flag("HideBar", t->hiddenBar);
    out_.Flag("Rollup", t->rollup);
    for (const auto& [name, value] : t->numbers) {
      if (const auto id = pxml::FieldIdOf(name)) {
        out_.Open("ExtendedAttribute");
        out_.Leaf("FieldID", *id);
        out_.Leaf("Value", FormatXmlNumber(value));
        out_.Close("ExtendedAttribute");
      }
    }
    for (const auto& [name, value] : t->dates) {
      if (const auto id = pxml::FieldIdOf(name)) {
        out_.Open("ExtendedAttribute");
        out_.Leaf("FieldID", *id);
        out_.Leaf("Value", FormatXmlDateTime(value));
        out_.Close("ExtendedAttribute");
      }
    }
    out_.Close("Task");
  }
  out_.Close("Tasks");
}

void Writer::WriteResources() {
  UidPool pool(1);
  pool.Reserve(p_.resources, [](const ResourceData& r) { return r.uid; });
  out_.Open("Resources");
  for (std::size_t i = 0; i < p_.resources.size(); ++i) {
    const auto& r = p_.resources[i];
    const std::int32_t uid = r ? pool.For(r.get(), r->uid) : pool.Fresh();
    resourceUids_.push_back(uid);
    out_.Open("Resource");
    out_.Leaf("UID", uid);
    out_.Leaf("ID", static_cast<long long>(i + 1));
    if (!r) {
      out_.Flag("IsNull", true);
      out_.Close("Resource");
      continue;
    }
    out_.Leaf("Name", r->name);
    // The format counts 0 material, 1 work; cost resources are material ones marked as cost.
    out_.Leaf("Type", r->kind == 0 ? 1 : 0);
    out_.Flag("IsNull", false);
    if (!r->initials.empty()) out_.Leaf("Initials", r->initials);
    if (!r->group.empty()) out_.Leaf("Group", r->group);
    out_.Leaf("CalendarUID", r->calendar ? calendarUid_[r->calendar.get()] : -1);
    out_.Flag("IsCostResource", r->kind == 2);
    out_.Close("Resource");
  }
  out_.Close("Resources");
}

void Writer::WriteStretch(std::int32_t uid, Date start, Date finish, double minutes) {
  out_.Open("TimephasedData");
  out_.Leaf("Type", 1);
  out_.Leaf("UID", uid);
  out_.Leaf("Start", FormatXmlDateTime(start));
  out_.Leaf("Finish", FormatXmlDateTime(finish));
  out_.Leaf("Unit", 2);
  out_.Leaf("Value", FormatXmlDuration(minutes));
  out_.Close("TimephasedData");
}

void Writer::WriteAssignments() {
  UidPool pool(0);
  for (const auto& r : p_.resources)
    if (r) pool.Reserve(r->assignments, [](const AssignmentData& a) { return a.uid; });
  std::unordered_map<std::int32_t, std::vector<pxml::WorkStretch>> workOfTask;
  out_.Open("Assignments");
  for (std::size_t i = 0; i < p_.resources.size(); ++i) {
    const auto& r = p_.resources[i];
    if (!r) continue;
    for (const auto& a : r->assignments) {
      if (!a) continue;
      const std::int32_t uid = pool.For(a.get(), a->uid);
      const auto task = taskUidOf_.find(a->taskUid);
      const std::int32_t taskUid = task == taskUidOf_.end() ? 0 : task->second;
      out_.Open("Assignment");
      out_.Leaf("UID", uid);
      out_.Leaf("TaskUID", taskUid);
      out_.Leaf("ResourceUID", resourceUids_[i]);
      out_.Leaf("Finish", FormatXmlDateTime(a->finish));
      out_.Leaf("Start", FormatXmlDateTime(a->start));
      out_.Leaf("Work", FormatXmlDuration(a->workMinutes));
      auto& work = workOfTask[taskUid];
      for (const TimephasedWork& w : a->timephased) {
        WriteStretch(uid, w.start, w.finish, w.minutes);
        work.push_back({w.start, w.finish, w.minutes});
      }
      out_.Close("Assignment");
    }
  }
  // Gaps that the work of a task's assignments does not give are stored in an unassigned
  // assignment: work over the parts of the bar, none over its gaps.
  for (std::size_t i = 0; i < p_.tasks.size(); ++i) {
    const auto& t = p_.tasks[i];
    if (!t || t->gaps.empty()) continue;
    const auto gaps = pxml::NormalisedGaps(t->gaps);
    const auto it = workOfTask.find(taskUids_[i]);
    if (it != workOfTask.end() && pxml::GapsFromWork(it->second) == gaps) continue;
    std::vector<std::pair<Date, Date>> parts;
    Date from = t->start;
    for (const auto& g : gaps) {
      parts.emplace_back(from, g.first);
      from = g.second;
    }
    parts.emplace_back(from, t->finish);
    double partsLength = 0;
    for (const auto& [a, b] : parts) partsLength += std::max(0.0, b.serial - a.serial);
    const std::int32_t uid = pool.Fresh();
    out_.Open("Assignment");
    out_.Leaf("UID", uid);
    out_.Leaf("TaskUID", taskUids_[i]);
    out_.Leaf("ResourceUID", kNoResource);
    out_.Leaf("Finish", FormatXmlDateTime(t->finish));
    out_.Leaf("Start", FormatXmlDateTime(t->start));
    out_.Leaf("Work", FormatXmlDuration(0));
    for (std::size_t k = 0; k < parts.size(); ++k) {
      const auto [a, b] = parts[k];
      const double length = b.serial - a.serial;
      if (length > 0) {
        const double share = t->durationMinutes > 0 && partsLength > 0
                                 ? t->durationMinutes * length / partsLength
                                 : DaysToMinutes(length);
        WriteStretch(uid, a, b, share);
      }
      if (k < gaps.size()) WriteStretch(uid, gaps[k].first, gaps[k].second, 0.0);
    }
    out_.Close("Assignment");
  }
  out_.Close("Assignments");
}

Written Writer::Run() {
  CollectCalendars();
  out_.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Project xmlns=\"");
  out_.Raw(kProjectXmlNamespace);
  out_.Raw("\">\n");
  out_.Enter();
  WriteHeader();
  WriteCalendars();
  WriteTasks();
  WriteResources();
  WriteAssignments();
  out_.Leave();
  out_.Raw("</Project>\n");
  written_.xml = out_.Take();
  return std::move(written_);
}

// A temporary file beside its target, renamed over the target on Commit and removed otherwise.
class TempFile {
 public:
  TempFile(const std::string& target, std::string_view content) : target_(target) {
    const fs::path path(target);
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string name = ".";
    name += path.filename().string();
    name += ".XXXXXX";
    std::string pattern = (folder / name).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) Fail(errno);
    temp_ = pattern;
    // The new file gets the target's permissions, or those of a new file.
    struct stat st {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &st) == 0) {
      mode = st.st_mode & 07777;
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    const char* data = content.data();
    std::size_t left = content.size();
    while (error == 0 && left > 0) {
      const ssize_t n = ::write(fd, data, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        error = errno;
        break;
      }
      data += n;
      left -= static_cast<std::size_t>(n);
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
      ::unlink(temp_.c_str());
      temp_.clear();
      Fail(error);
    }
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }
  void Commit() {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
      const int error = errno;
      ::unlink(temp_.c_str());
      temp_.clear();
      Fail(error);
    }
    temp_.clear();
  }

 private:
  [[noreturn]] void Fail(int error) const {
    throw host::HostError(host::kErrFile, target_ + ": Datei kann nicht geschrieben werden (" +
                                              std::strerror(error) + ")");
  }
  std::string target_;
  std::string temp_;
};

}  // namespace

std::string ProjectXmlText(const ProjectData& project) {
  return Writer(project).Run().xml;
}

void SaveProjectXml(const ProjectData& project, const std::string& path) {
  Written w = Writer(project).Run();
  const std::string companion = pxml::CompanionText(project, w.extras);
  TempFile xml(path, w.xml);
  TempFile side(CompanionPath(path), companion);
  // The companion goes first, the earlier one kept aside until the project file is in place:
  // should the project file fail, both files stay as they were.
  const std::string target = CompanionPath(path);
  std::string aside = target + ".alt";
  struct stat st {};
  const bool hadCompanion = ::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  if (hadCompanion && ::rename(target.c_str(), aside.c_str()) != 0) aside.clear();
  try {
    side.Commit();
    xml.Commit();
  } catch (...) {
    if (hadCompanion && !aside.empty())
      ::rename(aside.c_str(), target.c_str());
    else if (!hadCompanion)
      ::unlink(target.c_str());
    throw;
  }
  if (hadCompanion && !aside.empty()) ::unlink(aside.c_str());
}

void SaveCompanionOnly(const ProjectData& project, const std::string& path) {
  pxml::CompanionExtras extras;
  extras.allFieldTitles = true;
  WriteFileAtomically(CompanionPath(path), pxml::CompanionText(project, extras));
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  TempFile file(path, content);
  file.Commit();
}

void ProjectXmlFormat::Save(const ProjectData& project, const std::string& path) {
  SaveProjectXml(project, path);
}

}  // namespace kx::platform
