#include "platform/xml_values.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kx::platform {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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
    std::size_t n = 0;
    while (n < t.size() && (IsDigit(t[n]) || t[n] == '.')) ++n;
    if (n == 0 || n == t.size()) return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + n, value);
    if (ec != std::errc() || end != t.data() + n || !std::isfinite(value)) return std::nullopt;
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

std::string FormatXmlDateTime(Date d) { return FormatIsoDateTime(d); }

std::string FormatXmlTime(double dayFraction) {
  long long s = std::llround(dayFraction * 86400.0);
  if (s >= 86400 || s < 0) s = 0;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
  return buf;
}

std::string FormatXmlDuration(double minutes) {
  if (!std::isfinite(minutes)) minutes = 0.0;
  const bool negative = minutes < 0;
  // Whole microseconds, so that the text reads back to the same number of minutes.
  const long long micro = std::llround(std::fabs(minutes) * 60e6);
  const long long seconds = micro / 1000000;
  const long long rest = micro % 1000000;
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%sPT%lldH%lldM%lld", negative ? "-" : "",
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

std::string FormatXmlNumber(double value) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

}  // namespace kx::platform
