#include "exports/holiday_export.hpp"

#include <libical/ical.h>

#include <cstdio>
#include <memory>

#include "exports/chart_table.hpp"
#include "exports/csv_export.hpp"
#include "exports/export_file.hpp"
#include "support/product.hpp"

namespace kx::exports {
namespace {

icaltimetype AllDay(Date d) {
  const CivilDate c = ToCivil(d);
  icaltimetype t = icaltime_null_date();
  t.year = c.year;
  t.month = c.month;
  t.day = c.day;
  t.is_date = 1;
  return t;
}

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};

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
    text += GermanDate(h.day) + ";" + GermanWeekday(h.day) + ";" + CsvField(h.name) + "\r\n";
  return text;
}

std::string HolidaysIcsText(holidays::State state, int from, int to,
                            const std::vector<holidays::Holiday>& days, std::time_t stamp) {
  std::unique_ptr<icalcomponent, ComponentFree> calendar(
      icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
  icalcomponent* cal = calendar.get();
  icalcomponent_add_property(cal, icalproperty_new_version("2.0"));
  icalcomponent_add_property(
      cal, icalproperty_new_prodid(
               (std::string("-//Korvalinx//Korvalinx ") + kProductVersion + "//DE").c_str()));
  icalcomponent_add_property(cal, icalproperty_new_calscale("GREGORIAN"));
  icalcomponent_add_property(cal, icalproperty_new_method(ICAL_METHOD_PUBLISH));
  const std::string name = "Feiertage " + std::string(holidays::Name(state)) + " " + Years(from, to);
  icalcomponent_add_property(cal, icalproperty_new_name(name.c_str()));
  icalproperty* xname = icalproperty_new_x(name.c_str());
  icalproperty_set_x_name(xname, "X-WR-CALNAME");
  icalcomponent_add_property(cal, xname);

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
  char* text = icalcomponent_as_ical_string_r(cal);
  if (!text) throw ExportError("Der Kalender kann nicht zusammengestellt werden.");
  std::string result(text);
  icalmemory_free_buffer(text);
  return result;
}

void WriteHolidaysCsv(const std::vector<holidays::Holiday>& days, const std::string& path) {
  WriteFileWhole(path, HolidaysCsvText(days));
}

void WriteHolidaysIcs(holidays::State state, int from, int to,
                      const std::vector<holidays::Holiday>& days, const std::string& path) {
  WriteFileWhole(path, HolidaysIcsText(state, from, to, days, std::time(nullptr)));
}

}  // namespace kx::exports
