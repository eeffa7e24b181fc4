#include <gtest/gtest.h>
#include <libical/ical.h>

#include <filesystem>
#include <set>

#include "exports/export_fixture.hpp"
#include "exports/exports.hpp"
#include "exports/table_readers.hpp"
#include "projectxml/project_xml.hpp"
#include "support/registry.hpp"
#include "testing/fixtures.hpp"
#include "testing/test_folder.hpp"

namespace kx::exports::testing {
namespace {

namespace fs = std::filesystem;

using Exports = ExportTest;

TEST_F(Exports, TargetsThatCannotBeWrittenAreNamedBeforeTheRun) {
  const std::string csv = File("tage.csv");
  EXPECT_EQ(CheckExportTargets({csv, File("tage.ics"), File("tage.xlsx")}, File("chart.xml")),
            std::nullopt);
  EXPECT_EQ(CheckExportTargets({csv, (dir / "." / "tage.csv").string(), ""}, ""),
            "Die Kalenderdatei \"" + (dir / "." / "tage.csv").string() +
                "\" ist zugleich die CSV-Datei.");
  EXPECT_EQ(CheckExportTargets({"", "", File("chart.xml")}, File("chart.xml")),
            "Die Arbeitsmappe \"" + File("chart.xml") + "\" ist zugleich die Diagrammdatei.");
  EXPECT_EQ(CheckExportTargets({File("fehlt/tage.csv"), "", ""}, ""),
            "Der Ordner \"" + File("fehlt") + "\" für die CSV-Datei \"" + File("fehlt/tage.csv") +
                "\" ist nicht vorhanden.");
  EXPECT_EQ(CheckExportTargets({"", dir.string(), ""}, ""),
            "Die Kalenderdatei \"" + dir.string() + "\" ist ein Ordner, keine Datei.");
}

TEST_F(Exports, AFailedFileIsReportedAndTheOthersAreStillWritten) {
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(March(5), March(5))};
  Run(true);
  { std::ofstream(File("alt.xlsx")) << "frühere Datei"; }
  fs::create_directories(dir / "ordner.ics");
  ScriptedMessageBoxes messages;
  std::vector<std::string> written;
  EXPECT_FALSE(WriteExports(*engine, "Bau", "",
                            {File("tage.csv"), File("ordner.ics"), File("fehlt/tage.xlsx")},
                            messages, &written));
  ASSERT_EQ(messages.Count(), 2u);
  EXPECT_EQ(messages.Requests()[0].text.rfind("Die Kalenderdatei \"" + File("ordner.ics") +
                                                  "\" konnte nicht geschrieben werden:\r\n",
                                              0),
            0u)
      << messages.Requests()[0].text;
  EXPECT_EQ(messages.Requests()[1].text.rfind("Die Arbeitsmappe \"" + File("fehlt/tage.xlsx") +
                                                  "\" konnte nicht geschrieben werden:\r\n",
                                              0),
            0u);
  EXPECT_EQ(messages.Requests()[0].title, "Korvalinx");
  EXPECT_EQ(written, std::vector<std::string>{"CSV-Datei gespeichert: " + File("tage.csv")});
  EXPECT_TRUE(fs::is_directory(dir / "ordner.ics"));
  EXPECT_TRUE(fs::is_empty(dir / "ordner.ics"));
  // No temporary file is left behind.
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

TEST_F(Exports, ANameAsLongAsANameMayBeIsWritten) {
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(March(5), March(5))};
  Run(true);
  const std::string name = File(std::string(251, 'u') + ".csv");
  ScriptedMessageBoxes messages;
  EXPECT_TRUE(WriteExports(*engine, "Bau", "", {name, "", ""}, messages));
  EXPECT_EQ(messages.Count(), 0u);
  EXPECT_TRUE(fs::exists(name));
}

TEST_F(Exports, AnEngineWithoutARunExportsNothing) {
  AddResource("Anna", "Planung");
  auto& e = Engine();
  ScriptedMessageBoxes messages;
  EXPECT_FALSE(WriteExports(e, "Bau", "", {File("tage.csv"), "", ""}, messages));
  EXPECT_EQ(messages.Last().text, "Es wurde kein Diagramm erstellt, aus dem exportiert werden könnte.");
  EXPECT_FALSE(fs::exists(File("tage.csv")));
}

// The example project's vacation plan of 2025, grouped, a colour per resource.
class ExampleProject : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CanUnzip()) GTEST_SKIP() << "unzip is not installed (scripts/setup installs it)";
    source = folder.CopyExamples();
    dir = folder.path();
  }

  kx::testing::TestFolder folder{"kx-exports"};
  std::string source;
  fs::path dir;
};

TEST_F(ExampleProject, TheThreeFilesShowTheSameDaysAsTheChart) {
  // The example inserts a second project; the host opens it beside the master.
  platform::PlanningHost host(std::make_shared<platform::ProjectXmlFormat>());
  host.OpenProject(source);
  ScriptedMessageBoxes messages;
  NoWaitClock clock;
  MemoryRegistryStore registry;
  chart::clsKorvalinx e({&host, nullptr, &messages, &clock, &registry, nullptr, nullptr});
  e.GetSettings();
  e.lngPlanType = 1;
  e.lngPlanDuration = 1;
  e.lngPlanDurationYear = 2025;
  e.blnGroupResources = true;
  e.blnUseNullValues = true;
  e.lngColorType = 1;
  e.strChartPath = (dir / "urlaub.xml").string();
  e.GetResourceData();
  e.SetFilter("Alle Ressourcen");
  e.ExportChart();
  ASSERT_EQ(e.LastRunOutcome(), chart::RunOutcome::Saved);
  const auto chart = host.ActiveData();

  const ExportTargets targets{(dir / "urlaub.csv").string(), (dir / "urlaub.ics").string(),
                              (dir / "urlaub.xlsx").string()};
  ASSERT_TRUE(WriteExports(e, "Neubau Bürogebäude", e.strChartPath, targets, messages)) << messages.Last().text;

  const CsvFile csv = ParseCsv(ReadText(targets.csv));
  const XlsxSheet sheet = ReadXlsxSheet(targets.xlsx, 1);
  std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> calendar(
      icalparser_parse_string(ReadText(targets.ics).c_str()), icalcomponent_free);
  ASSERT_TRUE(calendar);

  // One line per resource row of the chart, in the chart's order, with its vacation count.
  std::vector<std::shared_ptr<platform::TaskData>> resourceRows;
  for (const auto& task : chart->tasks)
    if (task && task->outlineLevel == 2) resourceRows.push_back(task);
  ASSERT_GT(resourceRows.size(), 20u);
  ASSERT_EQ(csv.lines.size(), resourceRows.size() + 1);
  EXPECT_EQ(csv.lines[0].size(), 2u + 365u + 1u);
  std::map<std::string, std::set<std::string>> vacationDays;  // by name: "20250602"
  long total = 0;
  for (std::size_t i = 0; i < resourceRows.size(); ++i) {
    const auto& line = csv.lines[i + 1];
    const std::string row = std::to_string(i + 2);
    ASSERT_EQ(line.size(), csv.lines[0].size());
    EXPECT_EQ(line[1], resourceRows[i]->name);
    EXPECT_EQ(sheet.At("B" + row)->text, line[1]);
    int count = 0;
    for (std::size_t c = 2; c + 1 < line.size(); ++c) {
      if (line[c].empty()) continue;
      EXPECT_EQ(line[c], "U");
      ++count;
      const std::string& d = csv.lines[0][c];  // dd.mm.yyyy
      vacationDays[line[1]].insert(d.substr(6, 4) + d.substr(3, 2) + d.substr(0, 2));
      EXPECT_EQ(sheet.At(ColumnName(static_cast<int>(c) + 1) + row)->text, "U");
    }
    EXPECT_EQ(line.back(), std::to_string(count)) << line[1];
    EXPECT_EQ(resourceRows[i]->numbers.at("Zahl14"), count) << line[1];
    EXPECT_EQ(sheet.Number(ColumnName(static_cast<int>(line.size())) + row), count);
    total += count;
  }
  ASSERT_GT(total, 100);

  // Every event starts and ends on a vacation day of its resource, and together the events
  // hold every vacation day once.
  std::map<std::string, std::set<std::string>> covered;
  std::set<std::string> uids;
  for (auto* c = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT); c;
       c = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
    EXPECT_TRUE(uids.insert(icalcomponent_get_uid(c)).second) << icalcomponent_get_uid(c);
    const std::string name = std::string(icalcomponent_get_summary(c)).substr(8);  // "Urlaub: "
    const auto& days = vacationDays[name];
    icaltimetype day = icalcomponent_get_dtstart(c);
    const icaltimetype end = icalcomponent_get_dtend(c);
    char first[16], last[16];
    std::snprintf(first, sizeof first, "%04d%02d%02d", day.year, day.month, day.day);
    icaltimetype before = end;
    icaltime_adjust(&before, -1, 0, 0, 0);
    std::snprintf(last, sizeof last, "%04d%02d%02d", before.year, before.month, before.day);
    EXPECT_TRUE(days.count(first)) << name << " " << first;
    EXPECT_TRUE(days.count(last)) << name << " " << last;
    for (; icaltime_compare_date_only(day, end) < 0; icaltime_adjust(&day, 1, 0, 0, 0)) {
      char key[16];
      std::snprintf(key, sizeof key, "%04d%02d%02d", day.year, day.month, day.day);
      if (days.count(key)) {
        EXPECT_TRUE(covered[name].insert(key).second) << name << key;
      }
    }
  }
  EXPECT_EQ(covered, [&] {
    auto marked = vacationDays;
    for (auto it = marked.begin(); it != marked.end();)
      it = it->second.empty() ? marked.erase(it) : std::next(it);
    return marked;
  }());
  EXPECT_LT(uids.size(), static_cast<std::size_t>(total));  // weekends joined some runs
}

// Real project files of other planning tools: both plans over each project's whole period give
// three files that read back alike.
TEST_F(ExampleProject, RealProjectFilesGiveFilesThatReadBack) {
  KX_NEED_FIXTURES();
  const fs::path fixtures(kx::testing::FixturesDir());
  for (const char* file : {"sample.xml", "mspditimephased.xml",
                           "calendar-recurring-exceptions-project2010-mspdi.xml",
                           "resource-type-project2010-mspdi.xml"}) {
    for (const int plan : {0, 1}) {
      SCOPED_TRACE(std::string(file) + (plan == 1 ? " Urlaubsplan" : " Ressourcenzeitplan"));
      platform::PlanningHost host(std::make_shared<platform::ProjectXmlFormat>());
      host::Resume open;
      ASSERT_TRUE(open([&] { host.OpenProject((fixtures / file).string()); }));
      ScriptedMessageBoxes messages;
      NoWaitClock clock;
      MemoryRegistryStore registry;
      chart::clsKorvalinx e({&host, nullptr, &messages, &clock, &registry, nullptr, nullptr});
      e.GetSettings();
      e.lngPlanType = plan;
      e.lngPlanDuration = 0;
      e.blnGroupResources = true;
      e.strChartPath = (dir / "chart.xml").string();
      e.GetResourceData();
      e.SetFilter("Alle Ressourcen");
      e.ExportChart();
      const ExportTargets targets{(dir / "t.csv").string(), (dir / "t.ics").string(),
                                  (dir / "t.xlsx").string()};
      ASSERT_TRUE(WriteExports(e, file, "", targets, messages)) << messages.Last().text;

      const CsvFile csv = ParseCsv(ReadText(targets.csv));
      ASSERT_GE(csv.lines.size(), 1u);
      const std::size_t columns = csv.lines[0].size();
      for (const auto& line : csv.lines) EXPECT_EQ(line.size(), columns);
      std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> calendar(
          icalparser_parse_string(ReadText(targets.ics).c_str()), icalcomponent_free);
      ASSERT_TRUE(calendar);
      EXPECT_EQ(icalcomponent_count_errors(calendar.get()), 0);
      const XlsxSheet sheet = ReadXlsxSheet(targets.xlsx, 1);
      for (std::size_t i = 1; i < csv.lines.size(); ++i) {
        const XlsxCell* name = sheet.At("B" + std::to_string(i + 1));
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text, csv.lines[i][1]);
      }
    }
  }
}

}  // namespace
}  // namespace kx::exports::testing
