#include <gtest/gtest.h>
#include <libical/ical.h>

#include <memory>

#include "exports/export_fixture.hpp"
#include "exports/ics_export.hpp"
#include "exports/table_readers.hpp"

namespace kx::exports::testing {
namespace {

// One event as libical reads it back.
struct Event {
  std::string uid, summary, description, categories, transp;
  std::string start, end;  // "20240308"
  bool allDay = false;
};

struct Calendar {
  std::string name, xName, prodid;
  std::vector<Event> events;
};

std::string Day(icaltimetype t) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", t.year, t.month, t.day);
  return buf;
}

Calendar ReadCalendar(const std::string& text) {
  std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> root(
      icalparser_parse_string(text.c_str()), icalcomponent_free);
  Calendar calendar;
  if (!root) ADD_FAILURE() << "libical reads no calendar";
  if (!root) return calendar;
  EXPECT_EQ(icalcomponent_isa(root.get()), ICAL_VCALENDAR_COMPONENT);
  EXPECT_EQ(icalcomponent_count_errors(root.get()), 0);
  if (auto* p = icalcomponent_get_first_property(root.get(), ICAL_NAME_PROPERTY))
    calendar.name = icalproperty_get_name(p);
  for (auto* p = icalcomponent_get_first_property(root.get(), ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(root.get(), ICAL_X_PROPERTY))
    if (std::string(icalproperty_get_x_name(p)) == "X-WR-CALNAME") calendar.xName = icalproperty_get_x(p);
  if (auto* p = icalcomponent_get_first_property(root.get(), ICAL_PRODID_PROPERTY))
    calendar.prodid = icalproperty_get_prodid(p);
  for (auto* c = icalcomponent_get_first_component(root.get(), ICAL_VEVENT_COMPONENT); c;
       c = icalcomponent_get_next_component(root.get(), ICAL_VEVENT_COMPONENT)) {
    Event e;
    e.uid = icalcomponent_get_uid(c);
    e.summary = icalcomponent_get_summary(c);
    if (const char* d = icalcomponent_get_description(c)) e.description = d;
    if (auto* p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY))
      e.categories = icalproperty_get_categories(p);
    if (auto* p = icalcomponent_get_first_property(c, ICAL_TRANSP_PROPERTY))
      e.transp = icalproperty_get_value_as_string(p);
    const icaltimetype start = icalcomponent_get_dtstart(c);
    e.start = Day(start);
    e.end = Day(icalcomponent_get_dtend(c));
    e.allDay = start.is_date == 1;
    calendar.events.push_back(e);
  }
  return calendar;
}

constexpr std::time_t kStamp = 1735689600;  // 01.01.2025 00:00 UTC

using Ics = ExportTest;

TEST_F(Ics, VacationFridayAndMondayAroundAWeekendIsOneEvent) {
  auto r = AddResource("Meier", "Rohbau");
  r->calendar->exceptions = {DaysOff(March(8), March(11))};
  const Calendar cal = ReadCalendar(IcsText(Run(true), kStamp));
  ASSERT_EQ(cal.events.size(), 1u);
  const Event& e = cal.events[0];
  EXPECT_TRUE(e.allDay);
  EXPECT_EQ(e.start, "20240308");
  EXPECT_EQ(e.end, "20240312");  // the day after the last, as all-day events end
  EXPECT_EQ(e.summary, "Urlaub: Meier");
  EXPECT_EQ(e.categories, "Rohbau");
  EXPECT_EQ(e.transp, "TRANSPARENT");
  EXPECT_NE(e.description.find("08.03.2024 bis 11.03.2024: 2 Urlaubstage"), std::string::npos)
      << e.description;
}

TEST_F(Ics, WorkedWednesdayInsideTwoVacationWeeksSplitsThem) {
  auto r = AddResource("Meier", "Rohbau");
  // Monday 11th to Friday 22nd, but Wednesday 20th worked.
  r->calendar->exceptions = {DaysOff(March(11), March(19)), DaysOff(March(21), March(22))};
  const Calendar cal = ReadCalendar(IcsText(Run(true), kStamp));
  ASSERT_EQ(cal.events.size(), 2u);
  EXPECT_EQ(cal.events[0].start, "20240311");
  EXPECT_EQ(cal.events[0].end, "20240320");
  EXPECT_EQ(cal.events[1].start, "20240321");
  EXPECT_EQ(cal.events[1].end, "20240323");
  EXPECT_NE(cal.events[0].uid, cal.events[1].uid);
}

TEST_F(Ics, RunsPassPublicHolidaysButNeverStartOrEndOnAFreeDay) {
  // Friday 29th is a holiday of the base calendar; the resource is off Tuesday to Thursday
  // before it and on Monday 25th.
  standard->exceptions = {DaysOff(March(29), March(29))};
  auto r = AddResource("Meier", "Rohbau");
  r->calendar->exceptions = {DaysOff(March(25), March(25)), DaysOff(March(27), March(28))};
  auto s = AddResource("Schulz", "Rohbau");
  s->calendar->exceptions = {DaysOff(March(4), March(4)), DaysOff(March(6), March(6))};
  const Calendar cal = ReadCalendar(IcsText(Run(true), kStamp));
  ASSERT_EQ(cal.events.size(), 4u);
  // Tuesday 26th is worked: two runs; the second ends on Thursday, not on the holiday.
  EXPECT_EQ(cal.events[0].start, "20240325");
  EXPECT_EQ(cal.events[0].end, "20240326");
  EXPECT_EQ(cal.events[1].start, "20240327");
  EXPECT_EQ(cal.events[1].end, "20240329");
  EXPECT_EQ(cal.events[2].start, "20240304");
  EXPECT_EQ(cal.events[3].start, "20240306");
}

TEST_F(Ics, HolidayBetweenVacationDaysJoinsThem) {
  standard->exceptions = {DaysOff(March(29), March(29))};
  auto r = AddResource("Meier", "Rohbau");
  r->calendar->exceptions = {DaysOff(March(28), March(28))};
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 2;
  e.varPlanDurationStart = std::string("01.03.2024");
  e.varPlanDurationFinish = std::string("30.04.2024");
  // Easter Monday free as well, and Tuesday 2nd April off.
  standard->exceptions.push_back(DaysOff(DateSerial(2024, 4, 1), DateSerial(2024, 4, 1)));
  r->calendar->exceptions.push_back(DaysOff(DateSerial(2024, 4, 2), DateSerial(2024, 4, 2)));
  e.ExportChart();
  const Calendar cal = ReadCalendar(IcsText(ReadChartTable(e, "Bau", e.strChartPath), kStamp));
  ASSERT_EQ(cal.events.size(), 1u);
  EXPECT_EQ(cal.events[0].start, "20240328");
  EXPECT_EQ(cal.events[0].end, "20240403");
}

TEST_F(Ics, ResourceWithoutMarkedDaysHasNoEvent) {
  AddResource("Bernd", "Planung");
  AddResource("Beton", "Material", 1);
  const Calendar cal = ReadCalendar(IcsText(Run(true), kStamp));
  EXPECT_TRUE(cal.events.empty());
  EXPECT_EQ(cal.name, "Urlaubsplan chart.xml 01.03.2024 – 31.03.2024: Bau");
  EXPECT_EQ(cal.xName, cal.name);
  EXPECT_EQ(cal.prodid.rfind("-//Korvalinx//", 0), 0u);
}

TEST_F(Ics, UidsStayTheSameInANewerExportAndDifferPerResource) {
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(March(5), March(6))};
  auto b = AddResource("Bernd", "Planung");
  b->calendar->exceptions = {DaysOff(March(5), March(6))};
  const ChartTable table = Run(true);
  const Calendar first = ReadCalendar(IcsText(table, kStamp));
  const Calendar later = ReadCalendar(IcsText(table, kStamp + 86400));
  ASSERT_EQ(first.events.size(), 2u);
  ASSERT_EQ(later.events.size(), 2u);
  EXPECT_EQ(first.events[0].uid, later.events[0].uid);
  EXPECT_EQ(first.events[1].uid, later.events[1].uid);
  EXPECT_NE(first.events[0].uid, first.events[1].uid);
  EXPECT_EQ(first.events[0].uid.rfind("urlaub-1-20240305-", 0), 0u) << first.events[0].uid;

  // Another project with the same unique numbers gets other identifiers.
  ChartTable other = table;
  other.sourceName = "Andere Baustelle";
  EXPECT_NE(ReadCalendar(IcsText(other, kStamp)).events[0].uid, first.events[0].uid);
  // Two rows of one chart with the same number and first day stay apart.
  other.rows[1].uniqueId = other.rows[0].uniqueId;
  const Calendar twins = ReadCalendar(IcsText(other, kStamp));
  EXPECT_NE(twins.events[0].uid, twins.events[1].uid);
}

TEST_F(Ics, ScheduleEventsCarryTheHours) {
  auto r = AddResource("Meier", "Rohbau");
  r->assignments = {Work(March(15), 450), Work(March(18), 480), Work(March(20), 240)};
  auto s = AddResource("Schulz", "Rohbau");
  for (int day = 4; day <= 8; ++day) s->assignments.push_back(Work(March(day), 480));
  const Calendar cal = ReadCalendar(IcsText(Run(false), kStamp));
  ASSERT_EQ(cal.events.size(), 3u);  // Friday and Monday join; Tuesday without work splits
  EXPECT_EQ(cal.events[0].summary, "Einsatz: Meier");
  EXPECT_EQ(cal.events[0].start, "20240315");
  EXPECT_EQ(cal.events[0].end, "20240319");
  EXPECT_NE(cal.events[0].description.find("2 Arbeitstage, 15,5 Stunden"), std::string::npos)
      << cal.events[0].description;
  EXPECT_NE(cal.events[0].description.find("Fr 15.03.2024: 7,5 Stunden"), std::string::npos);
  EXPECT_NE(cal.events[1].description.find("20.03.2024: 1 Arbeitstag, 4 Stunden\n"),
            std::string::npos)
      << cal.events[1].description;
  EXPECT_EQ(cal.events[1].description.find("Mi 20.03.2024"), std::string::npos);
  EXPECT_EQ(cal.events[0].uid.rfind("einsatz-", 0), 0u);
  // The same hours every day are said once.
  EXPECT_EQ(cal.events[2].summary, "Einsatz: Schulz");
  EXPECT_NE(cal.events[2].description.find(
                "04.03.2024 bis 08.03.2024: 5 Arbeitstage, 40 Stunden (8 Stunden je Tag)\n"),
            std::string::npos)
      << cal.events[2].description;
  EXPECT_EQ(cal.events[2].description.find("Mo 04.03.2024"), std::string::npos);
}

TEST_F(Ics, NamesWithSeparatorsAndUmlautsComeBackUnchanged) {
  auto r = AddResource("Jörg \"Jogi\"; Weiß, jr.", "Bau; Süd");
  r->calendar->exceptions = {DaysOff(March(4), March(4))};
  const std::string text = IcsText(Run(true), kStamp);
  const Calendar cal = ReadCalendar(text);
  ASSERT_EQ(cal.events.size(), 1u);
  EXPECT_EQ(cal.events[0].summary, "Urlaub: Jörg \"Jogi\"; Weiß, jr.");
  EXPECT_EQ(cal.events[0].categories, "Bau; Süd");
  // Lines end with CR LF and none is longer than 75 octets.
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LE(end - start, 75u) << text.substr(start, end - start);
  EXPECT_EQ(start, text.size());
}

TEST(MarkedRuns, FreeDaysJoinOnlyBetweenMarkedDays) {
  TableRow row;
  // free, marked, free, marked, unmarked working day, marked, free
  row.days = {{false, 0, true}, {true, 0, false}, {false, 0, true}, {true, 0, false},
              {false, 0, false}, {true, 0, false}, {false, 0, true}};
  const auto runs = MarkedRuns(row);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].first, 1);
  EXPECT_EQ(runs[0].last, 3);
  EXPECT_EQ(runs[0].markedDays, 2);
  EXPECT_EQ(runs[1].first, 5);
  EXPECT_EQ(runs[1].last, 5);
}

}  // namespace
}  // namespace kx::exports::testing
