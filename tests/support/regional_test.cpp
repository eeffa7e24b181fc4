#include "support/regional.hpp"

#include <gtest/gtest.h>

#include "support/text.hpp"
#include "support/value.hpp"

namespace kx {
namespace {

TEST(Regional, GermanDatesAndNumbers) {
  const RegionalSettings de = RegionalSettings::German();
  EXPECT_EQ(FormatDate(DateSerial(2005, 12, 31), de), "31.12.2005");
  EXPECT_EQ(FormatDate(DateSerial(987, 1, 1), de), "01.01.0987");
  EXPECT_EQ(FormatNumber(38.0, 1, de), "38,0");
  EXPECT_EQ(FormatNumber(22.5, 1, de), "22,5");
  EXPECT_EQ(FormatGeneralNumber(7.5, de), "7,5");
  EXPECT_EQ(FormatGeneralNumber(480, de), "480");
  EXPECT_EQ(FormatDateTime(DateTimeSerial(2024, 3, 15, 8, 0), de), "15.03.2024 08:00");
  EXPECT_EQ(FormatDateTime(DateSerial(2024, 3, 15), de), "15.03.2024");
}

TEST(Regional, DateTextsReadBackWithTheSameSettings) {
  for (const char* name : {"de", "en-GB", "de-CH"}) {
    const RegionalSettings r = *RegionalSettings::ForName(name);
    const Date d = DateTimeSerial(2049, 12, 31, 8, 0);
    EXPECT_EQ(ParseDate(FormatDateTime(d, r), r), d) << name;
    EXPECT_EQ(ParseDate(FormatDate(d, r), r), DateOnly(d)) << name;
  }
  const RegionalSettings de = RegionalSettings::German();
  EXPECT_EQ(ParseDate("1.2.2024", de), DateSerial(2024, 2, 1));
  EXPECT_EQ(ParseDate("2024-02-01", de), DateSerial(2024, 2, 1));
  EXPECT_EQ(ParseDate(" 31.12.1983 ", de), DateSerial(1983, 12, 31));
  EXPECT_FALSE(ParseDate("31.02.2024", de));
  EXPECT_FALSE(ParseDate("31/12/2024", de));
  EXPECT_FALSE(ParseDate("", de));
  EXPECT_FALSE(ParseDate("heute", de));
  EXPECT_FALSE(ParseDate("15.03.2024 25:00", de));
}

TEST(Regional, NumbersFollowTheDecimalMark) {
  const RegionalSettings de = RegionalSettings::German();
  EXPECT_EQ(ParseNumber("38,5", de), 38.5);
  EXPECT_EQ(ParseNumber(" -5 ", de), -5.0);
  EXPECT_FALSE(ParseNumber("38.5", de));
  EXPECT_FALSE(ParseNumber("", de));
  EXPECT_FALSE(ParseNumber("abc", de));
  EXPECT_FALSE(ParseNumber("-", de));
  const RegionalSettings en = *RegionalSettings::ForName("en-GB");
  EXPECT_EQ(ParseNumber("38.5", en), 38.5);
}

TEST(Text, LeadingNumberStopsAtTheFirstOtherCharacter) {
  EXPECT_EQ(LeadingNumber("480"), 480.0);
  EXPECT_EQ(LeadingNumber("7,5"), 7.0);
  EXPECT_EQ(LeadingNumber(" 7.5 "), 7.5);
  EXPECT_EQ(LeadingNumber("-12abc"), -12.0);
  EXPECT_EQ(LeadingNumber(""), 0.0);
  EXPECT_EQ(LeadingNumber("t480"), 0.0);
}

TEST(Text, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(15.5), 16.0);
  EXPECT_EQ(RoundHalfEven(23.5), 24.0);
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
  EXPECT_EQ(Trim("  a b  "), "a b");
}

TEST(Value, ConversionsUseTheRegion) {
  const RegionalSettings de = RegionalSettings::German();
  EXPECT_EQ(ToDate(Value{std::string("31.12.2005")}, de), DateSerial(2005, 12, 31));
  EXPECT_EQ(ToDate(Value{DateSerial(2005, 12, 31)}, de), DateSerial(2005, 12, 31));
  EXPECT_FALSE(ToDate(Value{}, de));
  EXPECT_EQ(ToText(Value{DateSerial(2005, 12, 31)}, de), "31.12.2005");
  EXPECT_EQ(ToText(Value{38.5}, de), "38,5");
  EXPECT_EQ(ToBool(Value{std::string("Ja")}, de), true);
  EXPECT_EQ(ToNumber(Value{std::int16_t{3}}, de), 3.0);
}

}  // namespace
}  // namespace kx
