// Writing a project back into the Project XML text it was read from. The text is read again,
// with the elements that each part of the model came from noted; what the model holds is
// compared with what that read gives, part by part, and only the elements of what changed are
// written anew. Everything else is copied from the text as it stands, byte for byte.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "projectxml/project_xml_update_detail.hpp"

namespace kx::platform::pxml {
namespace update {

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

}  // namespace update

CompanionExtras UpdateProjectXml(const ProjectData& project, const XmlSourceFile& file,
                                 const std::string& fileName,
                                 std::function<void(std::string_view)> sink) {
  return update::Updater(project, file, fileName).Run(sink);
}

}  // namespace kx::platform::pxml
