#pragma once
// What a chart picture shows, without a toolkit: the table's columns, one row per task with its
// cell texts and the bars that the project's bar styles give it, and the days the chart covers.
// Built from a chart project (or any project) of the planning host; the painter draws it.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "holidays/holiday_calendar.hpp"
#include "model/model.hpp"
#include "support/regional.hpp"

namespace kx::gantt {

// A day as a whole day number (days since 30.12.1899, as Date counts them).
using Day = long;

// Returns the day that holds `d`.
Day DayOf(Date d);
// Returns the date at midnight of `day`.
Date DateOfDay(Day day);

enum class Align { Left, Centre, Right };

struct Column {
  std::string field;   // "Nr.", "Name", "Datum7", ...
  std::string title;   // what the header shows
  int width = 10;      // in characters, as the table defines it
  Align align = Align::Left;
};

// Whole days `first` to `last`, both included.
struct DaySpan {
  Day first = 0;
  Day last = 0;
  bool operator==(const DaySpan&) const = default;
};

// The nine codes of a bar style: start shape, type, colour; middle shape, colour, pattern; end
// shape, type, colour (meanings in bar_look.hpp).
struct BarLook {
  int startShape = 0, startType = 0, startColour = 0;
  int middleShape = 1, middleColour = 5, pattern = 1;
  int endShape = 0, endType = 0, endColour = 0;
  bool operator==(const BarLook&) const = default;
};

// One bar of a row: the parts of one task drawn in one bar style.
struct Bar {
  std::string style;           // the bar style's name
  BarLook look;
  std::vector<DaySpan> parts;  // ascending; a gap between two parts is a split
  std::optional<int> ownColour;  // the task's colour code, over the style's middle colour
  std::string text;            // shown after the bar's end; empty for none
  bool rolledUp = false;       // the bar of a task below, shown on its summary row
};

// What a picture marks over a row's days besides its bars.
struct DayMarks {
  Day first = 0;             // the day of counts[0] and over[0]
  std::vector<int> counts;   // a count per day (people away): a number where the day is wide
                             // enough, a shade otherwise; 0 shows nothing
  std::vector<char> over;    // per day: the count passes a limit (drawn in red)
  int most = 0;              // the count a full shade stands for
  std::vector<Day> red;      // days marked in red over the bars (work on a vacation day)
  bool Empty() const { return counts.empty() && red.empty(); }
};

struct Row {
  int number = 0;  // the row in the task sheet
  int level = 1;   // outline level, 1 at the left
  bool summary = false;
  std::vector<std::string> cells;  // one per column
  std::vector<Bar> bars;           // in bar style order: later bars are drawn over earlier ones
  DayMarks marks;                  // drawn over the bars
};

struct ChartModel {
  std::string title;     // the project's title, else its name
  std::string viewName;  // the view whose table and bar styles the picture shows
  std::vector<Column> columns;
  std::vector<Row> rows;
  DaySpan period;        // the days the time grid shows
  std::size_t cutTexts = 0;  // texts that were longer than kLongestName characters and cut
  std::map<Day, std::string> holidays;  // public holidays in the period: shaded, with their names
};

struct ModelOptions {
  std::optional<Day> from;  // the first day shown; default: the chart's period
  std::optional<Day> to;    // the last day shown
};

// Returns the picture model of `project`: the columns of its current view's table (else the
// entry table), the rows of its task sheet, and bars from its bar styles (standard styles when
// it has none). The period is the one the chart rows carry in "Datum7" and "Datum8"; without
// them the days from the first to the last bar; `options` may set either end. Texts are
// written with `region` and cut to kLongestName characters, so that no text makes drawing slow.
ChartModel BuildChartModel(const platform::ProjectData& project, const ModelOptions& options = {},
                           const RegionalSettings& region = RegionalSettings::Current());

// Puts the public holidays of `state` in the model's period into `model.holidays`.
void AddHolidays(ChartModel& model, holidays::State state);
// Puts the holidays that `project` carries as a base calendar "Feiertage <Land>" (the first such
// calendar) into `model.holidays`: its one-day days off in the period, with their names.
void AddCalendarHolidays(ChartModel& model, const platform::ProjectData& project);
// Puts the weekdays (Monday to Friday) of the model's period that `calendar` keeps free into
// `model.holidays`, named by the exception that frees them ("Neujahr", "Betriebsferien"), else
// "arbeitsfrei": the days a chart's comparison calendar does not work are shaded like weekends.
// Days already named keep their names.
void AddFreeWeekdays(ChartModel& model, const platform::CalendarData& calendar);

// Returns the bar styles a project without styles of its own is drawn with.
std::vector<platform::BarStyle> StandardBarStyles();

}  // namespace kx::gantt
