#include "chart_job.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/project_xml.hpp"
#include "support/scripted_message_boxes.hpp"

namespace kx::app {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ChartJob : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("kx-cli-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"neubau_buerogebaeude.xml", "aussenanlagen.xml"})
      fs::copy_file(fs::path(KX_EXAMPLES_DIR) / f, dir / f);
    options = ChartJobOptions{};
    options.source = (dir / "neubau_buerogebaeude.xml").string();
    options.output = (dir / "chart.xml").string();
    options.plan = "vacation";
    options.year = 2025;
  }
  void TearDown() override { fs::remove_all(dir); }

  int Run() {
    out.str("");
    return RunChartJob(options, boxes, registry, out, nullptr);
  }
  std::shared_ptr<platform::ProjectData> Chart() {
    return platform::ReadProjectXml(options.output).project;
  }

  fs::path dir;
  ChartJobOptions options;
  ScriptedMessageBoxes boxes;
  MemoryRegistryStore registry;
  std::ostringstream out;
};

TEST_F(ChartJob, VacationPlanOfTheExampleIsWrittenAndReadsBack) {
  options.group = true;
  options.colours = true;
  ASSERT_EQ(Run(), kExitOk) << (boxes.Count() ? boxes.Last().text : "");
  EXPECT_NE(out.str().find("Urlaubsplan gespeichert: "), std::string::npos);
  const auto chart = Chart();
  EXPECT_EQ(chart->calendarName, "KXNeutral");
  ASSERT_FALSE(chart->tasks.empty());
  const auto& first = *chart->tasks[0];
  EXPECT_EQ(first.outlineLevel, 1);
  EXPECT_TRUE(first.summary);
  // Every resource row carries its count and the period; a bar with gaps is split.
  int splitRows = 0, rows = 0;
  for (const auto& t : chart->tasks) {
    if (!t || t->outlineLevel != 2) continue;
    ++rows;
    EXPECT_TRUE(t->numbers.count("Zahl14")) << t->name;
    EXPECT_EQ(t->dates.at("Datum7"), DateSerial(2025, 1, 1));
    EXPECT_EQ(t->dates.at("Datum8"), DateSerial(2025, 12, 31));
    if (!t->gaps.empty()) ++splitRows;
    if (!t->hiddenBar) {
      // The days of the bar less its gaps are the vacation days.
      EXPECT_GT(t->numbers.at("Zahl14"), 0) << t->name;
    }
  }
  EXPECT_GT(rows, 20);
  EXPECT_GT(splitRows, 10);
  EXPECT_EQ(chart->definitions.customFieldTitles.at(188743990), "Anzahl Urlaubstage");
  EXPECT_EQ(chart->definitions.barStyles.size(), 5u);
}

TEST_F(ChartJob, ResourceScheduleCountsHoursWithOneDecimal) {
  options.plan = "schedule";
  ASSERT_EQ(Run(), kExitOk);
  bool hours = false;
  const auto chart = Chart();
  for (const auto& t : chart->tasks) {
    if (t && t->numbers.count("Zahl16") && t->numbers.at("Zahl16") > 0) hours = true;
  }
  EXPECT_TRUE(hours);
}

TEST_F(ChartJob, BadInputIsRefusedWithoutWritingAnything) {
  struct Case {
    const char* what;
    std::function<void(ChartJobOptions&)> change;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"missing source", [&](auto& o) { o.source = (dir / "fehlt.xml").string(); },
       "nicht vorhanden"},
      {"plan kind", [](auto& o) { o.plan = "gantt"; }, "Unbekannte Diagrammart"},
      {"year", [](auto& o) { o.year = 1983; }, "1983"},
      {"year", [](auto& o) { o.year = 2050; }, "2050"},
      {"start after end",
       [](auto& o) {
         o.year.reset();
         o.from = "2025-03-15";
         o.to = "01.03.2025";
       },
       "Das Enddatum liegt vor dem Anfangsdatum."},
      {"no date",
       [](auto& o) {
         o.from = "gestern";
         o.to = "2025-01-01";
       },
       "kein Datum"},
      {"calendar", [](auto& o) { o.calendar = "Mondkalender"; }, "Mondkalender"},
      {"filter", [](auto& o) { o.filter = "Gibt es nicht"; }, "Gibt es nicht"},
      {"colour", [](auto& o) { o.colour = 18; }, "18"},
      {"colour", [](auto& o) { o.colour = 0; }, "zwischen 1 und 17"},
      {"folder", [&](auto& o) { o.output = (dir / "nicht-da" / "c.xml").string(); },
       "nicht vorhanden"},
      {"folder as target", [&](auto& o) { o.output = dir.string(); }, "Ordner"},
      {"source is the target", [&](auto& o) { o.output = o.source; }, "als Projekt geöffnet"},
  };
  const std::string original = ReadFile(dir / "neubau_buerogebaeude.xml");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    c.change(options);
    boxes.Clear();
    EXPECT_EQ(Run(), kExitBadInput);
    ASSERT_GE(boxes.Count(), 1u);
    EXPECT_NE(boxes.Last().text.find(c.message), std::string::npos) << boxes.Last().text;
    EXPECT_FALSE(fs::exists(dir / "chart.xml"));
    EXPECT_EQ(ReadFile(dir / "neubau_buerogebaeude.xml"), original);
  }
}

TEST_F(ChartJob, NotProjectXmlIsRefusedWithItsName) {
  std::ofstream(dir / "kaputt.xml") << "<Project><Name>ab";
  options.source = (dir / "kaputt.xml").string();
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_NE(boxes.Last().text.find("kaputt.xml"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "chart.xml"));
}

TEST_F(ChartJob, SavedSettingsGoIntoTheCompanionFileOnly) {
  const std::string original = ReadFile(options.source);
  options.saveSettings = true;
  options.calendar = "7-Tage-Woche";
  ASSERT_EQ(Run(), kExitOk);
  EXPECT_EQ(ReadFile(options.source), original);
  ASSERT_TRUE(fs::exists(platform::CompanionPath(options.source)));
  // The next run without options takes the stored settings.
  const auto stored = platform::ReadProjectXml(options.source).project;
  bool found = false;
  for (const auto& p : stored->properties)
    if (p.name == "KXCalendar") found = p.value == "7-Tage-Woche";
  EXPECT_TRUE(found);
}

TEST_F(ChartJob, AFilterThatLeavesNoResourceIsRefused) {
  options.filter = "Kostenressourcen";
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_EQ(boxes.Last().text,
            "Es sind keine Ressourcen für das      \r\nRessourcendiagramm vorhanden. Bitte       "
            "\r\nwählen Sie einen anderen Filter aus.");
}

TEST(CommandLineDates, IsoAndGermanAreAccepted) {
  EXPECT_EQ(ParseCommandLineDate("2024-03-15"), DateSerial(2024, 3, 15));
  EXPECT_EQ(ParseCommandLineDate("15.03.2024"), DateSerial(2024, 3, 15));
  EXPECT_FALSE(ParseCommandLineDate("15/03/2024x"));
  EXPECT_FALSE(ParseCommandLineDate("2024-02-30"));
}

}  // namespace
}  // namespace kx::app
