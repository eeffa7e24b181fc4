#include "projectxml/calendar_reader.hpp"

#include <algorithm>
#include <array>
#include <optional>

#include "projectxml/calendar_recurrence.hpp"
#include "projectxml/project_xml_detail.hpp"

namespace kx::platform::xml_read {
namespace {

// Exceptions kept per file at most; recurring patterns beyond it are cut off with a warning.
constexpr std::size_t kMaxExceptions = 500'000;
// Repeating exceptions are kept as their single days within these years.
const DayWindow kRecurrenceWindow{DateSerial(1900, 1, 1), DateSerial(2099, 12, 31)};
// Days of alternative work weeks turned into exceptions, per work week at most.
constexpr long long kMaxWorkWeekDays = 366LL * 50;

}  // namespace

WorkingTimes CalendarReader::ReadWorkingTimes(xml_node workingTimes) {
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

WorkingTimes CalendarReader::DayTimes(xml_node workingTimes, bool working) {
  if (!working) return {};
  WorkingTimes times = workingTimes ? ReadWorkingTimes(workingTimes) : WorkingTimes{};
  if (!workingTimes) times = pxml::HostDefaultTimes(1);  // a working day without its hours
  return times;
}

std::pair<Date, Date> CalendarReader::ReadPeriod(xml_node timePeriod, xml_node owner) {
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

void CalendarReader::ReadException(xml_node node, CalendarData& calendar) {
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
  if (index_) index_->exceptionsOf[calendar.uid].push_back({node, occurrences});
  for (auto& e : occurrences) calendar.exceptions.push_back(std::move(e));
}

void CalendarReader::ReadWorkWeeks(xml_node workWeeks, CalendarData& calendar) {
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
  if (index_)
    index_->workWeekDaysOf[calendar.uid].assign(
        calendar.exceptions.begin() + static_cast<std::ptrdiff_t>(explicitOnes.size()),
        calendar.exceptions.end());
}

void CalendarReader::TidyExceptions(CalendarData& calendar) {
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

void CalendarReader::ReadCalendar(xml_node node, CalendarEntry& entry) {
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
      if (index_) index_->exceptionsOf[cal->uid].push_back({wd, {cal->exceptions.back()}});
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

std::shared_ptr<CalendarData> CalendarReader::ByUid(xml_node uidNode, std::int32_t uid,
                                                    const std::string& owner) const {
  const auto it = calendars_.find(uid);
  if (it == calendars_.end())
    Fail(uidNode, "Kalender-UID " + std::to_string(uid) + " für " + owner + " ist nicht definiert");
  return it->second.calendar;
}

void CalendarReader::ResolveBaseCalendars(const std::vector<std::shared_ptr<CalendarData>>& list) {
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
  for (const auto& calendar : list) {  // in file order: the first in a loop is named
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

void CalendarReader::Read(xml_node calendars, std::vector<std::shared_ptr<CalendarData>>& out) {
  for (xml_node node = calendars.first_child(); node; node = node.next_sibling()) {
    if (LocalName(node.name()) != "Calendar") continue;
    CalendarEntry entry;
    ReadCalendar(node, entry);
    const std::int32_t uid = entry.calendar->uid;
    if (calendars_.count(uid))
      Fail(node, "Kalender-UID " + std::to_string(uid) + " ist doppelt vergeben");
    out.push_back(entry.calendar);
    if (index_) {
      index_->calendars.emplace(uid, node);
      index_->calendarUids.insert(uid);
    }
    calendars_.emplace(uid, std::move(entry));
  }
  ResolveBaseCalendars(out);
}

}  // namespace kx::platform::xml_read
