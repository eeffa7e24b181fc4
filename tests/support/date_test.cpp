#include "support/date.hpp"

#include <gtest/gtest.h>

namespace kx {
namespace {

TEST(Date, SerialMatchesTheHostsDayNumbers) {
  EXPECT_EQ(DateSerial(1899, 12, 30).serial, 0.0);
  EXPECT_EQ(DateSerial(1900, 3, 1).serial, 61.0);
  EXPECT_EQ(DateSerial(2005, 12, 31).serial, 38717.0);
  EXPECT_EQ(DateSerial(1984, 1, 1).serial, 30682.0);
}

TEST(Date, CivilRoundTripOverTheWholeRange) {
  for (int y : {987, 1600, 1899, 1900, 1984, 2000, 2024, 2049, 9999}) {
    for (int m = 1; m <= 12; ++m) {
      for (int d : {1, 28, DaysInMonth(y, m)}) {
        const CivilDate c = ToCivil(DateSerial(y, m, d));
        EXPECT_EQ(c, (CivilDate{y, m, d}));
      }
    }
  }
}

TEST(Date, TimeOfDayNeverMovesTheDay) {
  const Date late = DateTimeSerial(2024, 3, 31, 23, 59);  // a daylight-saving night in Europe
  EXPECT_EQ(ToCivil(late), (CivilDate{2024, 3, 31}));
  EXPECT_EQ(DateOnly(late), DateSerial(2024, 3, 31));
  EXPECT_NEAR(TimeOfDay(DateTimeSerial(2024, 3, 31, 8, 0)), 8.0 / 24.0, 1e-9);
}

TEST(Date, WeekdaysCountFromSunday) {
  EXPECT_EQ(Weekday(DateSerial(2024, 3, 17)), 1);  // Sunday
  EXPECT_EQ(Weekday(DateSerial(2024, 3, 18)), 2);  // Monday
  EXPECT_EQ(Weekday(DateSerial(2024, 3, 23)), 7);  // Saturday
  EXPECT_EQ(Weekday(DateSerial(1899, 12, 30)), 7);
  EXPECT_EQ(Weekday(DateSerial(1800, 1, 1)), 4);  // Wednesday, before day 0
}

TEST(Date, IsoTexts) {
  EXPECT_EQ(FormatIsoDate(DateSerial(2024, 2, 29)), "2024-02-29");
  EXPECT_EQ(FormatIsoDateTime(DateTimeSerial(2024, 2, 29, 17, 0)), "2024-02-29T17:00:00");
  EXPECT_EQ(ParseIsoDateTime("2024-02-29T08:30:00"), DateTimeSerial(2024, 2, 29, 8, 30));
  EXPECT_EQ(ParseIsoDateTime("2024-02-29"), DateSerial(2024, 2, 29));
  EXPECT_FALSE(ParseIsoDateTime("2023-02-29"));
  EXPECT_FALSE(ParseIsoDateTime("2023-02-2"));
  EXPECT_FALSE(ParseIsoDateTime("2023-02-20T8:00"));
}

}  // namespace
}  // namespace kx
