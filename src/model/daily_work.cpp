// A resource's work day by day, summed over its assignments.

#include <algorithm>
#include <cmath>

#include "model/project_ops.hpp"
#include "support/regional.hpp"

namespace kx::platform::detail {
namespace {

constexpr double kMaxRangeDays = 366.0 * 200.0;
constexpr double kMaxStretchDays = 366.0 * 300.0;
constexpr double kEpsDays = 1e-7;  // below this (under a hundredth of a second) lengths are equal

using Assignments = std::vector<std::shared_ptr<AssignmentData>>;

std::vector<host::DailyWorkItem> WorkOf(const ProjectData& p, const ResourceData& r,
                                        const Assignments& assignments, Date from, Date to) {
  const double first = std::floor(from.serial);
  const double last = std::floor(to.serial);
  if (last < first) return {};
  if (last - first > kMaxRangeDays) {
    Fail(host::kErrInvalidArgument,
         "Der Zeitraum vom " + FormatDate(from) + " bis " + FormatDate(to) + " ist zu lang.");
  }
  const auto days = static_cast<std::size_t>(last - first) + 1;
  std::vector<double> minutes(days, 0.0);
  const std::shared_ptr<CalendarData> cal =
      r.calendar != nullptr ? r.calendar : p.ProjectCalendar();

  auto add = [&](double day, double m) {
    if (day >= first && day <= last) minutes[static_cast<std::size_t>(day - first)] += m;
  };
  std::vector<double> share;  // working minutes of each day of one stretch
  // Spreads `m` minutes over [s, f) by the working time of each day. Without any working time in
  // it, an assignment's work goes by the time it covers; the work of a record (`unit` given) goes
  // to the days it is the record of, as below.
  auto spread = [&](Date s, Date f, double m, const TimeUnit* unit) {
    if (m == 0.0 || !std::isfinite(m)) return;
    const double d0 = std::floor(s.serial);
    if (!(f > s)) {
      add(d0, m);
      return;
    }
    const double dEnd = std::max(d0 + 1.0, std::ceil(f.serial));  // exclusive
    if (dEnd <= first || d0 > last) return;                       // outside the range asked
    if (dEnd - d0 == 1.0) {
      add(d0, m);
      return;
    }
    const double span = f.serial - s.serial;
    auto byTime = [&](double lo, double hi) {
      for (double day = lo; day < hi; day += 1.0) {
        const double overlap = std::min(day + 1.0, f.serial) - std::max(day, s.serial);
        if (overlap > 0) add(day, m * overlap / span);
      }
    };
    if (dEnd - d0 > kMaxStretchDays) {  // damaged data: no calendar walk over centuries
      byTime(std::max(d0, first), std::min(dEnd, last + 1.0));
      return;
    }
    share.assign(static_cast<std::size_t>(dEnd - d0), 0.0);
    double total = 0.0;
    for (std::size_t i = 0; i < share.size(); ++i) {
      const double day = d0 + static_cast<double>(i);
      share[i] = WorkBetween(cal.get(), Date(std::max(day, s.serial)),
                             Date(std::min(day + 1.0, f.serial)));
      total += share[i];
    }
    if (total <= 0.0) {
      const double length = f.serial - s.serial;
      if (unit != nullptr && length > 1.0 + kEpsDays) {
        // A record of more than a day: evenly over the days it runs, from the day it starts.
        const double n = std::ceil(length - kEpsDays);
        for (double day = std::max(d0, first); day < std::min(d0 + n, last + 1.0); day += 1.0)
          add(day, m / n);
      } else if (unit != nullptr && *unit == TimeUnit::kDay) {
        // A day's record (08:00 to 08:00 of the next day) holds the work of the day it starts,
        // a day the calendar keeps free (a vacation day, a Saturday): none goes to the night.
        add(d0, m);
      } else {
        byTime(std::max(d0, first), std::min(dEnd, last + 1.0));
      }
      return;
    }
    for (std::size_t i = 0; i < share.size(); ++i) {
      if (share[i] > 0.0) add(d0 + static_cast<double>(i), m * share[i] / total);
    }
  };

  for (const auto& a : assignments) {
    if (a == nullptr) continue;
    if (!a->timephased.empty()) {
      for (const TimephasedWork& w : a->timephased) spread(w.start, w.finish, w.minutes, &w.unit);
    } else {
      spread(a->start, a->finish, a->workMinutes, nullptr);
    }
  }

  std::vector<host::DailyWorkItem> items;
  items.reserve(days);
  for (std::size_t i = 0; i < days; ++i) {
    const double m = std::round(minutes[i] * 1000.0) / 1000.0;
    items.push_back(
        {Date(first + static_cast<double>(i)), m > 0.0 ? std::optional<double>(m) : std::nullopt});
  }
  return items;
}

}  // namespace

std::vector<host::DailyWorkItem> DailyWork(const ProjectData& p, const ResourceData& r, Date from,
                                           Date to) {
  return WorkOf(p, r, r.assignments, from, to);
}

std::vector<host::TaskDailyWork> DailyWorkByTask(const ProjectData& p, const ResourceData& r,
                                                 Date from, Date to) {
  std::vector<host::TaskDailyWork> work;
  for (const auto& a : r.assignments) {
    if (a == nullptr) continue;
    host::TaskDailyWork item;
    for (const auto& t : p.tasks) {
      if (t != nullptr && t->uid == a->taskUid) {
        item.task = t->name;
        break;
      }
    }
    item.days = WorkOf(p, r, Assignments{a}, from, to);
    work.push_back(std::move(item));
  }
  return work;
}

}  // namespace kx::platform::detail
