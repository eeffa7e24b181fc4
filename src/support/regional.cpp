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

// Writes `value` (0 <= value < 10^width) with `width` digits, leading zeros included.
void PutDigits(char* out, int value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

// Reads `n` digits at `pos`; false when one of them is none.
bool Digits(std::string_view s, std::size_t pos, std::size_t n, int& out) {
  int v = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  out = v;
  return true;
}

// One character that is neither a digit nor a blank.
bool PlainSeparator(const std::string& sep) {
  return sep.size() == 1 && sep[0] != ' ' && (sep[0] < '0' || sep[0] > '9');
}

// The date texts the system writes itself, "dd.mm.yyyy" and "dd.mm.yyyy hh:mm" with one-character
// separators, read without searching; nullopt for any other text, which the full reading takes.
std::optional<Date> ParseShortDate(std::string_view t, const RegionalSettings& r) {
  if ((t.size() != 10 && t.size() != 16) || !PlainSeparator(r.dateSeparator)) return std::nullopt;
  const char sep = r.dateSeparator[0];
  int day = 0, month = 0, year = 0;
  if (t[2] != sep || t[5] != sep || !Digits(t, 0, 2, day) || !Digits(t, 3, 2, month) ||
      !Digits(t, 6, 4, year) || !IsValidCivil(year, month, day))
    return std::nullopt;
  if (t.size() == 10) return DateTimeSerial(year, month, day, 0, 0, 0);
  int hh = 0, mm = 0;
  if (t[10] != ' ' || !PlainSeparator(r.timeSeparator) || t[13] != r.timeSeparator[0] ||
      !Digits(t, 11, 2, hh) || !Digits(t, 14, 2, mm) || hh > 23 || mm > 59)
    return std::nullopt;
  return DateTimeSerial(year, month, day, hh, mm, 0);
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
    // Only how dates and numbers are written: the host's field values ("Ja", "5 t") stay German.
    r.dateSeparator = "/";
    r.decimalMark = ".";
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
  if (c.year < 0 || c.year > 9999 || r.dateSeparator.size() != 1) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%s%02d%s%04d", c.day, r.dateSeparator.c_str(), c.month,
                  r.dateSeparator.c_str(), c.year);
    return buf;
  }
  // "dd.mm.yyyy" fits a string's own buffer: no allocation, no printf.
  char buf[10];
  PutDigits(buf, c.day, 2);
  buf[2] = r.dateSeparator[0];
  PutDigits(buf + 3, c.month, 2);
  buf[5] = r.dateSeparator[0];
  PutDigits(buf + 6, c.year, 4);
  return std::string(buf, sizeof buf);
}

DayTexts::DayTexts(Date first, Date last, const RegionalSettings& r) : regional_(r) {
  constexpr double kMaxDays = 366.0 * 400;
  first_ = std::floor(first.serial);
  const double days = std::floor(last.serial) - first_ + 1;
  if (!(days >= 1) || days > kMaxDays) return;  // nothing kept: every text is made anew
  texts_.reserve(static_cast<std::size_t>(days));
  for (double d = 0; d < days; ++d) texts_.push_back(FormatDate(Date(first_ + d), regional_));
}

std::string DayTexts::Of(Date d) const {
  const double offset = std::floor(d.serial) - first_;
  if (offset >= 0 && offset < static_cast<double>(texts_.size()))
    return texts_[static_cast<std::size_t>(offset)];
  return FormatDate(d, regional_);
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
  if (auto quick = ParseShortDate(text, r)) return quick;
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
