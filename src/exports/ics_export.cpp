#include "exports/ics_export.hpp"

#include <libical/ical.h>

#include <cstdio>
#include <map>

#include "exports/export_file.hpp"
#include "exports/ical_calendar.hpp"

namespace kx::exports {
namespace {

// FNV-1a over the source's name: distinguishes resources of different projects that share a
// unique number.
std::string SourceKey(const std::string& name) {
  std::uint32_t hash = 2166136261u;
  for (const unsigned char c : name) {
    hash ^= c;
    hash *= 16777619u;
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", hash);
  return buf;
}

const char* WeekdayName(Date d) {
  static const char* const kNames[] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  return kNames[(Weekday(d) - 1) % 7];
}

std::string DayCount(std::int32_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Description(const ChartTable& table, const TableRow& row, const MarkedRun& run) {
  const Date first = table.Day(run.first), last = table.Day(run.last);
  std::string text = row.name + ", " + row.group + "\n";
  text += run.first == run.last ? DayText(first) : DayText(first) + " bis " + DayText(last);
  if (table.Vacation()) {
    text += ": " + DayCount(run.markedDays, "Urlaubstag", "Urlaubstage") + "\n";
  } else {
    text += ": " + DayCount(run.markedDays, "Arbeitstag", "Arbeitstage") + ", " +
            HoursText(run.hours) + " Stunden";
    // The same hours every day are said once; otherwise each day is listed.
    std::string days;
    std::optional<double> same;
    bool uniform = true;
    for (long i = run.first; i <= run.last; ++i) {
      const DayCell& cell = row.days[static_cast<std::size_t>(i)];
      if (!cell.marked) continue;
      if (same && HoursText(*same) != HoursText(cell.hours)) uniform = false;
      same = cell.hours;
      const Date day = table.Day(i);
      days += std::string(WeekdayName(day)) + " " + DayText(day) + ": " + HoursText(cell.hours) +
              " Stunden\n";
    }
    if (run.markedDays == 1) {
      text += "\n";
    } else if (uniform) {
      text += " (" + HoursText(*same) + " Stunden je Tag)\n";
    } else {
      text += "\n" + days;
    }
  }
  text += "Aus dem " + std::string(PlanName(table.kind)) + " von " + table.sourceName;
  return text;
}

}  // namespace

std::vector<MarkedRun> MarkedRuns(const TableRow& row) {
  std::vector<MarkedRun> runs;
  const long n = static_cast<long>(row.days.size());
  long i = 0;
  while (i < n) {
    if (!row.days[static_cast<std::size_t>(i)].marked) {
      ++i;
      continue;
    }
    MarkedRun run{i, i, 0, 0.0};
    for (long j = i; j < n; ++j) {
      const DayCell& cell = row.days[static_cast<std::size_t>(j)];
      if (cell.marked) {
        run.last = j;
        ++run.markedDays;
        run.hours += cell.hours;
      } else if (!cell.free) {
        break;
      }
    }
    runs.push_back(run);
    i = run.last + 1;
  }
  return runs;
}

std::string CalendarName(const ChartTable& table) {
  std::string name = PlanName(table.kind);
  if (!table.chartName.empty()) name += " " + table.chartName;
  name += " " + DayText(table.first) + " – " + DayText(table.last);
  if (!table.sourceName.empty()) name += ": " + table.sourceName;
  return name;
}

std::string EventUid(const ChartTable& table, const TableRow& row, Date firstDay) {
  const CivilDate c = ToCivil(firstDay);
  char day[16];
  std::snprintf(day, sizeof day, "%04d%02d%02d", c.year, c.month, c.day);
  return std::string(table.Vacation() ? "urlaub-" : "einsatz-") + std::to_string(row.uniqueId) +
         "-" + day + "-" + SourceKey(table.sourceName) + "@korvalinx";
}

std::string IcsText(const ChartTable& table, std::time_t stamp) {
  const CalendarPtr calendar = NewNamedCalendar(CalendarName(table));
  icalcomponent* cal = calendar.get();

  const icaltimetype dtstamp =
      icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone());
  std::map<std::string, int> uids;  // a unique number shared by two projects of one chart
  for (const TableRow& row : table.rows) {
    for (const MarkedRun& run : MarkedRuns(row)) {
      const Date first = table.Day(run.first);
      std::string uid = EventUid(table, row, first);
      if (const int seen = uids[uid]++; seen > 0)
        uid.insert(uid.find('@'), "-" + std::to_string(seen + 1));
      icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
      icalcomponent_add_property(event, icalproperty_new_uid(uid.c_str()));
      icalcomponent_add_property(event, icalproperty_new_dtstamp(dtstamp));
      icalcomponent_add_property(event, icalproperty_new_dtstart(AllDay(first)));
      icalcomponent_add_property(
          event, icalproperty_new_dtend(AllDay(Date(table.Day(run.last).serial + 1))));
      const std::string summary = (table.Vacation() ? "Urlaub: " : "Einsatz: ") + row.name;
      icalcomponent_add_property(event, icalproperty_new_summary(summary.c_str()));
      icalcomponent_add_property(
          event, icalproperty_new_description(Description(table, row, run).c_str()));
      if (!row.group.empty())
        icalcomponent_add_property(event, icalproperty_new_categories(row.group.c_str()));
      // Other people's days off must not make the importer look busy.
      icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
      icalcomponent_add_component(cal, event);
    }
  }
  return CalendarText(cal);
}

void WriteIcs(const ChartTable& table, const std::string& path) {
  WriteFileWhole(path, IcsText(table, std::time(nullptr)));
}

}  // namespace kx::exports
