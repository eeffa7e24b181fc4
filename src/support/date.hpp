#pragma once
// Civil dates as the planning host counts them: whole days since 30.12.1899, with the time of
// day as the fraction. No time zone and no daylight-saving change ever moves a day.

#include <compare>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

struct Date {
  double serial = 0.0;  // days since 30.12.1899; fraction = time of day

  constexpr Date() = default;
  constexpr explicit Date(double s) : serial(s) {}
  auto operator<=>(const Date&) const = default;
};

struct CivilDate {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  auto operator<=>(const CivilDate&) const = default;
};

// Returns the day number of year/month/day; the values must form a valid date.
Date DateSerial(int year, int month, int day);
// Returns the day number of year/month/day plus hours and minutes.
Date DateTimeSerial(int year, int month, int day, int hour, int minute, int second = 0);
// Returns year, month and day of the day that holds `d`.
CivilDate ToCivil(Date d);
// Returns the day without its time of day.
Date DateOnly(Date d);
// Returns the time of day as a fraction of a day, 0 <= t < 1.
double TimeOfDay(Date d);
// Returns the weekday, 1 = Sunday ... 7 = Saturday.
int Weekday(Date d);
int DaysInMonth(int year, int month);
bool IsLeapYear(int year);
bool IsValidCivil(int year, int month, int day);

// Minutes and day fractions.
constexpr double kMinutesPerDay = 1440.0;
inline double MinutesToDays(double minutes) {
  return minutes / kMinutesPerDay;
}
inline double DaysToMinutes(double days) {
  return days * kMinutesPerDay;
}

// ISO 8601 texts for scripts: "2024-03-15" or "2024-03-15T08:00:00".
std::string FormatIsoDate(Date d);
std::string FormatIsoDateTime(Date d);
// Writes FormatIsoDateTime(d) to `out` (room for kIsoDateTimeMax characters, no terminating
// zero); returns the number of characters.
inline constexpr int kIsoDateTimeMax = 40;
std::size_t WriteIsoDateTime(Date d, char* out);
// Reads "yyyy-mm-dd" with an optional "Thh:mm[:ss]" or " hh:mm[:ss]"; nullopt when it is none.
std::optional<Date> ParseIsoDateTime(std::string_view text);

}  // namespace kx
