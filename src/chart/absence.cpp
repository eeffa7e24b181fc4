#include "chart/absence.hpp"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "resources/period_extraction.hpp"
#include "settings/chart_settings.hpp"
#include "support/regional.hpp"

namespace kx::chart {
namespace {

// The working days of the comparison calendars, read once per calendar and month.
class ComparisonDays {
 public:
  explicit ComparisonDays(host::Project& source) : source_(source) {}

  host::CalendarPtr Calendar(const std::string& name) {
    const auto found = calendars_.find(name);
    if (found != calendars_.end()) return found->second;
    host::Resume r;
    auto calendar = r.Get([&] { return source_.GetBaseCalendar(name); }, host::CalendarPtr());
    calendars_.emplace(name, calendar);
    return calendar;
  }

  // Per day of the period from `first`: whether the calendar works; Monday to Friday where it
  // cannot be read.
  void Works(const host::CalendarPtr& calendar, Date first, std::vector<char>& works) {
    for (std::size_t i = 0; i < works.size();) {
      const CivilDate c = ToCivil(Date(first.serial + static_cast<double>(i)));
      const auto key = std::make_pair(calendar.get(), c.year * 12 + c.month);
      auto found = months_.find(key);
      if (found == months_.end()) {
        std::optional<std::uint32_t> mask;
        if (calendar) {
          host::Resume r;
          r([&] {
            mask = calendar->GetCalendarYear(c.year)->GetYearMonth(c.month)->GetMonthWorkingDays();
          });
        }
        found = months_.emplace(key, mask).first;
      }
      // The rest of this month at once.
      for (int d = c.day; d <= DaysInMonth(c.year, c.month) && i < works.size(); ++d, ++i) {
        if (found->second) {
          works[i] = (*found->second >> (d - 1)) & 1u;
        } else {
          const int weekday = Weekday(Date(first.serial + static_cast<double>(i)));
          works[i] = weekday != 1 && weekday != 7;
        }
      }
    }
  }

 private:
  host::Project& source_;
  std::map<std::string, host::CalendarPtr> calendars_;
  std::map<std::pair<const host::Calendar*, int>, std::optional<std::uint32_t>> months_;
};

// Marks the days of `records` whose flag is set, as indexes into the period.
template <class Records, class Flag, class Each>
void MarkedDays(const Records& records, Date first, long days, Flag flag, Each each) {
  for (const auto& record : records) {
    if (!record || !flag(*record)) continue;
    const auto date = ToDate(record->varDate);
    if (!date) continue;
    const long index = static_cast<long>(DateOnly(*date).serial - first.serial);
    if (index >= 0 && index < days) each(index, *record);
  }
}

// The names of the tasks with work on each conflict day of one resource, each name once.
void AddTaskNames(host::Resource& resource, std::vector<WorkConflict>& conflicts,
                  std::size_t from) {
  if (from >= conflicts.size()) return;
  host::Resume r;
  const Date firstDay = conflicts[from].day, lastDay = conflicts.back().day;
  const auto work = r.Get([&] { return resource.GetDailyWorkByTask(Value(firstDay), Value(lastDay)); },
                          std::vector<host::TaskDailyWork>());
  for (std::size_t i = from; i < conflicts.size(); ++i) {
    WorkConflict& conflict = conflicts[i];
    for (const auto& task : work) {
      const bool works = std::any_of(task.days.begin(), task.days.end(), [&](const auto& item) {
        return DateOnly(item.start) == conflict.day && item.minutes.value_or(0.0) > 0.0;
      });
      if (!works) continue;
      const std::string name = task.task.empty() ? "(ohne Namen)" : task.task;
      if (std::find(conflict.tasks.begin(), conflict.tasks.end(), name) == conflict.tasks.end())
        conflict.tasks.push_back(name);
    }
  }
}

}  // namespace

std::optional<AbsenceLimit> ParseAbsenceLimit(const std::string& text) {
  std::string digits = text;
  bool percent = false;
  if (!digits.empty() && digits.back() == '%') {
    percent = true;
    digits.pop_back();
    while (!digits.empty() && digits.back() == ' ') digits.pop_back();
  }
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  int value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (percent && value > 100) return std::nullopt;
  return AbsenceLimit{value, percent};
}

std::string AbsenceLimitText(const AbsenceLimit& limit) {
  return std::to_string(limit.value) + (limit.percent ? " %" : "");
}

bool PassesLimit(const AbsenceLimit& limit, int absent, int resources) {
  if (limit.percent)
    return static_cast<long long>(absent) * 100 > static_cast<long long>(limit.value) * resources;
  return absent > limit.value;
}

bool AbsenceReport::Over(const GroupPresence& group, long day) const {
  return limit && day >= 0 && day < static_cast<long>(group.absent.size()) &&
         PassesLimit(*limit, group.absent[static_cast<std::size_t>(day)], group.resources);
}

long AbsenceReport::DaysOver() const {
  long over = 0;
  for (const GroupPresence& group : groups)
    for (long d = 0; d < static_cast<long>(group.absent.size()); ++d) over += Over(group, d);
  return over;
}

AbsenceReport ComputeAbsence(const resources::clsResources& model, host::Project& source,
                             const AbsenceOptions& options) {
  AbsenceReport report;
  report.first = DateOnly(options.first);
  report.last = std::max(report.first, DateOnly(options.last));
  report.limit = options.limit;
  const long days = report.DayCount();
  resources::PeriodOptions period;
  period.periodStart = report.first;
  period.periodEnd = report.last;
  period.groupResources = true;
  period.calendarType = options.calendarType;
  period.calendar = options.calendar;
  period.comparisonInstead = options.comparisonInstead;
  ComparisonDays comparison(source);
  resources::SharedExtraction extraction(period);

  std::vector<char> vacation(static_cast<std::size_t>(days));
  std::vector<double> hours(static_cast<std::size_t>(days));
  std::vector<char> works(static_cast<std::size_t>(days));
  const long groupCount = model.colResourceGroups.Count();
  for (const auto& group : model.colResourceGroups) {
    if (!group) continue;
    GroupPresence blank;
    blank.name = group->strName;
    blank.absent.assign(static_cast<std::size_t>(days), 0);
    blank.present.assign(static_cast<std::size_t>(days), 0);
    report.groups.push_back(std::move(blank));
    const long members = group->colResources.Count();
    for (const auto& member : group->colResources) {
      if (options.step) options.step(1.0 / static_cast<double>(groupCount) / static_cast<double>(members));
      if (!member || !member->ProjectResource) continue;
      host::Resource& resource = *member->ProjectResource;
      host::Resume r;
      if (r.Get([&] { return resource.GetResourceKind(); }, -1) != host::kWorkResource) continue;
      const std::string& groupName = group->strName;
      GroupPresence& presence = report.groups.back();
      ++presence.resources;

      // Both extractions, once, on a record of its own: the model's lists stay as they are.
      const std::string calendarName = resources::ComparisonName(
          options.calendarType, options.calendar, options.comparisonInstead,
          options.calendarType != settings::kCalendarOwn
              ? std::string()
              : r.Get([&] { return resource.GetResourceBaseCalendarName(); }, std::string()));
      const host::CalendarPtr compare = comparison.Calendar(calendarName);
      resources::clsResource own;
      own.ProjectResource = member->ProjectResource;
      extraction.Holidays(own, compare);
      std::fill(vacation.begin(), vacation.end(), 0);
      MarkedDays(own.colHolidays, report.first, days,
                 [](const resources::clsHoliday& h) { return h.blnIsHoliday; },
                 [&](long d, const resources::clsHoliday&) { vacation[static_cast<std::size_t>(d)] = 1; });
      comparison.Works(compare, report.first, works);
      for (std::size_t i = 0; i < vacation.size(); ++i) {
        if (vacation[i]) {
          ++presence.absent[i];
        } else if (works[i]) {
          ++presence.present[i];
        }
      }
      if (!options.conflicts || own.colHolidays.Empty()) continue;

      extraction.Workdays(own);
      std::fill(hours.begin(), hours.end(), 0.0);
      bool any = false;
      MarkedDays(own.colWorkdays, report.first, days,
                 [](const resources::clsWorkday& w) { return w.blnIsWorkday; },
                 [&](long d, const resources::clsWorkday& w) {
                   hours[static_cast<std::size_t>(d)] = w.dblHours;
                   any = any || vacation[static_cast<std::size_t>(d)];
                 });
      if (!any) continue;
      const std::size_t from = report.conflicts.size();
      const std::string name =
          resources::ChartName(r.Get([&] { return resource.GetResourceName(); }, std::string()));
      for (long d = 0; d < days; ++d) {
        const auto i = static_cast<std::size_t>(d);
        if (vacation[i] && hours[i] > 0.0)
          report.conflicts.push_back({groupName, name, report.Day(d), hours[i], {}});
      }
      AddTaskNames(resource, report.conflicts, from);
    }
  }
  return report;
}

std::shared_ptr<resources::clsResources> WholeGroups(const resources::clsResources& model) {
  auto whole = std::make_shared<resources::clsResources>();
  std::map<std::string, std::shared_ptr<resources::clsResourceGroup>> groups;
  for (const auto& resource : model.colResources) {
    if (!resource || !resource->ProjectResource) continue;
    host::Resume r;
    std::string name = r.Get([&] { return resource->ProjectResource->GetResourceGroup(); }, std::string());
    if (resources::IsUnnamed(name)) name = resources::kNoGroup;
    auto& group = groups[name];
    if (!group) {
      group = std::make_shared<resources::clsResourceGroup>();
      group->strName = name;
      whole->AddResourceGroup(group);
    }
    group->AddResource(resource);
    whole->AddResource(resource);
  }
  whole->lngResourcesCount = static_cast<std::int32_t>(whole->colResources.Count());
  return whole;
}

std::optional<ChartPeriod> SettingsPeriod(const clsKorvalinx& engine) {
  host::Resume r;
  switch (engine.lngPlanDuration) {
    case settings::kPeriodYear:
      return ChartPeriod{DateSerial(engine.lngPlanDurationYear, 1, 1),
                         DateSerial(engine.lngPlanDurationYear, 12, 31)};
    case settings::kPeriodRange: {
      const auto from = ToDate(engine.varPlanDurationStart);
      const auto to = ToDate(engine.varPlanDurationFinish);
      if (!from || !to) return std::nullopt;
      return ChartPeriod{DateOnly(*from), DateOnly(*to)};
    }
    default: {
      if (!engine.objProject) return std::nullopt;
      std::optional<Date> from, to;
      r([&] { from = DateOnly(engine.objProject->GetProjectStart()); });
      r([&] { to = DateOnly(engine.objProject->GetProjectFinish()); });
      if (!from || !to) return std::nullopt;
      return ChartPeriod{*from, std::max(*from, *to)};
    }
  }
}

}  // namespace kx::chart
