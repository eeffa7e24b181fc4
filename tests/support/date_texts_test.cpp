// The quick date texts against the way they were made before: printf for writing and the general
// reading for the texts the quick reading takes, over every day of several centuries.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/date.hpp"
#include "support/regional.hpp"

namespace kx {
namespace {

std::string PrintfDate(Date d, const RegionalSettings& r) {
  const CivilDate c = ToCivil(d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d%s%02d%s%04d", c.day, r.dateSeparator.c_str(), c.month,
                r.dateSeparator.c_str(), c.year);
  return buf;
}

std::string PrintfIsoDateTime(Date d) {
  long long s = std::llround(TimeOfDay(d) * 86400.0);
  Date day = DateOnly(d);
  if (s >= 86400) {
    day = Date(day.serial + 1);
    s = 0;
  }
  const CivilDate c = ToCivil(day);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02lld:%02lld:%02lld", c.year, c.month, c.day,
                s / 3600, (s / 60) % 60, s % 60);
  return buf;
}

// Blanks around a text send it past the quick reading to the general one, which reads it the same.
std::optional<Date> GeneralReading(const std::string& text, const RegionalSettings& r) {
  return ParseDate(" " + text + " ", r);
}

std::vector<RegionalSettings> Regions() {
  RegionalSettings dash = RegionalSettings::German();
  dash.dateSeparator = "-";
  RegionalSettings wide = RegionalSettings::German();
  wide.dateSeparator = " / ";  // more than one character: the general way
  RegionalSettings dotTime = RegionalSettings::German();
  dotTime.timeSeparator = ".";
  return {RegionalSettings::German(), *RegionalSettings::ForName("en-GB"), dash, wide, dotTime};
}

TEST(DateTexts, WrittenAsPrintfWroteThem) {
  const Date from = DateSerial(1700, 1, 1), to = DateSerial(2300, 12, 31);
  for (const RegionalSettings& r : Regions()) {
    for (double d = from.serial; d <= to.serial; d += 1) {
      ASSERT_EQ(FormatDate(Date(d), r), PrintfDate(Date(d), r)) << d;
      ASSERT_EQ(FormatDate(Date(d + 0.75), r), PrintfDate(Date(d), r)) << d;
    }
  }
  // Years of more or fewer than four digits and the day numbers around zero.
  const RegionalSettings de = RegionalSettings::German();
  for (const Date d : {DateSerial(1, 1, 1), DateSerial(999, 12, 31), DateSerial(9999, 12, 31),
                       Date(DateSerial(9999, 12, 31).serial + 1), Date(-700000), Date(0),
                       Date(-1), Date(-0.5)})
    EXPECT_EQ(FormatDate(d, de), PrintfDate(d, de)) << d.serial;
}

TEST(DateTexts, IsoMomentsAsPrintfWroteThem) {
  // Every second of two days, moments that round to the next midnight, and leap days.
  const double day = DateSerial(2024, 2, 28).serial;
  for (int s = 0; s < 2 * 86400; s += 7) {
    const Date d(day + s / 86400.0);
    ASSERT_EQ(FormatIsoDateTime(d), PrintfIsoDateTime(d)) << s;
  }
  for (const Date d : {Date(day + 1 - 0.2 / 86400), Date(DateSerial(2000, 2, 29).serial + 0.5),
                       Date(DateSerial(1900, 3, 1).serial), Date(0), Date(-1.25),
                       Date(DateSerial(9999, 12, 31).serial + 0.9999999), Date(-800000)}) {
    EXPECT_EQ(FormatIsoDateTime(d), PrintfIsoDateTime(d)) << d.serial;
    char buf[kIsoDateTimeMax + 1];
    EXPECT_EQ(std::string(buf, WriteIsoDateTime(d, buf)), PrintfIsoDateTime(d));
  }
  EXPECT_EQ(FormatIsoDate(DateSerial(2024, 2, 29)), "2024-02-29");
  EXPECT_EQ(FormatIsoDate(DateSerial(987, 1, 1)), "0987-01-01");
}

// Day after day, as timephased work comes: a day's text may come from the day before it. Runs
// forward, steps back and jumps, over month and year ends, leap days and the days around zero.
TEST(DateTexts, IsoMomentsDayAfterDayAsPrintfWroteThem) {
  char buf[kIsoDateTimeMax + 1];
  const auto check = [&](double serial) {
    const Date d(serial);
    ASSERT_EQ(std::string(buf, WriteIsoDateTime(d, buf)), PrintfIsoDateTime(d)) << serial;
  };
  for (double d = DateSerial(1896, 1, 1).serial; d <= DateSerial(2104, 12, 31).serial; d += 1) {
    check(d + 8.0 / 24);
    check(d + 1 + 8.0 / 24);
  }
  for (double d = DateSerial(1999, 1, 1).serial; d <= DateSerial(2001, 12, 31).serial; d += 3) {
    check(d + 17.0 / 24);
    check(d - 1 + 1.0 / 24);  // the day before, once the day is kept
    check(d + 1 - 0.2 / 86400);  // rounds to the next midnight
    check(d + 40);
  }
  for (double d = -40; d <= 40; d += 1) check(d + 0.25);
  for (double d = DateSerial(9999, 12, 1).serial; d <= DateSerial(9999, 12, 31).serial + 3; d += 1)
    check(d + 0.5);
}

TEST(DateTexts, QuickReadingAgreesWithTheGeneralOne) {
  for (const RegionalSettings& r : Regions()) {
    for (int year = 1899; year <= 2101; ++year) {
      for (int month = 1; month <= 12; ++month) {
        for (int day = 1; day <= 31; ++day) {
          char text[64];
          std::snprintf(text, sizeof text, "%02d%s%02d%s%04d", day, r.dateSeparator.c_str(), month,
                        r.dateSeparator.c_str(), year);
          const auto quick = ParseDate(text, r);
          ASSERT_EQ(quick, GeneralReading(text, r)) << text;
          if (r.dateSeparator.find(' ') != std::string::npos) continue;  // never a date
          ASSERT_EQ(quick.has_value(), IsValidCivil(year, month, day)) << text;
          if (quick) {
            ASSERT_EQ(*quick, DateSerial(year, month, day)) << text;
          }
        }
      }
    }
    // With a time, including the hours and minutes the reading refuses.
    for (const char* time : {"00:00", "08:00", "23:59", "24:00", "12:60", "8:00 ", "08.00",
                             "0a:00", "08:5x"}) {
      for (const char* date : {"29.02.2024", "29.02.2023", "31.12.1999", "01/03/2025"}) {
        const std::string text = std::string(date) + " " + time;
        EXPECT_EQ(ParseDate(text, r), GeneralReading(text, r)) << text;
      }
    }
  }
}

TEST(DateTexts, TextsThatLookAlmostLikeDatesAreNotTakenQuickly) {
  const RegionalSettings de = RegionalSettings::German();
  for (const char* text : {"15.03.2025", "15,03.2025", "15.03,2025", "1503.2025x", "00.01.2025",
                           "32.01.2025", "15.13.2025", "15.00.2025", "+5.03.2025", " 5.03.2025",
                           "15.03.20255", "2025-03-15", "2025-03-15 08:00", "15.03.2025T08:00",
                           "15.03.2025 08:00", "15.03.2025 08:00:00", "-1.03.2025"})
    EXPECT_EQ(ParseDate(text, de), GeneralReading(text, de)) << text;
  EXPECT_EQ(ParseDate("15.03.2025 08:00", de), DateTimeSerial(2025, 3, 15, 8, 0));
  // A separator that is a digit or a blank is never taken for the quick reading.
  RegionalSettings digit = de;
  digit.dateSeparator = "0";
  EXPECT_EQ(ParseDate("1505052025", digit), GeneralReading("1505052025", digit));
  RegionalSettings blank = de;
  blank.dateSeparator = " ";
  EXPECT_EQ(ParseDate("15 03 2025", blank), GeneralReading("15 03 2025", blank));
}

TEST(DateTexts, TableOfAStretchGivesTheSameTextsAsFormatDate) {
  const RegionalSettings gb = *RegionalSettings::ForName("en-GB");
  const DayTexts texts(DateSerial(2024, 1, 1), DateSerial(2024, 12, 31), gb);
  for (double d = DateSerial(2023, 12, 1).serial; d <= DateSerial(2025, 1, 31).serial; d += 0.5)
    ASSERT_EQ(texts.Of(Date(d)), FormatDate(Date(d), gb)) << d;
  // The table keeps the settings it was made with.
  EXPECT_EQ(texts.Of(DateSerial(2024, 2, 29)), "29/02/2024");
  // An empty or reversed stretch keeps nothing and still gives every text.
  EXPECT_EQ(DayTexts(DateSerial(2025, 1, 2), DateSerial(2025, 1, 1), gb).Of(DateSerial(2025, 1, 1)),
            "01/01/2025");
  EXPECT_EQ(DayTexts().Of(DateSerial(2025, 1, 1)), "01.01.2025");
}

}  // namespace
}  // namespace kx
