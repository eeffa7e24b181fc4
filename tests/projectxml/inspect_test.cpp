#include "projectxml/inspect.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "projectxml/project_xml.hpp"
#include "projectxml/test_files.hpp"

namespace kx::platform {
namespace {

using nlohmann::json;
using testing::Fixture;
using testing::TempDir;
using testing::WriteText;

TEST(Inspect, JsonHoldsRowsCalendarsTasksAndProperties) {
  TempDir dir;
  const std::string xml = R"(<?xml version="1.0"?>
<Project xmlns="http://schemas.microsoft.com/project">
<StartDate>2025-01-01T08:00:00</StartDate><CalendarUID>1</CalendarUID>
<Calendars>
 <Calendar><UID>1</UID><Name>Standard</Name><IsBaseCalendar>1</IsBaseCalendar></Calendar>
 <Calendar><UID>2</UID><Name>Maier</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>1</BaseCalendarUID>
  <WeekDays><WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod><FromDate>2025-08-04T00:00:00</FromDate><ToDate>2025-08-15T23:59:00</ToDate></TimePeriod></WeekDay></WeekDays></Calendar>
</Calendars>
<Tasks><Task><UID>1</UID><ID>2</ID><Name>Bau</Name><Start>2025-03-03T08:00:00</Start><Finish>2025-03-08T08:00:00</Finish><Duration>PT32H0M0S</Duration>
 <ExtendedAttribute><FieldID>188743990</FieldID><Value>4</Value></ExtendedAttribute>
 <ExtendedAttribute><FieldID>188743952</FieldID><Value>2025-12-31T00:00:00</Value></ExtendedAttribute></Task>
 <Task><UID>2</UID><ID>3</ID><Name>Außen</Name><IsSubproject>1</IsSubproject><SubprojectName>aussen.xml</SubprojectName></Task></Tasks>
<Resources><Resource><UID>1</UID><ID>1</ID><Name>Anna Maier</Name><Group>Rohbau</Group><CalendarUID>2</CalendarUID></Resource>
 <Resource><UID>2</UID><ID>2</ID><IsNull>1</IsNull></Resource>
 <Resource><UID>3</UID><ID>3</ID><Name>Beton C25/30</Name><Type>0</Type></Resource></Resources>
</Project>)";
  WriteText(dir / "bau.xml", xml);
  WriteText(dir / "aussen.xml", "<Project xmlns=\"http://schemas.microsoft.com/project\"/>");
  auto p = ReadProjectXml(dir / "bau.xml").project;
  p->properties.push_back({"KXPlanType", "1", 4, false});
  SaveCompanionOnly(*p, dir / "bau.xml");

  std::ostringstream out, err;
  ASSERT_EQ(RunInspect(dir / "bau.xml", true, out, err), 0) << err.str();
  const json j = json::parse(out.str());
  ASSERT_EQ(j["resources"].size(), 3u);
  EXPECT_EQ(j["resources"][0], json({{"uid", 1},
                                     {"name", "Anna Maier"},
                                     {"group", "Rohbau"},
                                     {"kind", 0},
                                     {"calendar", "Maier"},
                                     {"base_calendar", "Standard"},
                                     {"assignments", 0}}));
  EXPECT_TRUE(j["resources"][1].is_null());
  EXPECT_EQ(j["resources"][2]["kind"], 1);
  EXPECT_EQ(j["resources"][2]["base_calendar"], "Standard");  // the project calendar
  EXPECT_EQ(j["calendars"][1]["base"], "Standard");
  EXPECT_EQ(j["calendars"][1]["exceptions"],
            json::parse(R"([{"from":"2025-08-04","to":"2025-08-15","working":false}])"));
  EXPECT_TRUE(j["tasks"][0].is_null());
  const json& task = j["tasks"][1];
  EXPECT_EQ(task["row"], 2);
  EXPECT_EQ(task["start"], "2025-03-03T08:00:00");
  EXPECT_EQ(task["duration_minutes"], 1920.0);
  EXPECT_EQ(task["fields"], json::parse(R"({"Zahl14": 4.0, "Datum8": "2025-12-31T00:00:00"})"));
  EXPECT_TRUE(task["colour"].is_null());
  EXPECT_EQ(j["properties"], json::parse(R"([{"name":"KXPlanType","value":"1"}])"));
  EXPECT_EQ(j["subprojects"], json::array({"aussen.xml"}));

  std::ostringstream text;
  ASSERT_EQ(RunInspect(dir / "bau.xml", false, text, err), 0);
  for (const char* heading :
       {"Kalender (2)", "Ressourcen (2)", "Vorgänge (2)", "Eigenschaften (1)",
        "Eingefügte Projekte (1)", "Ausnahme 04.08.2025 bis 15.08.2025: arbeitsfrei"})
    EXPECT_NE(text.str().find(heading), std::string::npos) << heading;
}

TEST(Inspect, BadInputGivesTheReasonAndExitCodeTwo) {
  KX_NEED_FIXTURES();
  std::ostringstream out, err;
  EXPECT_EQ(RunInspect(Fixture("TwentyFourHourCalendar.xml"), false, out, err), 2);
  EXPECT_TRUE(out.str().empty());
  EXPECT_NE(err.str().find("TwentyFourHourCalendar.xml:1: keine Project-XML-Datei"),
            std::string::npos)
      << err.str();
  std::ostringstream out2, err2;
  EXPECT_EQ(RunInspect("/gibt/es/nicht.xml", true, out2, err2), 2);
  EXPECT_EQ(err2.str(), "korvalinx: Fehler: /gibt/es/nicht.xml: Datei kann nicht gelesen werden\n");
}

TEST(Inspect, TextShowsControlCharactersEscaped) {
  // Models may come from elsewhere than the reader, which refuses such characters.
  ProjectData p;
  p.name = "plan.xml";
  p.title = "Titel\x1B[2J mit Escape";
  auto r = std::make_shared<ResourceData>();
  r->name = "Maier\r\nFalsche Zeile\x07 \xC2\x9B" "31m \xFF Ende";
  r->group = "Bau\\Tief";
  p.resources = {r};
  const std::string text = InspectText(p, {"quelle.xml:3: Warnung\x1B]0;Titel\x07"});
  for (const char c : text)
    EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << static_cast<int>(c);
  EXPECT_NE(text.find("Titel: Titel\\x1b[2J mit Escape\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Maier\\r\\nFalsche Zeile\\x07 \\u009b31m \\xff Ende | UID"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Gruppe: Bau\\\\Tief"), std::string::npos) << text;
  EXPECT_NE(text.find("quelle.xml:3: Warnung\\x1b]0;Titel\\x07\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace kx::platform
