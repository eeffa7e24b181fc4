#include "resources/period_extraction.hpp"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "support/regional.hpp"

namespace kx::resources {
namespace {

// Removes unmarked records from the end, then from the front.
template <class Record, class Flag>
void Trim(Collection<Record>& list, Flag flag) {
  while (list.Count() > 0 && !flag(*list.Item(list.Count()))) list.Remove(list.Count());
  long leading = 0;
  while (leading < list.Count() && !flag(*list.Item(leading + 1))) ++leading;
  list.RemoveFront(leading);
}

bool IsWorkResource(clsResource& resource, host::Resume& r) {
  int kind = -1;
  r([&] { kind = resource.ProjectResource->GetResourceKind(); });
  return kind == host::kWorkResource;
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

// What the resources of one run share: the date text of each day of the period, and the working
// days of the comparison calendars' months, read once for every resource that compares against
// them. Made anew for each run, so it never outlives a calendar as it was read.
struct RunShared {
  explicit RunShared(const PeriodOptions& options)
      : texts(options.periodStart, options.periodEnd) {}

  std::uint32_t CompareMonth(const host::CalendarMonthPtr& month) {
    const auto it = compareMonths.find(month.get());
    if (it != compareMonths.end()) return it->second.second;
    const std::uint32_t mask = month->GetMonthWorkingDays();  // a failure is not kept
    compareMonths.emplace(month.get(), std::pair{month, mask});
    return mask;
  }

  DayTexts texts;
  std::unordered_map<const host::CalendarMonth*, std::pair<host::CalendarMonthPtr, std::uint32_t>>
      compareMonths;
};

namespace {

void HolidaysOf(clsResource& resource, const host::CalendarPtr& compare,
                const PeriodOptions& options, RunShared& shared) {
  host::Resume r;
  const host::CalendarPtr own =
      r.Get([&] { return resource.ProjectResource->GetResourceCalendar(); }, host::CalendarPtr());
  if (!own) return;
  const int firstYear = ToCivil(options.periodStart).year;
  const int lastYear = ToCivil(options.periodEnd).year;
  // The months of the period with their vacation days, first read in full.
  struct Month {
    Date first;
    int days;
    std::uint32_t vacation;
  };
  std::vector<Month> months;
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
      // A day is a vacation day when the resource's calendar keeps it free while the comparison
      // calendar works; a failed read of either month leaves its days unmarked.
      std::uint32_t vacation = 0;
      r([&] {
        if (!compareMonth) return;
        const std::uint32_t compareWorks = shared.CompareMonth(compareMonth);
        vacation = ~month->GetMonthWorkingDays() & compareWorks;
      });
      if (IsValidCivil(y, m, 1)) months.push_back({DateSerial(y, m, 1), DaysInMonth(y, m), vacation});
    }
  }
  // A day record for every day of the period, trimmed to the first and the last vacation day:
  // into an empty list only the days from the first to the last vacation day are put at all.
  const bool fresh = resource.colHolidays.Empty();
  Date from = options.periodStart, to = options.periodEnd;
  if (fresh) {
    bool any = false;
    for (const Month& month : months) {
      for (int d = 1; d <= month.days; ++d) {
        const Date date(month.first.serial + d - 1);
        if (date < options.periodStart || date > options.periodEnd ||
            !((month.vacation >> (d - 1)) & 1u))
          continue;
        if (!any) from = date;
        to = date;
        any = true;
      }
    }
    if (!any) return;
  }
  for (const Month& month : months) {
    for (int d = 1; d <= month.days; ++d) {
      const Date date(month.first.serial + d - 1);
      if (date < from || date > to) continue;
      auto holiday = std::make_shared<clsHoliday>();
      holiday->blnIsHoliday = (month.vacation >> (d - 1)) & 1u;
      holiday->varDate = shared.texts.Of(date);
      resource.AddHoliday(std::move(holiday));
    }
  }
  Trim(resource.colHolidays, [](const clsHoliday& h) { return h.blnIsHoliday; });
}

void WorkdaysOf(clsResource& resource, const PeriodOptions& options, const DayTexts& texts) {
  host::Resume r;
  const auto items = r.Get(
      [&] {
        return resource.ProjectResource->GetDailyWork(Value(texts.Of(options.periodStart)),
                                                      Value(texts.Of(options.periodEnd)));
      },
      std::vector<host::DailyWorkItem>());
  // Into an empty list only the days from the first to the last working day are put at all.
  std::size_t first = 0, end = items.size();
  if (resource.colWorkdays.Empty()) {
    const auto works = [](const host::DailyWorkItem& item) { return item.minutes.value_or(0.0) > 0.0; };
    while (first < end && !works(items[first])) ++first;
    while (end > first && !works(items[end - 1])) --end;
  }
  for (std::size_t i = first; i < end; ++i) {
    const auto& item = items[i];
    auto workday = std::make_shared<clsWorkday>();
    workday->varDate = texts.Of(item.start);
    // The minutes are taken as the number the host gives, never re-read from a text.
    const double minutes = item.minutes.value_or(0.0);
    workday->dblHours = minutes / 60.0;
    workday->blnIsWorkday = minutes > 0.0;
    resource.AddWorkday(std::move(workday));
  }
  Trim(resource.colWorkdays, [](const clsWorkday& w) { return w.blnIsWorkday; });
}

}  // namespace

SharedExtraction::SharedExtraction(const PeriodOptions& options)
    : options_(options), shared_(std::make_unique<RunShared>(options)) {}

SharedExtraction::~SharedExtraction() = default;

void SharedExtraction::Holidays(clsResource& resource, const host::CalendarPtr& compare) {
  HolidaysOf(resource, compare, options_, *shared_);
}

void SharedExtraction::Workdays(clsResource& resource) {
  WorkdaysOf(resource, options_, shared_->texts);
}

void ExtractHolidaysOf(clsResource& resource, const host::CalendarPtr& compare,
                       const PeriodOptions& options) {
  RunShared shared(options);
  HolidaysOf(resource, compare, options, shared);
}

void ExtractWorkdaysOf(clsResource& resource, const PeriodOptions& options) {
  WorkdaysOf(resource, options, DayTexts(options.periodStart, options.periodEnd));
}

std::string ComparisonName(std::int32_t calendarType, const std::string& calendar,
                           const std::map<std::string, std::string>& instead,
                           const std::string& baseName) {
  if (calendarType != 0) return calendar;
  const auto it = instead.find(baseName);
  return it == instead.end() ? baseName : it->second;
}

void ExtractHolidays(clsResources& model, host::Project& source, const PeriodOptions& options,
                     const ProgressStep& step) {
  // The comparison calendar of each resource is looked up once per resource.
  RunShared shared(options);
  for (const auto& item : ChartOrder(model, options.groupResources)) {
    if (step) step(item.share);
    host::Resume r;
    if (!item.resource || !IsWorkResource(*item.resource, r)) continue;
    const std::string name = ComparisonName(
        options.calendarType, options.calendar, options.comparisonInstead,
        options.calendarType != 0
            ? std::string()
            : r.Get([&] { return item.resource->ProjectResource->GetResourceBaseCalendarName(); },
                    std::string()));
    const auto compare = r.Get([&] { return source.GetBaseCalendar(name); }, host::CalendarPtr());
    HolidaysOf(*item.resource, compare, options, shared);
  }
}

void ExtractWorkdays(clsResources& model, host::Project& /*source*/, const PeriodOptions& options,
                     const ProgressStep& step) {
  const DayTexts texts(options.periodStart, options.periodEnd);
  for (const auto& item : ChartOrder(model, options.groupResources)) {
    if (step) step(item.share);
    host::Resume r;
    if (!item.resource || !IsWorkResource(*item.resource, r)) continue;
    WorkdaysOf(*item.resource, options, texts);
  }
}

}  // namespace kx::resources
