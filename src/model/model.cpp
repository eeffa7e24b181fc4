#include "model/model.hpp"

#include <algorithm>
#include <cmath>

namespace kx::platform {
namespace {

const WorkingTimes& DefaultTimes() {
  static const WorkingTimes kTimes = DefaultWorkingTimes();
  return kTimes;
}

const WorkingTimes& NoTimes() {
  static const WorkingTimes kNone;
  return kNone;
}

// Returns the exception that holds `day` (a whole day number), or null.
const CalendarException* FindException(const std::vector<CalendarException>& list, double day) {
  if (list.empty()) return nullptr;
  // Sorted by `from`: the candidate is the last exception starting on or before the day.
  auto it = std::upper_bound(
      list.begin(), list.end(), day,
      [](double d, const CalendarException& e) { return d < std::floor(e.from.serial); });
  if (it == list.begin()) return nullptr;
  --it;
  return day <= std::floor(it->to.serial) ? &*it : nullptr;
}

}  // namespace

WorkingTimes DefaultWorkingTimes() {
  return {{8.0 / 24.0, 12.0 / 24.0}, {13.0 / 24.0, 17.0 / 24.0}};
}

const WorkingTimes& CalendarData::WorkingTimesRefOn(Date day) const {
  // Chains of any length are followed: the reader refuses a file whose base calendars form a loop.
  const double d = std::floor(day.serial);
  for (const CalendarData* c = this; c != nullptr; c = c->base.get()) {
    if (const CalendarException* e = FindException(c->exceptions, d)) {
      if (!e->working) return NoTimes();
      return e->times.empty() ? DefaultTimes() : e->times;
    }
  }
  // The weekday of the whole day number, as Weekday counts it: 0 = Sunday.
  const long long whole = static_cast<long long>(d);
  const int wd = static_cast<int>(((whole % 7) + 7 + 6) % 7);
  for (const CalendarData* c = this; c != nullptr; c = c->base.get()) {
    const WeekdayDefinition& w = c->weekdays[static_cast<std::size_t>(wd)];
    if (!w.inherited) return w.times;
  }
  return wd == 0 || wd == 6 ? NoTimes() : DefaultTimes();
}

WorkingTimes CalendarData::WorkingTimesOn(Date day) const {
  return WorkingTimesRefOn(day);
}

double CalendarData::WorkingMinutesOn(Date day) const {
  double minutes = 0.0;
  for (const WorkingTime& t : WorkingTimesRefOn(day)) minutes += (t.to - t.from) * kMinutesPerDay;
  return std::round(minutes * 1e6) / 1e6;  // whole minutes stay whole
}

std::string CalendarData::BaseCalendarName() const {
  const CalendarData* c = this;
  while (c->base != nullptr) c = c->base.get();
  return c->name;
}

std::shared_ptr<CalendarData> ProjectData::FindCalendar(const std::string& calendar) const {
  for (const auto& c : calendars) {
    if (c != nullptr && c->isBase && c->name == calendar) return c;
  }
  return nullptr;
}

namespace {

constexpr std::int32_t kNumber1 = 188743767;  // Number1..Number5
constexpr std::int32_t kNumber6 = 188743982;  // Number6..Number20
constexpr std::int32_t kDate1 = 188743945;    // Date1..Date10

}  // namespace

std::optional<CustomField> CustomFieldOf(std::int32_t id) {
  if (id >= kNumber1 && id < kNumber1 + 5) return CustomField{false, id - kNumber1 + 1};
  if (id >= kNumber6 && id < kNumber6 + 15) return CustomField{false, id - kNumber6 + 6};
  if (id >= kDate1 && id < kDate1 + 10) return CustomField{true, id - kDate1 + 1};
  return std::nullopt;
}

std::optional<std::int32_t> FieldIdOf(const std::string& name) {
  auto number = [&](std::size_t prefix) -> int {
    if (name.size() <= prefix || name.size() > prefix + 2) return 0;
    int n = 0;
    for (std::size_t i = prefix; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') return 0;
      n = n * 10 + (name[i] - '0');
    }
    return n;
  };
  if (name.rfind("Zahl", 0) == 0) {
    const int n = number(4);
    if (n >= 1 && n <= 5) return kNumber1 + n - 1;
    if (n >= 6 && n <= 20) return kNumber6 + n - 6;
  } else if (name.rfind("Datum", 0) == 0) {
    const int n = number(5);
    if (n >= 1 && n <= 10) return kDate1 + n - 1;
  }
  return std::nullopt;
}

std::string ModelFieldName(const CustomField& f) {
  return (f.isDate ? "Datum" : "Zahl") + std::to_string(f.number);
}

}  // namespace kx::platform
