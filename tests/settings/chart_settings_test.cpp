#include "settings/chart_settings.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/fake_host.hpp"
#include "platform/planning_host.hpp"

namespace kx::settings {
namespace {

const Date kToday = DateSerial(2031, 6, 15);

class ChartSettingsTest : public ::testing::Test {
 protected:
  // Stores registry defaults under their value names.
  void Registry(const std::map<std::string, std::string>& values) {
    for (auto [name, text] : values)
      SetRegString(registry, HKEY_CURRENT_USER, kSettingsKey, name, text);
  }
  std::int32_t Get() { return GetSettings(s, project, registry, kToday, de); }

  fakes::FakeProject project;
  MemoryRegistryStore registry;
  ChartSettings s;
  RegionalSettings de = RegionalSettings::German();
};

TEST_F(ChartSettingsTest, NothingStoredGivesTheDefaults) {
  EXPECT_EQ(Get(), 0);
  EXPECT_FALSE(s.blnGroupResources);
  EXPECT_FALSE(s.blnUseNullValues);
  EXPECT_EQ(s.lngPlanType, 0);
  EXPECT_EQ(s.lngPlanDuration, 0);
  EXPECT_EQ(s.lngPlanDurationYear, 2031);
  EXPECT_EQ(s.varPlanDurationStart, Value(project.start));
  EXPECT_EQ(s.varPlanDurationFinish, Value(project.finish));
  EXPECT_EQ(s.lngColorType, 0);
  EXPECT_EQ(s.lngColor, 1);
  EXPECT_EQ(s.lngResourceType, 0);
  EXPECT_EQ(s.strResourceFilter, "");
  EXPECT_EQ(s.lngCalendarType, 0);
  EXPECT_EQ(s.strCalendar, "");
}

TEST_F(ChartSettingsTest, RegistryDefaultsAreReadWithTheirOwnRules) {
  Registry({{"GroupResources", "1"},
            {"UseNullValues", "1"},
            {"PlanType", "1"},
            {"PlanDuration", "2"},
            {"PlanDurationYear", "2040"},
            {"PlanDurationStart", "01.02.2025"},
            {"PlanDurationEnd", "28.02.2025"},
            {"ColorType", " 1 "},
            {"Color", " 5 "},
            {"ResourceType", "1 "},
            {"ResourceFilter", "  Bau  "},
            {"CalendarType", " 1"},
            {"Calendar", " Urlaub "}});
  EXPECT_EQ(Get(), 0);
  EXPECT_TRUE(s.blnGroupResources);
  EXPECT_TRUE(s.blnUseNullValues);
  EXPECT_EQ(s.lngPlanType, 1);
  EXPECT_EQ(s.lngPlanDuration, 2);
  EXPECT_EQ(s.lngPlanDurationYear, 2040);
  EXPECT_EQ(s.varPlanDurationStart, Value(std::string("01.02.2025")));
  EXPECT_EQ(s.varPlanDurationFinish, Value(std::string("28.02.2025")));
  EXPECT_EQ(s.lngColorType, 1);
  EXPECT_EQ(s.lngColor, 5);
  EXPECT_EQ(s.lngResourceType, 1);
  EXPECT_EQ(s.strResourceFilter, "Bau");
  EXPECT_EQ(s.lngCalendarType, 0);  // the calendar type is compared untrimmed
  EXPECT_EQ(s.strCalendar, "Urlaub");

  // Blank registry texts (an empty default is stored as " ") leave the names as they were.
  s.strResourceFilter = "vorher";
  s.strCalendar = "vorher";
  Registry({{"ResourceFilter", ""}, {"Calendar", "   "}, {"PlanDuration", " 2"}});
  Get();
  EXPECT_EQ(s.strResourceFilter, "vorher");
  EXPECT_EQ(s.strCalendar, "vorher");
  EXPECT_EQ(s.lngPlanDuration, 0);
}

TEST_F(ChartSettingsTest, ProjectPropertyWinsEvenWhenInvalid) {
  Registry({{"Color", "5"},
            {"PlanDurationYear", "2040"},
            {"PlanType", "1"},
            {"ResourceFilter", "Bau"},
            {"PlanDurationStart", "01.02.2025"}});
  project.properties.Set("Autor", "Erika");
  project.properties.Set("KXColor", "abc");
  project.properties.Set("KXPlanDurationYear", "1983");
  project.properties.Set("KXPlanType", " 1");
  project.properties.Set("KXResourceFilter", "");
  project.properties.Set("KXPlanDurationStart", "kein Datum");
  project.properties.Set("KXColorType", " 1");
  EXPECT_EQ(Get(), 0);
  EXPECT_EQ(s.lngColor, 1);
  EXPECT_EQ(s.lngPlanDurationYear, 2031);
  EXPECT_EQ(s.lngPlanType, 0);
  EXPECT_EQ(s.strResourceFilter, "");
  EXPECT_EQ(s.varPlanDurationStart, Value(project.start));
  EXPECT_EQ(s.lngColorType, 0);  // project texts are not trimmed
}

// Values of the project that are not taken are named with what is wrong, as the command line
// names a bad option; the settings still fall back as before. The registry names none.
TEST_F(ChartSettingsTest, ProjectValuesThatAreNotTakenAreReported) {
  Registry({{"PlanDurationYear", "zwanzig"}, {"Color", "99"}});
  std::vector<StoredProblem> problems;
  EXPECT_EQ(GetSettings(s, project, registry, kToday, de, &problems), 0);
  EXPECT_TRUE(problems.empty());

  const auto reported = [&](const std::map<std::string, std::string>& values) {
    project.properties.list.clear();
    for (const auto& [name, value] : values) project.properties.Set(name, value);
    problems.clear();
    GetSettings(s, project, registry, kToday, de, &problems);
    std::map<std::string, std::string> named;
    for (const auto& p : problems) named[kStoredNames[p.setting].property] = p.text;
    return named;
  };
  for (const char* year : {"99999999999999999999", "-2025", "zwanzig"}) {
    EXPECT_EQ(reported({{"KXPlanDurationYear", year}}),
              (std::map<std::string, std::string>{
                  {"KXPlanDurationYear",
                   "\"" + std::string(year) + "\" ist kein Jahr von 1984 bis 2049"}}));
    EXPECT_EQ(s.lngPlanDurationYear, 2031);
  }
  EXPECT_EQ(reported({{"KXPlanDurationStart", "31.12.2049"},
                      {"KXPlanDurationFinish", "01.01.1984"},
                      {"KXPlanType", " 1"},
                      {"KXColor", "abc"}}),
            (std::map<std::string, std::string>{
                {"KXPlanDurationFinish",
                 "das Enddatum \"01.01.1984\" liegt vor dem Anfangsdatum \"31.12.2049\""},
                {"KXPlanType", "\" 1\" ist weder 0 (Ressourcenzeitplan) noch 1 (Urlaubsplan)"},
                {"KXColor", "\"abc\" ist keine Farbposition von 1 bis 17"}}));
  EXPECT_EQ(s.varPlanDurationFinish, Value(std::string("31.12.2049")));
  EXPECT_EQ(reported({{"KXPlanDurationStart", "kein Datum"}})["KXPlanDurationStart"],
            "\"kein Datum\" ist kein Datum von 01.01.1984 bis 31.12.2049");
}

TEST_F(ChartSettingsTest, PropertyNamesAreComparedWithLetterCase) {
  Registry({{"Color", "5"}, {"Calendar", "Urlaub"}});
  project.properties.Set("kxcolor", "7");
  project.properties.Set("KXCALENDAR", "Schicht");
  Get();
  EXPECT_EQ(s.lngColor, 5);
  EXPECT_EQ(s.strCalendar, "Urlaub");
}

TEST_F(ChartSettingsTest, YearBoundsAndWholeNumbers) {
  const std::map<std::string, int> cases = {
      {"1983", 2031},   {"1984", 1984},   {"2049", 2049},   {"2050", 2031},
      {"2000,5", 2000}, {"2001,5", 2002}, {"2049,5", 2031}, {"1983,5", 1984},
      {" 2020 ", 2020}, {"2020.0", 2031}, {"", 2031},       {"99999999999999999999", 2031}};
  for (const auto& [text, year] : cases) {
    Registry({{"PlanDurationYear", text}});
    s.lngPlanDurationYear = 0;
    Get();
    EXPECT_EQ(s.lngPlanDurationYear, year) << "registry " << text;
  }
  project.properties.Set("KXPlanDurationYear", "2048,5");
  Get();
  EXPECT_EQ(s.lngPlanDurationYear, 2048);
}

TEST_F(ChartSettingsTest, ColourIsAWholeNumberFrom1To17) {
  const std::map<std::string, int> cases = {{"0", 1},   {"18", 1},  {"abc", 1},    {"17", 17},
                                            {"2,5", 2}, {"3,5", 4}, {" 5 ", 5},    {"17,5", 1},
                                            {"0,5", 1}, {"-3", 1},  {"16,51", 17}, {"", 1}};
  for (const auto& [text, colour] : cases) {
    Registry({{"Color", text}});
    Get();
    EXPECT_EQ(s.lngColor, colour) << "registry " << text;
  }
  project.properties.Set("KXColor", "2,5");
  Get();
  EXPECT_EQ(s.lngColor, 2);
}

TEST_F(ChartSettingsTest, DateBoundsAndEndBeforeStart) {
  Registry({{"PlanDurationStart", "31.12.1983"}, {"PlanDurationEnd", "01.01.2050"}});
  Get();
  EXPECT_EQ(s.varPlanDurationStart, Value(project.start));
  EXPECT_EQ(s.varPlanDurationFinish, Value(project.finish));

  Registry({{"PlanDurationStart", "01.01.1984"}, {"PlanDurationEnd", "31.12.2049 17:00"}});
  Get();
  EXPECT_EQ(s.varPlanDurationStart, Value(std::string("01.01.1984")));
  EXPECT_EQ(s.varPlanDurationFinish, Value(std::string("31.12.2049 17:00")));

  Registry({{"PlanDurationStart", "10.05.2024"}, {"PlanDurationEnd", "01.05.2024"}});
  Get();
  EXPECT_EQ(s.varPlanDurationFinish, Value(std::string("10.05.2024")));

  // A stored start after the project's finish pulls the default end along.
  Registry({{"PlanDurationEnd", "31.02.2024"}});
  project.properties.Set("KXPlanDurationStart", "01.01.2030");
  Get();
  EXPECT_EQ(s.varPlanDurationStart, Value(std::string("01.01.2030")));
  EXPECT_EQ(s.varPlanDurationFinish, Value(std::string("01.01.2030")));
}

TEST_F(ChartSettingsTest, DatesAreReadWithTheUsersRegionalSettings) {
  const RegionalSettings en = *RegionalSettings::ForName("en-GB");
  Registry({{"PlanDurationStart", "02/01/2024"}, {"PlanDurationEnd", "28.02.2024"}});
  GetSettings(s, project, registry, kToday, en);
  EXPECT_EQ(s.varPlanDurationStart, Value(std::string("02/01/2024")));
  EXPECT_EQ(s.varPlanDurationFinish, Value(project.finish));  // no date in en-GB
  Registry({{"Color", "2.5"}});
  GetSettings(s, project, registry, kToday, en);
  EXPECT_EQ(s.lngColor, 2);
}

TEST_F(ChartSettingsTest, FailingStepsLeaveTheirFieldAndReportMinusOne) {
  Registry({{"Color", "5"}, {"Calendar", "Urlaub"}});
  project.properties.Set("KXCalendar", "Schicht");
  project.properties.failLookup = {"KXCalendar"};
  s.strCalendar = "vorher";
  EXPECT_EQ(Get(), -1);
  EXPECT_EQ(s.strCalendar, "vorher");  // present in the project, but unreadable
  EXPECT_EQ(s.lngColor, 5);

  fakes::FakeProject broken;
  broken.failProperties = true;
  broken.failDates = true;
  ChartSettings fresh;
  fresh.lngPlanDurationYear = 7;
  EXPECT_EQ(GetSettings(fresh, broken, registry, kToday, de), -1);
  EXPECT_EQ(fresh.lngColor, 5);  // the registry still serves
  EXPECT_TRUE(IsEmpty(fresh.varPlanDurationStart));
  EXPECT_EQ(fresh.lngPlanDurationYear, 2031);
}

TEST_F(ChartSettingsTest, SaveReplacesEachPropertyAtTheEndAsText) {
  project.properties.Set("KXColor", "9");
  project.properties.Set("Autor", "Erika");
  project.properties.Set("kxcalendar", "alt");
  s.blnGroupResources = true;
  s.lngPlanType = 1;
  s.lngPlanDuration = 2;
  s.lngPlanDurationYear = 2025;
  s.varPlanDurationStart = std::string("03.03.2025");
  s.varPlanDurationFinish = DateSerial(2025, 3, 28);
  s.lngColor = 12;
  s.strResourceFilter = "Bau";
  s.lngCalendarType = 1;
  s.strCalendar = "Müller-Łukasz";
  s.strChartPath = "/tmp/nicht/gespeichert.xml";
  EXPECT_EQ(SaveSettings(s, project, de), 0);

  const auto& list = project.properties.list;
  ASSERT_EQ(list.size(), 14u);
  EXPECT_EQ(list[0].name, "Autor");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"KXGroupResources", "1"},
      {"KXUseNullValues", "0"},
      {"KXPlanType", "1"},
      {"KXPlanDuration", "2"},
      {"KXPlanDurationYear", "2025"},
      {"KXPlanDurationStart", "03.03.2025"},
      {"KXPlanDurationFinish", "28.03.2025"},
      {"KXColorType", "0"},
      {"KXColor", "12"},
      {"KXResourceType", "0"},
      {"KXResourceFilter", "Bau"},
      {"KXCalendarType", "1"},
      {"KXCalendar", "Müller-Łukasz"}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(list[i + 1].name, expected[i].first);
    EXPECT_EQ(list[i + 1].value, expected[i].second) << expected[i].first;
    EXPECT_EQ(list[i + 1].type, 4);
    EXPECT_FALSE(list[i + 1].linkToContent);
  }

  // Saved and read back: the same record (the dates as their texts).
  ChartSettings back;
  GetSettings(back, project, registry, kToday, de);
  EXPECT_TRUE(back.blnGroupResources);
  EXPECT_EQ(back.lngPlanDuration, 2);
  EXPECT_EQ(back.lngPlanDurationYear, 2025);
  EXPECT_EQ(back.varPlanDurationFinish, Value(std::string("28.03.2025")));
  EXPECT_EQ(back.lngColor, 12);
  EXPECT_EQ(back.strCalendar, "Müller-Łukasz");
  EXPECT_EQ(back.strChartPath, "");

  // Saving again keeps one property per name.
  SaveSettings(s, project, de);
  EXPECT_EQ(project.properties.list.size(), 14u);
}

TEST_F(ChartSettingsTest, SaveGoesOnAfterAFailure) {
  project.failProperties = true;
  EXPECT_EQ(SaveSettings(s, project, de), 0);
  project.failProperties = false;
  EXPECT_TRUE(project.properties.list.empty());
}

TEST(ChartSettingsOnThePlanningHost, SavedSettingsReadBack) {
  auto data = platform::NewProjectData("Quelle");
  data->start = DateTimeSerial(2024, 3, 4, 8, 0);
  data->finish = DateTimeSerial(2024, 9, 27, 17, 0);
  data->properties.push_back({"kxplantype", "1", 4, false});
  platform::PlanningHost host;
  const auto project = host.AddProject(data);
  MemoryRegistryStore registry;
  const RegionalSettings de = RegionalSettings::German();

  ChartSettings s;
  EXPECT_EQ(GetSettings(s, *project, registry, kToday, de), 0);
  EXPECT_EQ(s.lngPlanType, 0);  // "kxplantype" is not "KXPlanType"
  EXPECT_EQ(s.varPlanDurationStart, Value(data->start));
  s.lngPlanType = 1;
  s.lngColor = 9;
  EXPECT_EQ(SaveSettings(s, *project, de), 0);
  ASSERT_EQ(data->properties.size(), 13u);
  EXPECT_EQ(data->properties[2].name, "KXPlanType");
  EXPECT_EQ(data->properties[5].value, "04.03.2024 08:00");

  ChartSettings back;
  EXPECT_EQ(GetSettings(back, *project, registry, kToday, de), 0);
  EXPECT_EQ(back.lngPlanType, 1);
  EXPECT_EQ(back.lngColor, 9);
  EXPECT_EQ(back.varPlanDurationFinish, Value(std::string("27.09.2024 17:00")));
}

}  // namespace
}  // namespace kx::settings
