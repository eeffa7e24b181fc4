#include "projectxml/calendar_recurrence.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kx::platform {
namespace {

using Day = long long;  // whole day number

Day DayOf(Date d) {
  return static_cast<Day>(std::floor(d.serial));
}
Date ToDate(Day d) {
  return Date(static_cast<double>(d));
}
int WeekdayOf(Day d) {
  return Weekday(ToDate(d));
}  // 1 Sunday ... 7 Saturday

bool MatchesItem(Day d, int item) {
  const int w = WeekdayOf(d);
  switch (item) {
    case 0:
      return true;  // any day
    case 1:
      return w >= 2 && w <= 6;  // weekday
    case 2:
      return w == 1 || w == 7;  // weekend day
    default:
      return w == item - 2;  // 3 Sunday ... 9 Saturday
  }
}

// The day of month `month` (1..12) of `year` that holds the `position`-th (0..3, 4 last) item.
std::optional<Day> NthItem(int year, int month, int item, int position) {
  const Day first = DayOf(DateSerial(year, month, 1));
  const Day last = first + DaysInMonth(year, month) - 1;
  if (position >= 4) {
    for (Day d = last; d >= first; --d)
      if (MatchesItem(d, item)) return d;
    return std::nullopt;
  }
  int seen = 0;
  for (Day d = first; d <= last; ++d) {
    if (MatchesItem(d, item) && seen++ == position) return d;
  }
  return std::nullopt;
}

Day MonthDayClamped(int year, int month, int day) {
  return DayOf(DateSerial(year, month, std::clamp(day, 1, DaysInMonth(year, month))));
}

class Collector {
 public:
  Collector(const RecurringException& p, std::size_t limit, const DayWindow& keep)
      : p_(p), limit_(limit), keepFrom_(DayOf(keep.from)) {
    from_ = DayOf(p.from);
    to_ = std::min(p.to ? DayOf(*p.to) : std::numeric_limits<Day>::max(), DayOf(keep.to));
    maxCount_ = std::numeric_limits<long long>::max();
    if (!p.to)
      maxCount_ = std::max(p.occurrences, 1);
    else if (p.enteredByOccurrences && p.occurrences > 0)
      maxCount_ = p.occurrences;
  }
  Day from() const { return from_; }
  // Adds day `d` when it lies in the range; returns false once no later day can be added.
  bool Offer(Day d) {
    if (d < from_) return true;
    if (d > to_) return false;
    if (count_ >= maxCount_) return false;
    ++count_;
    if (d >= keepFrom_) {
      if (out_.size() >= limit_) {
        truncated_ = true;
        return false;
      }
      out_.push_back(Make(d, d));
    }
    return count_ < maxCount_;
  }
  bool Open(Day d) const { return d <= to_ && count_ < maxCount_; }
  CalendarException Make(Day a, Day b) const {
    CalendarException e;
    e.name = p_.name;
    e.from = ToDate(a);
    e.to = ToDate(b);
    e.working = p_.working;
    if (p_.working) e.times = p_.times;
    return e;
  }
  std::vector<CalendarException> Take(bool* truncated) {
    if (truncated) *truncated = truncated_;
    return std::move(out_);
  }

 private:
  const RecurringException& p_;
  std::size_t limit_;
  Day keepFrom_;
  Day from_ = 0;
  Day to_ = 0;
  long long maxCount_ = 0;
  long long count_ = 0;  // occurrences so far, kept or not
  bool truncated_ = false;
  std::vector<CalendarException> out_;
};

constexpr int kLastYear = 9999;

}  // namespace

std::vector<CalendarException> ExpandRecurrence(const RecurringException& p, std::size_t limit,
                                                bool* truncated, const DayWindow& keep) {
  Collector c(p, limit, keep);
  const Day from = c.from();
  const int step = std::max(p.period, 1);
  const CivilDate start = ToCivil(p.from);
  auto type = static_cast<RecurrenceType>(p.type);
  if (p.type < 1 || p.type > 8) type = RecurrenceType::kDaily;

  switch (type) {
    case RecurrenceType::kDaily:
    case RecurrenceType::kByDayCount: {
      if (step == 1) {  // one stretch of days
        Day last = p.to ? DayOf(*p.to) : from + std::max(p.occurrences, 1) - 1;
        if (p.enteredByOccurrences && p.occurrences > 0)
          last = std::min(last, from + p.occurrences - 1);
        std::vector<CalendarException> one;
        if (last >= from && limit > 0) one.push_back(c.Make(from, last));
        if (truncated) *truncated = false;
        return one;
      }
      for (Day d = from; c.Offer(d); d += step) {
      }
      break;
    }
    case RecurrenceType::kByWeekdayCount: {
      Day d = from;
      while (!MatchesItem(d, 1)) ++d;
      for (;;) {
        if (!c.Offer(d)) break;
        for (int n = 0; n < step; ++n) {
          do ++d;
          while (!MatchesItem(d, 1));
        }
      }
      break;
    }
    case RecurrenceType::kWeekly: {
      int bits = p.daysOfWeek & 0x7f;
      if (bits == 0) bits = 1 << (WeekdayOf(from) - 1);
      const Day sunday = from - (WeekdayOf(from) - 1);
      for (Day week = sunday;; week += 7LL * step) {
        if (!c.Open(week)) break;
        bool more = true;
        for (int w = 0; w < 7 && more; ++w)
          if (bits & (1 << w)) more = c.Offer(week + w);
        if (!more) break;
      }
      break;
    }
    case RecurrenceType::kMonthlyByDay:
    case RecurrenceType::kMonthlyByPosition: {
      for (long long m = start.year * 12LL + (start.month - 1);; m += step) {
        const int year = static_cast<int>(m / 12);
        const int month = static_cast<int>(m % 12) + 1;
        if (year > kLastYear) break;
        std::optional<Day> d;
        if (type == RecurrenceType::kMonthlyByDay)
          d = MonthDayClamped(year, month, p.monthDay);
        else
          d = NthItem(year, month, p.monthItem, p.monthPosition);
        if (d && !c.Offer(*d)) break;
        if (!c.Open(DayOf(DateSerial(year, month, 1)))) break;
      }
      break;
    }
    case RecurrenceType::kYearlyByDay:
    case RecurrenceType::kYearlyByPosition: {
      const int month = std::clamp(p.month, 0, 11) + 1;
      for (int year = start.year; year <= kLastYear; year += step) {
        std::optional<Day> d;
        if (type == RecurrenceType::kYearlyByDay)
          d = MonthDayClamped(year, month, p.monthDay);
        else
          d = NthItem(year, month, p.monthItem, p.monthPosition);
        if (d && !c.Offer(*d)) break;
        if (!c.Open(DayOf(DateSerial(year, 1, 1)))) break;
      }
      break;
    }
  }
  return c.Take(truncated);
}

}  // namespace kx::platform
