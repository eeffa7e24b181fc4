#pragma once
// The user's regional settings, which every date text and number text of the system uses.
// German by default (31.12.2005, 38,0); a user may choose another region, tests set their own.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/date.hpp"

namespace kx {

struct RegionalSettings {
  std::string dateSeparator = ".";
  std::string timeSeparator = ":";
  std::string decimalMark = ",";
  std::string yes = "Ja";
  std::string no = "Nein";
  std::string dayUnit = "t";  // duration unit written after a number of days ("5 t")

  static RegionalSettings German();
  // Known names: "de" (default), "de-CH", "en-GB", "en-US" (same day-first pattern, "/" and ".").
  // A region changes how dates and numbers are written and read, never the host's field values
  // ("Ja"/"Nein", the day unit "t"), which the chart types into its rows.
  static std::optional<RegionalSettings> ForName(std::string_view name);

  // The settings in force for this process. Starts from KORVALINX_REGION when that names a
  // known region, else German.
  static const RegionalSettings& Current();
  static void SetCurrent(const RegionalSettings& settings);
};

// Returns `d` written with the pattern "dd/mm/yyyy", "/" being the date separator.
std::string FormatDate(Date d, const RegionalSettings& r = RegionalSettings::Current());
// The date texts of a stretch of days, each made once: for the same day written for many records.
class DayTexts {
 public:
  DayTexts() = default;
  // The days from `first` to `last` (whole days; at most a few centuries are kept).
  DayTexts(Date first, Date last, const RegionalSettings& r = RegionalSettings::Current());
  // FormatDate(d, r): from the table for a day of the stretch, made anew for any other.
  std::string Of(Date d) const;

 private:
  double first_ = 0.0;
  std::vector<std::string> texts_;
  RegionalSettings regional_;
};

// Returns the short date followed by " hh:mm" when the time of day is not midnight.
std::string FormatDateTime(Date d, const RegionalSettings& r = RegionalSettings::Current());
// Returns "hh:mm" of the time of day.
std::string FormatTime(Date d, const RegionalSettings& r = RegionalSettings::Current());
// Reads a date text: day, month, year separated by the date separator (a year of one to four
// digits; two-digit years count from 1930 to 2029), optionally followed by a blank and
// "hh:mm[:ss]"; also ISO 8601 "yyyy-mm-dd". Returns nullopt for anything else.
std::optional<Date> ParseDate(std::string_view text,
                              const RegionalSettings& r = RegionalSettings::Current());

// Writes a number with `decimals` places and the decimal mark ("38,0").
std::string FormatNumber(double value, int decimals,
                         const RegionalSettings& r = RegionalSettings::Current());
// Writes a number the way a text conversion does: no trailing zeros, decimal mark ("7,5", "480").
std::string FormatGeneralNumber(double value,
                                const RegionalSettings& r = RegionalSettings::Current());
// Reads a numeric text (blanks around it allowed, optional sign, digits, decimal mark, digits);
// nullopt when the text is not numeric.
std::optional<double> ParseNumber(std::string_view text,
                                  const RegionalSettings& r = RegionalSettings::Current());

}  // namespace kx
