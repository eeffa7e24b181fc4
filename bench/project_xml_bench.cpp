// Reads a project of 2,000 work resources in 80 groups with a year of daily work (the generated
// large project; KX_BENCH_PROJECT names another file) into the model, and compares that with
// pugixml alone parsing the same file.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <pugixml.hpp>

#include "example_projects.hpp"
#include "projectxml/project_xml.hpp"

namespace {

using namespace kx;

// The file the benchmarks read, written once per run.
const std::string& ProjectFile() {
  static const std::string path = [] {
    if (const char* given = std::getenv("KX_BENCH_PROJECT")) return std::string(given);
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("kx_bench_" + std::to_string(::getpid()) + ".xml"))
                                 .string();
    platform::WriteFileAtomically(file, platform::ProjectXmlText(*tools::LargeProject()));
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove(ProjectFile(), ec);
    });
    return file;
  }();
  return path;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(ProjectFile())));
}

void PugixmlParse(benchmark::State& state) {
  const std::string& file = ProjectFile();
  for (auto _ : state) {
    pugi::xml_document doc;
    const auto result = doc.load_file(file.c_str(), pugi::parse_default);
    benchmark::DoNotOptimize(result.status);
  }
  SetBytes(state);
}
BENCHMARK(PugixmlParse)->Unit(benchmark::kMillisecond);

// The same with the reader's parse options (element text kept in the element).
void PugixmlParseEmbedded(benchmark::State& state) {
  const std::string& file = ProjectFile();
  for (auto _ : state) {
    pugi::xml_document doc;
    const auto result = doc.load_file(file.c_str(), pugi::parse_default | pugi::parse_embed_pcdata);
    benchmark::DoNotOptimize(result.status);
  }
  SetBytes(state);
}
BENCHMARK(PugixmlParseEmbedded)->Unit(benchmark::kMillisecond);

void ReadIntoModel(benchmark::State& state) {
  const std::string& file = ProjectFile();
  std::size_t resources = 0;
  for (auto _ : state) {
    const platform::LoadResult r = platform::ReadProjectXml(file);
    resources = r.project->resources.size();
    benchmark::DoNotOptimize(resources);
  }
  state.counters["resources"] = static_cast<double>(resources);
  SetBytes(state);
}
BENCHMARK(ReadIntoModel)->Unit(benchmark::kMillisecond);

// Reading as before plans kept their file's text: what keeping it costs.
void ReadIntoModelWithoutText(benchmark::State& state) {
  const std::string& file = ProjectFile();
  for (auto _ : state) {
    const platform::LoadResult r = platform::ReadProjectXml(file, {.keepSource = false});
    benchmark::DoNotOptimize(r.project->resources.size());
  }
  SetBytes(state);
}
BENCHMARK(ReadIntoModelWithoutText)->Unit(benchmark::kMillisecond);

void WriteFromModel(benchmark::State& state) {
  const auto project = platform::ReadProjectXml(ProjectFile()).project;
  for (auto _ : state) {
    const std::string text = platform::ProjectXmlText(*project);
    benchmark::DoNotOptimize(text.data());
  }
  SetBytes(state);
}
BENCHMARK(WriteFromModel)->Unit(benchmark::kMillisecond);

// Saving the plan with its companion: written from the model, as plans were saved before (which
// lost what the model does not hold), and written back into the file's own text (argument 1),
// with one resource's calendar changed.
void SavePlan(benchmark::State& state) {
  const auto project = platform::ReadProjectXml(ProjectFile()).project;
  if (state.range(0) == 0) project->source.reset();
  for (const auto& r : project->resources)
    if (r && r->calendar) {
      r->calendar->exceptions.push_back({"Urlaub", DateSerial(2031, 8, 4),
                                         DateSerial(2031, 8, 15), false, {}});
      break;
    }
  const std::string target = ProjectFile() + ".saved.xml";
  for (auto _ : state) platform::SaveProjectXml(*project, target);
  std::error_code ec;
  std::filesystem::remove(target, ec);
  std::filesystem::remove(platform::CompanionPath(target), ec);
  SetBytes(state);
}
BENCHMARK(SavePlan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Freed memory stays with the process from one iteration to the next, as in a program that
  // keeps running: the figures then show parsing and reading rather than the kernel handing out
  // and taking back hundreds of megabytes of pages in every iteration.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ProjectFile();  // written before the first measurement
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
