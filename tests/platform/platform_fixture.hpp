#pragma once
// Projects built directly in memory for the planning host's tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/planning_host.hpp"

namespace kx::platform::testing {

using I16 = std::int16_t;

// Runs `call` and returns the HostError number it threw, or 0 when it threw none.
template <class Call>
std::int32_t ErrorOf(Call&& call) {
  try {
    call();
  } catch (const host::HostError& e) {
    return e.number();
  }
  return 0;
}

inline std::shared_ptr<CalendarData> BaseCalendar(const std::string& name, std::int32_t uid) {
  auto c = std::make_shared<CalendarData>();
  c->name = name;
  c->uid = uid;
  c->isBase = true;
  return c;
}

inline std::shared_ptr<CalendarData> ResourceCalendar(const std::string& name,
                                                      std::shared_ptr<CalendarData> base) {
  auto c = std::make_shared<CalendarData>();
  c->name = name;
  c->isBase = false;
  c->base = std::move(base);
  return c;
}

inline std::shared_ptr<ResourceData> Resource(std::int32_t uid, const std::string& name,
                                              const std::string& group, int kind = 0) {
  auto r = std::make_shared<ResourceData>();
  r->uid = uid;
  r->id = uid;
  r->name = name;
  r->group = group;
  r->kind = kind;
  return r;
}

// Makes the chart's seven-day calendar "KXNeutral" the active project's calendar, as the
// chart run does through the definitions.
inline void UseSevenDayCalendar(host::Application& app) {
  host::Definitions& d = app.GetDefinitions();
  d.CreateBaseCalendar({{0, std::string("KXNeutral")}});
  d.SetCalendarWeekday({{0, std::string("KXNeutral")}, {3, I16{7}}, {4, true}, {11, false}});
  d.SetCalendarWeekday({{0, std::string("KXNeutral")}, {3, I16{1}}, {4, true}, {11, false}});
  d.SetProjectInformation({{10, I16{1}}, {12, std::string("KXNeutral")}});
}

}  // namespace kx::platform::testing
