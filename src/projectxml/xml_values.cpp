#include "projectxml/xml_values.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kx::platform {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads exactly `n` digits at `pos`.
bool Digits(std::string_view t, std::size_t pos, std::size_t n, int& out) {
  if (pos + n > t.size()) return false;
  int v = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (!IsDigit(t[i])) return false;
    v = v * 10 + (t[i] - '0');
  }
  out = v;
  return true;
}

std::string_view TrimXml(std::string_view t) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!t.empty() && blank(t.front())) t.remove_prefix(1);
  while (!t.empty() && blank(t.back())) t.remove_suffix(1);
  return t;
}

// Reads "hh:mm[:ss[.fff]]" from the start of `t`; returns the seconds and where it stopped.
bool ReadClock(std::string_view t, double& seconds, std::size_t& used) {
  int hh = 0, mm = 0, ss = 0;
  if (!Digits(t, 0, 2, hh) || t.size() < 5 || t[2] != ':' || !Digits(t, 3, 2, mm)) return false;
  std::size_t pos = 5;
  double fraction = 0.0;
  if (pos < t.size() && t[pos] == ':') {
    if (!Digits(t, pos + 1, 2, ss)) return false;
    pos += 3;
    if (pos < t.size() && t[pos] == '.') {
      ++pos;
      double scale = 0.1;
      const std::size_t first = pos;
      while (pos < t.size() && IsDigit(t[pos])) {
        fraction += (t[pos] - '0') * scale;
        scale /= 10;
        ++pos;
      }
      if (pos == first) return false;
    }
  }
  if (mm > 59 || ss > 59 || hh > 24 || (hh == 24 && (mm != 0 || ss != 0 || fraction != 0.0)))
    return false;
  seconds = hh * 3600.0 + mm * 60.0 + ss + fraction;
  used = pos;
  return true;
}

}  // namespace

std::optional<Date> ParseXmlDateTime(std::string_view text) {
  const std::string_view t = TrimXml(text);
  int y = 0, m = 0, d = 0;
  if (t.size() < 10 || !Digits(t, 0, 4, y) || t[4] != '-' || !Digits(t, 5, 2, m) || t[7] != '-' ||
      !Digits(t, 8, 2, d) || !IsValidCivil(y, m, d))
    return std::nullopt;
  double seconds = 0.0;
  std::size_t pos = 10;
  if (pos < t.size() && (t[pos] == 'T' || t[pos] == ' ')) {
    std::size_t used = 0;
    if (!ReadClock(t.substr(pos + 1), seconds, used)) return std::nullopt;
    pos += 1 + used;
  }
  if (pos < t.size()) {  // a zone: "Z" or "+hh:mm" / "-hh:mm"
    const std::string_view zone = t.substr(pos);
    int zh = 0, zm = 0;
    const bool ok = zone == "Z" || (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') &&
                                    Digits(zone, 1, 2, zh) && zone[3] == ':' &&
                                    Digits(zone, 4, 2, zm) && zh <= 14 && zm <= 59);
    if (!ok) return std::nullopt;
  }
  return Date(DateSerial(y, m, d).serial + seconds / 86400.0);
}

std::optional<double> ParseXmlTime(std::string_view text) {
  const std::string_view t = TrimXml(text);
  double seconds = 0.0;
  std::size_t used = 0;
  if (!ReadClock(t, seconds, used) || used != t.size()) return std::nullopt;
  return seconds / 86400.0;
}

std::optional<double> ParseXmlDuration(std::string_view text) {
  std::string_view t = TrimXml(text);
  bool negative = false;
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  if (t.empty() || t.front() != 'P') return std::nullopt;
  t.remove_prefix(1);
  bool inTime = false;
  bool any = false;
  double minutes = 0.0;
  // Units in the order they may appear, with their length in minutes.
  static constexpr char kDateUnits[] = {'Y', 'M', 'W', 'D'};
  static constexpr double kDateMinutes[] = {365 * 1440.0, 30 * 1440.0, 7 * 1440.0, 1440.0};
  static constexpr char kTimeUnits[] = {'H', 'M', 'S'};
  static constexpr double kTimeMinutes[] = {60.0, 1.0, 1.0 / 60.0};
  int nextUnit = 0;  // index of the next unit allowed in the current part
  while (!t.empty()) {
    if (t.front() == 'T') {
      if (inTime) return std::nullopt;
      inTime = true;
      nextUnit = 0;
      t.remove_prefix(1);
      if (t.empty()) return std::nullopt;
      continue;
    }
    // Digits, optionally a point and more digits.
    std::size_t n = 0;
    double value = 0.0;
    while (n < t.size() && IsDigit(t[n])) value = value * 10 + (t[n++] - '0');
    if (n == 0) return std::nullopt;
    if (n < t.size() && t[n] == '.') {
      ++n;
      const std::size_t first = n;
      std::uint64_t fraction = 0;
      double scale = 1.0;
      for (; n < t.size() && IsDigit(t[n]); ++n) {
        if (n - first < 18) {
          fraction = fraction * 10 + static_cast<std::uint64_t>(t[n] - '0');
          scale *= 10;
        }
      }
      if (n == first) return std::nullopt;
      value += static_cast<double>(fraction) / scale;
    }
    if (n == t.size() || !std::isfinite(value)) return std::nullopt;
    const char unit = t[n];
    const char* units = inTime ? kTimeUnits : kDateUnits;
    const double* lengths = inTime ? kTimeMinutes : kDateMinutes;
    const int count = inTime ? 3 : 4;
    int found = -1;
    for (int i = nextUnit; i < count; ++i) {
      if (units[i] == unit) {
        found = i;
        break;
      }
    }
    if (found < 0) return std::nullopt;
    minutes += value * lengths[found];
    nextUnit = found + 1;
    any = true;
    t.remove_prefix(n + 1);
  }
  if (!any || !std::isfinite(minutes)) return std::nullopt;
  return negative ? -minutes : minutes;
}

std::optional<std::int64_t> ParseXmlInteger(std::string_view text) {
  std::string_view t = TrimXml(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return v;
}

std::optional<double> ParseXmlNumber(std::string_view text) {
  std::string_view t = TrimXml(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  double v = 0.0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

std::optional<bool> ParseXmlBool(std::string_view text) {
  const std::string_view t = TrimXml(text);
  if (t == "1" || t == "true") return true;
  if (t == "0" || t == "false") return false;
  return std::nullopt;
}

std::size_t WriteXmlDateTime(Date d, char* out) {
  // The format's years end with 9999; later moments are written as its last second.
  static const double kLast = DateTimeSerial(9999, 12, 31, 23, 59, 59).serial;
  static const double kFirst = DateSerial(1, 1, 1).serial;
  if (!std::isfinite(d.serial) || d.serial > kLast) d = Date(kLast);
  if (d.serial < kFirst) d = Date(kFirst);
  return WriteIsoDateTime(d, out);
}

std::string FormatXmlDateTime(Date d) {
  char buf[kIsoDateTimeMax + 1];
  return std::string(buf, WriteXmlDateTime(d, buf));
}

std::string FormatXmlTime(double dayFraction) {
  long long s = std::llround(dayFraction * 86400.0);
  if (s >= 86400 || s < 0) s = 0;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
  return buf;
}

std::size_t WriteXmlDuration(double minutes, char* out) {
  // Whole microseconds must count in 64 bits: about 285,000 years at most. Longer durations are
  // written as that longest one, which still reads back as a duration.
  constexpr double kMax = 1.5e11;
  if (!std::isfinite(minutes)) minutes = 0.0;
  minutes = std::clamp(minutes, -kMax, kMax);
  const bool negative = minutes < 0;
  // Whole microseconds, so that the text reads back to the same number of minutes.
  const long long micro = std::llround(std::fabs(minutes) * 60e6);
  const long long seconds = micro / 1000000;
  long long rest = micro % 1000000;
  char* p = out;
  auto number = [&p](long long v) {
    p = std::to_chars(p, p + 24, v).ptr;
  };
  if (negative) *p++ = '-';
  *p++ = 'P';
  *p++ = 'T';
  number(seconds / 3600);
  *p++ = 'H';
  number((seconds / 60) % 60);
  *p++ = 'M';
  number(seconds % 60);
  if (rest != 0) {
    // Six places of the second, without trailing zeros.
    int places = 6;
    while (rest % 10 == 0) {
      rest /= 10;
      --places;
    }
    *p++ = '.';
    for (int i = places - 1; i >= 0; --i, rest /= 10) p[i] = static_cast<char>('0' + rest % 10);
    p += places;
  }
  *p++ = 'S';
  return static_cast<std::size_t>(p - out);
}

std::string FormatXmlDuration(double minutes) {
  char buf[kXmlDurationMax];
  return std::string(buf, WriteXmlDuration(minutes, buf));
}

std::string FormatXmlNumber(double value) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

bool IsXmlChar(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

namespace {

// Decodes the character at `text[i]`; returns its length, or 0 for bytes that are no UTF-8.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& code) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char b = byte(i);
  if (b < 0x80) {
    code = b;
    return 1;
  }
  std::size_t length = 0;
  std::uint32_t min = 0;
  if ((b & 0xE0) == 0xC0) {
    length = 2;
    code = b & 0x1Fu;
    min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3;
    code = b & 0x0Fu;
    min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    length = 4;
    code = b & 0x07u;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3Fu);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

namespace {

constexpr std::uint64_t kHigh = 0x8080808080808080ULL;

// The top bit of each byte of `x` that is zero, and no other bit (for bytes below 0x80).
constexpr std::uint64_t ZeroBytes(std::uint64_t x) {
  constexpr std::uint64_t kLow = 0x7F7F7F7F7F7F7F7FULL;
  return ~(((x & kLow) + kLow) | x) & kHigh;
}

}  // namespace

std::size_t CountLineFeeds(std::string_view text) {
  std::size_t lines = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: each lane counts its line feeds, up to 255, before the lanes are
  // added up.
  const __m128i feed = _mm_set1_epi8('\n');
  while (i + 16 <= text.size()) {
    __m128i counts = _mm_setzero_si128();
    for (int round = 0; round < 255 && i + 16 <= text.size(); ++round, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(v, feed));  // a match is -1
    }
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    lines += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; i < text.size(); ++i) lines += text[i] == '\n' ? 1 : 0;
  return lines;
}

std::optional<BadXmlText> FindBadXmlText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
#if defined(__SSE2__)
    // Plain ASCII text, tabs and line breaks included, goes sixteen bytes at a time: bytes from
    // 0x80 on are negative and so below 0x20 as well.
    while (i + 16 <= text.size()) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      const __m128i low = _mm_cmplt_epi8(v, _mm_set1_epi8(0x20));
      const __m128i allowed =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')),
                                    _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                       _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
      if (_mm_movemask_epi8(_mm_andnot_si128(allowed, low)) != 0) break;
      i += 16;
    }
#endif
    // Plain ASCII text, tabs and line breaks included, goes eight bytes at a time.
    while (i + 8 <= text.size()) {
      std::uint64_t chunk;
      std::memcpy(&chunk, text.data() + i, 8);
      if ((chunk & kHigh) != 0) break;
      // Bytes below 0x20 have neither bit 5 nor bit 6; of them tab, line feed and carriage
      // return are allowed.
      const std::uint64_t control = ZeroBytes(chunk & 0x6060606060606060ULL);
      if (control != 0 && (control & ~(ZeroBytes(chunk ^ 0x0909090909090909ULL) |
                                       ZeroBytes(chunk ^ 0x0A0A0A0A0A0A0A0AULL) |
                                       ZeroBytes(chunk ^ 0x0D0D0D0D0D0D0D0DULL))) != 0)
        break;
      i += 8;
    }
    if (i >= text.size()) break;
    std::uint32_t code = 0;
    const std::size_t length = DecodeUtf8(text, i, code);
    if (length == 0) return BadXmlText{i, true, 0};
    if (!IsXmlChar(code)) return BadXmlText{i, false, code};
    i += length;
  }
  return std::nullopt;
}

std::string XmlSafeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t code = 0;
    const std::size_t length = DecodeUtf8(text, i, code);
    if (length == 0 || !IsXmlChar(code)) {
      out += "\xEF\xBF\xBD";
      i += length == 0 ? 1 : length;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

}  // namespace kx::platform
