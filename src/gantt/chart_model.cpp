#include "gantt/chart_model.hpp"

#include <algorithm>
#include <cmath>
#include <map>

#include "support/text.hpp"

namespace kx::gantt {
namespace {

using platform::BarStyle;
using platform::ProjectData;
using platform::TableColumn;
using platform::TaskData;

constexpr const char* kEntryTable = "&Eingabe";
// The summary calculation of a custom field that adds up the rows below a summary row.
constexpr int kSummarySum = 3;

std::vector<TableColumn> EntryColumns() {
  return {{"Nr.", "", 6, 1},    {"Indikatoren", "", 6, 0}, {"Name", "", 24, 0},
          {"Dauer", "", 10, 2}, {"Anfang", "", 12, 2},     {"Ende", "", 12, 2}};
}

Align AlignOf(int code) {
  return code == 1 ? Align::Centre : code == 2 ? Align::Right : Align::Left;
}

std::string Key(const std::string& field) {
  return AsciiLower(Trim(field));
}

// The columns of the current view's table, else of the entry table, else the standard ones.
std::vector<TableColumn> TableColumns(const ProjectData& p) {
  const auto& d = p.definitions;
  std::string table = d.currentTable;
  for (const auto& v : d.views) {
    if (v.name == d.currentView && v.taskView && !v.table.empty()) table = v.table;
  }
  for (const std::string& name : {table, std::string(kEntryTable)}) {
    for (const auto& t : d.tables) {
      if (t.taskTable && t.name == name && !t.columns.empty()) return t.columns;
    }
  }
  return EntryColumns();
}

std::string ColumnTitle(const ProjectData& p, const TableColumn& c) {
  if (!c.title.empty()) return c.title;
  if (Key(c.field) == "indikatoren") return "";
  if (const auto id = platform::FieldIdOf(Trim(c.field))) {
    const auto it = p.definitions.customFieldTitles.find(*id);
    if (it != p.definitions.customFieldTitles.end() && !it->second.empty()) return it->second;
  }
  return c.field;
}

// True when a summary row shows the sum of the rows below it in this custom number field.
bool SumsOnSummaryRows(const ProjectData& p, const std::string& field) {
  const auto id = platform::FieldIdOf(Trim(field));
  if (!id) return false;
  const auto it = p.definitions.customFieldProperties.find(*id);
  if (it == p.definitions.customFieldProperties.end()) return false;
  const auto calc = ToNumber(Arg(it->second, 2));
  return calc && *calc == kSummarySum;
}

struct Context {
  const ProjectData& p;
  const RegionalSettings& r;
  std::map<std::int32_t, std::string> resourceNamesByTask;
};

std::string CellText(const Context& c, const TaskData& t, const std::string& field,
                     std::optional<double> summedNumber) {
  const std::string key = Key(field);
  if (key == "nr.") return std::to_string(t.id);
  if (key == "einmalige nr.") return std::to_string(t.uid);
  if (key == "name") return t.name;
  if (key == "gliederungsebene") return std::to_string(t.outlineLevel);
  if (key == "anfang") return FormatDate(t.start, c.r);
  if (key == "ende") return FormatDate(t.finish, c.r);
  if (key == "dauer") {
    const double days = c.p.minutesPerDay > 0 ? t.durationMinutes / c.p.minutesPerDay : 0.0;
    return FormatGeneralNumber(std::round(days * 100.0) / 100.0, c.r) + " " + c.r.dayUnit;
  }
  if (key == "rollup") return t.rollup ? c.r.yes : c.r.no;
  if (key == "balken ausblenden") return t.hiddenBar ? c.r.yes : c.r.no;
  if (key == "ressourcennamen") {
    const auto it = c.resourceNamesByTask.find(t.uid);
    return it == c.resourceNamesByTask.end() ? "" : it->second;
  }
  if (const auto f = platform::FieldIdOf(Trim(field))) {
    const auto custom = platform::CustomFieldOf(*f);
    const std::string name = platform::ModelFieldName(*custom);
    if (custom->isDate) {
      const auto it = t.dates.find(name);
      return it == t.dates.end() ? "NV" : FormatDate(it->second, c.r);
    }
    if (summedNumber) return FormatGeneralNumber(*summedNumber, c.r);
    const auto it = t.numbers.find(name);
    return FormatGeneralNumber(it == t.numbers.end() ? 0.0 : it->second, c.r);
  }
  return "";
}

// Returns the parts of a task's bar (start to finish less its gaps) as whole days: a day belongs
// to a part when the part holds working time of the project calendar on it (any time of the day
// without a calendar). A zero-length bar gives its one day.
std::vector<DaySpan> BarParts(const ProjectData& p, const TaskData& t) {
  const auto cal = p.ProjectCalendar();
  auto worksOn = [&](Day day, double from, double to) {
    const double d0 = static_cast<double>(day);
    const double a = std::max(from, d0);
    const double b = std::min(to, d0 + 1.0);
    if (!(b > a)) return false;
    if (cal == nullptr) return true;
    for (const auto& w : cal->WorkingTimesRefOn(Date(d0))) {
      if (std::min(b, d0 + w.to) > std::max(a, d0 + w.from)) return true;
    }
    return false;
  };
  // [from, to) as days; the ends move inward over days without work in them.
  auto days = [&](double from, double to) {
    Day first = DayOf(Date(from));
    Day last = DayOf(Date(std::nextafter(to, from)));
    while (first <= last && !worksOn(first, from, to)) ++first;
    while (last >= first && !worksOn(last, from, to)) --last;
    if (first > last) {
      // No working time inside: the bar still shows on the days it touches.
      first = DayOf(Date(from));
      last = std::max(first, DayOf(Date(std::nextafter(to, from))));
    }
    return DaySpan{first, last};
  };

  std::vector<DaySpan> parts;
  const double start = t.start.serial;
  const double finish = std::max(t.finish.serial, start);
  if (!(finish > start)) return {DaySpan{DayOf(t.start), DayOf(t.start)}};
  double at = start;
  auto gaps = t.gaps;
  std::sort(gaps.begin(), gaps.end());
  for (const auto& [g0, g1] : gaps) {
    const double a = std::max(g0.serial, start);
    const double b = std::min(g1.serial, finish);
    if (!(b > a)) continue;
    if (a > at) parts.push_back(days(at, a));
    at = std::max(at, b);
  }
  if (finish > at) parts.push_back(days(at, finish));
  // Parts that meet on one day (a gap inside a day) become one.
  std::vector<DaySpan> joined;
  for (const auto& s : parts) {
    if (!joined.empty() && s.first <= joined.back().last) {
      joined.back().last = std::max(joined.back().last, s.last);
    } else {
      joined.push_back(s);
    }
  }
  return joined;
}

// What a task is, for the "show for" conditions of the bar styles.
struct TaskKind {
  bool summary = false;
  bool milestone = false;
  bool split = false;
};

// True when every condition of `showFor` holds for the task; `rolledUp` asks whether the style
// draws the task on its summary row ("Rolled up") rather than on its own row.
bool Shows(const BarStyle& s, const TaskKind& k, bool rolledUp) {
  bool wantsRolledUp = false;
  bool any = false;
  std::string rest = s.showFor;
  while (true) {
    const auto semicolon = rest.find(';');
    const std::string cond = Key(rest.substr(0, semicolon));
    if (!cond.empty()) {
      any = true;
      bool holds = false;
      if (cond == "normal") {
        holds = !k.milestone;
      } else if (cond == "sammelvorgang") {
        holds = k.summary;
      } else if (cond == "nicht sammelvorgang") {
        holds = !k.summary;
      } else if (cond == "meilenstein") {
        holds = k.milestone;
      } else if (cond == "nicht meilenstein") {
        holds = !k.milestone;
      } else if (cond == "unterbrochen") {
        holds = k.split;
      } else if (cond == "rolled up" || cond == "rollup" || cond == "aufgerollt") {
        wantsRolledUp = true;
        holds = true;
      }
      // Anything else ("Projektsammelvorgang", "Gruppenkopf", "Kritisch", ...) names rows this
      // chart never has.
      if (!holds) return false;
    }
    if (semicolon == std::string::npos) break;
    rest = rest.substr(semicolon + 1);
  }
  return any && wantsRolledUp == rolledUp;
}

// `text` cut to kLongestName characters; a text that was longer is counted in `cut`.
std::string Kept(std::string text, std::size_t& cut) {
  const std::string_view kept = CutToChars(text, kLongestName);
  if (kept.size() == text.size()) return text;
  ++cut;
  return std::string(kept);
}

BarLook LookOf(const BarStyle& s) {
  const auto& c = s.codes;
  return {c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]};
}

// Returns the parts a style draws, from its "from" and "to" fields; nullopt when the task has
// no such dates (actual dates, which a chart never has).
std::optional<std::vector<DaySpan>> StyleParts(const TaskData& t, const BarStyle& s,
                                               const std::vector<DaySpan>& taskParts) {
  const std::string from = Key(s.from);
  const std::string to = Key(s.to);
  if (from == "anfang" && to == "ende") return taskParts;
  auto dateOf = [&](const std::string& key, const std::string& field) -> std::optional<Date> {
    if (key == "anfang") return t.start;
    if (key == "ende") return t.finish;
    if (const auto id = platform::FieldIdOf(Trim(field))) {
      const auto custom = platform::CustomFieldOf(*id);
      if (custom->isDate) {
        const auto it = t.dates.find(platform::ModelFieldName(*custom));
        if (it != t.dates.end()) return it->second;
      }
    }
    return std::nullopt;
  };
  const auto a = dateOf(from, s.from);
  const auto b = dateOf(to, s.to);
  if (!a || !b || *b < *a) return std::nullopt;
  return std::vector<DaySpan>{{DayOf(*a), DayOf(*b)}};
}

}  // namespace

Day DayOf(Date d) {
  return static_cast<Day>(std::floor(d.serial + 1e-9));
}

Date DateOfDay(Day day) {
  return Date(static_cast<double>(day));
}

std::vector<BarStyle> StandardBarStyles() {
  return {{"Vorgang", "Normal;Nicht Sammelvorgang", "Anfang", "Ende", {0, 0, 5, 1, 5, 1, 0, 0, 5}, 1, ""},
          {"Sammelvorgang", "Sammelvorgang", "Anfang", "Ende", {2, 0, 0, 2, 0, 1, 2, 0, 0}, 1, ""},
          {"Meilenstein", "Meilenstein", "Anfang", "Anfang", {3, 0, 0, 0, 0, 0, 0, 0, 0}, 1, ""}};
}

void AddHolidays(ChartModel& model, holidays::State state) {
  const int first = ToCivil(DateOfDay(model.period.first)).year;
  const int last = ToCivil(DateOfDay(model.period.last)).year;
  for (const holidays::Holiday& h : holidays::HolidaysOf(state, first, last)) {
    const Day day = DayOf(h.day);
    if (day >= model.period.first && day <= model.period.last) model.holidays[day] = h.name;
  }
}

void AddCalendarHolidays(ChartModel& model, const ProjectData& project) {
  for (const holidays::State state : holidays::AllStates()) {
    const auto calendar = project.FindCalendar(holidays::CalendarName(state));
    if (calendar == nullptr) continue;
    for (const auto& e : calendar->exceptions) {
      const Day day = DayOf(e.from);
      if (!e.working && e.from == e.to && day >= model.period.first && day <= model.period.last)
        model.holidays[day] = e.name;
    }
    return;
  }
}

void AddFreeWeekdays(ChartModel& model, const platform::CalendarData& calendar) {
  for (Day day = model.period.first; day <= model.period.last; ++day) {
    const Date date = DateOfDay(day);
    const int weekday = Weekday(date);
    if (weekday == 1 || weekday == 7 || model.holidays.count(day) > 0) continue;
    if (calendar.WorkingMinutesOn(date) > 0.0) continue;
    std::string name = "arbeitsfrei";
    for (const platform::CalendarData* c = &calendar; c != nullptr; c = c->base.get()) {
      const auto it = std::find_if(c->exceptions.begin(), c->exceptions.end(), [&](const auto& e) {
        return DayOf(e.from) <= day && day <= DayOf(e.to);
      });
      if (it == c->exceptions.end()) continue;
      if (!it->name.empty()) name = it->name;
      break;
    }
    model.holidays[day] = name;
  }
}

ChartModel BuildChartModel(const ProjectData& p, const ModelOptions& options,
                           const RegionalSettings& region) {
  ChartModel m;
  m.title = Kept(TrimBlanks(p.title).empty() ? p.name : p.title, m.cutTexts);
  m.viewName = Kept(p.definitions.currentView, m.cutTexts);

  Context c{p, region, {}};
  for (const auto& res : p.resources) {
    if (res == nullptr) continue;
    for (const auto& a : res->assignments) {
      if (a == nullptr) continue;
      auto& names = c.resourceNamesByTask[a->taskUid];
      names += (names.empty() ? "" : ";") + res->name;
    }
  }

  const auto columns = TableColumns(p);
  std::vector<bool> sums;
  for (const auto& col : columns) {
    m.columns.push_back({col.field, Kept(ColumnTitle(p, col), m.cutTexts), std::max(col.width, 0),
                         AlignOf(col.align)});
    sums.push_back(SumsOnSummaryRows(p, col.field));
  }

  const auto& styles = p.definitions.barStyles.empty() ? StandardBarStyles()
                                                       : p.definitions.barStyles;

  // Rows in sheet order; the rows of summary tasks are remembered by outline level so that the
  // bars and sums of the rows below reach them.
  std::vector<const TaskData*> tasks;
  for (const auto& t : p.tasks) {
    if (t != nullptr) tasks.push_back(t.get());
  }
  std::vector<std::size_t> parentOf(tasks.size(), tasks.size());
  {
    std::vector<std::size_t> open;  // open[level-1] = index of the row at that level
    for (std::size_t i = 0; i < tasks.size(); ++i) {
      const int level = std::max(tasks[i]->outlineLevel, 1);
      while (open.size() >= static_cast<std::size_t>(level)) open.pop_back();
      // A file may skip levels (1, then 3): a skipped level has no row, the row above it counts.
      for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (*it == tasks.size()) continue;
        if (tasks[*it]->summary) parentOf[i] = *it;
        break;
      }
      open.resize(static_cast<std::size_t>(level) - 1, tasks.size());
      open.push_back(i);
    }
  }

  // Sums of custom numbers over the rows below each summary row (direct and deeper rows alike:
  // the deeper rows are counted once, through their own summary row).
  std::vector<std::vector<double>> sumOf(tasks.size(), std::vector<double>(columns.size(), 0.0));
  for (std::size_t i = tasks.size(); i-- > 0;) {
    if (parentOf[i] == tasks.size()) continue;
    for (std::size_t k = 0; k < columns.size(); ++k) {
      if (!sums[k]) continue;
      double v = 0.0;
      if (tasks[i]->summary) {
        v = sumOf[i][k];
      } else if (const auto f = platform::FieldIdOf(Trim(columns[k].field))) {
        const auto it = tasks[i]->numbers.find(
            platform::ModelFieldName(*platform::CustomFieldOf(*f)));
        if (it != tasks[i]->numbers.end()) v = it->second;
      }
      sumOf[parentOf[i]][k] += v;
    }
  }

  std::optional<Day> periodFrom, periodTo, barsFrom, barsTo;
  m.rows.resize(tasks.size());
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    const TaskData& t = *tasks[i];
    Row& row = m.rows[i];
    row.number = t.id;
    row.level = std::max(t.outlineLevel, 1);
    row.summary = t.summary;
    for (std::size_t k = 0; k < columns.size(); ++k) {
      const bool summed = sums[k] && t.summary;
      row.cells.push_back(Kept(CellText(c, t, columns[k].field,
                                        summed ? std::optional<double>(sumOf[i][k]) : std::nullopt),
                               m.cutTexts));
    }
    if (const auto it = t.dates.find("Datum7"); it != t.dates.end()) {
      periodFrom = std::min(periodFrom.value_or(DayOf(it->second)), DayOf(it->second));
    }
    if (const auto it = t.dates.find("Datum8"); it != t.dates.end()) {
      periodTo = std::max(periodTo.value_or(DayOf(it->second)), DayOf(it->second));
    }
    if (t.hiddenBar) continue;

    const auto parts = BarParts(p, t);
    const TaskKind kind{t.summary, t.durationMinutes <= 1e-7 && !t.summary, parts.size() > 1};
    const std::size_t parent = parentOf[i];
    for (const auto& s : styles) {
      std::string text;
      if (!Trim(s.barText).empty())
        text = Kept(CellText(c, t, s.barText, std::nullopt), m.cutTexts);
      if (Shows(s, kind, false)) {
        if (auto sp = StyleParts(t, s, parts)) {
          row.bars.push_back(Bar{s.name, LookOf(s), *sp, t.barColour, text, false});
        }
      }
      if (t.rollup && parent < tasks.size() && Shows(s, kind, true)) {
        if (auto sp = StyleParts(t, s, parts)) {
          m.rows[parent].bars.push_back(Bar{s.name, LookOf(s), *sp, std::nullopt, "", true});
        }
      }
    }
    if (!parts.empty()) {
      barsFrom = std::min(barsFrom.value_or(parts.front().first), parts.front().first);
      barsTo = std::max(barsTo.value_or(parts.back().last), parts.back().last);
    }
  }
  // A summary row draws its own bars first and the rolled-up bars of its rows over them.
  for (auto& row : m.rows) {
    std::stable_partition(row.bars.begin(), row.bars.end(),
                          [](const Bar& b) { return !b.rolledUp; });
  }

  Day from = periodFrom.value_or(barsFrom.value_or(DayOf(p.start)));
  Day to = periodTo.value_or(barsTo.value_or(from + 30));
  if (options.from) from = *options.from;
  if (options.to) to = *options.to;
  if (to < from) to = from;
  m.period = {from, to};
  return m;
}

}  // namespace kx::gantt
