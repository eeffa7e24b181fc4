#include "job/chart_job.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <fstream>
#include <string>
#include <vector>

#include "chart/korvalinx.hpp"
#include "model/model.hpp"
#include "resources/resource_model.hpp"
#include "settings/chart_settings.hpp"
#include "support/scripted_message_boxes.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/schema_check.hpp"
#include "testing/test_folder.hpp"

namespace kx::job {
namespace {

namespace fs = std::filesystem;

std::string ReadFileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

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

// The stages are named in their order as they begin, the file written in the save; a source
// that cannot be read ends after its reading.
TEST_F(ChartJob, StagesAreNamedAsTheyBegin) {
  options.output = (dir / "chart.xml").string();
  std::vector<std::string> stages;
  bool writtenBeforeSave = false;
  ChartJobServices services{boxes, registry, nullptr, nullptr, nullptr};
  services.stage = [&](const char* stage) {
    if (std::string(stage) == "speichern") writtenBeforeSave = fs::exists(dir / "chart.xml");
    stages.push_back(stage);
  };
  EXPECT_EQ(RunChartJob(options, services), kExitOk);
  EXPECT_EQ(stages, (std::vector<std::string>{"lesen", "vorbereiten", "tage", "zeilen",
                                              "speichern", "ausgaben", "ende"}));
  EXPECT_FALSE(writtenBeforeSave);
  EXPECT_TRUE(fs::exists(dir / "chart.xml"));

  stages.clear();
  options.source = (dir / "kaputt.xml").string();
  std::ofstream(options.source) << "<Project";
  EXPECT_EQ(RunChartJob(options, services), kExitBadInput);
  EXPECT_EQ(stages, (std::vector<std::string>{"lesen", "vorbereiten", "ende"}));
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

TEST_F(ChartJob, TheChartSaysWhatItIsAndValidates) {
  options.output = (dir / "urlaub.xml").string();
  ASSERT_EQ(Run(), kExitOk) << (boxes.Count() ? boxes.Last().text : "");
  const auto chart = platform::ReadProjectXml(*options.output).project;
  EXPECT_EQ(chart->title, "Urlaubsplan 2025 – Neubau Bürogebäude");
  EXPECT_EQ(chart->name, "urlaub.xml");
  options.plan = settings::kPlanSchedule;
  options.year.reset();
  options.from = DateSerial(2025, 3, 1);
  options.to = DateSerial(2025, 6, 30);
  options.output = (dir / "zeitplan.xml").string();
  ASSERT_EQ(Run(), kExitOk) << (boxes.Count() ? boxes.Last().text : "");
  EXPECT_EQ(platform::ReadProjectXml(*options.output).project->title,
            "Ressourcenzeitplan 01.03.2025 bis 30.06.2025 – Neubau Bürogebäude");
  for (const char* file : {"urlaub.xml", "zeitplan.xml"}) {
    SCOPED_TRACE(file);
    platform::testing::ExpectValidProjectXml((dir / file).string());
  }
}

TEST_F(ChartJob, NoFileOfTheSourceIsReplaced) {
  const std::string before = ReadFileText(dir / "aussenanlagen.xml");
  for (const fs::path& target : {dir / "aussenanlagen.xml", dir / "aussenanlagen.xml.korvalinx.json",
                                dir / "neubau_buerogebaeude.xml.korvalinx.json"}) {
    SCOPED_TRACE(target.string());
    options.output = target.string();
    options.yes = true;
    EXPECT_EQ(Run(), kExitBadInput);
    EXPECT_NE(boxes.Last().text.find(target.string()), std::string::npos) << boxes.Last().text;
  }
  EXPECT_EQ(ReadFileText(dir / "aussenanlagen.xml"), before);
  EXPECT_FALSE(fs::exists(dir / "aussenanlagen.xml.korvalinx.json"));
}

TEST_F(ChartJob, APeriodBeyondTheCalendarYearsIsRefusedBeforeAnythingIsWritten) {
  options.output = (dir / "chart.xml").string();
  options.saveSettings = true;
  options.year.reset();
  options.from = DateSerial(2049, 6, 1);
  options.to = DateSerial(2050, 3, 31);
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_EQ(boxes.Last().text,
            "Der Zeitraum 01.06.2049 bis 31.03.2050 reicht über die Kalenderjahre 1984 bis 2049 "
            "hinaus; ein Diagramm kann nur Tage dieser Jahre zeigen.");
  EXPECT_FALSE(fs::exists(dir / "chart.xml"));
  EXPECT_FALSE(fs::exists(options.source + ".korvalinx.json"));
}

// A stored value that the run would take is checked as its option is: refused from the
// companion file with what is wrong, unless an option takes its place.
TEST_F(ChartJob, StoredSettingsAreCheckedLikeTheirOptions) {
  const auto store = [&](const std::vector<std::pair<std::string, std::string>>& values) {
    auto data = platform::ReadProjectXml(options.source).project;
    data->properties.clear();
    for (const auto& [name, value] : values) data->properties.push_back({name, value, 4, false});
    platform::SaveCompanionOnly(*data, options.source);
  };
  options.output = (dir / "chart.xml").string();
  options.year.reset();
  options.yes = true;
  const std::string companion = platform::CompanionPath(options.source);
  for (const char* year : {"99999999999999999999", "-2025", "zwanzig"}) {
    SCOPED_TRACE(year);
    store({{"KXPlanDuration", "1"}, {"KXPlanDurationYear", year}});
    EXPECT_EQ(Run(), kExitBadInput);
    EXPECT_EQ(boxes.Last().text,
              "Die Begleitdatei \"" + companion +
                  "\" speichert eine ungültige Einstellung:\r\n- KXPlanDurationYear (--year): \"" +
                  year +
                  "\" ist kein Jahr von 1984 bis 2049\r\nEine Option übergeht die gespeicherte "
                  "Einstellung, mit --save-settings wird sie ersetzt.");
    EXPECT_EQ(boxes.Last().icon, MsgIcon::Critical);
    EXPECT_FALSE(fs::exists(dir / "chart.xml"));
  }
  store({{"KXPlanDuration", "2"},
         {"KXPlanDurationStart", "31.12.2049"},
         {"KXPlanDurationFinish", "01.01.1984"}});
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_NE(boxes.Last().text.find("- KXPlanDurationFinish (--from/--to): das Enddatum "
                                   "\"01.01.1984\" liegt vor dem Anfangsdatum \"31.12.2049\""),
            std::string::npos)
      << boxes.Last().text;
  EXPECT_FALSE(fs::exists(dir / "chart.xml"));

  // An option in its place: the stored value is not taken, and the run goes on.
  options.from = DateSerial(2025, 3, 1);
  options.to = DateSerial(2025, 3, 31);
  EXPECT_EQ(Run(), kExitOk) << boxes.Last().text;
}

// The outputs look at the chart before anything is written: a refusal writes neither the chart
// nor the settings, and no output runs.
TEST_F(ChartJob, AnOutputsCheckRefusesBeforeAnythingIsWritten) {
  options.output = (dir / "chart.xml").string();
  options.saveSettings = true;
  std::size_t rows = 0;
  options.checks.push_back([&](const FinishedChart& chart) {
    rows = chart.chart ? chart.chart->tasks.size() : 0;
    return std::string("bild.png: zu groß");
  });
  bool written = false;
  options.outputs.push_back([&](const FinishedChart&, MessageBoxes&) { return written = true; });
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_GT(rows, 20u);
  EXPECT_EQ(boxes.Last().text, "bild.png: zu groß");
  EXPECT_EQ(boxes.Last().icon, MsgIcon::Critical);
  EXPECT_FALSE(written);
  EXPECT_FALSE(fs::exists(dir / "chart.xml"));
  EXPECT_FALSE(fs::exists(platform::CompanionPath(options.source)));
}

TEST_F(ChartJob, ATargetThatCannotBeWrittenEndsWithTheWriteCode) {
  options.output = (dir / "chart.xml").string();
  { std::ofstream(dir / "chart.xml") << "alt"; }
  fs::permissions(dir / "chart.xml", fs::perms::owner_read);
  EXPECT_EQ(Run(), kExitWriteFailed);
  EXPECT_EQ(ReadFileText(dir / "chart.xml"), "alt");
}

// A plan whose calendars carry no holidays: with the holidays of a state the vacation plan
// compares with "Feiertage <Land>", and the holidays inside a leave are no vacation days. The
// source file stays as it was, also when the settings are saved.
TEST_F(ChartJob, HolidaysOfAStateAreNoVacationDays) {
  auto data = platform::ReadProjectXml(options.source).project;
  data->FindCalendar("Standard")->exceptions.clear();
  platform::SaveProjectXml(*data, options.source);
  const std::string before = ReadFileText(options.source);
  // Julia Hartmann is away from Pfingstmontag 09.06.2025 to 23.06.2025, over Fronleichnam.
  std::map<std::string, bool> days;
  options.outputs.push_back([&](const FinishedChart& chart, MessageBoxes&) {
    const auto& list = chart.engine.objResources->colResources;
    for (long i = 1; i <= list.Count(); ++i) {
      if (list.Item(i)->ProjectResource->GetResourceName() != "Julia Hartmann") continue;
      for (long d = 1; d <= list.Item(i)->colHolidays.Count(); ++d) {
        const auto& day = *list.Item(i)->colHolidays.Item(d);
        days[ToText(day.varDate)] = day.blnIsHoliday;
      }
    }
    return true;
  });
  ASSERT_EQ(Run(), kExitOk);
  EXPECT_TRUE(days.at("09.06.2025"));
  EXPECT_TRUE(days.at("19.06.2025"));
  EXPECT_TRUE(days.at("10.06.2025"));

  days.clear();
  options.holidays = holidays::State::NW;
  options.saveSettings = true;
  ASSERT_EQ(Run(), kExitOk) << (boxes.Count() ? boxes.Last().text : "");
  EXPECT_FALSE(days.at("09.06.2025"));  // Pfingstmontag
  EXPECT_FALSE(days.at("19.06.2025"));  // Fronleichnam
  EXPECT_TRUE(days.at("10.06.2025"));
  EXPECT_EQ(ReadFileText(options.source), before);
  // The stored settings keep the comparison the user chose, not the calendar made for the run.
  const std::string companion = ReadFileText(options.source + ".korvalinx.json");
  EXPECT_EQ(companion.find("Feiertage"), std::string::npos);

  options.calendar = "7-Tage-Woche";
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_EQ(boxes.Last().text,
            "Ein Vergleichskalender und die Feiertage eines Landes schließen einander aus.");

  options.calendar.reset();
  options.holidays = holidays::State::SN;
  options.year = 1990;
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_NE(boxes.Last().text.find("Für Sachsen sind Feiertage ab 1991 enthalten"),
            std::string::npos);
}

}  // namespace
}  // namespace kx::job
