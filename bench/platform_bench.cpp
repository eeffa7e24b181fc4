// Speed of the planning host on the chart's heavy paths: the vacation walk over calendar days,
// the daily work of resources and the writing of split chart rows.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "platform/planning_host.hpp"
#include "support/regional.hpp"

namespace kx::platform {
namespace {

constexpr int kResources = 2000;

std::shared_ptr<ProjectData> SourceProject() {
  auto p = NewProjectData("Quelle");
  auto base = p->FindCalendar("Standard");
  for (int i = 0; i < kResources; ++i) {
    auto cal = std::make_shared<CalendarData>();
    cal->name = "R" + std::to_string(i);
    cal->isBase = false;
    cal->base = base;
    for (int w = 0; w < 6; ++w) {  // six weeks of vacation spread over the year
      const Date from = DateSerial(2024, 1 + 2 * w, 3 + i % 20);
      cal->exceptions.push_back({"Urlaub", from, Date(from.serial + 4), false, {}});
    }
    p->calendars.push_back(cal);
    auto r = std::make_shared<ResourceData>();
    r->uid = i + 1;
    r->name = cal->name;
    r->calendar = cal;
    for (int a = 0; a < 5; ++a) {
      auto as = std::make_shared<AssignmentData>();
      as->start = DateTimeSerial(2024, 1 + 2 * a, 1, 8, 0);
      as->finish = DateTimeSerial(2024, 2 + 2 * a, 20, 17, 0);
      as->workMinutes = 9600.0;
      r->assignments.push_back(as);
    }
    p->resources.push_back(r);
  }
  // The base calendar behind all resource calendars, as a file may list it.
  std::rotate(p->calendars.begin(), p->calendars.begin() + 1, p->calendars.end());
  return p;
}

void BM_VacationWalk(benchmark::State& state) {
  PlanningHost host;
  auto project = host.AddProject(SourceProject());
  for (auto _ : state) {
    int holidays = 0;
    for (const auto& r : project->GetProjectResources()) {
      auto c = r->GetResourceCalendar();
      for (const auto& year : c->GetCalendarYears()) {
        if (year->GetYearNumber() != 2024) continue;
        for (const auto& month : year->GetYearMonths()) {
          for (const auto& day : month->GetMonthDays()) {
            auto k = project->GetBaseCalendar(r->GetResourceBaseCalendarName());
            auto kd = k->GetCalendarYear(2024)
                          ->GetYearMonth(month->GetMonthNumber())
                          ->GetMonthDay(day->GetDayNumber());
            bool own = false, base = false;
            for (int s = 1; s <= 5; ++s) {
              own = own || day->GetDayShiftStart(s).has_value();
              base = base || kd->GetDayShiftStart(s).has_value();
            }
            holidays += !own && base;
          }
        }
      }
    }
    benchmark::DoNotOptimize(holidays);
  }
}
BENCHMARK(BM_VacationWalk)->Unit(benchmark::kMillisecond);

void BM_DailyWork(benchmark::State& state) {
  PlanningHost host;
  auto project = host.AddProject(SourceProject());
  for (auto _ : state) {
    double total = 0;
    for (const auto& r : project->GetProjectResources()) {
      for (const auto& d : r->GetDailyWork(std::string("01.01.2024"), std::string("31.12.2024"))) {
        total += d.minutes.value_or(0);
      }
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_DailyWork)->Unit(benchmark::kMillisecond);

// 2000 grouped rows, each a 300-day bar with a gap on every other day.
void BM_ChartRows(benchmark::State& state) {
  RegionalSettings::SetCurrent(RegionalSettings::German());
  for (auto _ : state) {
    PlanningHost host;
    host.CreateNewProject();
    host::Definitions& d = host.GetDefinitions();
    d.CreateBaseCalendar({{0, std::string("KXNeutral")}});
    d.SetCalendarWeekday({{0, std::string("KXNeutral")}, {3, std::int16_t{7}}, {4, true}});
    d.SetCalendarWeekday({{0, std::string("KXNeutral")}, {3, std::int16_t{1}}, {4, true}});
    d.SetProjectInformation({{12, std::string("KXNeutral")}});
    host::ActiveView& v = host.GetActiveView();
    host::Tasks& tasks = host.GetActiveProject()->GetProjectTasks();
    long row = 0;
    for (int g = 0; g < 20; ++g) {
      v.SelectTaskCell(++row, "Name", false);
      v.SetTaskField("Name", "Gruppe");
      v.SetTaskField("Gliederungsebene", "1");
      for (int i = 0; i < kResources / 20; ++i) {
        v.SelectTaskCell(++row, "Name", false);
        v.SetTaskField("Name", "R");
        v.SetTaskField("Rollup", "Ja");
        v.SetTaskField("Anfang", "02.01.2024");
        v.SetTaskField("Dauer", "300 t");
        const double first = DateSerial(2024, 1, 2).serial;
        for (int day = 1; day < 299; day += 2) {
          auto t = tasks.Item(row);
          t->SplitTask(Date(first + day + 8.0 / 24), Date(first + day + 1 + 8.0 / 24));
          t->SetTaskDuration(t->GetTaskDuration() - 480);
        }
        v.SetTaskField("Zahl14", "150");
        v.SetTaskField("Gliederungsebene", "2");
        v.CompleteTaskRow();
      }
    }
    benchmark::DoNotOptimize(host.ActiveData()->tasks.size());
  }
}
BENCHMARK(BM_ChartRows)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace kx::platform
