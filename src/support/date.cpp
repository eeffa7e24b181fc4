#include "support/date.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace kx {
namespace {

// Days from 1970-01-01 to the civil date (proleptic Gregorian), after H. Hinnant.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

CivilDate CivilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 30.12.1899 counted from 1970-01-01.
constexpr long long kEpochOffset = -25569;

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidCivil(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

Date DateSerial(int year, int month, int day) {
  return Date(static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
      kEpochOffset));
}

Date DateTimeSerial(int year, int month, int day, int hour, int minute, int second) {
  return Date(DateSerial(year, month, day).serial +
              (hour * 3600.0 + minute * 60.0 + second) / 86400.0);
}

Date DateOnly(Date d) {
  return Date(std::floor(d.serial));
}

double TimeOfDay(Date d) {
  return d.serial - std::floor(d.serial);
}

CivilDate ToCivil(Date d) {
  return CivilFromDays(static_cast<long long>(std::floor(d.serial)) + kEpochOffset);
}

int Weekday(Date d) {
  // 30.12.1899 was a Saturday (7).
  const long long days = static_cast<long long>(std::floor(d.serial));
  const long long w = ((days % 7) + 7 + 6) % 7;  // 0 = Sunday
  return static_cast<int>(w) + 1;
}

namespace {

void PutDigits(char* out, long long value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

// Writes 0 <= value < 100 as two digits.
void PutPair(char* out, int value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  std::memcpy(out, kPairs + 2 * value, 2);
}

}  // namespace

std::string FormatIsoDate(Date d) {
  const CivilDate c = ToCivil(d);
  if (c.year < 0 || c.year > 9999) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
    return buf;
  }
  char buf[10];
  PutDigits(buf, c.year, 4);
  buf[4] = '-';
  PutDigits(buf + 5, c.month, 2);
  buf[7] = '-';
  PutDigits(buf + 8, c.day, 2);
  return std::string(buf, sizeof buf);
}

std::size_t WriteIsoDateTime(Date d, char* out) {
  const double whole = std::floor(d.serial);  // DateOnly and TimeOfDay from one floor
  const long long secs = std::llround((d.serial - whole) * 86400.0);
  Date day(whole);
  long long s = secs;
  if (s >= 86400) {  // rounding reached midnight of the next day
    day = Date(day.serial + 1);
    s = 0;
  }
  // Moments come in runs over a few days: the last days' texts are kept.
  struct DayText {
    double day = std::numeric_limits<double>::quiet_NaN();
    char text[10];
  };
  thread_local DayText recent[4];
  const bool cached = std::fabs(day.serial) < 1e9;  // the day numbers of years 1 to 9999 and more
  DayText& kept =
      recent[cached ? static_cast<unsigned long long>(static_cast<long long>(day.serial)) & 3u : 0];
  // The day after a kept day inside the same month: its text with the day of the month one up.
  const DayText& before =
      recent[cached ? static_cast<unsigned long long>(static_cast<long long>(day.serial) - 1) & 3u
                    : 0];
  if (cached && kept.day == day.serial && s >= 0) {
    std::memcpy(out, kept.text, 10);
  } else if (cached && s >= 0 && before.day == day.serial - 1 &&
             (before.text[8] < '2' || (before.text[8] == '2' && before.text[9] < '8'))) {
    std::memcpy(out, before.text, 10);
    if (out[9] == '9') {
      out[8] = static_cast<char>(out[8] + 1);
      out[9] = '0';
    } else {
      out[9] = static_cast<char>(out[9] + 1);
    }
    kept.day = day.serial;
    std::memcpy(kept.text, out, 10);
  } else {
    const CivilDate c = ToCivil(day);
    if (c.year < 0 || c.year > 9999 || s < 0) {  // s < 0: a moment that is no number
      const int n = std::snprintf(out, kIsoDateTimeMax + 1, "%04d-%02d-%02dT%02lld:%02lld:%02lld",
                                  c.year, c.month, c.day, s / 3600, (s / 60) % 60, s % 60);
      return static_cast<std::size_t>(std::min(n, kIsoDateTimeMax));
    }
    PutDigits(out, c.year, 4);
    out[4] = '-';
    PutDigits(out + 5, c.month, 2);
    out[7] = '-';
    PutDigits(out + 8, c.day, 2);
    if (cached) {
      kept.day = day.serial;
      std::memcpy(kept.text, out, 10);
    }
  }
  // 0 <= s < 86400: hours, minutes and seconds of two digits each.
  const int seconds = static_cast<int>(s);
  out[10] = 'T';
  PutPair(out + 11, seconds / 3600);
  out[13] = ':';
  PutPair(out + 14, seconds / 60 % 60);
  out[16] = ':';
  PutPair(out + 17, seconds % 60);
  return 19;
}

std::string FormatIsoDateTime(Date d) {
  char buf[kIsoDateTimeMax + 1];
  return std::string(buf, WriteIsoDateTime(d, buf));
}

std::optional<Date> ParseIsoDateTime(std::string_view text) {
  int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
  auto digits = [&](std::size_t pos, std::size_t n, int& out) {
    if (pos + n > text.size()) return false;
    int v = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      v = v * 10 + (text[i] - '0');
    }
    out = v;
    return true;
  };
  if (!digits(0, 4, y) || text.size() < 10 || text[4] != '-' || !digits(5, 2, m) ||
      text[7] != '-' || !digits(8, 2, d))
    return std::nullopt;
  if (!IsValidCivil(y, m, d)) return std::nullopt;
  std::size_t pos = 10;
  if (pos < text.size()) {
    if (text[pos] != 'T' && text[pos] != ' ') return std::nullopt;
    if (!digits(pos + 1, 2, hh) || pos + 3 >= text.size() || text[pos + 3] != ':' ||
        !digits(pos + 4, 2, mm))
      return std::nullopt;
    pos += 6;
    if (pos < text.size()) {
      if (text[pos] != ':' || !digits(pos + 1, 2, ss)) return std::nullopt;
      pos += 3;
    }
    if (pos != text.size() || hh > 24 || mm > 59 || ss > 59 || (hh == 24 && (mm || ss)))
      return std::nullopt;
  }
  return DateTimeSerial(y, m, d, hh, mm, ss);
}

}  // namespace kx
