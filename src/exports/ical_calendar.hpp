#pragma once
// The parts of an iCalendar file that every export of ours shares: the published calendar with
// its name, whole days, and the finished text. Internal to the exports.

#include <libical/ical.h>

#include <memory>
#include <string>

#include "support/date.hpp"

namespace kx::exports {

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using CalendarPtr = std::unique_ptr<icalcomponent, ComponentFree>;

// A VCALENDAR of this program (version, product, Gregorian, published) named `name` (NAME and
// X-WR-CALNAME, which calendar programs show).
CalendarPtr NewNamedCalendar(const std::string& name);

// Day `d` as a whole day (a DATE value, no time).
icaltimetype AllDay(Date d);

// The calendar as text; throws ExportError when libical cannot put it together.
std::string CalendarText(icalcomponent* calendar);

}  // namespace kx::exports
