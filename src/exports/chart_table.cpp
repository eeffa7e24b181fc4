#include "exports/chart_table.hpp"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "chart/chart_rows.hpp"
#include "resources/period_extraction.hpp"
#include "support/regional.hpp"

namespace kx::exports {
namespace {

// True when the calendar has no working time on `day`; nullopt when it cannot be read.
std::optional<bool> CalendarKeepsFree(const host::CalendarPtr& calendar, Date day) {
  if (!calendar) return std::nullopt;
  try {
    const CivilDate c = ToCivil(day);
    const auto d = calendar->GetCalendarYear(c.year)->GetYearMonth(c.month)->GetMonthDay(c.day);
    for (int shift = 1; shift <= 5; ++shift)
      if (d->GetDayShiftStart(shift).has_value()) return false;
    return true;
  } catch (const host::HostError&) {
    return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The calendar that decides which unmarked days a run of marked days passes over: for a
// vacation plan the comparison calendar of the extraction, for a resource schedule the
// resource's base calendar.
host::CalendarPtr ComparisonCalendar(const chart::clsKorvalinx& engine,
                                     resources::clsResource& resource) {
  host::Resume r;
  if (!engine.objProject) return nullptr;
  const std::string base =
      r.Get([&] { return resource.ProjectResource->GetResourceBaseCalendarName(); }, std::string());
  const std::string name = engine.lngPlanType == 1 ? resources::ComparisonName(
                                                         engine.lngCalendarType, engine.strCalendar,
                                                         engine.comparisonInstead, base)
                                                   : base;
  return r.Get([&] { return engine.objProject->GetBaseCalendar(name); }, host::CalendarPtr());
}

struct Record {
  Value date;
  bool marked;
  double hours;
};

std::vector<Record> RecordsOf(const resources::clsResource& resource, bool vacation) {
  std::vector<Record> records;
  if (vacation) {
    for (const auto& h : resource.colHolidays) records.push_back({h->varDate, h->blnIsHoliday, 0});
  } else {
    for (const auto& w : resource.colWorkdays)
      records.push_back({w->varDate, w->blnIsWorkday, w->dblHours});
  }
  return records;
}

}  // namespace

void MarkHolidays(ChartTable& table, holidays::State state) {
  table.holidays.clear();
  for (const holidays::Holiday& h :
       holidays::HolidaysOf(state, ToCivil(table.first).year, ToCivil(table.last).year)) {
    const long index = static_cast<long>(h.day.serial - table.first.serial);
    if (index >= 0 && index < table.DayCount()) table.holidays[index] = h.name;
  }
}

const char* PlanName(PlanKind kind) {
  return kind == PlanKind::Vacation ? "Urlaubsplan" : "Ressourcenzeitplan";
}

std::string DayText(Date d) {
  return FormatDate(DateOnly(d));
}

std::string HoursText(double hours) {
  const double rounded = std::round(hours * 100.0) / 100.0;
  return FormatGeneralNumber(rounded == 0.0 ? 0.0 : rounded);
}

bool IsWeekend(Date d) {
  const int weekday = Weekday(d);
  return weekday == 1 || weekday == 7;
}

ChartTable ReadChartTable(const chart::clsKorvalinx& engine, const std::string& sourceName,
                          const std::string& chartPath) {
  const auto& period = engine.LastRunPeriod();
  if (!period || !engine.objResources)
    throw ExportError("Es wurde kein Diagramm erstellt, aus dem exportiert werden könnte.");
  ChartTable table;
  table.kind = engine.lngPlanType == 1 ? PlanKind::Vacation : PlanKind::Schedule;
  table.first = DateOnly(period->first);
  table.last = DateOnly(period->last);
  if (table.last < table.first) table.last = table.first;
  table.sourceName = sourceName;
  if (!chartPath.empty()) table.chartName = std::filesystem::path(chartPath).filename().string();

  const resources::clsResources& model = *engine.objResources;
  std::map<const resources::clsResource*, std::string> groupOf;
  for (const auto& group : model.colResourceGroups)
    for (const auto& resource : group->colResources) groupOf.emplace(resource.get(), group->strName);

  const bool vacation = table.Vacation();
  const long days = table.DayCount();
  std::int32_t colourCounter = 0;
  for (const auto& item : resources::ChartOrder(model, engine.blnGroupResources)) {
    if (!item.resource) continue;
    resources::clsResource& resource = *item.resource;
    host::Resume r;
    TableRow row;
    ++colourCounter;
    r([&] { row.name = resources::ChartName(resource.ProjectResource->GetResourceName()); });
    r([&] { row.uniqueId = resource.ProjectResource->GetResourceUniqueId(); });
    if (const auto found = groupOf.find(&resource); found != groupOf.end()) {
      row.group = found->second;
    } else {
      r([&] { row.group = resource.ProjectResource->GetResourceGroup(); });
    }
    row.days.resize(static_cast<std::size_t>(days));

    const std::vector<Record> records = RecordsOf(resource, vacation);
    for (const Record& record : records) {
      const auto date = ToDate(record.date);
      if (!date) continue;
      const long index = static_cast<long>(DateOnly(*date).serial - table.first.serial);
      if (index < 0 || index >= days || !record.marked) continue;
      DayCell& cell = row.days[static_cast<std::size_t>(index)];
      if (cell.marked) continue;  // a day listed twice counts once
      cell.marked = true;
      cell.hours = record.hours;
      ++row.markedDays;
      row.hours += record.hours;
    }
    for (long i = 0; i < days; ++i) {
      if (!row.days[static_cast<std::size_t>(i)].marked) continue;
      if (!row.firstMarked) row.firstMarked = table.Day(i);
      row.lastMarked = table.Day(i);
    }
    if (!records.empty()) {
      row.colour = engine.lngColorType != 0 ? chart::ChangingColourCode(colourCounter)
                                            : chart::SingleColourCode(engine.lngColor);
    }
    if (row.firstMarked) {
      const host::CalendarPtr calendar = ComparisonCalendar(engine, resource);
      const long from = static_cast<long>(row.firstMarked->serial - table.first.serial);
      const long to = static_cast<long>(row.lastMarked->serial - table.first.serial);
      for (long i = from; i <= to; ++i) {
        DayCell& cell = row.days[static_cast<std::size_t>(i)];
        if (cell.marked) continue;
        cell.free = CalendarKeepsFree(calendar, table.Day(i)).value_or(IsWeekend(table.Day(i)));
      }
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace kx::exports
