// HasDuplicateResourceNames and GetResourceData over resource sheets of many resources.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "addin/project_tools.hpp"
#include "fakes/fake_host.hpp"
#include "resources/resource_model.hpp"
#include "support/scripted_message_boxes.hpp"

namespace {

using kx::fakes::FakeApplication;
using kx::fakes::FakeProject;

// An application whose project has `count` resources named "Ressource 1" ... in ten groups;
// with `duplicateAtEnd` the last one repeats the first name.
std::unique_ptr<FakeApplication> MakeApp(long count, bool duplicateAtEnd) {
  auto app = std::make_unique<FakeApplication>();
  app->active = std::make_shared<FakeProject>();
  for (long i = 1; i <= count; ++i) {
    const long n = duplicateAtEnd && i == count ? 1 : i;
    app->active->AddResource("Ressource " + std::to_string(n), "Gruppe " + std::to_string(i % 10));
  }
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
  const auto resources = app->active->GetProjectResources();
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
  for (auto _ : state) {
    benchmark::DoNotOptimize(kx::resources::GetResourceData(*app->active));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetResourceData)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
