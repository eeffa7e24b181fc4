#include "resources/period_extraction.hpp"

#include <array>

#include "support/regional.hpp"

namespace kx::resources {
namespace {

// Removes unmarked records from the end, then from the front.
template <class Record, class Flag>
void Trim(Collection<Record>& list, Flag flag) {
  while (list.Count() > 0 && !flag(*list.Item(list.Count()))) list.Remove(list.Count());
  const long start = list.Count();
  for (long removed = 0; removed < start && list.Count() > 0 && !flag(*list.Item(1)); ++removed)
    list.Remove(1);
}

bool IsWorkResource(clsResource& resource, host::Resume& r) {
  int kind = -1;
  r([&] { kind = resource.ProjectResource->GetResourceKind(); });
  return kind == host::kWorkResource;
}

// True when the day uses at least one of its five shifts.
bool HasWorkingTime(host::CalendarDay& day) {
  for (int shift = 1; shift <= 5; ++shift)
    if (day.GetDayShiftStart(shift).has_value()) return true;
  return false;
}

}  // namespace

std::vector<ChartOrderItem> ChartOrder(const clsResources& model, bool groupResources) {
  std::vector<ChartOrderItem> order;
  if (!groupResources) {
    const long n = model.colResources.Count();
    for (long i = 1; i <= n; ++i) order.push_back({model.colResources.Item(i), 1.0 / n});
    return order;
  }
  const long groups = model.colResourceGroups.Count();
  for (long g = 1; g <= groups; ++g) {
    const auto& group = model.colResourceGroups.Item(g);
    const long n = group->colResources.Count();
    for (long i = 1; i <= n; ++i)
      order.push_back({group->colResources.Item(i), 1.0 / static_cast<double>(groups) / n});
  }
  return order;
}

void ExtractHolidaysOf(clsResource& resource, const host::CalendarPtr& compare,
                       const PeriodOptions& options) {
  host::Resume r;
  const host::CalendarPtr own =
      r.Get([&] { return resource.ProjectResource->GetResourceCalendar(); }, host::CalendarPtr());
  if (!own) return;
  const int firstYear = ToCivil(options.periodStart).year;
  const int lastYear = ToCivil(options.periodEnd).year;
  const auto years =
      r.Get([&] { return own->GetCalendarYears(); }, std::vector<host::CalendarYearPtr>());
  for (const auto& year : years) {
    const int y = r.Get([&] { return year->GetYearNumber(); }, 0);
    if (y < firstYear || y > lastYear) continue;
    const auto compareYear =
        compare ? r.Get([&] { return compare->GetCalendarYear(y); }, host::CalendarYearPtr())
                : nullptr;
    for (const auto& month :
         r.Get([&] { return year->GetYearMonths(); }, std::vector<host::CalendarMonthPtr>())) {
      const int m = r.Get([&] { return month->GetMonthNumber(); }, 0);
      const auto compareMonth = compareYear ? r.Get([&] { return compareYear->GetYearMonth(m); },
                                                    host::CalendarMonthPtr())
                                            : nullptr;
      for (const auto& day :
           r.Get([&] { return month->GetMonthDays(); }, std::vector<host::CalendarDayPtr>())) {
        const int d = r.Get([&] { return day->GetDayNumber(); }, 0);
        if (!IsValidCivil(y, m, d)) continue;
        const Date date = DateSerial(y, m, d);
        if (date < options.periodStart || date > options.periodEnd) continue;
        auto holiday = std::make_shared<clsHoliday>();
        // A failed read of either day leaves the day unmarked.
        r([&] {
          if (!compareMonth) return;
          const auto compareDay = compareMonth->GetMonthDay(d);
          if (!HasWorkingTime(*day) && HasWorkingTime(*compareDay)) holiday->blnIsHoliday = true;
        });
        holiday->varDate = FormatDate(date);
        resource.AddHoliday(holiday);
      }
    }
  }
  Trim(resource.colHolidays, [](const clsHoliday& h) { return h.blnIsHoliday; });
}

void ExtractWorkdaysOf(clsResource& resource, const PeriodOptions& options) {
  host::Resume r;
  const auto items = r.Get(
      [&] {
        return resource.ProjectResource->GetDailyWork(Value(FormatDate(options.periodStart)),
                                                      Value(FormatDate(options.periodEnd)));
      },
      std::vector<host::DailyWorkItem>());
  for (const auto& item : items) {
    auto workday = std::make_shared<clsWorkday>();
    workday->varDate = FormatDate(item.start);
    // The minutes are taken as the number the host gives, never re-read from a text.
    const double minutes = item.minutes.value_or(0.0);
    workday->dblHours = minutes / 60.0;
    workday->blnIsWorkday = minutes > 0.0;
    resource.AddWorkday(workday);
  }
  Trim(resource.colWorkdays, [](const clsWorkday& w) { return w.blnIsWorkday; });
}

void ExtractHolidays(clsResources& model, host::Project& source, const PeriodOptions& options,
                     const ProgressStep& step) {
  // The comparison calendar of each resource is looked up once per resource.
  for (const auto& item : ChartOrder(model, options.groupResources)) {
    if (step) step(item.share);
    host::Resume r;
    if (!item.resource || !IsWorkResource(*item.resource, r)) continue;
    const std::string name =
        options.calendarType != 0
            ? options.calendar
            : r.Get([&] { return item.resource->ProjectResource->GetResourceBaseCalendarName(); },
                    std::string());
    const auto compare = r.Get([&] { return source.GetBaseCalendar(name); }, host::CalendarPtr());
    ExtractHolidaysOf(*item.resource, compare, options);
  }
}

void ExtractWorkdays(clsResources& model, host::Project& /*source*/, const PeriodOptions& options,
                     const ProgressStep& step) {
  for (const auto& item : ChartOrder(model, options.groupResources)) {
    if (step) step(item.share);
    host::Resume r;
    if (!item.resource || !IsWorkResource(*item.resource, r)) continue;
    ExtractWorkdaysOf(*item.resource, options);
  }
}

}  // namespace kx::resources
