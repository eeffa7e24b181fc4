#include "settings/chart_settings.hpp"

#include <cmath>
#include <ctime>
#include <initializer_list>
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

// A stored text as a message quotes it: in quotes, a long one cut.
std::string Quoted(const std::string& text) {
  constexpr std::size_t kShown = 40;
  const std::string_view shown = CutToChars(text, kShown);
  return "\"" + std::string(shown) + (shown.size() < text.size() ? "…\"" : "\"");
}

// What is wrong with a stored choice that is none of `choices` ("0", "1", ...); empty when it
// is one of them.
std::string ChoiceProblem(const std::string& text, std::initializer_list<const char*> choices,
                          const char* what) {
  for (const char* choice : choices)
    if (text == choice) return {};
  return Quoted(text) + " " + what;
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
                         Date today, const RegionalSettings& r,
                         std::vector<StoredProblem>* problems) {
  host::Resume resume;
  host::CustomProperties* props = nullptr;
  resume([&] { props = &project.GetCustomProperties(); });
  bool startStored = false;  // a valid start came from the project
  const auto problem = [&](std::size_t index, const std::string& text) {
    if (problems != nullptr && !text.empty())
      problems->push_back({static_cast<StoredSetting>(index), text});
  };

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
    // A value of the project that is none of the values a setting takes.
    const auto choice = [&](std::initializer_list<const char*> choices, const char* what) {
      if (fromProject) problem(i, ChoiceProblem(text, choices, what));
    };
    constexpr const char* kNotABool = "ist weder 0 noch 1";
    switch (static_cast<StoredSetting>(i)) {
      case kGroupResources:
        s.blnGroupResources = text == "1";
        choice({"0", "1"}, kNotABool);
        break;
      case kUseNullValues:
        s.blnUseNullValues = text == "1";
        choice({"0", "1"}, kNotABool);
        break;
      case kPlanType:
        s.lngPlanType = text == "1" ? 1 : 0;
        choice({"0", "1"}, "ist weder 0 (Ressourcenzeitplan) noch 1 (Urlaubsplan)");
        break;
      case kPlanDuration:
        s.lngPlanDuration = text == "2" ? 2 : text == "1" ? 1 : 0;
        choice({"0", "1", "2"},
               "ist keiner der Zeiträume 0 (das Projekt), 1 (ein Jahr) und 2 (von bis)");
        break;
      case kPlanDurationYear: {
        const auto year = WholeNumberIn(text, kFirstYear, kLastYear, r);
        s.lngPlanDurationYear = year.value_or(ToCivil(today).year);
        if (fromProject && !year)
          problem(i, Quoted(text) + " ist kein Jahr von " + std::to_string(kFirstYear) + " bis " +
                         std::to_string(kLastYear));
        break;
      }
      case kPlanDurationStart:
      case kPlanDurationFinish: {
        const bool start = i == kPlanDurationStart;
        Value& field = start ? s.varPlanDurationStart : s.varPlanDurationFinish;
        const bool valid = IsDateInRange(text, r);
        if (valid) {
          field = text;
        } else {
          resume([&] { field = start ? project.GetProjectStart() : project.GetProjectFinish(); });
          if (fromProject)
            problem(i, Quoted(text) + " ist kein Datum von " +
                           FormatDate(DateSerial(kFirstYear, 1, 1), r) + " bis " +
                           FormatDate(DateSerial(kLastYear, 12, 31), r));
        }
        const bool stored = fromProject && valid;
        if (start) {
          startStored = stored;
          break;
        }
        resume([&] {
          const auto from = ToDate(s.varPlanDurationStart, r);
          const auto to = ToDate(s.varPlanDurationFinish, r);
          if (!from || !to) throw host::HostError(host::kErrTypeMismatch, "kein Datum");
          if (*to < *from) {
            if (startStored && stored)
              problem(i, "das Enddatum " + Quoted(text) + " liegt vor dem Anfangsdatum " +
                             Quoted(ToText(s.varPlanDurationStart, r)));
            s.varPlanDurationFinish = s.varPlanDurationStart;
          }
        });
        break;
      }
      case kColorType:
        s.lngColorType = (fromProject ? text : trimmed) == "1" ? 1 : 0;
        choice({"0", "1"}, "ist weder 0 (eine Farbe) noch 1 (eine Farbe je Ressource)");
        break;
      case kColor: {
        const auto colour = WholeNumberIn(fromProject ? text : trimmed, 1, kColorCount, r);
        s.lngColor = colour.value_or(1);
        if (fromProject && !colour)
          problem(
              i, Quoted(text) + " ist keine Farbposition von 1 bis " + std::to_string(kColorCount));
        break;
      }
      case kResourceType:
        s.lngResourceType = (fromProject ? text : trimmed) == "1" ? 1 : 0;
        choice({"0", "1"}, "ist weder 0 (alle Ressourcen) noch 1 (ein Filter)");
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
        choice({"0", "1"}, "ist weder 0 (der Kalender jeder Ressource) noch 1 (ein Basiskalender)");
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
