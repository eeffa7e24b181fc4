#include "projectxml/xml_elements.hpp"

#include <algorithm>
#include <unordered_set>

#include "projectxml/project_xml_detail.hpp"
#include "projectxml/xml_values.hpp"
#include "support/text.hpp"

namespace kx::platform::pxml {

std::string OutlineCounter::Next(int level) {
  const std::size_t depth = static_cast<std::size_t>(std::clamp(level, 1, 100));
  if (counts_.size() < depth) counts_.resize(depth - 1, 1), counts_.push_back(0);
  counts_.resize(depth);
  ++counts_.back();
  std::string number;
  for (std::size_t i = 0; i < counts_.size(); ++i) {
    if (i > 0) number += '.';
    number += std::to_string(counts_[i]);
  }
  return number;
}

std::vector<std::shared_ptr<CalendarData>> CalendarsOf(const ProjectData& p) {
  std::vector<std::shared_ptr<CalendarData>> list;
  std::unordered_set<const CalendarData*> seen;
  auto add = [&](const std::shared_ptr<CalendarData>& c) {
    if (c && seen.insert(c.get()).second) list.push_back(c);
  };
  for (const auto& c : p.calendars) add(c);
  for (const auto& r : p.resources)
    if (r) add(r->calendar);
  for (std::size_t i = 0; i < list.size(); ++i) add(list[i]->base);
  return list;
}

std::optional<std::int32_t> ProjectCalendarUid(
    const ProjectData& p, const std::vector<std::shared_ptr<CalendarData>>& calendars,
    const std::unordered_map<const CalendarData*, std::int32_t>& uids) {
  std::optional<std::int32_t> uid;
  for (const auto& c : calendars) {
    if (c->name != p.calendarName) continue;
    if (c->isBase) return uids.at(c.get());
    if (!uid) uid = uids.at(c.get());
  }
  return uid;
}

void WriteWorkingTimes(XmlOut& out, const WorkingTimes& times) {
  if (times.empty()) {
    out.Empty("WorkingTimes");
    return;
  }
  out.Open("WorkingTimes");
  for (const WorkingTime& t : times) {
    out.Open("WorkingTime");
    out.Leaf("FromTime", FormatXmlTime(t.from));
    out.Leaf("ToTime", FormatXmlTime(t.to));
    out.Close("WorkingTime");
  }
  out.Close("WorkingTimes");
}

void WriteWeekdays(XmlOut& out, const CalendarData& c, std::vector<int>& inherited) {
  for (int d = 0; d < 7; ++d) {
    const WeekdayDefinition& w = c.weekdays[static_cast<std::size_t>(d)];
    if (w.inherited && !c.isBase) continue;
    const WorkingTimes times = w.inherited ? HostDefaultTimes(d) : w.times;
    if (w.inherited) inherited.push_back(d);
    out.Open("WeekDay");
    out.Leaf("DayType", d + 1);
    out.Flag("DayWorking", !times.empty());
    if (!times.empty()) WriteWorkingTimes(out, times);
    out.Close("WeekDay");
  }
}

namespace {

void WritePeriod(XmlOut& out, const CalendarException& e) {
  out.Open("TimePeriod");
  out.DateTime("FromDate", DateOnly(e.from));
  out.DateTime("ToDate", Date(DateOnly(e.to).serial + 1439.0 / 1440));
  out.Close("TimePeriod");
}

}  // namespace

void WriteOldFormExceptions(XmlOut& out, const std::vector<CalendarException>& exceptions) {
  for (const CalendarException& e : exceptions) {
    out.Open("WeekDay");
    out.Leaf("DayType", 0);
    out.Flag("DayWorking", e.working);
    WritePeriod(out, e);
    if (e.working) WriteWorkingTimes(out, e.times);
    out.Close("WeekDay");
  }
}

void WriteException(XmlOut& out, const CalendarException& e) {
  out.Open("Exception");
  out.Flag("EnteredByOccurrences", false);
  WritePeriod(out, e);
  const long long days =
      static_cast<long long>(DateOnly(e.to).serial - DateOnly(e.from).serial) + 1;
  out.Leaf("Occurrences", std::max(days, 1LL));
  if (!e.name.empty()) out.Leaf("Name", CutToChars(e.name, 512));
  out.Leaf("Type", 1);
  out.Leaf("Period", 1);
  out.Flag("DayWorking", e.working);
  if (e.working) WriteWorkingTimes(out, e.times);
  out.Close("Exception");
}

void WriteCalendar(XmlOut& out, const CalendarData& c, std::int32_t uid, std::int32_t baseUid,
                   std::vector<int>& inherited) {
  out.Open("Calendar");
  out.Leaf("UID", uid);
  out.Leaf("Name", CutToChars(c.name, 512));
  out.Flag("IsBaseCalendar", c.isBase);
  out.Leaf("BaseCalendarUID", baseUid);
  out.Open("WeekDays");
  WriteWeekdays(out, c, inherited);
  WriteOldFormExceptions(out, c.exceptions);
  out.Close("WeekDays");
  if (!c.exceptions.empty()) {
    out.Open("Exceptions");
    for (const CalendarException& e : c.exceptions) WriteException(out, e);
    out.Close("Exceptions");
  }
  out.Close("Calendar");
}

void WriteResource(XmlOut& out, const ResourceData& r, std::int32_t uid, long long id,
                   std::int32_t calendarUid) {
  out.Open("Resource");
  out.Leaf("UID", uid);
  out.Leaf("ID", id);
  out.Leaf("Name", CutToChars(r.name, 512));
  // The format counts 0 material, 1 work; cost resources are material ones marked as cost.
  out.Leaf("Type", r.kind == 0 ? 1 : 0);
  out.Flag("IsNull", false);
  if (!r.initials.empty()) out.Leaf("Initials", CutToChars(r.initials, 512));
  if (!r.group.empty()) out.Leaf("Group", CutToChars(r.group, 512));
  if (r.kind == 0) out.Leaf("MaxUnits", 1);
  out.Leaf("CalendarUID", calendarUid);
  out.Flag("IsCostResource", r.kind == 2);
  out.Close("Resource");
}

void WriteTask(XmlOut& out, const TaskData& t, std::int32_t uid, long long id,
               const std::string& outlineNumber, const std::string& workText) {
  const std::string zero = FormatXmlDuration(0);
  const std::string duration = FormatXmlDuration(t.durationMinutes);
  const bool milestone = !t.summary && t.durationMinutes <= 0;
  out.Open("Task");
  out.Leaf("UID", uid);
  out.Leaf("ID", id);
  out.Leaf("Name", CutToChars(t.name, 512));
  out.Leaf("Type", 1);  // fixed duration: the bar keeps the days the chart gave it
  out.Flag("IsNull", false);
  out.Leaf("WBS", outlineNumber);
  out.Leaf("OutlineNumber", outlineNumber);
  out.Leaf("OutlineLevel", t.outlineLevel);
  out.Leaf("Priority", 500);
  out.DateTime("Start", t.start);
  out.DateTime("Finish", t.finish);
  out.Leaf("Duration", duration);
  out.Leaf("DurationFormat", 7);
  out.Leaf("Work", workText);
  out.Flag("ResumeValid", false);
  out.Flag("EffortDriven", false);
  out.Flag("Recurring", false);
  out.Flag("OverAllocated", false);
  out.Flag("Estimated", false);
  out.Flag("Milestone", milestone);
  out.Flag("Summary", t.summary);
  out.Flag("Critical", false);
  out.Flag("IsSubproject", !t.subprojectFile.empty());
  out.Flag("IsSubprojectReadOnly", false);
  if (!t.subprojectFile.empty()) out.Leaf("SubprojectName", CutToChars(t.subprojectFile, 512));
  out.Flag("ExternalTask", false);
  out.Leaf("FixedCostAccrual", 3);
  out.Leaf("PercentComplete", 0);
  out.Leaf("PercentWorkComplete", 0);
  out.Leaf("ActualDuration", zero);
  out.Leaf("ActualWork", zero);
  out.Leaf("RemainingDuration", duration);
  out.Leaf("RemainingWork", workText);
  // Rows are pinned where they stand ("must start on"): without links between them, a tool
  // that schedules again would otherwise move every bar to the project's start.
  const bool pinned = !t.summary && t.subprojectFile.empty();
  out.Leaf("ConstraintType", pinned ? 2 : 0);
  out.Leaf("CalendarUID", -1);
  if (pinned) out.DateTime("ConstraintDate", t.start);
  out.Flag("LevelAssignments", false);
  out.Flag("LevelingCanSplit", true);
  out.Flag("IgnoreResourceCalendar", false);
  out.Flag("HideBar", t.hiddenBar);
  out.Flag("Rollup", t.rollup);
  for (const auto& [name, value] : t.numbers) {
    if (const auto field = FieldIdOf(name)) {
      out.Open("ExtendedAttribute");
      out.Leaf("FieldID", *field);
      out.Leaf("Value", FormatXmlNumber(value));
      out.Close("ExtendedAttribute");
    }
  }
  for (const auto& [name, value] : t.dates) {
    if (const auto field = FieldIdOf(name)) {
      out.Open("ExtendedAttribute");
      out.Leaf("FieldID", *field);
      out.DateTime("Value", value);
      out.Close("ExtendedAttribute");
    }
  }
  out.Close("Task");
}

void WriteAssignment(XmlOut& out, const AssignmentData& a, std::int32_t uid, std::int32_t taskUid,
                     std::int32_t resourceUid) {
  out.Open("Assignment");
  out.Leaf("UID", uid);
  out.Leaf("TaskUID", taskUid);
  out.Leaf("ResourceUID", resourceUid);
  out.DateTime("Finish", a.finish);
  out.DateTime("Start", a.start);
  out.Duration("Work", a.workMinutes);
  for (const TimephasedWork& w : a.timephased)
    out.Stretch(uid, w.start, w.finish, w.unit, &w.minutes, w.type);
  out.Close("Assignment");
}

}  // namespace kx::platform::pxml
