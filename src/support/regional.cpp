#include "support/regional.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "support/text.hpp"

namespace kx {
namespace {

RegionalSettings& CurrentStorage() {
  static RegionalSettings current = [] {
    if (const char* env = std::getenv("KORVALINX_REGION")) {
      if (auto r = RegionalSettings::ForName(env)) return *r;
    }
    return RegionalSettings::German();
  }();
  return current;
}

bool ReadInt(std::string_view s, int& out) {
  if (s.empty() || s.size() > 4) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = v;
  return true;
}

}  // namespace

RegionalSettings RegionalSettings::German() {
  return RegionalSettings{};
}

std::optional<RegionalSettings> RegionalSettings::ForName(std::string_view name) {
  RegionalSettings r;
  if (name == "de" || name == "de-DE" || name == "de_DE" || name == "de-AT") return r;
  if (name == "de-CH") {
    r.decimalMark = ".";
    return r;
  }
  if (name == "en-GB" || name == "en_GB" || name == "en-US" || name == "en_US" || name == "en") {
    r.dateSeparator = "/";
    r.decimalMark = ".";
    r.yes = "Yes";
    r.no = "No";
    r.dayUnit = "d";
    return r;
  }
  return std::nullopt;
}

const RegionalSettings& RegionalSettings::Current() {
  return CurrentStorage();
}

void RegionalSettings::SetCurrent(const RegionalSettings& settings) {
  CurrentStorage() = settings;
}

std::string FormatDate(Date d, const RegionalSettings& r) {
  const CivilDate c = ToCivil(d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d%s%02d%s%04d", c.day, r.dateSeparator.c_str(), c.month,
                r.dateSeparator.c_str(), c.year);
  return buf;
}

std::string FormatTime(Date d, const RegionalSettings& r) {
  long long minutes = std::llround(TimeOfDay(d) * kMinutesPerDay);
  if (minutes >= 1440) minutes = 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02lld%s%02lld", minutes / 60, r.timeSeparator.c_str(),
                minutes % 60);
  return buf;
}

std::string FormatDateTime(Date d, const RegionalSettings& r) {
  // A time that rounds to the next midnight belongs to the next day.
  const long long minutes = std::llround(TimeOfDay(d) * kMinutesPerDay);
  if (minutes == 0) return FormatDate(DateOnly(d), r);
  if (minutes >= 1440) return FormatDate(Date(DateOnly(d).serial + 1), r);
  return FormatDate(d, r) + " " + FormatTime(d, r);
}

std::optional<Date> ParseDate(std::string_view text, const RegionalSettings& r) {
  std::string_view t = TrimBlanks(text);
  if (auto iso = ParseIsoDateTime(t)) return iso;
  std::string_view datePart = t, timePart;
  if (auto blank = t.find(' '); blank != std::string_view::npos) {
    datePart = t.substr(0, blank);
    timePart = TrimBlanks(t.substr(blank + 1));
  }
  const std::string& sep = r.dateSeparator;
  const auto p1 = datePart.find(sep);
  if (p1 == std::string_view::npos) return std::nullopt;
  const auto p2 = datePart.find(sep, p1 + sep.size());
  if (p2 == std::string_view::npos) return std::nullopt;
  int day = 0, month = 0, year = 0;
  const std::string_view ys = datePart.substr(p2 + sep.size());
  if (!ReadInt(datePart.substr(0, p1), day) ||
      !ReadInt(datePart.substr(p1 + sep.size(), p2 - p1 - sep.size()), month) || !ReadInt(ys, year))
    return std::nullopt;
  if (ys.size() <= 2) year += year < 30 ? 2000 : 1900;
  if (!IsValidCivil(year, month, day)) return std::nullopt;
  int hh = 0, mm = 0, ss = 0;
  if (!timePart.empty()) {
    const std::string& ts = r.timeSeparator;
    const auto q1 = timePart.find(ts);
    if (q1 == std::string_view::npos) return std::nullopt;
    const auto q2 = timePart.find(ts, q1 + ts.size());
    const std::string_view ms = q2 == std::string_view::npos
                                    ? timePart.substr(q1 + ts.size())
                                    : timePart.substr(q1 + ts.size(), q2 - q1 - ts.size());
    if (!ReadInt(timePart.substr(0, q1), hh) || ms.size() != 2 || !ReadInt(ms, mm))
      return std::nullopt;
    if (q2 != std::string_view::npos && !ReadInt(timePart.substr(q2 + ts.size()), ss))
      return std::nullopt;
    if (hh > 23 || mm > 59 || ss > 59) return std::nullopt;
  }
  return DateTimeSerial(year, month, day, hh, mm, ss);
}

std::string FormatNumber(double value, int decimals, const RegionalSettings& r) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s = buf;
  if (s == "-0" || s.rfind("-0.", 0) == 0) {
    if (s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);  // no "-0,0"
  }
  if (auto dot = s.find('.'); dot != std::string::npos) s.replace(dot, 1, r.decimalMark);
  return s;
}

std::string FormatGeneralNumber(double value, const RegionalSettings& r) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  std::string s = buf;
  if (auto dot = s.find('.'); dot != std::string::npos) s.replace(dot, 1, r.decimalMark);
  return s;
}

std::optional<double> ParseNumber(std::string_view text, const RegionalSettings& r) {
  std::string_view t = TrimBlanks(text);
  if (t.empty()) return std::nullopt;
  std::string normal;
  std::size_t i = 0;
  if (t[0] == '+' || t[0] == '-') {
    if (t[0] == '-') normal += '-';
    i = 1;
  }
  bool digits = false, mark = false;
  while (i < t.size()) {
    if (t[i] >= '0' && t[i] <= '9') {
      normal += t[i];
      digits = true;
      ++i;
    } else if (!mark && t.compare(i, r.decimalMark.size(), r.decimalMark) == 0) {
      normal += '.';
      mark = true;
      i += r.decimalMark.size();
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  return std::strtod(normal.c_str(), nullptr);
}

}  // namespace kx
