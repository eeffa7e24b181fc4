#include "projectxml/xml_values.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

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
  for (const char* bad : {"", "P", "PT", "8H", "PT8X", "PT-8H", "PT8H8H", "PT1S1M", "PTH",
                          "PT1.2.3S", "P1H", "PT8H0M0S junk"})
    EXPECT_FALSE(ParseXmlDuration(bad)) << bad;
}

// The duration text as printf wrote it, to hold the quick writing against.
std::string PrintfDuration(double minutes) {
  if (!std::isfinite(minutes)) minutes = 0.0;
  minutes = std::clamp(minutes, -1.5e11, 1.5e11);
  const long long micro = std::llround(std::fabs(minutes) * 60e6);
  const long long seconds = micro / 1000000, rest = micro % 1000000;
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%sPT%lldH%lldM%lld", minutes < 0 ? "-" : "",
                        seconds / 3600, (seconds / 60) % 60, seconds % 60);
  if (rest != 0) {
    char frac[16];
    std::snprintf(frac, sizeof frac, "%06lld", rest);
    std::string f = frac;
    while (!f.empty() && f.back() == '0') f.pop_back();
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), ".%s", f.c_str());
  }
  std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), "S");
  return buf;
}

TEST(XmlValues, DurationTextsAsPrintfWroteThem) {
  std::vector<double> minutes = {0.0, -0.0, 1e-9, 1.0 / 60e6, 0.5 / 60e6, 1e12, -1e12, 5e12,
                                 -7e13, 7499.3613333, 22.5, -90, 480, 59.999999, 1439.99999999,
                                 std::nan(""), std::numeric_limits<double>::infinity()};
  for (int i = 0; i < 20000; ++i) minutes.push_back((i - 10000) * 0.0137);  // fractions of seconds
  for (int i = 0; i < 3000; ++i) minutes.push_back(i * 37.25);
  for (const double m : minutes) ASSERT_EQ(FormatXmlDuration(m), PrintfDuration(m)) << m;
}

TEST(XmlValues, MomentsWrittenInPlaceAsTheirTexts) {
  for (const double d : {0.0, -1e9, 1e9, DateTimeSerial(2025, 3, 1, 8, 0).serial, 2958465.99999,
                         std::nan("")}) {
    char buf[kIsoDateTimeMax + 1];
    EXPECT_EQ(std::string(buf, WriteXmlDateTime(Date(d), buf)), FormatXmlDateTime(Date(d)));
  }
  EXPECT_EQ(FormatXmlDateTime(Date(1e9)), "9999-12-31T23:59:59");
  EXPECT_EQ(FormatXmlDateTime(Date(-1e9)), "0001-01-01T00:00:00");
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
  // Absurd durations (from a broken file, say) are written as the longest one that still reads
  // back: a text the schema takes, not a count that wrapped around.
  for (double m : {1e12, 5e12, -7e13, 1e300, -1e300}) {
    const std::string text = FormatXmlDuration(m);
    EXPECT_EQ(text.find('-', 1), std::string::npos) << text;
    EXPECT_EQ(ParseXmlDuration(text), m < 0 ? -1.5e11 : 1.5e11) << text;
  }
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

namespace kx::platform {
namespace {

// Where a text stops being XML text, found one byte at a time: ASCII by its code, longer UTF-8
// sequences by the library's own reading of a single character.
std::optional<std::size_t> BytewiseBadOffset(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      if (!IsXmlChar(b)) return i;
      ++i;
      continue;
    }
    const std::size_t length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
    if (i + length > text.size() || FindBadXmlText(text.substr(i, length))) return i;
    i += length;
  }
  return std::nullopt;
}

TEST(XmlValues, LineFeedsCountedAsStdCountCountsThem) {
  const auto reference = [](std::string_view t) {
    return static_cast<std::size_t>(std::count(t.begin(), t.end(), '\n'));
  };
  // Every length and start around the sixteen-byte steps, line feeds among bytes that look alike.
  std::string text;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1103515245u + 12345u;
    const char pick[] = {'\n', 'a', '\r', static_cast<char>(0x8A), '\0', static_cast<char>(0xFF)};
    text += pick[(seed >> 16) % 6];
  }
  for (std::size_t from = 0; from < 20; ++from)
    for (std::size_t n = 0; from + n <= text.size(); ++n)
      ASSERT_EQ(CountLineFeeds(std::string_view(text).substr(from, n)),
                reference(std::string_view(text).substr(from, n)))
          << from << " " << n;
  // Only line feeds, past the 255 steps after which the lanes are added up, and none at all.
  for (const std::size_t n : {std::size_t{4079}, std::size_t{4080}, std::size_t{4081},
                              std::size_t{100000}}) {
    EXPECT_EQ(CountLineFeeds(std::string(n, '\n')), n);
    EXPECT_EQ(CountLineFeeds(std::string(n, 'x')), 0u);
  }
}

TEST(XmlValues, BadCharactersFoundWhereverTheyStandInTheText) {
  // Indented lines as files hold them, with each kind of byte put at every place of the text.
  const std::string line = "\t\t\t<Name>Jürgen Müller</Name>\r\n\t\t<UID>17</UID>\n";
  const std::vector<std::string> inserts = {"\x01", "\x1F", "\x08", "\x0B", "\t", "\n", "\r",
                                            "\x7F", "\xC3", "\xC3\xA4", "\xEF\xBF\xBE", "\xED\xA0\x80",
                                            "\xF0\x9F\x98\x80", "\xFF", " ", "\x0C"};
  for (const std::string& insert : inserts) {
    for (std::size_t at = 0; at <= line.size(); ++at) {
      std::string text = line;
      text.insert(at, insert);
      const auto bad = FindBadXmlText(text);
      const auto expected = BytewiseBadOffset(text);
      ASSERT_EQ(bad.has_value(), expected.has_value()) << at << " " << insert.size();
      if (bad) {
        ASSERT_EQ(bad->offset, *expected) << at;
      }
    }
  }
  EXPECT_EQ(FindBadXmlText("abc\tdef\nghi\rjkl\x02mnopqrstu")->offset, 15u);
  EXPECT_FALSE(FindBadXmlText(std::string(1000, '\t') + std::string(1000, '\n')));
}

}  // namespace
}  // namespace kx::platform
