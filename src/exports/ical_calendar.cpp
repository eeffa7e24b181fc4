#include "exports/ical_calendar.hpp"

#include "exports/chart_table.hpp"
#include "support/product.hpp"

namespace kx::exports {

CalendarPtr NewNamedCalendar(const std::string& name) {
  CalendarPtr calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
  icalcomponent* cal = calendar.get();
  icalcomponent_add_property(cal, icalproperty_new_version("2.0"));
  icalcomponent_add_property(
      cal, icalproperty_new_prodid(
               (std::string("-//Korvalinx//Korvalinx ") + kProductVersion + "//DE").c_str()));
  icalcomponent_add_property(cal, icalproperty_new_calscale("GREGORIAN"));
  icalcomponent_add_property(cal, icalproperty_new_method(ICAL_METHOD_PUBLISH));
  icalcomponent_add_property(cal, icalproperty_new_name(name.c_str()));
  icalproperty* xname = icalproperty_new_x(name.c_str());
  icalproperty_set_x_name(xname, "X-WR-CALNAME");
  icalcomponent_add_property(cal, xname);
  return calendar;
}

icaltimetype AllDay(Date d) {
  const CivilDate c = ToCivil(d);
  icaltimetype t = icaltime_null_date();
  t.year = c.year;
  t.month = c.month;
  t.day = c.day;
  t.is_date = 1;
  return t;
}

std::string CalendarText(icalcomponent* calendar) {
  char* text = icalcomponent_as_ical_string_r(calendar);
  if (!text) throw ExportError("Der Kalender kann nicht zusammengestellt werden.");
  std::string result(text);
  icalmemory_free_buffer(text);
  return result;
}

}  // namespace kx::exports
