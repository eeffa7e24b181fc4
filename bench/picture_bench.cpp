// The grouped one-year vacation plan of the generated project of 2,000 resources in 80 groups
// (2,080 rows): the time to build its picture model from the read chart, and to write it as a
// fitted PDF on A4, as SVG, and as a PNG of January (a whole year exceeds the PNG limit).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "example_projects.hpp"
#include "gantt/chart_model.hpp"
#include "gantt/chart_painter.hpp"
#include "gantt/picture_file.hpp"
#include "job/chart_job.hpp"
#include "projectxml/project_xml.hpp"
#include "settings/chart_settings.hpp"
#include "support/scripted_message_boxes.hpp"

namespace {

namespace fs = std::filesystem;

const kx::platform::ProjectData& Chart() {
  static const std::shared_ptr<kx::platform::ProjectData> chart = [] {
    const fs::path f = fs::temp_directory_path() / "kx-picture-bench";
    fs::create_directories(f);
    kx::platform::WriteFileAtomically((f / "gross.xml").string(),
                                      kx::platform::ProjectXmlText(*kx::tools::LargeProject()));
    kx::job::ChartJobOptions options;
    options.source = (f / "gross.xml").string();
    options.output = (f / "urlaub.xml").string();
    options.plan = kx::settings::kPlanVacation;
    options.year = 2025;
    options.group = true;
    options.colours = true;
    options.yes = true;
    kx::ScriptedMessageBoxes boxes;
    kx::MemoryRegistryStore registry;
    const kx::job::ChartJobServices services{boxes, registry, nullptr, nullptr, nullptr};
    if (kx::job::RunChartJob(options, services) != kx::job::kExitOk) {
      return std::shared_ptr<kx::platform::ProjectData>();
    }
    return kx::platform::ReadProjectXml(*options.output).project;
  }();
  return *chart;
}

// January of the chart as a picture in memory, without the PNG encoding.
void BM_ImageOfJanuary(benchmark::State& state) {
  kx::gantt::EnsureGuiApplication();
  kx::gantt::ModelOptions modelOptions;
  modelOptions.from = kx::gantt::DayOf(kx::DateSerial(2025, 1, 1));
  modelOptions.to = kx::gantt::DayOf(kx::DateSerial(2025, 1, 31));
  const auto model = kx::gantt::BuildChartModel(Chart(), modelOptions);
  const kx::gantt::ChartPainter painter(model);
  for (auto _ : state) {
    const QImage image = kx::gantt::RenderImage(painter);
    benchmark::DoNotOptimize(image.constBits());
  }
}

void BM_PictureModel(benchmark::State& state) {
  const auto& chart = Chart();
  for (auto _ : state) {
    auto model = kx::gantt::BuildChartModel(chart);
    benchmark::DoNotOptimize(model.rows.data());
  }
}

void Write(benchmark::State& state, kx::gantt::PictureFormat format) {
  kx::gantt::EnsureGuiApplication();
  kx::gantt::ModelOptions modelOptions;
  if (format == kx::gantt::PictureFormat::Png) {
    modelOptions.from = kx::gantt::DayOf(kx::DateSerial(2025, 1, 1));
    modelOptions.to = kx::gantt::DayOf(kx::DateSerial(2025, 1, 31));
  }
  const auto model = kx::gantt::BuildChartModel(Chart(), modelOptions);
  kx::gantt::PictureOptions options;
  if (format == kx::gantt::PictureFormat::Pdf)
    options.dayWidth = kx::gantt::PdfDayWidth(model, options);
  const kx::gantt::ChartPainter painter(model, options);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string content = kx::gantt::PictureBytes(painter, format);
    bytes = content.size();
    benchmark::DoNotOptimize(content.data());
  }
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_Pdf(benchmark::State& state) {
  Write(state, kx::gantt::PictureFormat::Pdf);
}
void BM_Svg(benchmark::State& state) {
  Write(state, kx::gantt::PictureFormat::Svg);
}
void BM_PngOfJanuary(benchmark::State& state) {
  Write(state, kx::gantt::PictureFormat::Png);
}

BENCHMARK(BM_PictureModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Pdf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Svg)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImageOfJanuary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PngOfJanuary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
