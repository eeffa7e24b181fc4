// HasDuplicateResourceNames and GetResourceData over resource sheets of many resources.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "addin/project_tools.hpp"
#include "platform/planning_host.hpp"
#include "resources/resource_model.hpp"
#include "support/scripted_message_boxes.hpp"

namespace {

// A planning host whose project has `count` resources named "Ressource 1" ... in ten groups;
// with `duplicateAtEnd` the last one repeats the first name.
std::unique_ptr<kx::platform::PlanningHost> MakeApp(long count, bool duplicateAtEnd) {
  auto data = kx::platform::NewProjectData("Quelle");
  for (long i = 1; i <= count; ++i) {
    auto r = std::make_shared<kx::platform::ResourceData>();
    r->uid = static_cast<std::int32_t>(i);
    r->id = r->uid;
    r->name = "Ressource " + std::to_string(duplicateAtEnd && i == count ? 1 : i);
    r->group = "Gruppe " + std::to_string(i % 10);
    data->resources.push_back(r);
  }
  auto app = std::make_unique<kx::platform::PlanningHost>();
  app->AddProject(data);
  return app;
}

void BM_HasDuplicateResourceNames(benchmark::State& state) {
  const auto app = MakeApp(state.range(0), state.range(1) != 0);
  kx::ScriptedMessageBoxes boxes;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kx::addin::HasDuplicateResourceNames(*app, false, "Korvalinx", boxes));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HasDuplicateResourceNames)
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond);

// The pairwise walk over every pair of resources, for comparison.
void BM_PairwiseReference(benchmark::State& state) {
  const auto app = MakeApp(state.range(0), false);
  const auto resources = app->GetActiveProject()->GetProjectResources();
  for (auto _ : state) {
    bool found = false;
    for (const auto& a : resources) {
      for (const auto& b : resources) {
        if (a->GetResourceName() == b->GetResourceName() &&
            a->GetResourceUniqueId() != b->GetResourceUniqueId()) {
          found = true;
          break;
        }
      }
      if (found) break;
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_PairwiseReference)
    ->Arg(2000)
    ->Arg(20000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_GetResourceData(benchmark::State& state) {
  const auto app = MakeApp(state.range(0), false);
  const auto project = app->GetActiveProject();
  for (auto _ : state) {
    benchmark::DoNotOptimize(kx::resources::GetResourceData(*project));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetResourceData)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
