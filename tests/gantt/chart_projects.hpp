#pragma once
// Small chart projects made by hand the way the chart run leaves them: the neutral calendar, the
// chart's table, field titles and five bar styles, group rows and resource rows with gaps.

#include <memory>
#include <string>

#include "platform/planning_host.hpp"
#include "support/date.hpp"

namespace kx::gantt::testing {

using platform::ProjectData;
using platform::TaskData;

inline constexpr std::int32_t kNumber14 = 188743990;
inline constexpr std::int32_t kDate7 = 188743951;
inline constexpr std::int32_t kDate8 = 188743952;

inline Date At(int y, int m, int d, int h = 0) {
  return DateTimeSerial(y, m, d, h, 0);
}

// A vacation plan over March 2025 without rows.
inline std::shared_ptr<ProjectData> EmptyVacationChart() {
  auto p = platform::NewProjectData("urlaub.xml");
  p->start = At(2025, 3, 1, 8);
  auto neutral = std::make_shared<platform::CalendarData>();
  neutral->name = "KXNeutral";
  neutral->uid = 9;
  neutral->weekdays[0] = {false, platform::DefaultWorkingTimes()};
  neutral->weekdays[6] = {false, platform::DefaultWorkingTimes()};
  p->calendars.push_back(neutral);
  p->calendarName = "KXNeutral";

  auto& d = p->definitions;
  d.tables.push_back({"Urlaub",
                      true,
                      {{"Nr.", "", 6, 1},
                       {"Indikatoren", "", 6, 0},
                       {"Name", "", 24, 0},
                       {"Datum7", "", 12, 2},
                       {"Datum8", "", 12, 2},
                       {"Zahl14", "", 18, 2}}});
  d.views.push_back({"Balkendiagramm: Urlaub", true, "Urlaub", "Alle Vorgänge", "Ohne Gruppe"});
  d.currentView = "Balkendiagramm: Urlaub";
  d.currentTable = "Urlaub";
  d.customFieldTitles[kNumber14] = "Anzahl Urlaubstage";
  d.customFieldTitles[kDate7] = "Bereich von";
  d.customFieldTitles[kDate8] = "Bereich bis";
  d.customFieldProperties[kNumber14] = {
      {0, kNumber14}, {1, std::int16_t{0}}, {2, std::int16_t{3}}, {3, false}};
  d.barStyles = {
      {"Vorgang", "Normal", "Anfang", "Ende", {0, 0, 5, 1, 15, 3, 0, 0, 5}, 1, "Ressourcennamen"},
      {"In Arbeit", "Normal", "Aktueller Anfang", "Fortgeschritten bis", {0, 0, 0, 3, 0, 1, 0, 0, 0},
       1, ""},
      {"Rollup: Vorgang", "Normal;Rolled up;Nicht Sammelvorgang", "Anfang", "Ende",
       {0, 0, 5, 1, 0, 4, 0, 0, 5}, 1, ""},
      {"Projektsammelvorgang", "Projektsammelvorgang", "Anfang", "Ende",
       {2, 0, 14, 2, 14, 1, 2, 0, 14}, 1, ""},
      {"Gruppenkopf", "Gruppenkopf", "Anfang", "Ende", {2, 0, 0, 2, 0, 1, 2, 0, 0}, 1, ""}};
  return p;
}

// Adds a row; `first` to `last` are whole days at 08:00 to 17:00 of the neutral calendar.
inline TaskData& AddRow(ProjectData& p, const std::string& name, int level) {
  auto t = std::make_shared<TaskData>();
  t->id = static_cast<std::int32_t>(p.tasks.size() + 1);
  t->uid = t->id;
  t->name = name;
  t->outlineLevel = level;
  t->dates["Datum7"] = At(2025, 3, 1);
  t->dates["Datum8"] = At(2025, 3, 31);
  p.tasks.push_back(t);
  return *t;
}

inline TaskData& AddResourceRow(ProjectData& p, const std::string& name, int level, Date first,
                                Date last, int colour) {
  TaskData& t = AddRow(p, name, level);
  t.start = Date(first.serial + 8.0 / 24.0);
  t.finish = Date(last.serial + 17.0 / 24.0);
  t.durationMinutes = 480.0 * (last.serial - first.serial + 1);
  t.rollup = true;
  t.barColour = colour;
  return t;
}

// Cuts a whole-day gap into a row, as SplitTask leaves it: from 08:00 of the day to 08:00 of the
// next.
inline void CutDay(TaskData& t, Date day) {
  t.gaps.push_back({Date(day.serial + 8.0 / 24.0), Date(day.serial + 1.0 + 8.0 / 24.0)});
  t.durationMinutes -= 480.0;
}

// A grouped vacation plan: "Planung" with Katrin (Mon 3 to Fri 7 March, Thursday worked, red)
// and Stefan (Mon 10 to Tue 11 March, blue, bar hidden when `hideStefan`), then "Bau" with Jan
// (Wed 19 March, "Automatisch").
inline std::shared_ptr<ProjectData> GroupedVacationChart(bool hideStefan = false) {
  auto p = EmptyVacationChart();
  TaskData& planung = AddRow(*p, "Planung", 1);
  planung.summary = true;
  planung.start = At(2025, 3, 3, 8);
  planung.finish = At(2025, 3, 11, 17);
  TaskData& katrin = AddResourceRow(*p, "Katrin Vogel", 2, At(2025, 3, 3), At(2025, 3, 7), 1);
  CutDay(katrin, At(2025, 3, 6));
  katrin.numbers["Zahl14"] = 4;
  TaskData& stefan = AddResourceRow(*p, "Stefan Brandt", 2, At(2025, 3, 10), At(2025, 3, 11), 5);
  stefan.numbers["Zahl14"] = 2;
  stefan.hiddenBar = hideStefan;
  TaskData& bau = AddRow(*p, "Bau", 1);
  bau.summary = true;
  bau.start = At(2025, 3, 19, 8);
  bau.finish = At(2025, 3, 19, 17);
  TaskData& jan = AddResourceRow(*p, "Jan Krause", 2, At(2025, 3, 19), At(2025, 3, 19), 16);
  jan.numbers["Zahl14"] = 1;
  return p;
}

}  // namespace kx::gantt::testing
