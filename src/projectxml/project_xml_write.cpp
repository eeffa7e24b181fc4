// Writing the model as Project XML text: the header, calendars, tasks, resources and assignments
// with their timephased work, and what the companion file keeps besides.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <variant>

#include "host/error.hpp"
#include "model/project_ops.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "projectxml/xml_elements.hpp"
#include "projectxml/xml_out.hpp"
#include "projectxml/xml_values.hpp"

namespace kx::platform {
namespace {

using pxml::XmlOut;

constexpr std::int32_t kNoResource = -65535;

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
  // `name`: the file's name as the file states it. With a sink the text goes there in pieces as
  // it is written, else into the result.
  Writer(const ProjectData& p, std::string name,
         std::function<void(std::string_view)> sink = nullptr)
      : p_(p), name_(std::move(name)), out_(std::move(sink)) {}
  Written Run();

 private:
  void CollectCalendars();
  void WriteHeader();
  void WriteCalendars();
  void WriteTasks();
  void WriteResources();
  void WriteAssignments();
  void WriteStretch(std::int32_t uid, Date start, Date finish, double minutes,
                    TimeUnit unit = TimeUnit::kDay);
  void WriteEmptyStretch(std::int32_t uid, Date start, Date finish);
  void WriteStretches(std::int32_t uid, Date from, Date to, const CalendarData* calendar,
                      bool hasCalendar = false);
  void WritePart(std::int32_t uid, const TaskData& t, Date from, Date to,
                 const CalendarData* calendar);

  const ProjectData& p_;
  std::string name_;
  XmlOut out_;
  Written written_;
  std::vector<std::shared_ptr<CalendarData>> calendars_;
  std::unordered_map<const CalendarData*, std::int32_t> calendarUid_;
  std::vector<std::int32_t> taskUids_;                        // by row
  std::unordered_map<std::int32_t, std::int32_t> taskUidOf_;  // the model's uid -> written uid
  std::vector<std::int32_t> resourceUids_;                    // by row
};

void Writer::CollectCalendars() {
  calendars_ = pxml::CalendarsOf(p_);
  UidPool pool(1);
  pool.Reserve(calendars_, [](const CalendarData& c) { return c.uid; });
  for (const auto& c : calendars_) calendarUid_[c.get()] = pool.For(c.get(), c->uid);
}

// The currency symbol that the project's view options set, "€" where they set none.
std::string CurrencySymbol(const ProjectData& p) {
  const auto options = p.definitions.options.find("SetViewOptions");
  if (options != p.definitions.options.end()) {
    const auto symbol = options->second.find(6);
    if (symbol != options->second.end()) {
      if (const auto* text = std::get_if<std::string>(&symbol->second); text && !text->empty())
        return std::string(CutToChars(*text, 20));
    }
  }
  return "€";
}

// ISO 4217 code of a currency symbol; the planning host works in euros.
const char* CurrencyCode(const std::string& symbol) {
  if (symbol == "$") return "USD";
  if (symbol == "£") return "GBP";
  if (symbol == "CHF" || symbol == "Fr.") return "CHF";
  return "EUR";
}

void Writer::WriteHeader() {
  out_.Leaf("SaveVersion", 12);
  out_.Leaf("Name", CutToChars(name_, 255));
  if (!p_.title.empty()) out_.Leaf("Title", CutToChars(p_.title, 512));
  out_.Leaf("ScheduleFromStart", 1);
  out_.DateTime("StartDate", p_.start);
  if (p_.finish) out_.DateTime("FinishDate", *p_.finish);
  out_.Leaf("FYStartDate", 1);
  out_.Leaf("CriticalSlackLimit", 0);
  out_.Leaf("CurrencyDigits", 2);
  const std::string symbol = CurrencySymbol(p_);
  out_.Leaf("CurrencySymbol", symbol);
  out_.Leaf("CurrencyCode", CurrencyCode(symbol));
  out_.Leaf("CurrencySymbolPosition", symbol == "$" || symbol == "£" ? 0 : 3);
  const std::optional<std::int32_t> projectCalendar =
      pxml::ProjectCalendarUid(p_, calendars_, calendarUid_);
  if (projectCalendar) {
    out_.Leaf("CalendarUID", *projectCalendar);
  } else {
    written_.extras.projectCalendar = p_.calendarName;
  }
  out_.Leaf("DefaultStartTime", FormatXmlTime(p_.dayStartTime));
  out_.Leaf("DefaultFinishTime", FormatXmlTime(p_.dayFinishTime));
  out_.Leaf("MinutesPerDay", std::llround(p_.minutesPerDay));
  out_.Leaf("MinutesPerWeek", std::llround(p_.minutesPerWeek));
  out_.Leaf("DaysPerMonth", p_.daysPerMonth);
  out_.Leaf("DefaultTaskType", 1);  // fixed duration: bars keep their length
  out_.Leaf("DefaultFixedCostAccrual", 3);
  out_.Leaf("DefaultStandardRate", 0);
  out_.Leaf("DefaultOvertimeRate", 0);
  out_.Leaf("DurationFormat", 7);
  out_.Leaf("WorkFormat", 2);
  out_.Flag("EditableActualCosts", false);
  out_.Flag("HonorConstraints", true);
  out_.Flag("InsertedProjectsLikeSummary", true);
  out_.Flag("MultipleCriticalPaths", false);
  out_.Flag("NewTasksEffortDriven", false);
  out_.Flag("NewTasksEstimated", false);
  out_.Flag("SplitsInProgressTasks", true);
  out_.Flag("SpreadActualCost", false);
  out_.Flag("SpreadPercentComplete", false);
  out_.Flag("TaskUpdatesResource", true);
  out_.Flag("FiscalYearStart", false);
  out_.Leaf("WeekStartDay", 1);  // Monday
  out_.Flag("MoveCompletedEndsBack", false);
  out_.Flag("MoveRemainingStartsBack", false);
  out_.Flag("MoveRemainingStartsForward", false);
  out_.Flag("MoveCompletedEndsForward", false);
  out_.Leaf("BaselineForEarnedValue", 0);
  out_.Flag("AutoAddNewResourcesAndTasks", true);
  out_.Flag("MicrosoftProjectServerURL", true);
  out_.Flag("Autolink", false);
  out_.Leaf("NewTaskStartDate", 0);
  out_.Leaf("DefaultTaskEVMethod", 0);
  out_.Flag("ProjectExternallyEdited", false);
  out_.Flag("ActualsInSync", false);
  out_.Flag("RemoveFileProperties", false);
  out_.Flag("AdminProject", false);
  out_.Empty("OutlineCodes");
  out_.Empty("WBSMasks");

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
  if (fields.empty()) {
    out_.Empty("ExtendedAttributes");
    return;
  }
  out_.Open("ExtendedAttributes");
  for (const std::int32_t id : fields) {
    out_.Open("ExtendedAttribute");
    out_.Leaf("FieldID", id);
    out_.Leaf("FieldName", pxml::XmlFieldName(*pxml::CustomFieldOf(id)));
    const auto title = p_.definitions.customFieldTitles.find(id);
    if (title != p_.definitions.customFieldTitles.end() && !title->second.empty()) {
      // The format keeps 50 characters of a title; a longer one lives in the companion file.
      const std::string_view alias = CutToChars(title->second, 50);
      out_.Leaf("Alias", alias);
      if (alias.size() != title->second.size()) written_.extras.longFieldTitles.insert(id);
    }
    out_.Close("ExtendedAttribute");
  }
  out_.Close("ExtendedAttributes");
}

void Writer::WriteCalendars() {
  out_.Open("Calendars");
  for (const auto& c : calendars_) {
    const std::int32_t uid = calendarUid_[c.get()];
    std::vector<int> inherited;
    pxml::WriteCalendar(out_, *c, uid, !c->isBase && c->base ? calendarUid_[c->base.get()] : -1,
                        inherited);
    if (!inherited.empty()) written_.extras.inheritedWeekdays.emplace_back(uid, inherited);
  }
  out_.Close("Calendars");
}

void Writer::WriteTasks() {
  UidPool pool(1);
  pool.Reserve(p_.tasks, [](const TaskData& t) { return t.uid; });
  std::unordered_map<std::int32_t, double> workOfTask;  // the model's task uid -> minutes
  for (const auto& r : p_.resources)
    if (r)
      for (const auto& a : r->assignments)
        if (a) workOfTask[a->taskUid] += a->workMinutes;
  const std::string zero = FormatXmlDuration(0);
  out_.Open("Tasks");
  // The project summary task, which no row shows.
  out_.Open("Task");
  out_.Leaf("UID", 0);
  out_.Leaf("ID", 0);
  out_.Leaf("Name", CutToChars(p_.title.empty() ? name_ : p_.title, 512));
  out_.Leaf("Type", 1);
  out_.Flag("IsNull", false);
  out_.Leaf("WBS", 0);
  out_.Leaf("OutlineNumber", 0);
  out_.Leaf("OutlineLevel", 0);
  out_.DateTime("Start", p_.start);
  if (p_.finish) out_.DateTime("Finish", *p_.finish);
  out_.Flag("Milestone", false);
  out_.Flag("Summary", true);
  out_.Close("Task");
  pxml::OutlineCounter outline;
  for (std::size_t i = 0; i < p_.tasks.size(); ++i) {
    const auto& t = p_.tasks[i];
    const std::int32_t uid = t ? pool.For(t.get(), t->uid) : pool.Fresh();
    taskUids_.push_back(uid);
    if (!t) {
      out_.Open("Task");
      out_.Leaf("UID", uid);
      out_.Leaf("ID", static_cast<long long>(i + 1));
      out_.Flag("IsNull", true);
      out_.Close("Task");
      continue;
    }
    taskUidOf_.emplace(t->uid, uid);
    const auto work = workOfTask.find(t->uid);
    pxml::WriteTask(out_, *t, uid, static_cast<long long>(i + 1), outline.Next(t->outlineLevel),
                    work == workOfTask.end() ? zero : FormatXmlDuration(work->second));
  }
  out_.Close("Tasks");
}

void Writer::WriteResources() {
  UidPool pool(1);
  pool.Reserve(p_.resources, [](const ResourceData& r) { return r.uid; });
  out_.Open("Resources");
  // The project's own entry, which every file holds and no row shows.
  out_.Open("Resource");
  out_.Leaf("UID", 0);
  out_.Leaf("ID", 0);
  out_.Leaf("Type", 1);
  out_.Flag("IsNull", false);
  out_.Leaf("MaxUnits", 1);
  out_.Close("Resource");
  for (std::size_t i = 0; i < p_.resources.size(); ++i) {
    const auto& r = p_.resources[i];
    const std::int32_t uid = r ? pool.For(r.get(), r->uid) : pool.Fresh();
    resourceUids_.push_back(uid);
    if (!r) {
      out_.Open("Resource");
      out_.Leaf("UID", uid);
      out_.Leaf("ID", static_cast<long long>(i + 1));
      out_.Flag("IsNull", true);
      out_.Close("Resource");
      continue;
    }
    pxml::WriteResource(out_, *r, uid, static_cast<long long>(i + 1),
                        r->calendar ? calendarUid_[r->calendar.get()] : -1);
  }
  out_.Close("Resources");
}

void Writer::WriteStretch(std::int32_t uid, Date start, Date finish, double minutes,
                          TimeUnit unit) {
  out_.Stretch(uid, start, finish, unit, &minutes);
}

// Splits [from, to) into stretches of a day each, starting at `from`, as planning tools write
// timephased work: each with the working minutes of `calendar` in it (none without a calendar:
// the time of a gap), a stretch without working time without a value.
void Writer::WriteStretches(std::int32_t uid, Date from, Date to, const CalendarData* calendar,
                            bool hasCalendar) {
  const bool gap = !hasCalendar;
  // A stretch ends on the day the next one starts: each day is looked up once.
  detail::CalendarDays days(calendar);
  for (Date a = from; a < to;) {
    const Date b = Date(std::min(a.serial + 1.0, to.serial));
    const double minutes = gap ? 0.0 : detail::WorkBetween(days, a, b);
    if (gap || minutes > 0)
      WriteStretch(uid, a, b, minutes);
    else
      WriteEmptyStretch(uid, a, b);
    a = b;
  }
}

void Writer::WritePart(std::int32_t uid, const TaskData& t, Date from, Date to,
                       const CalendarData* calendar) {
  if (!(from < to)) return;
  // A part without working time in the calendar (or a bar that the calendar does not explain)
  // keeps its share of the duration in one stretch, so that it stays a part of the bar.
  detail::CalendarDays days(calendar);
  if (!detail::HasWorkBetween(days, from, to)) {
    double partsLength = 0;
    Date f = t.start;
    for (const auto& g : pxml::NormalisedGaps(t.gaps)) {
      partsLength += std::max(0.0, g.first.serial - f.serial);
      f = g.second;
    }
    partsLength += std::max(0.0, t.finish.serial - f.serial);
    const double length = to.serial - from.serial;
    WriteStretch(uid, from, to,
                 t.durationMinutes > 0 && partsLength > 0
                     ? t.durationMinutes * length / partsLength
                     : DaysToMinutes(length));
    return;
  }
  WriteStretches(uid, from, to, calendar, true);
}

void Writer::WriteEmptyStretch(std::int32_t uid, Date start, Date finish) {
  out_.Stretch(uid, start, finish, TimeUnit::kDay, nullptr);
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
      pxml::WriteAssignment(out_, *a, uid, taskUid, resourceUids_[i]);
      auto& work = workOfTask[taskUid];
      for (const TimephasedWork& w : a->timephased) work.push_back({w.start, w.finish, w.minutes});
    }
  }
  // Gaps that the work of a task's assignments does not give are stored in an unassigned
  // assignment: work over the parts of the bar, none over its gaps.
  const auto calendar = p_.ProjectCalendar();
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
    const std::int32_t uid = pool.Fresh();
    out_.Open("Assignment");
    out_.Leaf("UID", uid);
    out_.Leaf("TaskUID", taskUids_[i]);
    out_.Leaf("ResourceUID", kNoResource);
    out_.DateTime("Finish", t->finish);
    out_.DateTime("Start", t->start);
    out_.Leaf("Units", 1);
    out_.Duration("Work", 0);
    for (std::size_t k = 0; k < parts.size(); ++k) {
      WritePart(uid, *t, parts[k].first, parts[k].second, calendar.get());
      if (k < gaps.size()) WriteStretches(uid, gaps[k].first, gaps[k].second, nullptr, false);
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

}  // namespace

pxml::CompanionExtras pxml::WriteProjectXml(const ProjectData& project, const std::string& fileName,
                                            std::function<void(std::string_view)> sink) {
  return Writer(project, fileName, std::move(sink)).Run().extras;
}

std::string ProjectXmlText(const ProjectData& project) {
  return Writer(project, project.name).Run().xml;
}

}  // namespace kx::platform
