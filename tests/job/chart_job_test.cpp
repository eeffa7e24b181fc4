#include "job/chart_job.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "chart/korvalinx.hpp"
#include "platform/model.hpp"
#include "settings/chart_settings.hpp"
#include "support/scripted_message_boxes.hpp"
#include "testing/test_folder.hpp"

namespace kx::job {
namespace {

namespace fs = std::filesystem;

class ChartJob : public ::testing::Test {
 protected:
  void SetUp() override {
    options.source = folder.CopyExamples();
    options.plan = settings::kPlanVacation;
    options.year = 2025;
  }
  int Run() { return RunChartJob(options, {boxes, registry, nullptr, nullptr, nullptr}); }

  kx::testing::TestFolder folder{"kx-job"};
  const fs::path& dir = folder.path();
  ChartJobOptions options;
  ScriptedMessageBoxes boxes;
  MemoryRegistryStore registry;
};

// Extra outputs get the finished run; without a chart file nothing is left behind.
TEST_F(ChartJob, OutputsSeeTheRunAndAChartFileIsOptional) {
  int calls = 0;
  options.outputs.push_back([&](const FinishedChart& chart, MessageBoxes&) {
    ++calls;
    EXPECT_EQ(chart.engine.lngPlanType, settings::kPlanVacation);
    EXPECT_GT(chart.engine.objResources->colResources.Count(), 20);
    EXPECT_TRUE(chart.chart && !chart.chart->tasks.empty());
    EXPECT_EQ(chart.sourceName, "neubau_buerogebaeude.xml");
    EXPECT_TRUE(chart.chartPath.empty());
    return true;
  });
  EXPECT_EQ(Run(), kExitOk) << (boxes.Count() ? boxes.Last().text : "");
  EXPECT_EQ(calls, 1);
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_TRUE(entry.path().extension() == ".xml") << entry.path();
}

TEST_F(ChartJob, AFailedOutputEndsWithTheWriteCode) {
  options.output = (dir / "chart.xml").string();
  options.outputs.push_back([](const FinishedChart&, MessageBoxes& b) {
    ShowMessage(b, "Bild kann nicht geschrieben werden", "Korvalinx", MsgIcon::Critical);
    return false;
  });
  options.outputs.push_back(
      [](const FinishedChart&, MessageBoxes&) -> bool { throw std::runtime_error("kaputt"); });
  EXPECT_EQ(Run(), kExitWriteFailed);
  EXPECT_TRUE(fs::exists(dir / "chart.xml"));
  ASSERT_GE(boxes.Count(), 2u);
  EXPECT_NE(boxes.Last().text.find("kaputt"), std::string::npos);
  EXPECT_EQ(boxes.Last().icon, MsgIcon::Critical);
}

TEST_F(ChartJob, NothingToWriteIsBadInput) {
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_NE(boxes.Last().text.find("keine Ausgabe"), std::string::npos);
}

}  // namespace
}  // namespace kx::job
