#pragma once
// The time grid of a chart picture: how wide a day is, which tiers of labels the header shows
// (months over days, months over calendar weeks, or years over months) and where a day lies.

#include <functional>
#include <string>
#include <vector>

#include "gantt/chart_model.hpp"

namespace kx::gantt {

enum class TimeUnit { Days, Weeks, Months, Years };

// One labelled stretch of a tier: days `span.first` to `span.last`.
struct TimeCell {
  DaySpan span;
  std::string label;  // may be empty when no label fits
};

struct TimeTier {
  TimeUnit unit = TimeUnit::Days;
  std::vector<TimeCell> cells;
};

// Returns the width of a text in the unit the scale is laid out in.
using TextWidth = std::function<double(const std::string&)>;

class TimeScale {
 public:
  // Lays out `period` with days `dayWidth` wide; labels are chosen to fit `textWidth` with
  // `padding` on either side.
  TimeScale(DaySpan period, double dayWidth, const TextWidth& textWidth, double padding = 2.0);

  const DaySpan& Period() const { return period_; }
  double DayWidth() const { return dayWidth_; }
  double Width() const { return dayWidth_ * static_cast<double>(period_.last - period_.first + 1); }
  // The left edge of `day`, relative to the grid's left edge (days outside the period lie
  // outside 0..Width()).
  double X(Day day) const { return dayWidth_ * static_cast<double>(day - period_.first); }
  // Top tier first.
  const std::vector<TimeTier>& Tiers() const { return tiers_; }
  // The unit the grid's finest lines follow.
  TimeUnit Finest() const { return tiers_.back().unit; }

 private:
  DaySpan period_;
  double dayWidth_;
  std::vector<TimeTier> tiers_;
};

// Returns the day width that suits a period shown at its natural size: day numbers for up to
// about a year and a half, calendar weeks for up to five years, months beyond.
double NaturalDayWidth(DaySpan period);

// Returns the German name of month 1 to 12 ("März").
const char* MonthName(int month);
// Returns the ISO 8601 calendar week of `day` (weeks start on Monday; week 1 holds 4 January).
int CalendarWeek(Day day);
// Returns the weekday of `day`, 1 = Monday ... 7 = Sunday.
int IsoWeekday(Day day);

}  // namespace kx::gantt
