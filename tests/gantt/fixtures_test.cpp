// Every real Project XML file that the reader takes can be drawn.

#include <gtest/gtest.h>

#include <filesystem>

#include "gantt/picture_file.hpp"
#include "host/error.hpp"
#include "projectxml/project_xml.hpp"

namespace kx::gantt {
namespace {

namespace fs = std::filesystem;

TEST(FixturePictures, EveryReadableFixtureDrawsAsPdfAndSvg) {
  const fs::path folder = KX_FIXTURES_DIR;
  if (!fs::is_directory(folder)) GTEST_SKIP() << "no fixtures in " << folder;
  ASSERT_TRUE(EnsureGuiApplication());
  int drawn = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".xml") continue;
    platform::LoadResult loaded;
    try {
      loaded = platform::ReadProjectXml(entry.path().string(), {false, true});
    } catch (const host::HostError&) {
      continue;  // the reader's own tests cover refused files
    }
    SCOPED_TRACE(entry.path().filename().string());
    const ChartModel model = BuildChartModel(*loaded.project);
    EXPECT_LE(model.period.first, model.period.last);
    PictureOptions options;
    options.dayWidth = PdfDayWidth(model, options);
    const ChartPainter painter(model, options);
    EXPECT_EQ(PictureBytes(painter, PictureFormat::Pdf).rfind("%PDF-", 0), 0u);
    EXPECT_FALSE(PictureBytes(painter, PictureFormat::Svg).empty());
    ++drawn;
  }
  EXPECT_GT(drawn, 5);
}

}  // namespace
}  // namespace kx::gantt
