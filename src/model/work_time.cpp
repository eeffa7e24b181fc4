// Working-time arithmetic over a calendar: pieces of working time between two moments, with the
// gaps of a split task cut out.

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "model/project_ops.hpp"
#include "support/regional.hpp"

namespace kx::platform::detail {
namespace {

constexpr long kMaxDays = 36600;      // a hundred years
constexpr double kEpsMinutes = 1e-7;  // below this two amounts of minutes are equal
constexpr double kInfinity = std::numeric_limits<double>::infinity();

const WorkingTimes& TimesOn(const CalendarData* cal, double day) {
  if (cal != nullptr) return cal->WorkingTimesRefOn(Date(day));
  static const WorkingTimes kDefault = DefaultWorkingTimes();
  static const WorkingTimes kNone;
  const int wd = Weekday(Date(day));
  return wd == 1 || wd == 7 ? kNone : kDefault;
}

// Calls f(p, q) for each piece [p, q) of working time inside [from, to) outside the gaps, in time
// order, while f returns true; looks at no more than `maxDays` days.
template <class Times, class F>
void ForwardPiecesOver(Times&& times, double from, double to, const Gaps* gaps, long maxDays,
                       F&& f) {
  const std::size_t n = gaps != nullptr ? gaps->size() : 0;
  std::size_t gi = 0;
  if (n > 0) {
    gi = static_cast<std::size_t>(std::upper_bound(gaps->begin(), gaps->end(), from,
                                                   [](double x, const std::pair<Date, Date>& g) {
                                                     return x < g.second.serial;
                                                   }) -
                                  gaps->begin());
  }
  double day = std::floor(from);
  for (long i = 0; i < maxDays && day < to; ++i, day += 1.0) {
    for (const WorkingTime& wt : times(day)) {
      const double a = std::max(day + wt.from, from);
      const double b = std::min(day + wt.to, to);
      if (a >= b) continue;
      while (gi < n && (*gaps)[gi].second.serial <= a) ++gi;
      double p = a;
      for (std::size_t j = gi; p < b; ++j) {
        if (j >= n || (*gaps)[j].first.serial >= b) {
          if (!f(p, b)) return;
          break;
        }
        const double gs = (*gaps)[j].first.serial;
        const double ge = (*gaps)[j].second.serial;
        if (ge <= p) continue;
        if (gs > p && !f(p, gs)) return;
        p = std::max(p, ge);
      }
    }
  }
}

template <class F>
void ForwardPieces(const CalendarData* cal, double from, double to, const Gaps* gaps, long maxDays,
                   F&& f) {
  ForwardPiecesOver([cal](double day) -> const WorkingTimes& { return TimesOn(cal, day); }, from,
                    to, gaps, maxDays, std::forward<F>(f));
}

// Sums the working minutes of the pieces as WorkBetween does.
template <class Times>
double MinutesBetween(Times&& times, Date from, Date to, const Gaps* gaps) {
  if (!(to.serial > from.serial)) return 0.0;
  double minutes = 0.0;
  const long days = static_cast<long>(std::ceil(to.serial) - std::floor(from.serial)) + 1;
  ForwardPiecesOver(std::forward<Times>(times), from.serial, to.serial, gaps, days,
                    [&](double p, double q) {
                      minutes += (q - p) * kMinutesPerDay;
                      return true;
                    });
  return std::round(minutes * 60.0) / 60.0;  // moments are whole seconds
}

// Calls f(p, q) for each piece [p, q) of working time inside [floor, end) outside the gaps, latest
// first, while f returns true.
template <class F>
void BackwardPieces(const CalendarData* cal, double end, double floor, const Gaps* gaps, F&& f) {
  const std::size_t n = gaps != nullptr ? gaps->size() : 0;
  for (double day = std::floor(end); day >= std::floor(floor); day -= 1.0) {
    const WorkingTimes& times = TimesOn(cal, day);
    for (auto it = times.rbegin(); it != times.rend(); ++it) {
      const double a = std::max(day + it->from, floor);
      const double b = std::min(day + it->to, end);
      if (a >= b) continue;
      // The last gap that starts before b.
      long j = -1;
      if (n > 0) {
        j = static_cast<long>(std::upper_bound(gaps->begin(), gaps->end(), b,
                                               [](double x, const std::pair<Date, Date>& g) {
                                                 return x <= g.first.serial;
                                               }) -
                              gaps->begin()) -
            1;
      }
      double q = b;
      while (q > a) {
        if (j < 0 || (*gaps)[static_cast<std::size_t>(j)].second.serial <= a) {
          if (!f(a, q)) return;
          break;
        }
        const double gs = (*gaps)[static_cast<std::size_t>(j)].first.serial;
        const double ge = (*gaps)[static_cast<std::size_t>(j)].second.serial;
        if (ge < q && !f(std::max(ge, a), q)) return;
        q = std::min(q, gs);
        --j;
      }
    }
  }
}

std::string CalendarLabel(const CalendarData* cal) {
  return cal != nullptr ? cal->name : "Standard";
}

}  // namespace

void Fail(std::int32_t number, std::string text) {
  throw host::HostError(number, std::move(text));
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

Date RequireDate(const Value& value, std::string_view what) {
  if (auto d = ToDate(value)) return *d;
  Fail(host::kErrInvalidArgument,
       Quoted(ToText(value)) + " ist kein gültiges Datum (" + std::string(what) + ").");
}

Date SnapToSecond(Date d) {
  return Date(std::round(d.serial * 86400.0) / 86400.0);
}

const WorkingTimes& CalendarDays::On(double day) {
  if (times_ == nullptr || day != day_) {
    times_ = &TimesOn(cal_, day);
    day_ = day;
  }
  return *times_;
}

double WorkBetween(const CalendarData* cal, Date from, Date to, const Gaps* gaps) {
  return MinutesBetween([cal](double day) -> const WorkingTimes& { return TimesOn(cal, day); },
                        from, to, gaps);
}

double WorkBetween(CalendarDays& days, Date from, Date to) {
  return MinutesBetween([&days](double day) -> const WorkingTimes& { return days.On(day); }, from,
                        to, nullptr);
}

bool HasWorkBetween(CalendarDays& days, Date from, Date to) {
  if (!(to.serial > from.serial)) return false;
  // The sum only grows piece by piece: once its rounding is above zero, so is the whole's.
  double minutes = 0.0;
  bool any = false;
  const long n = static_cast<long>(std::ceil(to.serial) - std::floor(from.serial)) + 1;
  ForwardPiecesOver([&days](double day) -> const WorkingTimes& { return days.On(day); },
                    from.serial, to.serial, nullptr, n, [&](double p, double q) {
                      minutes += (q - p) * kMinutesPerDay;
                      any = std::round(minutes * 60.0) / 60.0 > 0;
                      return !any;
                    });
  return any;
}

Date AdvanceWork(const CalendarData* cal, Date from, double minutes, const Gaps* gaps) {
  if (minutes <= kEpsMinutes) return from;
  double remaining = minutes;
  std::optional<double> result;
  ForwardPieces(cal, from.serial, kInfinity, gaps, kMaxDays, [&](double p, double q) {
    const double len = (q - p) * kMinutesPerDay;
    if (len >= remaining - kEpsMinutes) {
      result = std::abs(len - remaining) <= kEpsMinutes ? q : p + remaining / kMinutesPerDay;
      return false;
    }
    remaining -= len;
    return true;
  });
  if (!result) {
    Fail(host::kErrInvalidArgument, "Der Kalender " + Quoted(CalendarLabel(cal)) +
                                        " hat nach dem " + FormatDate(from) +
                                        " keine Arbeitszeit.");
  }
  return SnapToSecond(Date(*result));
}

Date RetreatWork(const CalendarData* cal, Date end, double minutes, Date floor, const Gaps* gaps) {
  if (minutes <= kEpsMinutes) return end;
  double remaining = minutes;
  bool exhausted = false;  // used up exactly at the start of a piece
  std::optional<double> result;
  BackwardPieces(cal, end.serial, floor.serial, gaps, [&](double p, double q) {
    if (exhausted) {
      result = q;
      return false;
    }
    const double len = (q - p) * kMinutesPerDay;
    if (len > remaining + kEpsMinutes) {
      result = q - remaining / kMinutesPerDay;
      return false;
    }
    remaining -= len;
    if (remaining <= kEpsMinutes) exhausted = true;
    return true;
  });
  return SnapToSecond(result ? Date(*result) : floor);
}

std::optional<Date> NextWorkingMoment(const CalendarData* cal, Date at) {
  std::optional<Date> result;
  ForwardPieces(cal, at.serial, kInfinity, nullptr, kMaxDays, [&](double p, double) {
    result = Date(p);
    return false;
  });
  return result;
}

}  // namespace kx::platform::detail
