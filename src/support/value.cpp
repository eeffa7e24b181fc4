#include "support/value.hpp"

#include "support/text.hpp"

namespace kx {

std::string ToText(const Value& v, const RegionalSettings& r) {
  struct Visitor {
    const RegionalSettings& r;
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(bool b) const { return b ? "Wahr" : "Falsch"; }
    std::string operator()(std::int16_t i) const { return std::to_string(i); }
    std::string operator()(std::int32_t i) const { return std::to_string(i); }
    std::string operator()(double d) const { return FormatGeneralNumber(d, r); }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(Date d) const { return FormatDateTime(d, r); }
  };
  return std::visit(Visitor{r}, v);
}

std::optional<Date> ToDate(const Value& v, const RegionalSettings& r) {
  if (const auto* d = std::get_if<Date>(&v)) return *d;
  if (const auto* s = std::get_if<std::string>(&v)) return ParseDate(*s, r);
  if (const auto* x = std::get_if<double>(&v)) return Date(*x);
  if (const auto* i = std::get_if<std::int32_t>(&v)) return Date(*i);
  if (const auto* i = std::get_if<std::int16_t>(&v)) return Date(*i);
  return std::nullopt;
}

std::optional<double> ToNumber(const Value& v, const RegionalSettings& r) {
  if (const auto* x = std::get_if<double>(&v)) return *x;
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
  if (const auto* i = std::get_if<std::int16_t>(&v)) return *i;
  if (const auto* b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;
  if (const auto* s = std::get_if<std::string>(&v)) return ParseNumber(*s, r);
  return std::nullopt;
}

std::optional<bool> ToBool(const Value& v, const RegionalSettings& r) {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  if (const auto* s = std::get_if<std::string>(&v)) {
    const std::string t = Trim(*s);
    if (t == r.yes || t == "True" || t == "Wahr" || t == "1" || t == "-1") return true;
    if (t == r.no || t == "False" || t == "Falsch" || t == "0") return false;
    return std::nullopt;
  }
  if (auto n = ToNumber(v, r)) return *n != 0.0;
  return std::nullopt;
}

}  // namespace kx
