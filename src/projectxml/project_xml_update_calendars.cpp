// Writing a calendar back into the text it was read from: its own week written anew where it
// changed, and its exceptions edited so that every unchanged element stays as written; what is
// written is read back before it counts.

#include <algorithm>
#include <map>

#include "projectxml/project_xml_update_detail.hpp"

namespace kx::platform::pxml::update {

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

}  // namespace kx::platform::pxml::update
