// The rule table against Debian's Date::Holidays::DE over every state and year both cover, the
// days that module lacks or gets wrong by hand, and the holiday calendar in a project.

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "holidays/holiday_calendar.hpp"
#include "holidays/holidays.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/schema_check.hpp"
#include "support/text.hpp"
#include "testing/test_folder.hpp"

namespace kx::holidays {
namespace {

std::string Iso(Date d) { return FormatIsoDate(d); }

// Every holiday the Perl module gives, as "BY 2026-01-06 hl3k" lines; empty when it is missing.
std::string PerlTable() {
  const char* script =
      "perl -MDate::Holidays::DE=holidays -e '"
      "for my $s (qw(BW BY BE BB HB HH HE MV NI NW RP SL SN ST SH TH)) {"
      " for my $y (1984..2049) {"
      "  print \"$s $_\\n\" for @{holidays(YEAR => $y, WHERE => [\"common\", lc $s],"
      "                                    FORMAT => \"%Y-%m-%d %#\")} } }' 2>/dev/null";
  std::string text;
  if (FILE* pipe = popen(script, "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    if (pclose(pipe) != 0) text.clear();
  }
  return text;
}

// The module's holiday codes and our names for them.
const std::map<std::string, std::string> kNames = {
    {"neuj", "Neujahr"},           {"hl3k", "Heilige Drei Könige"},
    {"frau", "Internationaler Frauentag"}, {"karf", "Karfreitag"},
    {"osts", "Ostersonntag"},      {"ostm", "Ostermontag"},
    {"1mai", "Tag der Arbeit"},    {"befr", "Tag der Befreiung"},
    {"himm", "Christi Himmelfahrt"}, {"pfis", "Pfingstsonntag"},
    {"pfim", "Pfingstmontag"},     {"fron", "Fronleichnam"},
    {"17ju", "Tag der deutschen Einheit"}, {"mari", "Mariä Himmelfahrt"},
    {"kind", "Weltkindertag"},     {"3okt", "Tag der Deutschen Einheit"},
    {"refo", "Reformationstag"},   {"alhe", "Allerheiligen"},
    {"buss", "Buß- und Bettag"},   {"wei1", "1. Weihnachtstag"},
    {"wei2", "2. Weihnachtstag"},
};

TEST(HolidayTable, AgreesWithDebiansPerlModuleExceptWhereTheLawSaysOtherwise) {
  const std::string perl = PerlTable();
  if (perl.empty())
    GTEST_SKIP() << "Date::Holidays::DE is not installed (Debian: libdate-holidays-de-perl, "
                    "scripts/setup installs it)";
  // state -> "2026-01-06 Heilige Drei Könige"
  std::map<std::string, std::set<std::string>> theirs, ours;
  std::istringstream lines(perl);
  std::string code, day, alias;
  while (lines >> code >> day >> alias) {
    const auto state = FindState(code);
    ASSERT_TRUE(state) << code;
    ASSERT_TRUE(kNames.count(alias)) << alias;
    const int year = std::stoi(day.substr(0, 4));
    if (year >= FirstYear(*state)) theirs[code].insert(day + " " + kNames.at(alias));
  }
  for (const State s : AllStates())
    for (const Holiday& h : HolidaysOf(s, kFirstYear, kLastYear))
      ours[Code(s)].insert(Iso(h.day) + " " + h.name);

  // What the module lacks: Buß- und Bettag was a holiday in every state until 1994 (the module
  // has it in Saxony only), and Berlin's second Tag der Befreiung came after its release.
  std::map<std::string, std::set<std::string>> onlyOurs;
  for (const State s : AllStates()) {
    for (int year = FirstYear(s); year <= 1994; ++year)
      if (s != State::SN) {
        for (const Holiday& h : HolidaysOf(s, year))
          if (h.name == "Buß- und Bettag") onlyOurs[Code(s)].insert(Iso(h.day) + " " + h.name);
      }
  }
  onlyOurs["BE"].insert("2025-05-08 Tag der Befreiung");

  ASSERT_EQ(theirs.size(), 16u);
  for (const State s : AllStates()) {
    const std::string c = Code(s);
    std::set<std::string> expected = theirs[c];
    expected.insert(onlyOurs[c].begin(), onlyOurs[c].end());
    // Only the days where the two part are named.
    std::string missing, extra;
    for (const auto& d : expected)
      if (!ours[c].count(d)) missing += "\n  " + d;
    for (const auto& d : ours[c])
      if (!expected.count(d)) extra += "\n  " + d;
    EXPECT_TRUE(missing.empty() && extra.empty())
        << c << ": missing" << missing << "\n" << c << ": not expected" << extra;
  }
}

TEST(HolidayTable, TheDaysTheModuleLacksAndTheYearsBeforeTheEasternStatesJoined) {
  const auto has = [](State s, int y, int m, int d, const std::string& name) {
    for (const Holiday& h : HolidaysOf(s, y))
      if (h.day == DateSerial(y, m, d)) return h.name == name;
    return false;
  };
  EXPECT_TRUE(has(State::BE, 2025, 5, 8, "Tag der Befreiung"));
  EXPECT_FALSE(has(State::BE, 2024, 5, 8, "Tag der Befreiung"));
  EXPECT_TRUE(has(State::NW, 1994, 11, 16, "Buß- und Bettag"));
  EXPECT_FALSE(has(State::NW, 1995, 11, 22, "Buß- und Bettag"));
  EXPECT_TRUE(has(State::SN, 1995, 11, 22, "Buß- und Bettag"));
  EXPECT_TRUE(has(State::BY, 1990, 6, 17, "Tag der deutschen Einheit"));
  EXPECT_TRUE(has(State::BY, 1990, 10, 3, "Tag der Deutschen Einheit"));
  EXPECT_FALSE(has(State::BY, 1991, 6, 17, "Tag der deutschen Einheit"));
  EXPECT_TRUE(HolidaysOf(State::SN, 1990).empty());
  EXPECT_TRUE(has(State::SN, 1991, 10, 31, "Reformationstag"));
  EXPECT_EQ(HolidaysOf(State::BY, 2050).size(), 0u);
  EXPECT_EQ(Iso(EasterSunday(2026)), "2026-04-05");
  EXPECT_EQ(Iso(EasterSunday(2038)), "2038-04-25");  // the latest possible date

  EXPECT_EQ(FindState("by"), State::BY);
  EXPECT_EQ(FindState("THÜRINGEN"), State::TH);
  EXPECT_EQ(FindState("baden-wuerttemberg"), State::BW);
  // "ü" typed as "u" and the combining diaeresis (U+0308), as some keyboards give it.
  EXPECT_EQ(FindState("Thu\xCC\x88ringen"), State::TH);
  EXPECT_EQ(FindState("Baden-Wu\xCC\x88rttemberg"), State::BW);
  EXPECT_EQ(ComposedLatin("Ko\xCC\x88ln, Bj\xC3\xB8rn, e\xCC\x81, q\xCC\x88, \xCC\x88"),
            "K\xC3\xB6ln, Bj\xC3\xB8rn, \xC3\xA9, q\xCC\x88, \xCC\x88");
  EXPECT_FALSE(FindState("Bay"));
  EXPECT_FALSE(FindState(""));
}

TEST(HolidayCalendar, ASecondInsertUpdatesTheCalendarAndKeepsTheUsersOwnDays) {
  auto project = platform::NewProjectData("Plan");
  project->ProjectCalendar()->weekdays[6] = {false, platform::DefaultWorkingTimes()};  // Saturday
  const auto first = InsertHolidayCalendar(*project, State::NW, 2025, 2026);
  EXPECT_TRUE(first.added);
  EXPECT_EQ(first.days, 22);  // 11 a year
  const auto calendar = project->FindCalendar("Feiertage Nordrhein-Westfalen");
  ASSERT_EQ(calendar, first.calendar);
  EXPECT_FALSE(calendar->weekdays[6].inherited);
  EXPECT_EQ(calendar->WorkingMinutesOn(DateSerial(2025, 6, 9)), 0.0);   // Pfingstmontag
  EXPECT_EQ(calendar->WorkingMinutesOn(DateSerial(2025, 6, 10)), 480.0);

  // The user's own day off and a working Saturday stay; so does the holiday name outside the years.
  calendar->exceptions.push_back({"Betriebsausflug", DateSerial(2026, 7, 3), DateSerial(2026, 7, 3), false, {}});
  calendar->exceptions.push_back({"Neujahr", DateSerial(2024, 1, 1), DateSerial(2024, 1, 1), false, {}});
  const std::size_t calendars = project->calendars.size();
  const auto second = InsertHolidayCalendar(*project, State::NW, 2025, 2026);
  EXPECT_FALSE(second.added);
  EXPECT_EQ(second.days, 22);
  EXPECT_EQ(project->calendars.size(), calendars);
  EXPECT_EQ(calendar->exceptions.size(), 24u);
  for (std::size_t i = 1; i < calendar->exceptions.size(); ++i)
    EXPECT_LT(calendar->exceptions[i - 1].to, calendar->exceptions[i].from);

  EXPECT_THROW(InsertHolidayCalendar(*project, State::TH, 1984, 1990), std::invalid_argument);

  // A file may number a calendar at the end of the range; the new one takes a free UID.
  project->calendars.back()->uid = std::numeric_limits<std::int32_t>::max();
  const auto third = InsertHolidayCalendar(*project, State::BY, 2025, 2025);
  EXPECT_GT(third.calendar->uid, 0);
  for (const auto& c : project->calendars) {
    if (c == third.calendar) continue;
    EXPECT_NE(c->uid, third.calendar->uid);
  }
}

// The desktop's user saves the project with the calendar: the file is valid and reads back with
// the same days off.
TEST(HolidayCalendar, ASavedProjectKeepsTheCalendar) {
  kx::testing::TestFolder folder{"kx-holidays"};
  const std::string file = folder.CopyExamples();
  auto project = platform::ReadProjectXml(file).project;
  const auto inserted = InsertHolidayCalendar(*project, State::BY, 2025, 2026);
  platform::SaveProjectXml(*project, file);
  if (platform::testing::HaveXmllint()) {
    EXPECT_EQ(platform::testing::XmllintProblems(file, platform::testing::HaveSchema()), "");
  }
  const auto read = platform::ReadProjectXml(file).project->FindCalendar("Feiertage Bayern");
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->exceptions, inserted.calendar->exceptions);
  EXPECT_EQ(read->weekdays, inserted.calendar->weekdays);
}

}  // namespace
}  // namespace kx::holidays
