#pragma once
// A loosely typed value, as the add-in passes to host operations and keeps in the date settings:
// empty, Boolean, 16- or 32-bit integer, double, text or date.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "support/date.hpp"
#include "support/regional.hpp"

namespace kx {

using Value =
    std::variant<std::monostate, bool, std::int16_t, std::int32_t, double, std::string, Date>;

// Named arguments of a host operation, keyed by the argument's position.
using NamedArgs = std::map<int, Value>;

inline bool IsEmpty(const Value& v) {
  return std::holds_alternative<std::monostate>(v);
}

// Returns the value as text: dates by FormatDateTime, numbers with the decimal mark,
// Booleans as "Wahr"/"Falsch" style texts of the region ("True"/"False" are never shown).
std::string ToText(const Value& v, const RegionalSettings& r = RegionalSettings::Current());
// Returns the value as a date: a date as it is, a text read with ParseDate, a number as a day
// number; nullopt for anything else.
std::optional<Date> ToDate(const Value& v, const RegionalSettings& r = RegionalSettings::Current());
// Returns the value as a number: numbers as they are, Booleans as -1/0, numeric texts read with
// ParseNumber; nullopt for anything else.
std::optional<double> ToNumber(const Value& v,
                               const RegionalSettings& r = RegionalSettings::Current());
// Returns the value as a Boolean: Booleans, numbers (non-zero), texts "Ja"/"Nein" of the region
// and "True"/"False"; nullopt for anything else.
std::optional<bool> ToBool(const Value& v, const RegionalSettings& r = RegionalSettings::Current());

// Returns the argument at `position`, or an empty value.
inline const Value& Arg(const NamedArgs& args, int position) {
  static const Value kEmpty;
  const auto it = args.find(position);
  return it == args.end() ? kEmpty : it->second;
}

}  // namespace kx
