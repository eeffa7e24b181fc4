#pragma once
// The options of one chart and their two stores: the source project's custom properties
// ("KX..." names) and the current user's defaults in the registry.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "support/date.hpp"
#include "support/regional.hpp"
#include "support/registry.hpp"
#include "support/value.hpp"

namespace kx::settings {

// Registry key of the user's defaults (below HKEY_CURRENT_USER), with its backslashes.
inline constexpr const char* kSettingsKey = "Software\\Halvex\\Korvalinx\\Settings";

// Years and dates a stored setting may hold.
inline constexpr int kFirstYear = 1984;
inline constexpr int kLastYear = 2049;
inline constexpr int kColorCount = 17;

// The values of the settings that choose one of several kinds (the wizard's option groups).
// lngPlanType:
inline constexpr std::int32_t kPlanSchedule = 0;  // resource schedule ("Ressourcenzeitplan")
inline constexpr std::int32_t kPlanVacation = 1;  // vacation plan ("Urlaubsplan")
// lngPlanDuration:
inline constexpr std::int32_t kPeriodProject = 0;  // the whole project
inline constexpr std::int32_t kPeriodYear = 1;     // one calendar year
inline constexpr std::int32_t kPeriodRange = 2;    // a free date range
// lngColorType:
inline constexpr std::int32_t kColorsOne = 0;          // one colour for every bar
inline constexpr std::int32_t kColorsPerResource = 1;  // a colour per resource
// lngResourceType:
inline constexpr std::int32_t kResourcesAll = 0;
inline constexpr std::int32_t kResourcesFiltered = 1;
// lngCalendarType:
inline constexpr std::int32_t kCalendarOwn = 0;      // each resource's base calendar
inline constexpr std::int32_t kCalendarSpecial = 1;  // one special base calendar

struct ChartSettings {
  bool blnGroupResources = false;
  bool blnUseNullValues = false;
  std::int32_t lngPlanType = kPlanSchedule;
  std::int32_t lngPlanDuration = kPeriodProject;
  std::int32_t lngPlanDurationYear = 0;  // 1984 to 2049
  Value varPlanDurationStart;            // a date or a date text
  Value varPlanDurationFinish;           // a date or a date text
  std::int32_t lngColorType = kColorsOne;
  std::int32_t lngColor = 0;  // 1 to 17, position in the colour list
  std::int32_t lngResourceType = kResourcesAll;
  std::string strResourceFilter;
  std::int32_t lngCalendarType = kCalendarOwn;
  std::string strCalendar;
  std::string strChartPath;  // not stored
};

// The stored settings, as indexes into kStoredNames (the field order of ChartSettings).
enum StoredSetting : std::size_t {
  kGroupResources,
  kUseNullValues,
  kPlanType,
  kPlanDuration,
  kPlanDurationYear,
  kPlanDurationStart,
  kPlanDurationFinish,
  kColorType,
  kColor,
  kResourceType,
  kResourceFilter,
  kCalendarType,
  kCalendar,
};

// The stored name of one setting in the project and in the registry.
struct StoredName {
  const char* property;
  const char* registry;
};

// The thirteen stored settings in their order (the field order of ChartSettings).
extern const std::array<StoredName, 13> kStoredNames;

// A value stored in the project that GetSettings could not take as it stands (it took the
// default instead): the setting and what is wrong, in the words the command line uses for the
// option, e.g. "\"zwanzig\" ist kein Jahr von 1984 bis 2049".
struct StoredProblem {
  StoredSetting setting;
  std::string text;
};

// Fills `settings` from the project's "KX" properties, else from the registry defaults, with a
// fixed default for missing or invalid values; `today` gives the default year. Each value of
// the project that was not taken is added to `problems` when given. Returns -1 when a step
// failed (that field kept its value), else 0.
std::int32_t GetSettings(ChartSettings& settings, host::Project& project, RegistryStore& registry,
                         Date today, const RegionalSettings& regional = RegionalSettings::Current(),
                         std::vector<StoredProblem>* problems = nullptr);

// Replaces the thirteen "KX" properties of the project (delete, then append as text). Returns 0.
std::int32_t SaveSettings(const ChartSettings& settings, host::Project& project,
                          const RegionalSettings& regional = RegionalSettings::Current());

// Returns the text stored for setting `index` (0 to 12, the order of kStoredNames).
std::string StoredText(const ChartSettings& settings, std::size_t index,
                       const RegionalSettings& regional = RegionalSettings::Current());

// Returns today's date on this computer's clock, local time, without time of day.
Date LocalToday();

}  // namespace kx::settings
