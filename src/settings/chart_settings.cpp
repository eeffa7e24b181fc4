#include "settings/chart_settings.hpp"

#include <cmath>
#include <ctime>
#include <optional>

#include "support/text.hpp"

namespace kx::settings {

const std::array<StoredName, 13> kStoredNames = {{
    {"KXGroupResources", "GroupResources"},
    {"KXUseNullValues", "UseNullValues"},
    {"KXPlanType", "PlanType"},
    {"KXPlanDuration", "PlanDuration"},
    {"KXPlanDurationYear", "PlanDurationYear"},
    {"KXPlanDurationStart", "PlanDurationStart"},
    {"KXPlanDurationFinish", "PlanDurationEnd"},
    {"KXColorType", "ColorType"},
    {"KXColor", "Color"},
    {"KXResourceType", "ResourceType"},
    {"KXResourceFilter", "ResourceFilter"},
    {"KXCalendarType", "CalendarType"},
    {"KXCalendar", "Calendar"},
}};

namespace {

// The whole-number value of a numeric text (halves to the even neighbour); nullopt when the
// text is not numeric.
std::optional<double> WholeNumber(const std::string& text, const RegionalSettings& r) {
  const auto n = ParseNumber(text, r);
  if (!n) return std::nullopt;
  return RoundHalfEven(*n);
}

// The whole-number value when it lies from `low` to `high`.
std::optional<std::int32_t> WholeNumberIn(const std::string& text, int low, int high,
                                          const RegionalSettings& r) {
  const auto n = WholeNumber(text, r);
  if (!n || *n < low || *n > high) return std::nullopt;
  return static_cast<std::int32_t>(*n);
}

// True when the text is a date whose day lies from 01.01.1984 to 31.12.2049.
bool IsDateInRange(const std::string& text, const RegionalSettings& r) {
  if (text.empty()) return false;
  const auto d = ParseDate(text, r);
  if (!d) return false;
  const Date day = DateOnly(*d);
  return day >= DateSerial(kFirstYear, 1, 1) && day <= DateSerial(kLastYear, 12, 31);
}

// True when the project has a property named exactly `name` (letter case counts).
bool HasProperty(host::CustomProperties& props, const std::string& name, host::Resume& resume) {
  const long count = resume.Get([&] { return props.Count(); }, 0L);
  for (long i = 1; i <= count; ++i) {
    if (resume.Get([&] { return props.Item(i).name == name; }, false)) return true;
  }
  return false;
}

}  // namespace

std::int32_t GetSettings(ChartSettings& s, host::Project& project, RegistryStore& registry,
                         Date today, const RegionalSettings& r) {
  host::Resume resume;
  host::CustomProperties* props = nullptr;
  resume([&] { props = &project.GetCustomProperties(); });

  for (std::size_t i = 0; i < kStoredNames.size(); ++i) {
    const std::string propertyName = kStoredNames[i].property;
    const bool fromProject = props != nullptr && HasProperty(*props, propertyName, resume);
    std::string text;
    if (fromProject) {
      // The setting is in the project: a failed read leaves the field as it is.
      if (!resume([&] { text = props->Item(propertyName).value; })) continue;
    } else {
      text = GetRegString(registry, HKEY_CURRENT_USER, kSettingsKey, kStoredNames[i].registry);
    }
    const std::string trimmed = Trim(text);
    switch (static_cast<StoredSetting>(i)) {
      case kGroupResources:
        s.blnGroupResources = text == "1";
        break;
      case kUseNullValues:
        s.blnUseNullValues = text == "1";
        break;
      case kPlanType:
        s.lngPlanType = text == "1" ? 1 : 0;
        break;
      case kPlanDuration:
        s.lngPlanDuration = text == "2" ? 2 : text == "1" ? 1 : 0;
        break;
      case kPlanDurationYear:
        s.lngPlanDurationYear =
            WholeNumberIn(text, kFirstYear, kLastYear, r).value_or(ToCivil(today).year);
        break;
      case kPlanDurationStart:
        if (IsDateInRange(text, r)) {
          s.varPlanDurationStart = text;
        } else {
          resume([&] { s.varPlanDurationStart = project.GetProjectStart(); });
        }
        break;
      case kPlanDurationFinish:
        if (IsDateInRange(text, r)) {
          s.varPlanDurationFinish = text;
        } else {
          resume([&] { s.varPlanDurationFinish = project.GetProjectFinish(); });
        }
        resume([&] {
          const auto start = ToDate(s.varPlanDurationStart, r);
          const auto finish = ToDate(s.varPlanDurationFinish, r);
          if (!start || !finish) throw host::HostError(host::kErrTypeMismatch, "kein Datum");
          if (*finish < *start) s.varPlanDurationFinish = s.varPlanDurationStart;
        });
        break;
      case kColorType:
        s.lngColorType = (fromProject ? text : trimmed) == "1" ? 1 : 0;
        break;
      case kColor:
        s.lngColor = WholeNumberIn(fromProject ? text : trimmed, 1, kColorCount, r).value_or(1);
        break;
      case kResourceType:
        s.lngResourceType = (fromProject ? text : trimmed) == "1" ? 1 : 0;
        break;
      case kResourceFilter:
        if (fromProject) {
          s.strResourceFilter = text;
        } else if (!trimmed.empty()) {
          s.strResourceFilter = trimmed;
        }
        break;
      case kCalendarType:
        s.lngCalendarType = text == "1" ? 1 : 0;
        break;
      case kCalendar:
        if (fromProject) {
          s.strCalendar = text;
        } else if (!trimmed.empty()) {
          s.strCalendar = trimmed;
        }
        break;
    }
  }
  return resume.ResultCode();
}

std::string StoredText(const ChartSettings& s, std::size_t index, const RegionalSettings& r) {
  switch (static_cast<StoredSetting>(index)) {
    case kGroupResources:
      return BoolToText(s.blnGroupResources);
    case kUseNullValues:
      return BoolToText(s.blnUseNullValues);
    case kPlanType:
      return std::to_string(s.lngPlanType);
    case kPlanDuration:
      return std::to_string(s.lngPlanDuration);
    case kPlanDurationYear:
      return std::to_string(s.lngPlanDurationYear);
    case kPlanDurationStart:
      return ToText(s.varPlanDurationStart, r);
    case kPlanDurationFinish:
      return ToText(s.varPlanDurationFinish, r);
    case kColorType:
      return std::to_string(s.lngColorType);
    case kColor:
      return std::to_string(s.lngColor);
    case kResourceType:
      return std::to_string(s.lngResourceType);
    case kResourceFilter:
      return s.strResourceFilter;
    case kCalendarType:
      return std::to_string(s.lngCalendarType);
    case kCalendar:
      return s.strCalendar;
  }
  return {};
}

std::int32_t SaveSettings(const ChartSettings& s, host::Project& project,
                          const RegionalSettings& r) {
  host::Resume resume;
  host::CustomProperties* props = nullptr;
  if (!resume([&] { props = &project.GetCustomProperties(); })) return 0;
  for (std::size_t i = 0; i < kStoredNames.size(); ++i) {
    const std::string name = kStoredNames[i].property;
    resume.Tolerate([&] { props->Delete(name); });  // none there yet: nothing to delete
    resume([&] { props->Add(name, false, 4, Value(StoredText(s, i, r))); });
  }
  return 0;
}

Date LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateSerial(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace kx::settings
