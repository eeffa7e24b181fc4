#pragma once
// Texts of Project XML values: dates, times of day, durations and numbers, read and written
// exactly as the format spells them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/date.hpp"
#include "support/text.hpp"

namespace kx::platform {

// Reads "yyyy-mm-dd" optionally followed by "Thh:mm", ":ss" and a fraction of a second; a zone
// suffix ("Z", "+01:00") is accepted and ignored, the value being a local time. Returns nullopt
// for anything else, an impossible day or time included.
std::optional<Date> ParseXmlDateTime(std::string_view text);

// Reads a time of day "hh:mm[:ss]" as a fraction of a day; "24:00:00" gives 1. Returns nullopt
// for anything else.
std::optional<double> ParseXmlTime(std::string_view text);

// Reads an ISO 8601 duration such as "PT8H0M0S", "-PT1H30M0S", "PT0H22M30.5S" or "P2DT4H" and
// returns minutes. Years, months, weeks and days count as elapsed time (365, 30, 7 and 1 days of
// 24 hours). Returns nullopt for anything else.
std::optional<double> ParseXmlDuration(std::string_view text);

// Reads a whole number (optional sign, digits, blanks around allowed); nullopt for anything else.
std::optional<std::int64_t> ParseXmlInteger(std::string_view text);
// Reads a decimal number with a point ("4", "-2.5", "1e3"); nullopt for anything else.
std::optional<double> ParseXmlNumber(std::string_view text);
// Reads a Boolean: "1"/"true" or "0"/"false"; nullopt for anything else.
std::optional<bool> ParseXmlBool(std::string_view text);

// Writes "yyyy-mm-ddThh:mm:ss" (to the nearest second).
std::string FormatXmlDateTime(Date d);
// Writes FormatXmlDateTime(d) to `out` (room for kIsoDateTimeMax characters); returns its length.
std::size_t WriteXmlDateTime(Date d, char* out);
// Writes "hh:mm:ss" for a fraction of a day; 1 (24:00) is written "00:00:00" as the format does.
std::string FormatXmlTime(double dayFraction);
// Writes minutes as "PT#H#M#S"; negative durations get a leading "-", fractions of a second up to
// microseconds.
std::string FormatXmlDuration(double minutes);
// Writes FormatXmlDuration(minutes) to `out` (room for kXmlDurationMax characters); returns its
// length.
inline constexpr std::size_t kXmlDurationMax = 64;
std::size_t WriteXmlDuration(double minutes, char* out);
// Writes a number with a point and as many digits as it takes to read it back unchanged.
std::string FormatXmlNumber(double value);

// Where `text` stops being UTF-8 that XML 1.0 may hold: the byte offset of the first byte that
// is no UTF-8 (a stray, cut off, overlong or surrogate sequence), or of a character XML 1.0 does
// not allow (control characters other than tab, line feed and carriage return; U+FFFE, U+FFFF).
// nullopt when all of it is fine.
struct BadXmlText {
  std::size_t offset = 0;
  bool notUtf8 = true;      // false: UTF-8, but a character XML does not allow
  std::uint32_t code = 0;   // the character, when `notUtf8` is false
};
std::optional<BadXmlText> FindBadXmlText(std::string_view text);
// The number of line feeds in `text`, as std::count gives it.
std::size_t CountLineFeeds(std::string_view text);
// Whether XML 1.0 allows the character `code` in a document.
bool IsXmlChar(std::uint32_t code);
// `text` with every byte sequence that is no UTF-8 and every character that XML 1.0 does not
// allow replaced by U+FFFD.
std::string XmlSafeText(std::string_view text);
// `text` cut to at most `maxChars` characters (not bytes), never inside a character.
using kx::CutToChars;

}  // namespace kx::platform
