// The exports of the generated 2,000-resource project's vacation plan and resource schedule of
// 2025, grouped, a colour per resource: the chart runs once, then each export is timed.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "chart/korvalinx.hpp"
#include "example_projects.hpp"
#include "exports/chart_table.hpp"
#include "exports/csv_export.hpp"
#include "exports/ics_export.hpp"
#include "exports/xlsx_export.hpp"
#include "platform/planning_host.hpp"
#include "support/clock.hpp"
#include "support/registry.hpp"
#include "support/scripted_message_boxes.hpp"

namespace {

namespace fs = std::filesystem;

struct Run {
  std::shared_ptr<kx::platform::PlanningHost> host;
  std::unique_ptr<kx::chart::clsKorvalinx> engine;
  kx::ScriptedMessageBoxes boxes;
  kx::NoWaitClock clock;
  kx::MemoryRegistryStore registry;
};

fs::path Folder() {
  const fs::path f = fs::temp_directory_path() / "kx-exports-bench";
  fs::create_directories(f);
  return f;
}

// The chart run of one plan kind, made once.
Run& ChartRun(bool vacation) {
  static std::unique_ptr<Run> runs[2];
  auto& run = runs[vacation ? 1 : 0];
  if (!run) {
    run = std::make_unique<Run>();
    run->host = std::make_shared<kx::platform::PlanningHost>(nullptr);
    run->host->AddProject(kx::tools::LargeProject());
    run->engine = std::make_unique<kx::chart::clsKorvalinx>(kx::chart::EngineContext{
        run->host.get(), nullptr, &run->boxes, &run->clock, &run->registry, nullptr, nullptr});
    auto& e = *run->engine;
    e.lngPlanType = vacation ? 1 : 0;
    e.lngPlanDuration = 1;
    e.lngPlanDurationYear = 2025;
    e.blnGroupResources = true;
    e.lngColorType = 1;
    e.strChartPath = (Folder() / "chart.xml").string();
    e.GetResourceData();
    e.ExportChart();
  }
  return *run;
}

void BM_ReadTable(benchmark::State& state) {
  const bool vacation = state.range(0) == 1;
  Run& run = ChartRun(vacation);
  for (auto _ : state) {
    auto table = kx::exports::ReadChartTable(*run.engine, "Gross", "");
    benchmark::DoNotOptimize(table.rows.data());
  }
}

void BM_Csv(benchmark::State& state) {
  const auto table = kx::exports::ReadChartTable(*ChartRun(state.range(0) == 1).engine, "Gross", "");
  for (auto _ : state) kx::exports::WriteCsv(table, (Folder() / "tage.csv").string());
}

void BM_Ics(benchmark::State& state) {
  const auto table = kx::exports::ReadChartTable(*ChartRun(state.range(0) == 1).engine, "Gross", "");
  for (auto _ : state) kx::exports::WriteIcs(table, (Folder() / "tage.ics").string());
}

void BM_Xlsx(benchmark::State& state) {
  const auto table = kx::exports::ReadChartTable(*ChartRun(state.range(0) == 1).engine, "Gross", "");
  for (auto _ : state) kx::exports::WriteXlsx(table, (Folder() / "tage.xlsx").string());
}

// Argument 1: vacation plan; 0: resource schedule.
BENCHMARK(BM_ReadTable)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Csv)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ics)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xlsx)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
