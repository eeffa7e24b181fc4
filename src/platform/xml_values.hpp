#pragma once
// Texts of Project XML values: dates, times of day, durations and numbers, read and written
// exactly as the format spells them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/date.hpp"

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
// Writes "hh:mm:ss" for a fraction of a day; 1 (24:00) is written "00:00:00" as the format does.
std::string FormatXmlTime(double dayFraction);
// Writes minutes as "PT#H#M#S"; negative durations get a leading "-", fractions of a second up to
// microseconds.
std::string FormatXmlDuration(double minutes);
// Writes a number with a point and as many digits as it takes to read it back unchanged.
std::string FormatXmlNumber(double value);

}  // namespace kx::platform
