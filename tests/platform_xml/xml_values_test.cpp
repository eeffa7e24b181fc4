#include "platform/xml_values.hpp"

#include <gtest/gtest.h>

namespace kx::platform {
namespace {

TEST(XmlValues, DurationsInTheirSpellings) {
  EXPECT_EQ(ParseXmlDuration("PT8H0M0S"), 480.0);
  EXPECT_EQ(ParseXmlDuration("-PT8H0M0S"), -480.0);
  EXPECT_EQ(ParseXmlDuration("PT0H22M30S"), 22.5);
  EXPECT_NEAR(*ParseXmlDuration("PT124H59M21.68S"), 7499.3613333, 1e-6);
  EXPECT_EQ(ParseXmlDuration("PT80H"), 4800.0);
  EXPECT_EQ(ParseXmlDuration("P2DT4H"), 2 * 1440.0 + 240.0);  // elapsed days
  EXPECT_EQ(ParseXmlDuration("P1W"), 7 * 1440.0);
  EXPECT_EQ(ParseXmlDuration(" PT1M "), 1.0);
  for (const char* bad : {"", "P", "PT", "8H", "PT8X", "PT-8H", "PT8H8H", "PT1S1M", "PTH", "PT1.2.3S",
                          "P1H", "PT8H0M0S junk"})
    EXPECT_FALSE(ParseXmlDuration(bad)) << bad;
}

TEST(XmlValues, DatesTimesAndTheirTexts) {
  EXPECT_EQ(ParseXmlDateTime("2006-09-21T08:00:00"), DateTimeSerial(2006, 9, 21, 8, 0));
  EXPECT_EQ(ParseXmlDateTime("2006-09-21"), DateSerial(2006, 9, 21));
  EXPECT_EQ(ParseXmlDateTime("2006-09-21T08:00"), DateTimeSerial(2006, 9, 21, 8, 0));
  EXPECT_NEAR(ParseXmlDateTime("2006-09-21T08:00:00.500")->serial,
              DateTimeSerial(2006, 9, 21, 8, 0).serial + 0.5 / 86400, 1e-9);
  EXPECT_EQ(ParseXmlDateTime("2006-09-21T08:00:00Z"), DateTimeSerial(2006, 9, 21, 8, 0));
  EXPECT_EQ(ParseXmlDateTime("2006-09-21T08:00:00+02:00"), DateTimeSerial(2006, 9, 21, 8, 0));
  for (const char* bad : {"2024-13-01", "2023-02-29", "2008-12-04T17:-0:00", "2008-12-04T25:00:00",
                          "21.09.2006", "2006-09-21T08:00:00+2", "", "2006-9-21"})
    EXPECT_FALSE(ParseXmlDateTime(bad)) << bad;

  EXPECT_EQ(ParseXmlTime("00:00:00"), 0.0);
  EXPECT_EQ(ParseXmlTime("24:00:00"), 1.0);
  EXPECT_EQ(ParseXmlTime("13:00:00"), 13.0 / 24);
  EXPECT_FALSE(ParseXmlTime("13:60:00"));
  EXPECT_EQ(FormatXmlTime(1.0), "00:00:00");
  EXPECT_EQ(FormatXmlTime(17.5 / 24), "17:30:00");

  EXPECT_EQ(FormatXmlDuration(480), "PT8H0M0S");
  EXPECT_EQ(FormatXmlDuration(-90), "-PT1H30M0S");
  EXPECT_EQ(FormatXmlDuration(22.5), "PT0H22M30S");
  for (double m : {7499.361333333334, 1.0 / 3, 0.0, 123456.789})
    EXPECT_NEAR(*ParseXmlDuration(FormatXmlDuration(m)), m, 1e-7) << m;
  EXPECT_EQ(FormatXmlNumber(4), "4");
  EXPECT_EQ(ParseXmlNumber(FormatXmlNumber(0.1)), 0.1);
  EXPECT_FALSE(ParseXmlNumber("4,5"));
  EXPECT_EQ(ParseXmlBool("1"), true);
  EXPECT_FALSE(ParseXmlBool("ja"));
  EXPECT_EQ(ParseXmlInteger("-65535"), -65535);
  EXPECT_FALSE(ParseXmlInteger("1.5"));
}

}  // namespace
}  // namespace kx::platform
