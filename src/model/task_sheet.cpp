// The task sheet: rows typed in by field, bars scheduled over the project calendar, splits,
// durations and the outline with its summary tasks.

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "model/project_ops.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"

namespace kx::platform::detail {
namespace {

constexpr long kMaxRow = 1000000;
constexpr double kEps = 1e-7;

[[noreturn]] void BadValue(const std::string& field, const std::string& value) {
  Fail(host::kErrInvalidArgument,
       "Der Wert " + Quoted(value) + " ist für das Feld " + Quoted(field) + " ungültig.");
}

// Returns n when `key` is `prefix` followed by a number from 1 to `max`, else 0.
int NumberedField(const std::string& key, const std::string& prefix, int max) {
  if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return 0;
  int n = 0;
  for (std::size_t i = prefix.size(); i < key.size(); ++i) {
    if (key[i] < '0' || key[i] > '9' || n > max) return 0;
    n = n * 10 + (key[i] - '0');
  }
  return n >= 1 && n <= max ? n : 0;
}

// Drops the gaps that no longer lie inside the bar. The gaps are sorted and do not overlap (a
// split merges what it touches, a file's gaps come normalised), so those before the start lead
// the list and those after the finish end it.
void TrimGaps(TaskData& t) {
  auto& gaps = t.gaps;
  std::size_t end = gaps.size();
  while (end > 0 && gaps[end - 1].first >= t.finish) --end;
  std::size_t begin = 0;
  while (begin < end && gaps[begin].second <= t.start) ++begin;
  gaps.erase(gaps.begin() + static_cast<std::ptrdiff_t>(end), gaps.end());
  gaps.erase(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(begin));
}

// Recomputes the finish from start, duration and gaps.
void Reschedule(const ProjectData& p, TaskData& t) {
  if (t.durationMinutes <= kEps) {
    t.finish = t.start;
  } else {
    const auto cal = p.ProjectCalendar();
    t.finish = AdvanceWork(cal.get(), t.start, t.durationMinutes, &t.gaps);
  }
  TrimGaps(t);
}

// Moves a start out of non-working time, as the host does for a task with work.
Date WorkingStart(const ProjectData& p, Date start) {
  const auto cal = p.ProjectCalendar();
  return NextWorkingMoment(cal.get(), start).value_or(start);
}

// Summaries, their spans and durations for the rows list[0..n), which hold whole level-1 blocks.
void OutlinePass(ProjectData& p, TaskData* const* list, std::size_t n);

// Keeps the outline current after a change of `t`: the pass over the level-1 block that holds
// `t` and the row before it gives what a pass over all rows would, once all rows were passed.
void AfterChange(ProjectData& p, const TaskData& t, bool levelChanged) {
  if (!levelChanged && t.outlineLevel <= 1 && !t.summary) return;
  const auto& tasks = p.tasks;
  const auto row = static_cast<std::size_t>(t.id - 1);
  if (!p.outlineCurrent || t.id < 1 || row >= tasks.size() || tasks[row].get() != &t ||
      t.outlineLevel < 1) {
    RefreshOutline(p);
    return;
  }
  // Back to the row before `t`, then on to the level-1 row that opens their block.
  std::size_t first = row;
  for (std::size_t k = row; k-- > 0;) {
    if (tasks[k] == nullptr) continue;
    first = k;
    break;
  }
  while (first > 0 && (tasks[first] == nullptr || tasks[first]->outlineLevel > 1)) --first;
  // Forward to the next level-1 row, which opens the next block.
  std::size_t end = row + 1;
  while (end < tasks.size() && (tasks[end] == nullptr || tasks[end]->outlineLevel > 1)) ++end;
  std::vector<TaskData*> list;
  for (std::size_t k = first; k < end; ++k) {
    if (tasks[k] == nullptr) continue;
    if (tasks[k]->outlineLevel < 1) {  // not a block of its own: the whole outline
      RefreshOutline(p);
      return;
    }
    list.push_back(tasks[k].get());
  }
  OutlinePass(p, list.data(), list.size());
}

// The UID of a new row: its row number, unless a row has that already; then one above all.
// Counts the returned UID as taken by a row that is placed next, the rows then `rowsAfter` many.
std::int32_t FreeTaskUid(ProjectData& p, std::int32_t wanted, std::size_t rowsAfter) {
  auto& u = p.taskUids;
  if (!u.current || u.rows != p.tasks.size()) {
    u.taken.clear();
    u.max = 0;
    for (const auto& other : p.tasks) {
      if (other == nullptr) continue;
      u.max = std::max(u.max, other->uid);
      u.taken.insert(other->uid);
    }
    u.current = true;
  }
  const std::int32_t uid = u.taken.count(wanted) != 0 ? u.max + 1 : wanted;
  u.taken.insert(uid);
  u.max = std::max(u.max, uid);
  u.rows = rowsAfter;
  return uid;
}

TaskData& TaskForRow(ProjectData& p, long row, bool& created) {
  if (row < 1 || row > kMaxRow) {
    Fail(host::kErrInvalidArgument, "Die Zeile " + std::to_string(row) + " gibt es nicht.");
  }
  const auto index = static_cast<std::size_t>(row - 1);
  if (index < p.tasks.size() && p.tasks[index] != nullptr) {
    created = false;
    return *p.tasks[index];
  }
  auto t = std::make_shared<TaskData>();
  t->id = static_cast<std::int32_t>(row);
  t->uid = FreeTaskUid(p, t->id, std::max(p.tasks.size(), index + 1));
  try {
    if (index >= p.tasks.size()) p.tasks.resize(index + 1);
    t->durationMinutes = p.minutesPerDay;
    t->start = WorkingStart(p, Date(DateOnly(p.start).serial + p.dayStartTime));
    Reschedule(p, *t);
  } catch (...) {
    p.taskUids.current = false;  // the UID stays free
    throw;
  }
  p.tasks[index] = t;
  created = true;
  return *t;
}

bool HasTime(const std::string& text) {
  const std::string t = Trim(text);
  return t.find(' ') != std::string::npos || t.find('T') != std::string::npos;
}

}  // namespace

std::optional<double> ParseDuration(const std::string& text, double minutesPerDay,
                                    double minutesPerWeek) {
  const RegionalSettings& r = RegionalSettings::Current();
  std::string t = Trim(text);
  if (!t.empty() && t.back() == '?') t = Trim(t.substr(0, t.size() - 1));  // estimated
  std::size_t end = 0;
  while (end < t.size() && ((t[end] >= '0' && t[end] <= '9') || t[end] == '+' || t[end] == '-' ||
                            t.compare(end, r.decimalMark.size(), r.decimalMark) == 0)) {
    end += t.compare(end, r.decimalMark.size(), r.decimalMark) == 0 ? r.decimalMark.size() : 1;
  }
  const auto number = ParseNumber(t.substr(0, end), r);
  if (!number || *number < 0 || !std::isfinite(*number)) return std::nullopt;
  const std::string unit = AsciiLower(Trim(t.substr(end)));
  double factor = 0.0;
  if (unit.empty() || unit == AsciiLower(r.dayUnit) || unit == "t" || unit == "tg" ||
      unit == "tag" || unit == "tage" || unit == "d") {
    factor = minutesPerDay;
  } else if (unit == "min" || unit == "min." || unit == "minute" || unit == "minuten" ||
             unit == "m") {
    factor = 1.0;
  } else if (unit == "h" || unit == "std" || unit == "std." || unit == "stunde" ||
             unit == "stunden") {
    factor = 60.0;
  } else if (unit == "w" || unit == "wo" || unit == "wo." || unit == "woche" || unit == "wochen") {
    factor = minutesPerWeek;
  } else {
    return std::nullopt;
  }
  return *number * factor;
}

void SetTaskField(ProjectData& p, long row, const std::string& field, const std::string& value) {
  const std::string key = AsciiLower(Trim(field));
  const RegionalSettings& r = RegionalSettings::Current();
  std::function<void(TaskData&)> apply;
  bool levelChange = false;

  if (key == "name") {
    apply = [&](TaskData& t) { t.name = value; };
  } else if (key == "rollup" || key == "balken ausblenden") {
    const auto b = ToBool(Value(value), r);
    if (!b) BadValue(field, value);
    if (key == "rollup") {
      apply = [b](TaskData& t) { t.rollup = *b; };
    } else {
      apply = [b](TaskData& t) { t.hiddenBar = *b; };
    }
  } else if (key == "anfang") {
    auto d = ParseDate(value, r);
    if (!d) BadValue(field, value);
    if (!HasTime(value)) *d = Date(d->serial + p.dayStartTime);
    apply = [&p, start = *d](TaskData& t) {
      const Date newStart = t.durationMinutes > kEps ? WorkingStart(p, start) : start;
      const double shift = newStart.serial - t.start.serial;
      for (auto& g : t.gaps) g = {Date(g.first.serial + shift), Date(g.second.serial + shift)};
      t.start = newStart;
      Reschedule(p, t);
    };
  } else if (key == "ende") {
    auto d = ParseDate(value, r);
    if (!d) BadValue(field, value);
    if (!HasTime(value)) *d = Date(d->serial + p.dayFinishTime);
    apply = [&p, &field, &value, finish = *d](TaskData& t) {
      if (finish < t.start) BadValue(field, value);
      const auto cal = p.ProjectCalendar();
      t.durationMinutes = WorkBetween(cal.get(), t.start, finish, &t.gaps);
      Reschedule(p, t);
    };
  } else if (key == "dauer") {
    const auto minutes = ParseDuration(value, p.minutesPerDay, p.minutesPerWeek);
    if (!minutes) BadValue(field, value);
    apply = [&p, m = *minutes](TaskData& t) {
      t.durationMinutes = m;
      Reschedule(p, t);
    };
  } else if (const int n = NumberedField(key, "datum", 10)) {
    const std::string name = "Datum" + std::to_string(n);
    const std::string v = Trim(value);
    if (v.empty() || v == "NV") {
      apply = [name](TaskData& t) { t.dates.erase(name); };
    } else {
      const auto d = ParseDate(v, r);
      if (!d) BadValue(field, value);
      apply = [name, d = *d](TaskData& t) { t.dates[name] = d; };
    }
  } else if (const int z = NumberedField(key, "zahl", 20)) {
    const auto number = ParseNumber(value, r);
    if (!number) BadValue(field, value);
    apply = [name = "Zahl" + std::to_string(z), x = *number](TaskData& t) { t.numbers[name] = x; };
  } else if (key == "gliederungsebene") {
    const auto level = ParseNumber(value, r);
    if (!level || *level < 1 || *level > 9 || std::floor(*level) != *level) BadValue(field, value);
    levelChange = true;
    apply = [l = static_cast<int>(*level)](TaskData& t) { t.outlineLevel = l; };
  } else {
    Fail(host::kErrInvalidArgument,
         "Das Feld " + Quoted(field) + " gibt es nicht (Wert " + Quoted(value) + ").");
  }

  bool created = false;
  TaskData& t = TaskForRow(p, row, created);
  // The change is made on a copy, so that a failure leaves the row as it was.
  TaskData changed = t;
  try {
    apply(changed);
  } catch (...) {
    if (created) {
      p.tasks[static_cast<std::size_t>(row - 1)] = nullptr;
      while (!p.tasks.empty() && p.tasks.back() == nullptr) p.tasks.pop_back();
      p.taskUids.current = false;
    }
    throw;
  }
  t = std::move(changed);
  const bool inMiddle = created && static_cast<std::size_t>(row) < p.tasks.size();
  AfterChange(p, t, levelChange || inMiddle);
}

void SplitTask(ProjectData& p, TaskData& t, Date from, Date to) {
  if (t.summary) {
    Fail(host::kErrNotAvailable,
         "Der Sammelvorgang " + Quoted(t.name) + " kann nicht unterbrochen werden.");
  }
  from = SnapToSecond(from);
  to = SnapToSecond(to);
  if (!(to > from)) {
    Fail(host::kErrInvalidArgument, "Die Unterbrechung vom " + FormatDateTime(from) + " bis " +
                                        FormatDateTime(to) + " ist leer.");
  }
  if (to <= t.start || from >= t.finish) return;  // outside the bar: nothing to cut
  from = std::max(from, t.start);
  const auto cal = p.ProjectCalendar();
  const double lost = WorkBetween(cal.get(), from, std::min(to, t.finish), &t.gaps);

  // Merge with the gaps it overlaps or touches. The gaps are sorted and apart from each other,
  // so those are one run of them, found by halving; the merged gap takes the run's place.
  auto& gaps = t.gaps;
  const auto lo = std::partition_point(
      gaps.begin(), gaps.end(), [&](const std::pair<Date, Date>& g) { return g.second < from; });
  const auto hi = std::partition_point(
      lo, gaps.end(), [&](const std::pair<Date, Date>& g) { return !(g.first > to); });
  const Date a = lo != hi ? std::min(from, lo->first) : from;
  const Date b = lo != hi ? std::max(to, (hi - 1)->second) : to;
  const auto at = static_cast<std::size_t>(lo - gaps.begin());
  thread_local std::vector<std::pair<Date, Date>> replaced;  // to undo the merge on a failure
  replaced.assign(lo, hi);
  gaps.erase(lo, hi);
  gaps.insert(gaps.begin() + static_cast<std::ptrdiff_t>(at), {a, b});
  if (lost > kEps) {
    try {
      t.finish = AdvanceWork(cal.get(), t.finish, lost, &gaps);
    } catch (...) {
      gaps.erase(gaps.begin() + static_cast<std::ptrdiff_t>(at));
      gaps.insert(gaps.begin() + static_cast<std::ptrdiff_t>(at), replaced.begin(), replaced.end());
      throw;
    }
  }
  AfterChange(p, t, false);
}

void SetTaskDuration(ProjectData& p, TaskData& t, double minutes) {
  if (!std::isfinite(minutes) || minutes < 0) {
    Fail(host::kErrInvalidArgument,
         "Die Dauer " + FormatGeneralNumber(minutes) + " ist ungültig (Minuten, nicht negativ).");
  }
  if (t.summary) {
    Fail(host::kErrNotAvailable,
         "Die Dauer des Sammelvorgangs " + Quoted(t.name) + " ergibt sich aus seinen Vorgängen.");
  }
  const auto cal = p.ProjectCalendar();
  const double old = t.durationMinutes;
  if (minutes <= kEps) {
    t.finish = t.start;
  } else if (old <= kEps || t.finish < t.start) {
    t.finish = AdvanceWork(cal.get(), t.start, minutes, &t.gaps);
  } else if (minutes > old) {
    t.finish = AdvanceWork(cal.get(), t.finish, minutes - old, &t.gaps);
  } else if (minutes < old) {
    t.finish = RetreatWork(cal.get(), t.finish, old - minutes, t.start, &t.gaps);
  }
  t.durationMinutes = minutes;
  TrimGaps(t);
  AfterChange(p, t, false);
}

void RescheduleAll(ProjectData& p) {
  for (auto& t : p.tasks) {
    if (t != nullptr && !t->summary) Reschedule(p, *t);
  }
  RefreshOutline(p);
}

void RefreshOutline(ProjectData& p) {
  std::vector<TaskData*> list;
  list.reserve(p.tasks.size());
  bool levelsFromOne = true;
  for (auto& t : p.tasks) {
    if (t == nullptr) continue;
    list.push_back(t.get());
    levelsFromOne = levelsFromOne && t->outlineLevel >= 1;
  }
  OutlinePass(p, list.data(), list.size());
  p.outlineCurrent = levelsFromOne;
}

namespace {

void OutlinePass(ProjectData& p, TaskData* const* list, std::size_t n) {
  const auto cal = p.ProjectCalendar();
  struct Frame {
    TaskData* task;
    double first;
    double last;
    bool wasSummary;
  };
  std::vector<Frame> stack;
  auto include = [&](const TaskData& t) {
    if (stack.empty()) return;
    stack.back().first = std::min(stack.back().first, t.start.serial);
    stack.back().last = std::max(stack.back().last, t.finish.serial);
  };
  auto close = [&] {
    const Frame f = stack.back();
    stack.pop_back();
    TaskData& s = *f.task;
    if (f.first <= f.last) {
      const Date first(f.first), last(f.last);
      if (!f.wasSummary || first != s.start || last != s.finish) {
        s.start = first;
        s.finish = last;
        s.durationMinutes = WorkBetween(cal.get(), first, last);
      }
    }
    include(s);
  };
  for (std::size_t i = 0; i < n; ++i) {
    TaskData& t = *list[i];
    while (!stack.empty() && stack.back().task->outlineLevel >= t.outlineLevel) close();
    const bool wasSummary = t.summary;
    t.summary = i + 1 < n && list[i + 1]->outlineLevel > t.outlineLevel;
    if (t.summary) {
      if (!wasSummary) t.gaps.clear();
      stack.push_back({&t, std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity(), wasSummary});
    } else {
      if (wasSummary) Reschedule(p, t);
      include(t);
    }
  }
  while (!stack.empty()) close();
}

}  // namespace

}  // namespace kx::platform::detail
