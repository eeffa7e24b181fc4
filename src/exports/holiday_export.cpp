#include "exports/holiday_export.hpp"

#include <libical/ical.h>

#include <cstdio>

#include "exports/chart_table.hpp"
#include "exports/csv_export.hpp"
#include "exports/export_file.hpp"
#include "exports/ical_calendar.hpp"

namespace kx::exports {
namespace {

std::string Years(int from, int to) {
  return from == to ? std::to_string(from) : std::to_string(from) + "–" + std::to_string(to);
}

}  // namespace

std::string GermanWeekday(Date d) {
  static const char* const kNames[] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                       "Donnerstag", "Freitag", "Samstag"};
  return kNames[(Weekday(d) - 1) % 7];
}

std::string HolidaysCsvText(const std::vector<holidays::Holiday>& days) {
  std::string text = "\xEF\xBB\xBF" "Datum;Wochentag;Name\r\n";
  for (const holidays::Holiday& h : days)
    text += DayText(h.day) + ";" + GermanWeekday(h.day) + ";" + CsvField(h.name) + "\r\n";
  return text;
}

std::string HolidaysIcsText(holidays::State state, int from, int to,
                            const std::vector<holidays::Holiday>& days, std::time_t stamp) {
  const CalendarPtr calendar = NewNamedCalendar("Feiertage " + std::string(holidays::Name(state)) +
                                                 " " + Years(from, to));
  icalcomponent* cal = calendar.get();

  const icaltimetype dtstamp =
      icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone());
  for (const holidays::Holiday& h : days) {
    const CivilDate c = ToCivil(h.day);
    char uid[64];
    std::snprintf(uid, sizeof uid, "feiertag-%s-%04d%02d%02d@korvalinx", holidays::Code(state),
                  c.year, c.month, c.day);
    icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(event, icalproperty_new_uid(uid));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(dtstamp));
    icalcomponent_add_property(event, icalproperty_new_dtstart(AllDay(h.day)));
    icalcomponent_add_property(event, icalproperty_new_dtend(AllDay(Date(h.day.serial + 1))));
    icalcomponent_add_property(event, icalproperty_new_summary(h.name.c_str()));
    const std::string description = "Gesetzlicher Feiertag in " + std::string(holidays::Name(state));
    icalcomponent_add_property(event, icalproperty_new_description(description.c_str()));
    icalcomponent_add_property(event, icalproperty_new_categories("Feiertag"));
    icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    icalcomponent_add_component(cal, event);
  }
  return CalendarText(cal);
}

void WriteHolidaysCsv(const std::vector<holidays::Holiday>& days, const std::string& path) {
  WriteFileWhole(path, HolidaysCsvText(days));
}

void WriteHolidaysIcs(holidays::State state, int from, int to,
                      const std::vector<holidays::Holiday>& days, const std::string& path) {
  WriteFileWhole(path, HolidaysIcsText(state, from, to, days, std::time(nullptr)));
}

}  // namespace kx::exports
