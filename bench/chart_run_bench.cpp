// A generated source project of 2,000 work resources in 80 groups over 2025, with 15 to 30
// vacation days each and work on most working days: the time to read it, and the time of the
// whole chart command for a one-year vacation plan and a one-year resource schedule.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "example_projects.hpp"
#include "job/chart_job.hpp"
#include "projectxml/project_xml.hpp"
#include "settings/chart_settings.hpp"
#include "support/scripted_message_boxes.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = [] {
    const fs::path f = fs::temp_directory_path() / "kx-chart-bench";
    fs::create_directories(f);
    kx::platform::WriteFileAtomically((f / "gross.xml").string(),
                                      kx::platform::ProjectXmlText(*kx::tools::LargeProject()));
    return f;
  }();
  return folder;
}

void BM_ReadSource(benchmark::State& state) {
  const std::string path = (Folder() / "gross.xml").string();
  for (auto _ : state) {
    auto result = kx::platform::ReadProjectXml(path);
    benchmark::DoNotOptimize(result.project);
  }
}

void RunChart(benchmark::State& state, std::int32_t plan, const char* name) {
  kx::job::ChartJobOptions options;
  options.source = (Folder() / "gross.xml").string();
  options.output = (Folder() / (std::string(name) + ".xml")).string();
  options.plan = plan;
  options.year = 2025;
  options.group = true;
  options.colours = true;
  options.yes = true;
  for (auto _ : state) {
    kx::ScriptedMessageBoxes boxes;
    kx::MemoryRegistryStore registry;
    const int code = kx::job::RunChartJob(options, {boxes, registry, nullptr, nullptr, nullptr});
    if (code != kx::job::kExitOk) state.SkipWithError("the chart was not written");
  }
}

void BM_VacationPlan(benchmark::State& state) {
  RunChart(state, kx::settings::kPlanVacation, "vacation");
}
void BM_ResourceSchedule(benchmark::State& state) {
  RunChart(state, kx::settings::kPlanSchedule, "schedule");
}

BENCHMARK(BM_ReadSource)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_VacationPlan)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ResourceSchedule)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
