#include "gantt/time_scale.hpp"

#include <algorithm>
#include <array>

namespace kx::gantt {
namespace {

constexpr std::array<const char*, 12> kMonths = {"Januar",    "Februar", "März",     "April",
                                                 "Mai",       "Juni",    "Juli",     "August",
                                                 "September", "Oktober", "November", "Dezember"};
constexpr std::array<const char*, 12> kShortMonths = {"Jan.", "Feb.", "März", "Apr.",
                                                      "Mai",  "Juni", "Juli", "Aug.",
                                                      "Sep.", "Okt.", "Nov.", "Dez."};

// Returns the first candidate that fits `room`, else an empty label.
std::string Fitting(const std::vector<std::string>& candidates, double room,
                    const TextWidth& width, double padding) {
  for (const auto& c : candidates) {
    if (width(c) + 2 * padding <= room) return c;
  }
  return "";
}

// Cuts the period into stretches that start where `starts` says a new one begins.
template <class StartsHere, class Label>
TimeTier Cut(TimeUnit unit, DaySpan period, double dayWidth, StartsHere startsHere, Label label) {
  TimeTier tier{unit, {}};
  Day first = period.first;
  for (Day d = period.first + 1; d <= period.last + 1; ++d) {
    if (d == period.last + 1 || startsHere(d)) {
      const DaySpan span{first, d - 1};
      tier.cells.push_back({span, label(span, dayWidth * static_cast<double>(d - first))});
      first = d;
    }
  }
  return tier;
}

}  // namespace

const char* MonthName(int month) {
  return month >= 1 && month <= 12 ? kMonths[static_cast<std::size_t>(month - 1)] : "";
}

int IsoWeekday(Day day) {
  // Weekday() counts 1 = Sunday ... 7 = Saturday.
  const int w = Weekday(DateOfDay(day));
  return w == 1 ? 7 : w - 1;
}

int CalendarWeek(Day day) {
  // The week's Thursday decides the year the week belongs to.
  const Day thursday = day - IsoWeekday(day) + 4;
  const int year = ToCivil(DateOfDay(thursday)).year;
  const Day firstThursday = DayOf(DateSerial(year, 1, 4)) - IsoWeekday(DayOf(DateSerial(year, 1, 4))) + 4;
  return static_cast<int>((thursday - firstThursday) / 7) + 1;
}

double NaturalDayWidth(DaySpan period) {
  const Day days = period.last - period.first + 1;
  if (days <= 100) return 22.0;
  if (days <= 550) return 19.0;
  if (days <= 1830) return 5.0;
  return 1.5;
}

TimeScale::TimeScale(DaySpan period, double dayWidth, const TextWidth& textWidth, double padding)
    : period_(period), dayWidth_(dayWidth) {
  if (period_.last < period_.first) period_.last = period_.first;
  if (!(dayWidth_ > 0.0)) dayWidth_ = 1.0;
  auto civil = [](Day d) { return ToCivil(DateOfDay(d)); };
  auto monthStarts = [&](Day d) { return civil(d).day == 1; };
  auto yearStarts = [&](Day d) { return civil(d).day == 1 && civil(d).month == 1; };
  auto weekStarts = [&](Day d) { return IsoWeekday(d) == 1; };

  auto monthLabel = [&](const DaySpan& s, double room) {
    const auto c = civil(s.first);
    const std::string year = std::to_string(c.year);
    const std::string full = MonthName(c.month);
    const std::string shortName = kShortMonths[static_cast<std::size_t>(c.month - 1)];
    return Fitting({full + " " + year, shortName + " " + year, full, shortName,
                    full.substr(0, 1)},
                   room, textWidth, padding);
  };
  auto monthOnlyLabel = [&](const DaySpan& s, double room) {
    const auto c = civil(s.first);
    const std::string full = MonthName(c.month);
    return Fitting({full, kShortMonths[static_cast<std::size_t>(c.month - 1)],
                    full.substr(0, 1)},
                   room, textWidth, padding);
  };
  auto yearLabel = [&](const DaySpan& s, double room) {
    const std::string y = std::to_string(civil(s.first).year);
    return Fitting({y, y.substr(2)}, room, textWidth, padding);
  };
  auto weekLabel = [&](const DaySpan& s, double room) {
    // A week cut by the period's edge is labelled only when its number still fits.
    const std::string n = std::to_string(CalendarWeek(s.first));
    return Fitting({"KW " + n, n}, room, textWidth, padding);
  };
  auto dayLabel = [&](const DaySpan& s, double room) {
    return Fitting({std::to_string(civil(s.first).day)}, room, textWidth, 1.0);
  };

  // Day numbers sit centred in their cells and need little room beside them.
  const double widest = textWidth("30") + 2.0;
  if (dayWidth_ >= widest) {
    tiers_.push_back(Cut(TimeUnit::Months, period_, dayWidth_, monthStarts, monthLabel));
    tiers_.push_back(Cut(TimeUnit::Days, period_, dayWidth_, [](Day) { return true; }, dayLabel));
  } else if (7 * dayWidth_ >= textWidth("53") + 2 * padding) {
    tiers_.push_back(Cut(TimeUnit::Months, period_, dayWidth_, monthStarts, monthLabel));
    tiers_.push_back(Cut(TimeUnit::Weeks, period_, dayWidth_, weekStarts, weekLabel));
  } else {
    tiers_.push_back(Cut(TimeUnit::Years, period_, dayWidth_, yearStarts, yearLabel));
    tiers_.push_back(Cut(TimeUnit::Months, period_, dayWidth_, monthStarts, monthOnlyLabel));
  }
}

}  // namespace kx::gantt
