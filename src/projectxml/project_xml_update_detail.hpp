#pragma once
// The parts of writing a project back into the text it was read from (project_xml_update*.cpp):
// the schema's order of the elements it writes, the edits of the text, and the updater that
// compares the model with the text's read and makes them. Only those files include it.

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "projectxml/xml_elements.hpp"
#include "projectxml/xml_out.hpp"
#include "projectxml/xml_values.hpp"
#include "support/text.hpp"

namespace kx::platform::pxml::update {

using pugi::xml_node;

// The order of the children of the format's elements, as far as the model writes them.
inline const std::vector<std::string_view> kProjectOrder = {"SaveVersion",
                                                            "UID",
                                                            "Name",
                                                            "Title",
                                                            "Subject",
                                                            "Category",
                                                            "Company",
                                                            "Manager",
                                                            "Author",
                                                            "CreationDate",
                                                            "Revision",
                                                            "LastSaved",
                                                            "ScheduleFromStart",
                                                            "StartDate",
                                                            "FinishDate",
                                                            "FYStartDate",
                                                            "CriticalSlackLimit",
                                                            "CurrencyDigits",
                                                            "CurrencySymbol",
                                                            "CurrencyCode",
                                                            "CurrencySymbolPosition",
                                                            "CalendarUID",
                                                            "DefaultStartTime",
                                                            "DefaultFinishTime",
                                                            "MinutesPerDay",
                                                            "MinutesPerWeek",
                                                            "DaysPerMonth",
                                                            "DefaultTaskType",
                                                            "DefaultFixedCostAccrual",
                                                            "DefaultStandardRate",
                                                            "DefaultOvertimeRate",
                                                            "DurationFormat",
                                                            "WorkFormat",
                                                            "EditableActualCosts",
                                                            "HonorConstraints",
                                                            "EarnedValueMethod",
                                                            "InsertedProjectsLikeSummary",
                                                            "MultipleCriticalPaths",
                                                            "NewTasksEffortDriven",
                                                            "NewTasksEstimated",
                                                            "SplitsInProgressTasks",
                                                            "SpreadActualCost",
                                                            "SpreadPercentComplete",
                                                            "TaskUpdatesResource",
                                                            "FiscalYearStart",
                                                            "WeekStartDay",
                                                            "MoveCompletedEndsBack",
                                                            "MoveRemainingStartsBack",
                                                            "MoveRemainingStartsForward",
                                                            "MoveCompletedEndsForward",
                                                            "BaselineForEarnedValue",
                                                            "AutoAddNewResourcesAndTasks",
                                                            "StatusDate",
                                                            "CurrentDate",
                                                            "MicrosoftProjectServerURL",
                                                            "Autolink",
                                                            "NewTaskStartDate",
                                                            "DefaultTaskEVMethod",
                                                            "ProjectExternallyEdited",
                                                            "ExtendedCreationDate",
                                                            "ActualsInSync",
                                                            "RemoveFileProperties",
                                                            "AdminProject",
                                                            "OutlineCodes",
                                                            "WBSMasks",
                                                            "ExtendedAttributes",
                                                            "Calendars",
                                                            "Tasks",
                                                            "Resources",
                                                            "Assignments"};
inline const std::vector<std::string_view> kCalendarOrder = {
    "UID", "Name", "IsBaseCalendar", "BaseCalendarUID", "WeekDays", "Exceptions", "WorkWeeks"};
inline const std::vector<std::string_view> kResourceOrder = {"UID",
                                                             "ID",
                                                             "Name",
                                                             "Type",
                                                             "IsNull",
                                                             "Initials",
                                                             "Phonetics",
                                                             "NTAccount",
                                                             "MaterialLabel",
                                                             "Code",
                                                             "Group",
                                                             "WorkGroup",
                                                             "EmailAddress",
                                                             "Hyperlink",
                                                             "HyperlinkAddress",
                                                             "HyperlinkSubAddress",
                                                             "MaxUnits",
                                                             "PeakUnits",
                                                             "OverAllocated",
                                                             "AvailableFrom",
                                                             "AvailableTo",
                                                             "Start",
                                                             "Finish",
                                                             "CanLevel",
                                                             "AccrueAt",
                                                             "Work",
                                                             "RegularWork",
                                                             "OvertimeWork",
                                                             "ActualWork",
                                                             "RemainingWork",
                                                             "ActualOvertimeWork",
                                                             "RemainingOvertimeWork",
                                                             "PercentWorkComplete",
                                                             "StandardRate",
                                                             "StandardRateFormat",
                                                             "Cost",
                                                             "OvertimeRate",
                                                             "OvertimeRateFormat",
                                                             "OvertimeCost",
                                                             "CostPerUse",
                                                             "ActualCost",
                                                             "ActualOvertimeCost",
                                                             "RemainingCost",
                                                             "RemainingOvertimeCost",
                                                             "WorkVariance",
                                                             "CostVariance",
                                                             "SV",
                                                             "CV",
                                                             "ACWP",
                                                             "CalendarUID",
                                                             "Notes",
                                                             "BCWS",
                                                             "BCWP",
                                                             "IsGeneric",
                                                             "IsInactive",
                                                             "IsEnterprise",
                                                             "BookingType",
                                                             "ActualWorkProtected",
                                                             "ActualOvertimeWorkProtected",
                                                             "ActiveDirectoryGUID",
                                                             "CreationDate",
                                                             "ExtendedAttribute",
                                                             "Baseline",
                                                             "OutlineCode",
                                                             "IsCostResource"};
inline const std::vector<std::string_view> kTaskOrder = {"UID",
                                                         "ID",
                                                         "Name",
                                                         "Type",
                                                         "IsNull",
                                                         "CreateDate",
                                                         "Contact",
                                                         "WBS",
                                                         "WBSLevel",
                                                         "OutlineNumber",
                                                         "OutlineLevel",
                                                         "Priority",
                                                         "Start",
                                                         "Finish",
                                                         "Duration",
                                                         "DurationFormat",
                                                         "Work",
                                                         "Stop",
                                                         "Resume",
                                                         "ResumeValid",
                                                         "EffortDriven",
                                                         "Recurring",
                                                         "OverAllocated",
                                                         "Estimated",
                                                         "Milestone",
                                                         "Summary",
                                                         "Critical",
                                                         "IsSubproject",
                                                         "IsSubprojectReadOnly",
                                                         "SubprojectName",
                                                         "ExternalTask",
                                                         "ExternalTaskProject",
                                                         "EarlyStart",
                                                         "EarlyFinish",
                                                         "LateStart",
                                                         "LateFinish",
                                                         "StartVariance",
                                                         "FinishVariance",
                                                         "WorkVariance",
                                                         "FreeSlack",
                                                         "TotalSlack",
                                                         "FixedCost",
                                                         "FixedCostAccrual",
                                                         "PercentComplete",
                                                         "PercentWorkComplete",
                                                         "Cost",
                                                         "OvertimeCost",
                                                         "OvertimeWork",
                                                         "ActualStart",
                                                         "ActualFinish",
                                                         "ActualDuration",
                                                         "ActualCost",
                                                         "ActualOvertimeCost",
                                                         "ActualWork",
                                                         "ActualOvertimeWork",
                                                         "RegularWork",
                                                         "RemainingDuration",
                                                         "RemainingCost",
                                                         "RemainingWork",
                                                         "RemainingOvertimeCost",
                                                         "RemainingOvertimeWork",
                                                         "ACWP",
                                                         "CV",
                                                         "ConstraintType",
                                                         "CalendarUID",
                                                         "ConstraintDate",
                                                         "Deadline",
                                                         "LevelAssignments",
                                                         "LevelingCanSplit",
                                                         "LevelingDelay",
                                                         "LevelingDelayFormat",
                                                         "PreLeveledStart",
                                                         "PreLeveledFinish",
                                                         "Hyperlink",
                                                         "HyperlinkAddress",
                                                         "HyperlinkSubAddress",
                                                         "IgnoreResourceCalendar",
                                                         "Notes",
                                                         "HideBar",
                                                         "Rollup",
                                                         "BCWS",
                                                         "BCWP",
                                                         "PhysicalPercentComplete",
                                                         "EarnedValueMethod",
                                                         "PredecessorLink",
                                                         "ActualWorkProtected",
                                                         "ActualOvertimeWorkProtected",
                                                         "ExtendedAttribute"};
inline const std::vector<std::string_view> kAssignmentOrder = {"UID",
                                                               "TaskUID",
                                                               "ResourceUID",
                                                               "PercentWorkComplete",
                                                               "ActualCost",
                                                               "ActualFinish",
                                                               "ActualOvertimeCost",
                                                               "ActualOvertimeWork",
                                                               "ActualStart",
                                                               "ActualWork",
                                                               "ACWP",
                                                               "Confirmed",
                                                               "Cost",
                                                               "CostRateTable",
                                                               "CostVariance",
                                                               "CV",
                                                               "Delay",
                                                               "Finish",
                                                               "FinishVariance",
                                                               "Hyperlink",
                                                               "HyperlinkAddress",
                                                               "HyperlinkSubAddress",
                                                               "WorkVariance",
                                                               "HasFixedRateUnits",
                                                               "FixedMaterial",
                                                               "LevelingDelay",
                                                               "LevelingDelayFormat",
                                                               "LinkedFields",
                                                               "Milestone",
                                                               "Notes",
                                                               "Overallocated",
                                                               "OvertimeCost",
                                                               "OvertimeWork",
                                                               "PeakUnits",
                                                               "RegularWork",
                                                               "RemainingCost",
                                                               "RemainingOvertimeCost",
                                                               "RemainingOvertimeWork",
                                                               "RemainingWork",
                                                               "ResponsePending",
                                                               "Start",
                                                               "Stop",
                                                               "Resume",
                                                               "StartVariance",
                                                               "Summary",
                                                               "SV",
                                                               "Units",
                                                               "UpdateNeeded",
                                                               "VAC",
                                                               "Work"};

inline std::size_t OrderOf(const std::vector<std::string_view>& order, std::string_view name) {
  const auto it = std::find(order.begin(), order.end(), name);
  return it == order.end() ? order.size() : static_cast<std::size_t>(it - order.begin());
}

inline bool SameStretches(const std::vector<TimephasedWork>& a,
                          const std::vector<TimephasedWork>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const TimephasedWork& x, const TimephasedWork& y) {
                      return x.start == y.start && x.finish == y.finish && x.minutes == y.minutes &&
                             x.unit == y.unit && x.type == y.type;
                    });
}

struct ExceptionLess {
  bool operator()(const CalendarException& a, const CalendarException& b) const {
    if (a.from.serial != b.from.serial) return a.from.serial < b.from.serial;
    if (a.to.serial != b.to.serial) return a.to.serial < b.to.serial;
    if (a.working != b.working) return a.working < b.working;
    if (a.name != b.name) return a.name < b.name;
    const auto key = [](const WorkingTimes& t) {
      std::vector<std::pair<double, double>> k;
      for (const WorkingTime& w : t) k.emplace_back(w.from, w.to);
      return k;
    };
    return key(a.times) < key(b.times);
  }
};

inline std::string Quote(const std::string& s) {
  return "\"" + s + "\"";
}

// XmlOut text of an element `name` around `children` (XmlOut text at depth 0).
inline std::string Wrapped(std::string_view name, const std::string& children) {
  std::string text = "<" + std::string(name) + ">\n";
  for (std::size_t line = 0; line < children.size();) {
    const std::size_t end = children.find('\n', line);
    text += '\t';
    text.append(children, line, end == std::string::npos ? std::string::npos : end + 1 - line);
    line = end == std::string::npos ? children.size() : end + 1;
  }
  return text + "</" + std::string(name) + ">\n";
}

// A change of the text: the bytes [from, to) give way to `text`.
struct Edit {
  std::size_t from = 0;
  std::size_t to = 0;
  std::string text;
};

class Updater {
 public:
  Updater(const ProjectData& p, const XmlSourceFile& file, const std::string& fileName)
      : p_(p), file_(file), text_(file.text->utf8), fileName_(fileName) {}

  CompanionExtras Run(const std::function<void(std::string_view)>& sink);

 private:
  // Positions and layout.
  std::size_t Start(xml_node n) const { return static_cast<std::size_t>(n.offset_debug() - 1); }
  std::size_t End(xml_node n) const;
  // Where a new child of `n` goes after all it has: past its last element child, else past its
  // start tag. Nothing for an empty-element tag ("<Tasks/>").
  std::optional<std::size_t> AfterChildren(xml_node n) const;
  int Depth(xml_node n) const;
  // Just past the start tag of `n`.
  std::size_t StartTagEnd(xml_node n) const;
  std::string Local(xml_node n) const;
  std::string Qualified(std::string_view local) const { return prefix_ + std::string(local); }
  // Text that XmlOut wrote at depth 0, laid out at `depth` with the file's indentation and line
  // ends, each line led by a line end.
  std::string Layout(const std::string& written, int depth) const;
  void FindLayout();

  // An empty-element tag ("<Tasks/>") of `n` written out around `children` (XmlOut text at
  // depth 0), its attributes (namespaces among them) as the file writes them.
  void Fill(xml_node n, const std::string& children);

  // Changes.
  void Replace(xml_node n, std::string text) {
    edits_.push_back({Start(n), End(n), std::move(text)});
  }
  void Remove(xml_node n);
  // The offset where the white space before `at` begins.
  std::size_t LeadingSpace(std::size_t at) const;
  std::optional<std::int64_t> DayTypeOf(xml_node weekDay) const;
  void Insert(std::size_t at, std::string text) { edits_.push_back({at, at, std::move(text)}); }
  // Sets the leaf `local` of `parent` to `text`: its element is written anew, or where it has
  // none, one goes where `order` puts it.
  void SetLeaf(xml_node parent, const std::vector<std::string_view>& order, std::string_view local,
               const std::string& text);
  // Adds `written` (XmlOut text at depth 0) as children of `parent` after those it has; a
  // parent that is missing (null) is made as a child of `grandparent` where `order` puts it.
  void AddChildren(xml_node parent, std::string_view parentName, xml_node grandparent,
                   const std::vector<std::string_view>& order, const std::string& written);
  // The place for a new child `local` of `parent` by `order`: past the last child that comes
  // before it.
  std::size_t PlaceFor(xml_node parent, const std::vector<std::string_view>& order,
                       std::string_view local) const;
  xml_node Child(xml_node parent, std::string_view local) const;
  std::string LeafText(std::string_view local, std::string_view text) const;

  // The parts of the model.
  void Header();
  void AssignCalendarUids();
  void Calendars();
  void UpdateCalendar(const CalendarData& now, const CalendarData& was, xml_node node);
  std::vector<Edit> ExceptionEdits(const CalendarData& now, const CalendarData& was, xml_node node,
                                   bool whole);
  bool ReadsBackAs(const CalendarData& now, xml_node node, const std::vector<Edit>& edits) const;
  void Resources();
  void Tasks();
  void Assignments();

  // A positive UID that `taken` does not hold, now taken.
  static std::int32_t FreshUid(std::set<std::int32_t>& taken) {
    std::int32_t uid = taken.empty() ? 1 : std::max(*taken.rbegin(), 0);
    while (taken.count(uid) || uid <= 0) {
      if (uid == INT32_MAX) uid = 0;
      ++uid;
    }
    taken.insert(uid);
    return uid;
  }
  void Emit(const std::function<void(std::string_view)>& sink);

  const ProjectData& p_;
  const XmlSourceFile& file_;
  const std::string& text_;
  const std::string& fileName_;
  std::unique_ptr<IndexedRead> read_;
  const ProjectData* was_ = nullptr;  // the model as read
  NodeIndex* index_ = nullptr;
  std::string prefix_;  // of the file's element names ("p:"), empty for none
  std::string newline_ = "\n";
  std::string indent_ = "\t";  // one level
  std::vector<Edit> edits_;
  CompanionExtras extras_;
  std::vector<std::shared_ptr<CalendarData>> calendars_;  // every calendar the model refers to
  std::unordered_map<const CalendarData*, std::int32_t> calendarUid_;  // as written
  std::unordered_map<const CalendarData*, const CalendarData*> calendarWas_;
  std::unordered_map<const TaskData*, std::int32_t> taskUid_;
  std::unordered_map<std::int32_t, std::int32_t> taskUidOf_;  // the model's -> written
  std::vector<std::int32_t> resourceUids_;                    // by row, as written
};

}  // namespace kx::platform::pxml::update
