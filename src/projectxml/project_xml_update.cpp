// Writing a project back into the Project XML text it was read from. The text is read again,
// with the elements that each part of the model came from noted; what the model holds is
// compared with what that read gives, part by part, and only the elements of what changed are
// written anew. Everything else is copied from the text as it stands, byte for byte.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "projectxml/xml_elements.hpp"
#include "projectxml/xml_out.hpp"
#include "projectxml/xml_values.hpp"
#include "support/text.hpp"

namespace kx::platform::pxml {
namespace {

using pugi::xml_node;

// The order of the children of the format's elements, as far as the model writes them.
const std::vector<std::string_view> kProjectOrder = {
    "SaveVersion", "UID", "Name", "Title", "Subject", "Category", "Company", "Manager", "Author",
    "CreationDate", "Revision", "LastSaved", "ScheduleFromStart", "StartDate", "FinishDate",
    "FYStartDate", "CriticalSlackLimit", "CurrencyDigits", "CurrencySymbol", "CurrencyCode",
    "CurrencySymbolPosition", "CalendarUID", "DefaultStartTime", "DefaultFinishTime",
    "MinutesPerDay", "MinutesPerWeek", "DaysPerMonth", "DefaultTaskType",
    "DefaultFixedCostAccrual", "DefaultStandardRate", "DefaultOvertimeRate", "DurationFormat",
    "WorkFormat", "EditableActualCosts", "HonorConstraints", "EarnedValueMethod",
    "InsertedProjectsLikeSummary", "MultipleCriticalPaths", "NewTasksEffortDriven",
    "NewTasksEstimated", "SplitsInProgressTasks", "SpreadActualCost", "SpreadPercentComplete",
    "TaskUpdatesResource", "FiscalYearStart", "WeekStartDay", "MoveCompletedEndsBack",
    "MoveRemainingStartsBack", "MoveRemainingStartsForward", "MoveCompletedEndsForward",
    "BaselineForEarnedValue", "AutoAddNewResourcesAndTasks", "StatusDate", "CurrentDate",
    "MicrosoftProjectServerURL", "Autolink", "NewTaskStartDate", "DefaultTaskEVMethod",
    "ProjectExternallyEdited", "ExtendedCreationDate", "ActualsInSync", "RemoveFileProperties",
    "AdminProject", "OutlineCodes", "WBSMasks", "ExtendedAttributes", "Calendars", "Tasks",
    "Resources", "Assignments"};
const std::vector<std::string_view> kCalendarOrder = {
    "UID", "Name", "IsBaseCalendar", "BaseCalendarUID", "WeekDays", "Exceptions", "WorkWeeks"};
const std::vector<std::string_view> kResourceOrder = {
    "UID", "ID", "Name", "Type", "IsNull", "Initials", "Phonetics", "NTAccount", "MaterialLabel",
    "Code", "Group", "WorkGroup", "EmailAddress", "Hyperlink", "HyperlinkAddress",
    "HyperlinkSubAddress", "MaxUnits", "PeakUnits", "OverAllocated", "AvailableFrom",
    "AvailableTo", "Start", "Finish", "CanLevel", "AccrueAt", "Work", "RegularWork",
    "OvertimeWork", "ActualWork", "RemainingWork", "ActualOvertimeWork", "RemainingOvertimeWork",
    "PercentWorkComplete", "StandardRate", "StandardRateFormat", "Cost", "OvertimeRate",
    "OvertimeRateFormat", "OvertimeCost", "CostPerUse", "ActualCost", "ActualOvertimeCost",
    "RemainingCost", "RemainingOvertimeCost", "WorkVariance", "CostVariance", "SV", "CV", "ACWP",
    "CalendarUID", "Notes", "BCWS", "BCWP", "IsGeneric", "IsInactive", "IsEnterprise",
    "BookingType", "ActualWorkProtected", "ActualOvertimeWorkProtected", "ActiveDirectoryGUID",
    "CreationDate", "ExtendedAttribute", "Baseline", "OutlineCode", "IsCostResource"};
const std::vector<std::string_view> kTaskOrder = {
    "UID", "ID", "Name", "Type", "IsNull", "CreateDate", "Contact", "WBS", "WBSLevel",
    "OutlineNumber", "OutlineLevel", "Priority", "Start", "Finish", "Duration", "DurationFormat",
    "Work", "Stop", "Resume", "ResumeValid", "EffortDriven", "Recurring", "OverAllocated",
    "Estimated", "Milestone", "Summary", "Critical", "IsSubproject", "IsSubprojectReadOnly",
    "SubprojectName", "ExternalTask", "ExternalTaskProject", "EarlyStart", "EarlyFinish",
    "LateStart", "LateFinish", "StartVariance", "FinishVariance", "WorkVariance", "FreeSlack",
    "TotalSlack", "FixedCost", "FixedCostAccrual", "PercentComplete", "PercentWorkComplete",
    "Cost", "OvertimeCost", "OvertimeWork", "ActualStart", "ActualFinish", "ActualDuration",
    "ActualCost", "ActualOvertimeCost", "ActualWork", "ActualOvertimeWork", "RegularWork",
    "RemainingDuration", "RemainingCost", "RemainingWork", "RemainingOvertimeCost",
    "RemainingOvertimeWork", "ACWP", "CV", "ConstraintType", "CalendarUID", "ConstraintDate",
    "Deadline", "LevelAssignments", "LevelingCanSplit", "LevelingDelay", "LevelingDelayFormat",
    "PreLeveledStart", "PreLeveledFinish", "Hyperlink", "HyperlinkAddress",
    "HyperlinkSubAddress", "IgnoreResourceCalendar", "Notes", "HideBar", "Rollup", "BCWS",
    "BCWP", "PhysicalPercentComplete", "EarnedValueMethod", "PredecessorLink",
    "ActualWorkProtected", "ActualOvertimeWorkProtected", "ExtendedAttribute"};
const std::vector<std::string_view> kAssignmentOrder = {
    "UID", "TaskUID", "ResourceUID", "PercentWorkComplete", "ActualCost", "ActualFinish",
    "ActualOvertimeCost", "ActualOvertimeWork", "ActualStart", "ActualWork", "ACWP", "Confirmed",
    "Cost", "CostRateTable", "CostVariance", "CV", "Delay", "Finish", "FinishVariance",
    "Hyperlink", "HyperlinkAddress", "HyperlinkSubAddress", "WorkVariance", "HasFixedRateUnits",
    "FixedMaterial", "LevelingDelay", "LevelingDelayFormat", "LinkedFields", "Milestone", "Notes",
    "Overallocated", "OvertimeCost", "OvertimeWork", "PeakUnits", "RegularWork",
    "RemainingCost", "RemainingOvertimeCost", "RemainingOvertimeWork", "RemainingWork",
    "ResponsePending", "Start", "Stop", "Resume", "StartVariance", "Summary", "SV", "Units",
    "UpdateNeeded", "VAC", "Work"};

std::size_t OrderOf(const std::vector<std::string_view>& order, std::string_view name) {
  const auto it = std::find(order.begin(), order.end(), name);
  return it == order.end() ? order.size() : static_cast<std::size_t>(it - order.begin());
}

bool SameStretches(const std::vector<TimephasedWork>& a, const std::vector<TimephasedWork>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const TimephasedWork& x, const TimephasedWork& y) {
                      return x.start == y.start && x.finish == y.finish &&
                             x.minutes == y.minutes && x.unit == y.unit && x.type == y.type;
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

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// XmlOut text of an element `name` around `children` (XmlOut text at depth 0).
std::string Wrapped(std::string_view name, const std::string& children) {
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
  void Replace(xml_node n, std::string text) { edits_.push_back({Start(n), End(n), std::move(text)}); }
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
  std::string prefix_;        // of the file's element names ("p:"), empty for none
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

std::size_t Updater::End(xml_node n) const {
  // The element is well-formed (it was parsed): its end is found by counting its tags, past
  // comments, sections of character data, instructions and quoted attribute values.
  const std::string_view t = text_;
  std::size_t i = Start(n);
  int depth = 0;
  const auto fail = [&]() -> std::size_t {
    throw host::HostError(host::kErrFile,
                          fileName_ + ": die Datei kann nicht fortgeschrieben werden (das Element <" +
                              std::string(n.name()) + "> endet nicht)");
  };
  while (i < t.size()) {
    if (t[i] != '<') {
      i = t.find('<', i);
      if (i == std::string_view::npos) return fail();
      continue;
    }
    const auto skip = [&](std::string_view open, std::string_view close) {
      if (t.compare(i, open.size(), open) != 0) return false;
      const std::size_t end = t.find(close, i + open.size());
      i = end == std::string_view::npos ? t.size() + 1 : end + close.size();
      return true;
    };
    if (skip("<!--", "-->") || skip("<![CDATA[", "]]>") || skip("<?", "?>")) {
      if (i > t.size()) return fail();
      continue;
    }
    const bool closing = i + 1 < t.size() && t[i + 1] == '/';
    std::size_t j = i + 1;
    char quote = 0;
    for (; j < t.size(); ++j) {
      const char c = t[j];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        break;
      }
    }
    if (j >= t.size()) return fail();
    if (closing)
      --depth;
    else if (t[j - 1] != '/')
      ++depth;
    i = j + 1;
    if (depth <= 0) return i;
  }
  return fail();
}

std::optional<std::size_t> Updater::AfterChildren(xml_node n) const {
  xml_node last;
  for (xml_node c = n.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) last = c;
  if (last) return End(last);
  const std::size_t open = StartTagEnd(n);
  if (open >= 2 && text_[open - 2] == '/') return std::nullopt;
  return open;
}

std::size_t Updater::StartTagEnd(xml_node n) const {
  // The first '>' outside quotes.
  const std::string_view t = text_;
  char quote = 0;
  for (std::size_t i = Start(n) + 1; i < t.size(); ++i) {
    const char c = t[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return t.size();
}

int Updater::Depth(xml_node n) const {
  int depth = 0;
  for (xml_node p = n.parent(); p && p.type() == pugi::node_element; p = p.parent()) ++depth;
  return depth;
}

std::string Updater::Local(xml_node n) const {
  // As the reader sees it: a file that writes its root with a prefix has any prefix taken off.
  const char* name = n.name();
  if (!prefix_.empty())
    if (const char* colon = std::strrchr(name, ':')) return colon + 1;
  return name;
}

xml_node Updater::Child(xml_node parent, std::string_view local) const {
  for (xml_node c = parent.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && Local(c) == local) return c;
  return {};
}

void Updater::FindLayout() {
  const xml_node root = index_->root;
  const std::string name = root.name();
  if (const auto colon = name.rfind(':'); colon != std::string::npos)
    prefix_ = name.substr(0, colon + 1);
  // The white space before the root's first child tells the file's line end and indentation.
  const xml_node first = root.first_child();
  if (!first || first.type() != pugi::node_element) return;
  std::size_t at = Start(first);
  std::size_t from = at;
  while (from > 0 && (text_[from - 1] == ' ' || text_[from - 1] == '\t')) --from;
  indent_ = text_.substr(from, at - from);
  if (from > 0 && text_[from - 1] == '\n')
    newline_ = from > 1 && text_[from - 2] == '\r' ? "\r\n" : "\n";
  else
    newline_.clear(), indent_.clear();  // all on one line
}

std::string Updater::Layout(const std::string& written, int depth) const {
  std::string out;
  std::size_t line = 0;
  while (line < written.size()) {
    std::size_t end = written.find('\n', line);
    if (end == std::string::npos) end = written.size();
    std::size_t tabs = line;
    while (tabs < end && written[tabs] == '\t') ++tabs;
    out += newline_;
    for (std::size_t k = 0; k < static_cast<std::size_t>(depth) + (tabs - line); ++k) out += indent_;
    std::string_view content(written.data() + tabs, end - tabs);
    // Names of the format's elements take the file's prefix.
    if (!prefix_.empty()) {
      std::string named;
      for (std::size_t i = 0; i < content.size(); ++i) {
        named += content[i];
        if (content[i] == '<' && i + 1 < content.size())
          named += content[i + 1] == '/' ? (++i, "/" + prefix_) : prefix_;
      }
      out += named;
    } else {
      out += content;
    }
    line = end + 1;
  }
  return out;
}

std::string Updater::LeafText(std::string_view local, std::string_view text) const {
  XmlOut out;
  out.Leaf(local, text);
  std::string written = out.Take();
  return Layout(written, 0).substr(newline_.size());
}

std::size_t Updater::LeadingSpace(std::size_t at) const {
  while (at > 0 && (text_[at - 1] == ' ' || text_[at - 1] == '\t' || text_[at - 1] == '\r' ||
                    text_[at - 1] == '\n'))
    --at;
  return at;
}

std::optional<std::int64_t> Updater::DayTypeOf(xml_node weekDay) const {
  const xml_node type = Child(weekDay, "DayType");
  return type ? ParseXmlInteger(type.child_value()) : std::nullopt;
}

void Updater::Fill(xml_node n, const std::string& children) {
  const std::size_t open = StartTagEnd(n);
  std::string text = text_.substr(Start(n), open - 2 - Start(n));
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n'))
    text.pop_back();
  text += ">" + Layout(children, Depth(n) + 1) + newline_;
  for (int k = 0; k < Depth(n); ++k) text += indent_;
  text += "</" + std::string(n.name()) + ">";
  Replace(n, std::move(text));
}

void Updater::Remove(xml_node n) {
  // With the white space that leads to it, so that no empty line stays.
  edits_.push_back({LeadingSpace(Start(n)), End(n), {}});
}

std::size_t Updater::PlaceFor(xml_node parent, const std::vector<std::string_view>& order,
                              std::string_view local) const {
  const std::size_t rank = OrderOf(order, local);
  xml_node before;
  for (xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    if (OrderOf(order, Local(c)) < rank) before = c;
  }
  // Where no child comes before it: right after the start tag.
  return before ? End(before) : StartTagEnd(parent);
}

void Updater::SetLeaf(xml_node parent, const std::vector<std::string_view>& order,
                      std::string_view local, const std::string& text) {
  if (const xml_node leaf = Child(parent, local)) {
    if (text == leaf.child_value()) return;
    Replace(leaf, LeafText(local, text));
    return;
  }
  XmlOut out;
  out.Leaf(local, text);
  if (!AfterChildren(parent))  // an empty-element tag, written out with its one child
    Fill(parent, out.Take());
  else
    Insert(PlaceFor(parent, order, local), Layout(out.Take(), Depth(parent) + 1));
}

void Updater::AddChildren(xml_node parent, std::string_view parentName, xml_node grandparent,
                          const std::vector<std::string_view>& order, const std::string& written) {
  if (written.empty()) return;
  if (!parent) {
    const std::string element = Wrapped(parentName, written);
    if (!AfterChildren(grandparent))  // an empty-element tag, written out around it
      Fill(grandparent, element);
    else
      Insert(PlaceFor(grandparent, order, parentName), Layout(element, Depth(grandparent) + 1));
    return;
  }
  if (const auto at = AfterChildren(parent))
    Insert(*at, Layout(written, Depth(parent) + 1));
  else
    Fill(parent, written);
}

// ---------------------------------------------------------------------------------------------
// The project's own values

void Updater::Header() {
  const xml_node root = index_->root;
  const ProjectData& was = *was_;
  if (Child(root, "Name"))
    SetLeaf(root, kProjectOrder, "Name", std::string(CutToChars(fileName_, 255)));
  if (p_.title != was.title) SetLeaf(root, kProjectOrder, "Title", std::string(CutToChars(p_.title, 512)));
  if (!(p_.start == was.start)) SetLeaf(root, kProjectOrder, "StartDate", FormatXmlDateTime(p_.start));
  if (p_.finish && (!was.finish || !(*p_.finish == *was.finish)))
    SetLeaf(root, kProjectOrder, "FinishDate", FormatXmlDateTime(*p_.finish));
  const std::optional<std::int32_t> projectCalendar =
      pxml::ProjectCalendarUid(p_, calendars_, calendarUid_);
  if (!projectCalendar) extras_.projectCalendar = p_.calendarName;
  if (p_.calendarName != was.calendarName && projectCalendar)
    SetLeaf(root, kProjectOrder, "CalendarUID", std::to_string(*projectCalendar));
  if (p_.dayStartTime != was.dayStartTime)
    SetLeaf(root, kProjectOrder, "DefaultStartTime", FormatXmlTime(p_.dayStartTime));
  if (p_.dayFinishTime != was.dayFinishTime)
    SetLeaf(root, kProjectOrder, "DefaultFinishTime", FormatXmlTime(p_.dayFinishTime));
  if (p_.minutesPerDay != was.minutesPerDay)
    SetLeaf(root, kProjectOrder, "MinutesPerDay", std::to_string(std::llround(p_.minutesPerDay)));
  if (p_.minutesPerWeek != was.minutesPerWeek)
    SetLeaf(root, kProjectOrder, "MinutesPerWeek", std::to_string(std::llround(p_.minutesPerWeek)));
  if (p_.daysPerMonth != was.daysPerMonth)
    SetLeaf(root, kProjectOrder, "DaysPerMonth", std::to_string(p_.daysPerMonth));
  // Field titles live in the companion file, which keeps every one of them.
  extras_.allFieldTitles = true;
}

// ---------------------------------------------------------------------------------------------
// Calendars

void Updater::AssignCalendarUids() {
  calendars_ = CalendarsOf(p_);
  std::unordered_map<std::int32_t, const CalendarData*> wasByUid;
  for (const auto& c : was_->calendars) wasByUid.emplace(c->uid, c.get());
  std::set<std::int32_t> taken = index_->calendarUids;
  std::unordered_set<std::int32_t> claimed;
  for (const auto& c : calendars_) {
    const auto was = wasByUid.find(c->uid);
    if (was != wasByUid.end() && claimed.insert(c->uid).second) {
      calendarUid_[c.get()] = c->uid;
      calendarWas_[c.get()] = was->second;
    }
  }
  for (const auto& c : calendars_) {
    if (calendarUid_.count(c.get())) continue;
    // A new calendar keeps its UID where the file does not use it.
    if (c->uid > 0 && !taken.count(c->uid)) {
      taken.insert(c->uid);
      calendarUid_[c.get()] = c->uid;
    } else {
      calendarUid_[c.get()] = FreshUid(taken);
    }
  }
}

void Updater::Calendars() {
  std::string added;
  for (const auto& c : calendars_) {
    const std::int32_t uid = calendarUid_[c.get()];
    std::vector<int> inherited;
    const auto was = calendarWas_.find(c.get());
    if (was == calendarWas_.end()) {
      XmlOut out;
      WriteCalendar(out, *c, uid, !c->isBase && c->base ? calendarUid_[c->base.get()] : -1,
                    inherited);
      added += out.Take();
    } else {
      UpdateCalendar(*c, *was->second, index_->calendars.at(uid));
      if (c->isBase)
        for (int d = 0; d < 7; ++d)
          if (c->weekdays[static_cast<std::size_t>(d)].inherited) inherited.push_back(d);
    }
    if (!inherited.empty()) extras_.inheritedWeekdays.emplace_back(uid, inherited);
  }
  // A calendar that the model no longer has stays in the file: tasks and other tools may still
  // name it there.
  AddChildren(index_->calendarList, "Calendars", index_->root, kProjectOrder, added);
}

void Updater::UpdateCalendar(const CalendarData& now, const CalendarData& was, xml_node node) {
  if (now.name != was.name) SetLeaf(node, kCalendarOrder, "Name", std::string(CutToChars(now.name, 512)));
  if (now.isBase != was.isBase) SetLeaf(node, kCalendarOrder, "IsBaseCalendar", now.isBase ? "1" : "0");
  const std::int32_t baseNow = !now.isBase && now.base ? calendarUid_[now.base.get()] : -1;
  const std::int32_t baseWas = !was.isBase && was.base ? was.base->uid : -1;
  if (baseNow != baseWas)
    SetLeaf(node, kCalendarOrder, "BaseCalendarUID", std::to_string(baseNow));
  const xml_node weekDays = Child(node, "WeekDays");
  if (now.weekdays != was.weekdays) {
    // The calendar's own week is written anew; its old-form exceptions stay where they are.
    std::vector<int> inherited;
    XmlOut out;
    WriteWeekdays(out, now, inherited);
    const std::string days = out.Take();
    std::optional<std::size_t> at;
    for (xml_node d = weekDays.first_child(); d; d = d.next_sibling()) {
      if (d.type() != pugi::node_element || Local(d) != "WeekDay") continue;
      const auto type = DayTypeOf(d);
      if (!type || *type < 1 || *type > 7) continue;
      if (!at) at = LeadingSpace(Start(d));
      Remove(d);
    }
    if (!weekDays)
      Insert(PlaceFor(node, kCalendarOrder, "WeekDays"),
             Layout(Wrapped("WeekDays", days), Depth(node) + 1));
    else if (!AfterChildren(weekDays))
      Fill(weekDays, days);
    else
      Insert(at ? *at : PlaceFor(weekDays, {}, ""), Layout(days, Depth(weekDays) + 1));
  }
  if (now.exceptions == was.exceptions) return;
  std::vector<Edit> edits = ExceptionEdits(now, was, node, false);
  if (!ReadsBackAs(now, node, edits)) edits = ExceptionEdits(now, was, node, true);
  // What would read back otherwise is not written: the work weeks of the file give days of
  // their own, which the model's exceptions no longer say.
  if (!ReadsBackAs(now, node, edits))
    throw host::HostError(host::kErrFile,
                          fileName_ + ": die Ausnahmen des Kalenders " + Quote(now.name) +
                              " lassen sich nicht speichern, ohne seine Arbeitswochen zu ändern; "
                              "ändern Sie die Arbeitswochen statt der Tage, die sie vorgeben");
  for (Edit& e : edits) edits_.push_back(std::move(e));
}

std::vector<Edit> Updater::ExceptionEdits(const CalendarData& now, const CalendarData& was,
                                          xml_node node, bool whole) {
  std::vector<Edit> mine;
  mine.swap(edits_);
  const std::set<CalendarException, ExceptionLess> present(now.exceptions.begin(),
                                                           now.exceptions.end());
  const std::set<CalendarException, ExceptionLess> before(was.exceptions.begin(),
                                                          was.exceptions.end());
  const xml_node weekDays = Child(node, "WeekDays");
  const xml_node exceptions = Child(node, "Exceptions");
  const bool newForm = exceptions && exceptions.first_child();
  // What stays: each exception element whose days are still there as they were (a day that an
  // earlier exception took from it when the file was read is none of its own), and the days of
  // work weeks, which the work weeks give again. What is written is read back before it counts.
  std::set<CalendarException, ExceptionLess> kept;
  if (!whole) {
    const auto days = index_->workWeekDaysOf.find(now.uid);
    if (days != index_->workWeekDaysOf.end())
      for (const CalendarException& e : days->second)
        if (present.count(e)) kept.insert(e);
  }
  const auto elements = index_->exceptionsOf.find(now.uid);
  if (newForm && elements != index_->exceptionsOf.end()) {
    for (const auto& element : elements->second) {
      const bool stays =
          !whole && std::all_of(element.days.begin(), element.days.end(), [&](const auto& e) {
            return present.count(e) > 0 || before.count(e) == 0;
          });
      if (stays)
        kept.insert(element.days.begin(), element.days.end());
      else
        Remove(element.node);
    }
  }
  std::string added;
  {
    XmlOut out;
    for (const CalendarException& e : now.exceptions)
      if (!kept.count(e)) WriteException(out, e);
    added = out.Take();
  }
  AddChildren(exceptions, "Exceptions", node, kCalendarOrder, added);
  // The older form, where the file has it, holds every exception again, after the regular days.
  bool oldForm = false;
  xml_node lastDay;
  for (xml_node d = weekDays.first_child(); d; d = d.next_sibling()) {
    if (d.type() != pugi::node_element || Local(d) != "WeekDay") continue;
    const auto type = DayTypeOf(d);
    if (type && *type == 0) {
      oldForm = true;
      Remove(d);
    } else if (type) {
      lastDay = d;
    }
  }
  if (oldForm) {
    XmlOut out;
    WriteOldFormExceptions(out, now.exceptions);
    Insert(lastDay ? End(lastDay) : PlaceFor(weekDays, {}, ""), Layout(out.Take(), Depth(weekDays) + 1));
  }
  mine.swap(edits_);
  return mine;
}

bool Updater::ReadsBackAs(const CalendarData& now, xml_node node,
                          const std::vector<Edit>& edits) const {
  // The calendar as it would be written, read alone.
  const std::size_t from = Start(node), to = End(node);
  std::vector<Edit> sorted = edits;
  std::sort(sorted.begin(), sorted.end(),
            [](const Edit& a, const Edit& b) { return a.from != b.from ? a.from < b.from : a.to < b.to; });
  std::string calendar;
  std::size_t pos = from;
  for (const Edit& e : sorted) {
    if (e.from < pos || e.to > to || e.from < from) return false;
    calendar.append(text_, pos, e.from - pos);
    calendar += e.text;
    pos = e.to;
  }
  calendar.append(text_, pos, to - pos);
  // The root's start tag as the file writes it, for its namespaces.
  const xml_node root = index_->root;
  const std::size_t rootStart = Start(root);
  const std::size_t rootOpen = text_.find('>', rootStart);
  std::string doc = text_.substr(rootStart, rootOpen + 1 - rootStart);
  if (doc.size() >= 2 && doc[doc.size() - 2] == '/') return false;
  doc += "<" + Qualified("Calendars") + ">" + calendar + "</" + Qualified("Calendars") + "></" +
         std::string(root.name()) + ">";
  try {
    ReadOptions options;
    options.loadSubprojects = false;
    options.readCompanion = false;
    options.keepSource = false;
    const LoadResult read = ReadProjectXmlText(doc, fileName_, options);
    if (read.project->calendars.size() != 1) return false;
    return read.project->calendars.front()->exceptions == now.exceptions;
  } catch (const host::HostError&) {
    return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Resources, tasks and assignments

void Updater::Resources() {
  std::unordered_map<std::int32_t, const ResourceData*> wasByUid;
  for (const auto& r : was_->resources)
    if (r) wasByUid.emplace(r->uid, r.get());
  std::set<std::int32_t> taken = index_->resourceUids;
  for (const auto& r : p_.resources)
    if (r) taken.insert(r->uid);
  std::unordered_set<std::int32_t> claimed;
  std::string added;
  for (std::size_t i = 0; i < p_.resources.size(); ++i) {
    const auto& r = p_.resources[i];
    if (!r) {
      resourceUids_.push_back(0);
      continue;
    }
    const std::int32_t calendarNow = r->calendar ? calendarUid_[r->calendar.get()] : -1;
    const auto it = wasByUid.find(r->uid);
    if (it == wasByUid.end() || !claimed.insert(r->uid).second) {
      const std::int32_t uid =
          it == wasByUid.end() && r->uid > 0 && !index_->resourceUids.count(r->uid) &&
                  !claimed.count(r->uid)
              ? r->uid
              : FreshUid(taken);
      claimed.insert(uid);
      resourceUids_.push_back(uid);
      XmlOut out;
      WriteResource(out, *r, uid, static_cast<long long>(i + 1), calendarNow);
      added += out.Take();
      continue;
    }
    resourceUids_.push_back(r->uid);
    const ResourceData& was = *it->second;
    const xml_node node = index_->resources.at(r->uid);
    if (static_cast<long long>(i + 1) != was.id)
      SetLeaf(node, kResourceOrder, "ID", std::to_string(i + 1));
    if (r->name != was.name) SetLeaf(node, kResourceOrder, "Name", std::string(CutToChars(r->name, 512)));
    if (r->kind != was.kind) {
      SetLeaf(node, kResourceOrder, "Type", r->kind == 0 ? "1" : "0");
      SetLeaf(node, kResourceOrder, "IsCostResource", r->kind == 2 ? "1" : "0");
    }
    if (r->initials != was.initials)
      SetLeaf(node, kResourceOrder, "Initials", std::string(CutToChars(r->initials, 512)));
    if (r->group != was.group) SetLeaf(node, kResourceOrder, "Group", std::string(CutToChars(r->group, 512)));
    const std::int32_t calendarWas = was.calendar ? was.calendar->uid : -1;
    if (calendarNow != calendarWas)
      SetLeaf(node, kResourceOrder, "CalendarUID", std::to_string(calendarNow));
  }
  for (const auto& [uid, node] : index_->resources)
    if (!claimed.count(uid) || !wasByUid.count(uid)) Remove(node);
  AddChildren(index_->resourceList, "Resources", index_->root, kProjectOrder, added);
}

void Updater::Tasks() {
  std::unordered_map<std::int32_t, const TaskData*> wasByUid;
  for (const auto& t : was_->tasks)
    if (t) wasByUid.emplace(t->uid, t.get());
  std::set<std::int32_t> taken = index_->taskUids;
  for (const auto& t : p_.tasks)
    if (t) taken.insert(t->uid);
  std::unordered_map<std::int32_t, double> workOfTask;
  for (const auto& r : p_.resources)
    if (r)
      for (const auto& a : r->assignments)
        if (a) workOfTask[a->taskUid] += a->workMinutes;
  std::unordered_set<std::int32_t> claimed;
  std::string added;
  OutlineCounter outline;
  for (std::size_t i = 0; i < p_.tasks.size(); ++i) {
    const auto& t = p_.tasks[i];
    if (!t) continue;
    const std::string number = outline.Next(t->outlineLevel);
    const auto it = wasByUid.find(t->uid);
    if (it == wasByUid.end() || !claimed.insert(t->uid).second) {
      const std::int32_t uid = it == wasByUid.end() && t->uid > 0 &&
                                       !index_->taskUids.count(t->uid) && !claimed.count(t->uid)
                                   ? t->uid
                                   : FreshUid(taken);
      claimed.insert(uid);
      taskUidOf_.emplace(t->uid, uid);
      const auto work = workOfTask.find(t->uid);
      XmlOut out;
      WriteTask(out, *t, uid, static_cast<long long>(i + 1), number,
                FormatXmlDuration(work == workOfTask.end() ? 0.0 : work->second));
      added += out.Take();
      continue;
    }
    taskUidOf_.emplace(t->uid, t->uid);
    const TaskData& was = *it->second;
    const xml_node node = index_->tasks.at(t->uid);
    if (static_cast<long long>(i + 1) != was.id) SetLeaf(node, kTaskOrder, "ID", std::to_string(i + 1));
    if (t->name != was.name) SetLeaf(node, kTaskOrder, "Name", std::string(CutToChars(t->name, 512)));
    if (t->outlineLevel != was.outlineLevel)
      SetLeaf(node, kTaskOrder, "OutlineLevel", std::to_string(t->outlineLevel));
    if (!(t->start == was.start)) SetLeaf(node, kTaskOrder, "Start", FormatXmlDateTime(t->start));
    if (!(t->finish == was.finish)) SetLeaf(node, kTaskOrder, "Finish", FormatXmlDateTime(t->finish));
    if (t->durationMinutes != was.durationMinutes)
      SetLeaf(node, kTaskOrder, "Duration", FormatXmlDuration(t->durationMinutes));
    if (t->summary != was.summary) SetLeaf(node, kTaskOrder, "Summary", t->summary ? "1" : "0");
    if (t->subprojectFile != was.subprojectFile && !t->subprojectFile.empty()) {
      SetLeaf(node, kTaskOrder, "IsSubproject", "1");
      SetLeaf(node, kTaskOrder, "SubprojectName", std::string(CutToChars(t->subprojectFile, 512)));
    }
    if (t->hiddenBar != was.hiddenBar) SetLeaf(node, kTaskOrder, "HideBar", t->hiddenBar ? "1" : "0");
    if (t->rollup != was.rollup) SetLeaf(node, kTaskOrder, "Rollup", t->rollup ? "1" : "0");
    if (t->numbers != was.numbers || t->dates != was.dates) {
      // The values of the fields the model keeps are written anew; other fields' stay.
      for (xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element || Local(c) != "ExtendedAttribute") continue;
        const xml_node id = Child(c, "FieldID");
        const auto field = id ? ParseXmlInteger(id.child_value()) : std::nullopt;
        if (field && *field >= INT32_MIN && *field <= INT32_MAX &&
            CustomFieldOf(static_cast<std::int32_t>(*field)))
          Remove(c);
      }
      XmlOut out;
      for (const auto& [name, value] : t->numbers) {
        if (const auto field = FieldIdOf(name)) {
          out.Open("ExtendedAttribute");
          out.Leaf("FieldID", *field);
          out.Leaf("Value", FormatXmlNumber(value));
          out.Close("ExtendedAttribute");
        }
      }
      for (const auto& [name, value] : t->dates) {
        if (const auto field = FieldIdOf(name)) {
          out.Open("ExtendedAttribute");
          out.Leaf("FieldID", *field);
          out.DateTime("Value", value);
          out.Close("ExtendedAttribute");
        }
      }
      const std::string values = out.Take();
      if (!values.empty()) Insert(PlaceFor(node, kTaskOrder, "ExtendedAttribute"), Layout(values, Depth(node) + 1));
    }
  }
  std::set<std::int32_t> removed;
  for (const auto& [uid, node] : index_->tasks)
    if (!claimed.count(uid)) {
      Remove(node);
      removed.insert(uid);
    }
  // Work that the file keeps for a removed task without a resource (the placeholder that holds
  // the gaps of its bar) goes with it; assignments of resources go with the model's.
  std::set<xml_node> noted;
  for (const auto& [key, nodes] : index_->assignments) noted.insert(nodes.begin(), nodes.end());
  if (!removed.empty())
    for (xml_node a = index_->assignmentList.first_child(); a; a = a.next_sibling()) {
      if (a.type() != pugi::node_element || Local(a) != "Assignment") continue;
      const xml_node task = Child(a, "TaskUID");
      const auto t = task ? ParseXmlInteger(task.child_value()) : std::nullopt;
      if (t && removed.count(static_cast<std::int32_t>(*t)) && !noted.count(a)) Remove(a);
    }
  AddChildren(index_->taskList, "Tasks", index_->root, kProjectOrder, added);
}

void Updater::Assignments() {
  // The assignments as read by UID and resource, in the file's order, as the index keeps their
  // elements: the k-th of a key was read from its k-th element.
  using Key = std::pair<std::int32_t, std::int32_t>;
  std::map<Key, std::vector<const AssignmentData*>> wasOf;
  for (const auto& r : was_->resources)
    if (r)
      for (const auto& a : r->assignments)
        if (a) wasOf[{a->uid, r->uid}].push_back(a.get());
  std::set<std::int32_t> taken = index_->assignmentUids;
  for (const auto& r : p_.resources)
    if (r)
      for (const auto& a : r->assignments)
        if (a) taken.insert(a->uid);
  std::map<Key, std::size_t> used;
  std::set<std::int32_t> given;  // UIDs of new assignments
  std::string added;
  for (std::size_t i = 0; i < p_.resources.size(); ++i) {
    const auto& r = p_.resources[i];
    if (!r) continue;
    for (const auto& a : r->assignments) {
      if (!a) continue;
      const auto task = taskUidOf_.find(a->taskUid);
      const std::int32_t taskUid = task == taskUidOf_.end() ? 0 : task->second;
      const Key key{a->uid, r->uid};
      const auto it = wasOf.find(key);
      const auto node = index_->assignments.find(key);
      std::size_t& k = used[key];
      if (it == wasOf.end() || node == index_->assignments.end() || k >= it->second.size() ||
          k >= node->second.size()) {
        const std::int32_t uid =
            a->uid >= 0 && !index_->assignmentUids.count(a->uid) && given.insert(a->uid).second
                ? a->uid
                : FreshUid(taken);
        given.insert(uid);
        XmlOut out;
        WriteAssignment(out, *a, uid, taskUid, resourceUids_[i]);
        added += out.Take();
        continue;
      }
      const AssignmentData& was = *it->second[k];
      const xml_node n = node->second[k];
      ++k;
      if (taskUid != was.taskUid) SetLeaf(n, kAssignmentOrder, "TaskUID", std::to_string(taskUid));
      if (resourceUids_[i] != was.resourceUid)
        SetLeaf(n, kAssignmentOrder, "ResourceUID", std::to_string(resourceUids_[i]));
      if (!(a->finish == was.finish)) SetLeaf(n, kAssignmentOrder, "Finish", FormatXmlDateTime(a->finish));
      if (!(a->start == was.start)) SetLeaf(n, kAssignmentOrder, "Start", FormatXmlDateTime(a->start));
      if (a->workMinutes != was.workMinutes)
        SetLeaf(n, kAssignmentOrder, "Work", FormatXmlDuration(a->workMinutes));
      if (!SameStretches(a->timephased, was.timephased)) {
        // The planned and actual work are written anew; other timephased data stay.
        std::optional<std::size_t> at;
        for (xml_node c = n.first_child(); c; c = c.next_sibling()) {
          if (c.type() != pugi::node_element || Local(c) != "TimephasedData") continue;
          const xml_node type = Child(c, "Type");
          const auto t = type ? ParseXmlInteger(type.child_value()) : std::nullopt;
          if (!t || (*t != 1 && *t != 2)) continue;
          if (!at) at = LeadingSpace(Start(c));
          Remove(c);
        }
        XmlOut out;
        for (const TimephasedWork& w : a->timephased)
          out.Stretch(a->uid, w.start, w.finish, w.unit, &w.minutes, w.type);
        const std::string stretches = out.Take();
        if (!stretches.empty()) {
          if (!at) at = AfterChildren(n);
          if (at) Insert(*at, Layout(stretches, Depth(n) + 1));
        }
      }
    }
  }
  for (const auto& [key, nodes] : index_->assignments)
    for (std::size_t k = used[key]; k < nodes.size(); ++k) Remove(nodes[k]);
  AddChildren(index_->assignmentList, "Assignments", index_->root, kProjectOrder, added);
}

void Updater::Emit(const std::function<void(std::string_view)>& sink) {
  std::stable_sort(edits_.begin(), edits_.end(), [](const Edit& a, const Edit& b) {
    return a.from != b.from ? a.from < b.from : a.to < b.to;
  });
  const KeptText& kept = *file_.text;
  const auto put = [&](std::string_view piece) {
    if (piece.empty()) return;
    if (kept.encoding == TextEncoding::kUtf8)
      sink(piece);
    else
      sink(EncodedAs(kept, piece));
  };
  if (const std::string mark = ByteOrderMark(kept); !mark.empty()) sink(mark);
  // The text is copied in pieces of about a mebibyte, each ending with a whole character, so
  // that the sink never holds the whole text twice.
  const auto copy = [&](std::size_t from, std::size_t to) {
    while (from < to) {
      std::size_t end = std::min(to, from + (std::size_t{1} << 20));
      while (end < to && end > from && (static_cast<unsigned char>(text_[end]) & 0xC0) == 0x80) --end;
      put(std::string_view(text_).substr(from, end - from));
      from = end;
    }
  };
  std::size_t pos = 0;
  for (const Edit& e : edits_) {
    if (e.from < pos)
      throw host::HostError(host::kErrFile,
                            fileName_ + ": die Datei kann nicht fortgeschrieben werden "
                                        "(Änderungen überschneiden sich)");
    copy(pos, e.from);
    const std::string safe = FindBadXmlText(e.text) ? XmlSafeText(e.text) : std::string();
    put(safe.empty() ? std::string_view(e.text) : std::string_view(safe));
    pos = e.to;
  }
  copy(pos, text_.size());
}

CompanionExtras Updater::Run(const std::function<void(std::string_view)>& sink) {
  read_ = ReadWithIndex(file_, fileName_);
  was_ = read_->project.get();
  index_ = &read_->index;
  FindLayout();
  AssignCalendarUids();
  Header();
  Calendars();
  Tasks();
  Resources();
  Assignments();
  Emit(sink);
  return std::move(extras_);
}

}  // namespace

CompanionExtras UpdateProjectXml(const ProjectData& project, const XmlSourceFile& file,
                                 const std::string& fileName,
                                 std::function<void(std::string_view)> sink) {
  return Updater(project, file, fileName).Run(sink);
}

}  // namespace kx::platform::pxml
