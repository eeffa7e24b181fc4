#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "command_line.hpp"
#include "job/chart_job.hpp"
#include "projectxml/project_xml.hpp"
#include "support/regional.hpp"
#include "testing/fixtures.hpp"
#include "testing/test_folder.hpp"

namespace kx::app {
namespace {

namespace fs = std::filesystem;
using job::kExitBadInput;
using job::kExitOk;

using kx::testing::ReadFile;

// Runs "korvalinx chart" on a copy of the example project, through the real command line.
class ChartCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    source = folder.CopyExamples();
    output = (dir / "chart.xml").string();
  }

  // Runs the command line with `args`; the source and -o are put in front unless `bare`.
  int Run(std::vector<std::string> args, bool bare = false) {
    if (!bare) args.insert(args.begin(), {"chart", source, "-o", output});
    out.str("");
    err.str("");
    CommandLineEnvironment env{out, err, &registry};
    return RunCommandLine(args, env);
  }
  // The vacation plan of 2025, with `more` options.
  int RunVacation(std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--plan", "vacation", "--year", "2025"};
    args.insert(args.end(), more.begin(), more.end());
    return Run(args);
  }
  std::shared_ptr<platform::ProjectData> Chart() {
    return platform::ReadProjectXml(output).project;
  }

  kx::testing::TestFolder folder{"kx-cli"};
  const fs::path& dir = folder.path();
  std::string source, output;
  MemoryRegistryStore registry;
  std::ostringstream out, err;
};

TEST_F(ChartCommand, VacationPlanOfTheExampleIsWrittenAndReadsBack) {
  ASSERT_EQ(RunVacation({"--group", "--colours"}), kExitOk) << err.str();
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

// KORVALINX_ZEITEN=1 adds one line with the seconds of each stage on standard error; the chart
// and standard output stay the same, and without it there is no such line.
TEST_F(ChartCommand, StageTimesOnlyOnRequest) {
  ASSERT_EQ(RunVacation(), kExitOk) << err.str();
  const std::string plain = ReadFile(output);
  EXPECT_EQ(err.str().find("Zeiten"), std::string::npos);
  const std::string line = out.str();

  ::setenv("KORVALINX_ZEITEN", "1", 1);
  const int code = RunVacation();
  ::unsetenv("KORVALINX_ZEITEN");
  ASSERT_EQ(code, kExitOk) << err.str();
  const std::string timings = err.str();
  ASSERT_EQ(timings.rfind("korvalinx: Zeiten lesen=", 0), 0u) << timings;
  for (const char* stage : {" vorbereiten=", " tage=", " zeilen=", " speichern=", " ausgaben="})
    EXPECT_NE(timings.find(stage), std::string::npos) << stage;
  EXPECT_EQ(timings.back(), '\n');
  EXPECT_EQ(out.str(), line);
  EXPECT_EQ(ReadFile(output), plain);
}

TEST_F(ChartCommand, ResourceScheduleCountsHoursWithOneDecimal) {
  ASSERT_EQ(Run({"--plan", "schedule", "--year", "2025"}), kExitOk) << err.str();
  bool hours = false;
  const auto chart = Chart();
  for (const auto& t : chart->tasks) {
    if (t && t->numbers.count("Zahl16") && t->numbers.at("Zahl16") > 0) hours = true;
  }
  EXPECT_TRUE(hours);
}

TEST_F(ChartCommand, BadInputIsRefusedWithoutWritingAnything) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::string missing = (dir / "fehlt.xml").string();
  const std::string noFolder = (dir / "nicht-da" / "c.xml").string();
  std::vector<Case> cases = {
      {{"chart", missing, "-o", "x.xml"}, "nicht vorhanden"},
      {{"--plan", "gantt"}, "--plan: \"gantt\" ist keine Diagrammart"},
      {{"--year", "1983"}, "--year: \"1983\" ist kein Jahr von 1984 bis 2049"},
      {{"--year", "2050"}, "\"2050\""},
      {{"--year", "abc"}, "--year: \"abc\" ist kein Jahr"},
      {{"--from", "2025-03-15", "--to", "01.03.2025"}, "Das Enddatum liegt vor dem Anfangsdatum."},
      {{"--from", "gestern", "--to", "2025-01-01"}, "--from: \"gestern\" ist kein Datum"},
      {{"--from", "2025-01-01"}, "zu --from fehlt --to"},
      {{"--year", "2025", "--from", "2025-01-01", "--to", "2025-02-01"}, "schließen einander aus"},
      {{"--period", "project", "--year", "2025"}, "schließen einander aus"},
      {{"--period", "jahr"}, "--period: \"jahr\" ist kein Zeitraum"},
      {{"--calendar", "Mondkalender", "--plan", "vacation"}, "Mondkalender"},
      {{"--filter", "Gibt es nicht"}, "Gibt es nicht"},
      {{"--colour", "18"}, "--colour: \"18\" ist keine Farbposition von 1 bis 17"},
      {{"--colour", "x"}, "--colour: \"x\""},
      {{"--colour", "3", "--colours"}, "--colour und --colours schließen einander aus"},
      {{"--yaer", "2025"}, "unbekannte Option \"--yaer\" (meinten Sie --year?)"},
      {{"--year"}, "bei --year fehlt der Wert"},
      {{"chart", missing}, "es fehlt eine Ausgabe: -o/--output (die Diagrammdatei), --csv"},
      {{"--csv", (dir / "nicht-da" / "t.csv").string()},
       "Der Ordner \"" + (dir / "nicht-da").string() + "\" für die CSV-Datei"},
      {{"--csv", (dir / "t.csv").string(), "--ics", (dir / "t.csv").string()},
       "ist zugleich die CSV-Datei"},
      {{"--xlsx", (dir / "chart.xml").string()}, "ist zugleich die Diagrammdatei"},
      {{"chart"}, "es fehlt die Angabe QUELLE"},
      {{"chart", "-o", noFolder, "x"}, ""},
      {{"chart", "a.xml", "b.xml", "-o", "c.xml"}, "überzähliges Argument \"b.xml\""},
      // Every empty output value alike; one setting given both ways; "--" ends the options.
      {{"chart", source, "-o", ""}, "--output: der Dateiname ist leer"},
      {{"--csv", ""}, "--csv: der Dateiname ist leer"},
      {{"--ics", ""}, "--ics: der Dateiname ist leer"},
      {{"--xlsx", ""}, "--xlsx: der Dateiname ist leer"},
      {{"--group", "--no-group"}, "--group und --no-group schließen einander aus"},
      {{"--drop-empty", "--keep-empty"}, "--keep-empty und --drop-empty schließen einander aus"},
      {{"chart", "--", source, "-o", "x.xml"},
       "überzähliges Argument \"-o\" (nach \"--\" ist jedes Wort ein Argument)"},
      // The chart's companion would have a name longer than a file system keeps.
      {{"chart", source, "-o", (dir / (std::string(241, 'a') + ".xml")).string()},
       ".xml.korvalinx.json\" des Diagramms hätte einen Namen von 260 Bytes"},
  };
#ifdef KX_WITH_PICTURE
  for (const char* picture : {"--png", "--svg", "--pdf"})
    cases.push_back({{picture, ""}, std::string(picture) + ": der Dateiname ist leer"});
  // A link that leads to the chart's companion, still to be written: the picture would replace it.
  const fs::path toCompanion = dir / "begleitung.png";
  fs::remove(toCompanion);
  fs::create_symlink(output + ".korvalinx.json", toCompanion);
  cases.push_back({{"--png", toCompanion.string()}, "ist keine gewöhnliche Datei"});
#endif
  const std::string original = ReadFile(source);
  for (const auto& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    const bool bare = c.args.front() == "chart";
    EXPECT_EQ(Run(c.args, bare), kExitBadInput);
    EXPECT_EQ(err.str().rfind("korvalinx: Fehler: ", 0), 0u) << err.str();
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(ReadFile(source), original);
  }
}

TEST_F(ChartCommand, TheWholeProjectNeedsItsDates) {
  const std::string original = ReadFile(source);
  const auto withDates = [&](const std::string& start, const std::string& finish) {
    std::string text = original;
    const auto replace = [&](const std::string& tag, const std::string& value) {
      const std::size_t at = text.find("<" + tag + ">");
      const std::size_t end = text.find("</" + tag + ">", at) + tag.size() + 3;
      text.replace(at, end - at, value.empty() ? "" : "<" + tag + ">" + value + "</" + tag + ">");
    };
    replace("StartDate", start);
    replace("FinishDate", finish);
    std::ofstream(source, std::ios::binary) << text;
    return Run({"--plan", "vacation", "--period", "project"});
  };
  EXPECT_EQ(withDates("", ""), kExitBadInput);
  EXPECT_NE(err.str().find(": das Projekt hat kein Anfangsdatum; wählen Sie den Zeitraum mit "
                           "--year JAHR oder --from DATUM --to DATUM."),
            std::string::npos)
      << err.str();
  EXPECT_EQ(withDates("2026-01-02T08:00:00", "2025-12-31T17:00:00"), kExitBadInput);
  EXPECT_NE(err.str().find(": das Projekt endet am 31.12.2025 vor seinem Anfang am 02.01.2026"),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(fs::exists(output));
  // A period of its own needs none.
  EXPECT_EQ(Run({"--plan", "vacation", "--year", "2025"}), kExitOk) << err.str();
}

// What a run cannot show is said: an option without the setting it needs, an empty result.
TEST_F(ChartCommand, WhatTheChartCannotShowIsSaid) {
  ASSERT_EQ(RunVacation({"--drop-empty"}), kExitOk) << err.str();
  EXPECT_NE(err.str().find("korvalinx: Warnung: --drop-empty wirkt nur zusammen mit --group"),
            std::string::npos)
      << err.str();
  ASSERT_EQ(RunVacation({"--drop-empty", "--group"}), kExitOk) << err.str();
  EXPECT_EQ(err.str(), "");
  ASSERT_EQ(Run({"--plan", "vacation", "--from", "01.01.2025", "--to", "02.01.2025"}), kExitOk);
  EXPECT_NE(err.str().find(": vom 01.01.2025 bis 02.01.2025 hat keine Ressource einen "
                           "Urlaubstag; das Diagramm zeigt keine Balken."),
            std::string::npos)
      << err.str();
}

// The comparison with a state's holidays keeps each base calendar's own days off: the Elektro
// group's company holidays are no vacation, Whit Monday inside a leave is none either.
TEST_F(ChartCommand, HolidaysAreAddedToEachResourcesComparisonCalendar) {
  const auto count = [&](const std::string& name) {
    const auto chart = Chart();
    for (const auto& t : chart->tasks)
      if (t && t->name == name) return t->numbers.at("Zahl14");
    return -1.0;
  };
  ASSERT_EQ(RunVacation(), kExitOk) << err.str();
  const double zimmermann = count("Frank Zimmermann"), hartmann = count("Julia Hartmann");
  EXPECT_EQ(zimmermann, 28);
  ASSERT_EQ(RunVacation({"--holidays", "BY"}), kExitOk) << err.str();
  EXPECT_EQ(count("Frank Zimmermann"), zimmermann);
  EXPECT_EQ(count("Julia Hartmann"), hartmann - 1);  // 19.06.2025, Fronleichnam in Bavaria
}

// Another region writes and reads dates and numbers its way; the field values the chart types
// stay the host's.
TEST_F(ChartCommand, AnotherRegionChangesDatesAndNumbersOnly) {
  RegionalSettings::SetCurrent(*RegionalSettings::ForName("en-GB"));
  const int grouped = RunVacation({"--group"});
  const auto chart = Chart();
  const int range = Run({"--plan", "vacation", "--from", "01/06/2025", "--to", "30/06/2025",
                         "--csv", (dir / "juni.csv").string()});
  const std::string csv = ReadFile((dir / "juni.csv").string());
  const int holidays = Run({"holidays", "BY", "--year", "2026"}, true);
  const std::string list = out.str();
  RegionalSettings::SetCurrent(RegionalSettings::German());
  EXPECT_EQ(grouped, kExitOk);
  int rolledUp = 0;
  for (const auto& t : chart->tasks) rolledUp += t && t->outlineLevel == 2 && t->rollup;
  EXPECT_GT(rolledUp, 20);
  EXPECT_EQ(range, kExitOk);
  EXPECT_NE(csv.find(";01/06/2025;"), std::string::npos);
  EXPECT_EQ(holidays, kExitOk);
  EXPECT_NE(list.find("\n01/01/2026  Donnerstag  Neujahr\n"), std::string::npos) << list;
}

TEST_F(ChartCommand, ParseErrorsPointToTheCommandsHelp) {
  EXPECT_EQ(Run({"--yaer", "2025"}), kExitBadInput);
  EXPECT_NE(err.str().find("\n  Hilfe: korvalinx chart --help\n"), std::string::npos) << err.str();
  EXPECT_EQ(Run({}, true), kExitBadInput);
  EXPECT_EQ(err.str().rfind("korvalinx: Fehler: es fehlt ein Befehl (chart, inspect", 0), 0u)
      << err.str();
  EXPECT_NE(err.str().find(")\n  Hilfe: korvalinx --help\n"), std::string::npos);
}

TEST_F(ChartCommand, VersionAndHelpAreGermanAndAligned) {
  EXPECT_EQ(Run({"--version"}, true), 0);
  EXPECT_EQ(out.str(), "Korvalinx 1.1.0024\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, std::vector<std::string>{"chart", "--help"},
        std::vector<std::string>{"inspect", "--help"}}) {
    ASSERT_EQ(Run(args, true), 0);
    const std::string help = out.str();
    SCOPED_TRACE(help);
    for (const char* english : {"Usage", "Options", "Subcommands", "OPTIONS", "{false}", "REQUIRED",
                                "TEXT", "Positionals"})
      EXPECT_EQ(help.find(english), std::string::npos) << english;
    EXPECT_NE(help.find("Aufruf: korvalinx"), std::string::npos);
    EXPECT_NE(help.find("Rückgabewerte:"), std::string::npos);
  }
  // The descriptions of the chart's options start in one column, umlauts or not.
  ASSERT_EQ(Run({"chart", "--help"}, true), 0);
  std::istringstream lines(out.str());
  std::string line;
  std::set<std::size_t> columns;
  while (std::getline(lines, line)) {
    if (line.rfind("  -", 0) != 0) continue;
    const std::size_t gap = line.find("  ", 2);
    ASSERT_NE(gap, std::string::npos) << line;
    std::size_t column = 0;
    for (std::size_t i = 0; i < line.find_first_not_of(' ', gap); ++i)
      if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
    columns.insert(column);
  }
  EXPECT_EQ(columns.size(), 1u);
  ASSERT_EQ(Run({"--help"}, true), 0);
  EXPECT_NE(out.str().find("Befehle:\n  chart"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("  inspect"), std::string::npos);
}

TEST_F(ChartCommand, NotProjectXmlIsRefusedWithItsName) {
  std::ofstream(dir / "kaputt.xml") << "<Project><Name>ab";
  source = (dir / "kaputt.xml").string();
  EXPECT_EQ(RunVacation(), kExitBadInput);
  EXPECT_NE(err.str().find("kaputt.xml"), std::string::npos);
  EXPECT_FALSE(fs::exists(output));
}

TEST_F(ChartCommand, SavedSettingsGoIntoTheCompanionFileOnly) {
  const std::string original = ReadFile(source);
  ASSERT_EQ(RunVacation({"--save-settings", "--calendar", "7-Tage-Woche"}), kExitOk) << err.str();
  EXPECT_EQ(ReadFile(source), original);
  ASSERT_TRUE(fs::exists(platform::CompanionPath(source)));
  const auto stored = platform::ReadProjectXml(source).project;
  bool found = false;
  for (const auto& p : stored->properties)
    if (p.name == "KXCalendar") found = p.value == "7-Tage-Woche";
  EXPECT_TRUE(found);

  // A companion that is a link of the user's to a companion file stays one: that file is written.
  const std::string kept = (dir / "vorlage.xml.korvalinx.json").string();
  fs::rename(platform::CompanionPath(source), kept);
  fs::create_symlink(kept, platform::CompanionPath(source));
  ASSERT_EQ(RunVacation({"--save-settings", "--calendar", "Standard"}), kExitOk) << err.str();
  EXPECT_TRUE(fs::is_symlink(platform::CompanionPath(source)));
  EXPECT_NE(ReadFile(kept).find("\"Standard\""), std::string::npos);
  // One that leads to any other file (the project itself, an inserted project, a file that is
  // no companion) is neither followed nor replaced, and that file stays as it was.
  const std::string inserted = (dir / "aussenanlagen.xml").string();
  const std::string insertedText = ReadFile(inserted);
  for (const std::string& target : {source, inserted}) {
    fs::remove(platform::CompanionPath(source));
    fs::create_symlink(target, platform::CompanionPath(source));
    EXPECT_EQ(RunVacation({"--save-settings"}), job::kExitWriteFailed) << target;
    EXPECT_TRUE(fs::is_symlink(platform::CompanionPath(source)));
  }
  EXPECT_EQ(ReadFile(source), original);
  EXPECT_EQ(ReadFile(inserted), insertedText);
}

// A setting stored in the project stays as it is unless its option is given: flags left out do
// not reset grouping or the empty resources.
TEST_F(ChartCommand, StoredSettingsHoldWhenTheirOptionsAreLeftOut) {
  ASSERT_EQ(RunVacation({"--group", "--keep-empty", "--save-settings"}), kExitOk) << err.str();
  fs::remove(output);
  ASSERT_EQ(Run({}), kExitOk) << err.str();
  const auto chart = Chart();
  int groups = 0, empty = 0;
  for (const auto& t : chart->tasks) {
    if (!t) continue;
    if (t->summary) ++groups;
    if (t->outlineLevel == 2 && t->numbers.count("Zahl14") && t->numbers.at("Zahl14") == 0) ++empty;
  }
  EXPECT_GT(groups, 0);
  EXPECT_GT(empty, 0);
  // And the negative flags change exactly their own setting.
  ASSERT_EQ(Run({"--no-group"}), kExitOk) << err.str();
  const auto ungrouped = Chart();
  for (const auto& t : ungrouped->tasks) EXPECT_FALSE(t && t->summary);
}

TEST_F(ChartCommand, DuplicateNamesStopTheRunNamingThemUnlessYes) {
  std::string xml = ReadFile(source);
  // Give the second resource the first one's name.
  const auto first = xml.find("<Resource>");
  const auto name1 = xml.find("<Name>", xml.find("<UID>1</UID>", first));
  const auto name2 = xml.find("<Name>", xml.find("<UID>2</UID>", first));
  const std::string taken = xml.substr(name1 + 6, xml.find("</Name>", name1) - name1 - 6);
  xml.replace(name2 + 6, xml.find("</Name>", name2) - name2 - 6, taken);
  std::ofstream(source, std::ios::binary | std::ios::trunc) << xml;
  EXPECT_EQ(RunVacation(), kExitBadInput);
  EXPECT_NE(err.str().find("doppelte Ressourcennamen: \"" + taken + "\""), std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("--yes"), std::string::npos);
  EXPECT_FALSE(fs::exists(output));
  EXPECT_EQ(RunVacation({"--yes"}), kExitOk) << err.str();
}

// No resource to chart is an error naming the file, whether a filter left none or the plan
// has none.
TEST_F(ChartCommand, NoResourcesAreAnErrorNamingTheFile) {
  EXPECT_EQ(RunVacation({"--filter", "Kostenressourcen"}), kExitBadInput);
  EXPECT_EQ(err.str(), "korvalinx: Fehler: " + source +
                           ": Es sind keine Ressourcen für das\n  Ressourcendiagramm "
                           "vorhanden. Bitte\n  wählen Sie einen anderen Filter aus.\n");
  std::string xml = ReadFile(source);
  const auto from = xml.find("<Resources>"), to = xml.find("</Assignments>");
  ASSERT_LT(from, to);
  xml.replace(from, to - from, "<Resources></Resources><Assignments>");
  std::ofstream(source, std::ios::binary | std::ios::trunc) << xml;
  EXPECT_EQ(Run({"--csv", (dir / "t.csv").string()}), kExitBadInput);
  EXPECT_EQ(err.str(),
            "korvalinx: Fehler: " + source + ": Das Projekt enthält keine Ressourcen.\n");
}

// Resources without a name are charted as "(ohne Namen)", and texts longer than a chart keeps
// are cut before the run goes on; both are said, naming the file.
TEST_F(ChartCommand, NamelessResourcesAndLongTextsAreShownAndSaid) {
  std::string xml = ReadFile(source);
  for (const char* uid : {"<UID>1</UID>", "<UID>2</UID>"}) {
    const auto name = xml.find("<Name>", xml.find(uid, xml.find("<Resource>")));
    xml.replace(name + 6, xml.find("</Name>", name) - name - 6, uid[5] == '1' ? "" : "   ");
  }
  const auto title = xml.find("<Title>") + 7;
  xml.replace(title, xml.find("</Title>") - title, std::string(600, 'T'));
  std::ofstream(source, std::ios::binary | std::ios::trunc) << xml;
  ASSERT_EQ(RunVacation({"--keep-empty", "--csv", (dir / "t.csv").string()}), kExitOk) << err.str();
  EXPECT_NE(err.str().find("korvalinx: Warnung: " + source +
                           ": 2 Ressourcen haben keinen Namen; das Diagramm zeigt sie als "
                           "\"(ohne Namen)\"."),
            std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("korvalinx: Warnung: " + source +
                           ": Der Titel ist länger als die 512 "
                           "Zeichen, die ein Diagramm aufnimmt, und wurde gekürzt."),
            std::string::npos)
      << err.str();
  const auto chart = Chart();
  EXPECT_EQ(chart->title.rfind("Urlaubsplan 2025 – TTT", 0), 0u);
  EXPECT_EQ(std::count_if(chart->title.begin(), chart->title.end(),
                          [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }),
            512);
  int nameless = 0;
  for (const auto& t : chart->tasks) nameless += t && t->name == "(ohne Namen)";
  EXPECT_EQ(nameless, 2);
  const std::string csv = ReadFile(dir / "t.csv");
  EXPECT_NE(csv.find(";(ohne Namen);"), std::string::npos);
}

// "--" ends the options: the source after it may start with "-".
TEST_F(ChartCommand, DoubleDashEndsTheOptions) {
  fs::rename(source, dir / "-quelle.xml");
  const fs::path before = fs::current_path();
  fs::current_path(dir);
  const int code = Run(
      {"chart", "--plan", "vacation", "--year", "2025", "-o", output, "--", "-quelle.xml"}, true);
  fs::current_path(before);
  EXPECT_EQ(code, kExitOk) << err.str();
  EXPECT_TRUE(fs::exists(output));
}

// One assignment's work of June 2026 as planning tools record it, a record a day: each from 08:00
// to 08:00 of the next day, the last one to 17:00. An empty value is a day without work.
std::string DayRecords(int resource, int firstDay, const std::vector<std::string>& values) {
  const auto day = [](int d) {
    return std::string("2026-06-") + (d < 10 ? "0" : "") + std::to_string(d);
  };
  std::string xml = "<Assignment><UID>" + std::to_string(resource) +
                    "</UID><TaskUID>1</TaskUID><ResourceUID>" + std::to_string(resource) +
                    "</ResourceUID>";
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int d = firstDay + static_cast<int>(i);
    const bool last = i + 1 == values.size();
    xml += "<TimephasedData><Type>1</Type><UID>" + std::to_string(resource) + "</UID><Start>" +
           day(d) + "T08:00:00</Start><Finish>" +
           (last ? day(d) + "T17:00:00" : day(d + 1) + "T08:00:00") + "</Finish><Unit>2</Unit>" +
           (values[i].empty() ? "" : "<Value>" + values[i] + "</Value>") + "</TimephasedData>";
  }
  return xml + "</Assignment>";
}

// Work on a day that the resource's calendar keeps free is that day's: none of it goes to the
// night after, so no other day gets work and the counts follow.
TEST_F(ChartCommand, WorkOnADayTheCalendarKeepsFreeCountsOnThatDay) {
  const auto vacation = [](const char* from, const char* to) {
    return std::string(
               "<WeekDays><WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod>") +
           "<FromDate>2026-06-" + from + "T00:00:00</FromDate><ToDate>2026-06-" + to +
           "T23:59:00</ToDate></TimePeriod></WeekDay></WeekDays>";
  };
  const auto calendar = [](int uid, const std::string& days) {
    return "<Calendar><UID>" + std::to_string(uid) + "</UID><Name>R" + std::to_string(uid) +
           "</Name><IsBaseCalendar>0</IsBaseCalendar><BaseCalendarUID>1</BaseCalendarUID>" + days +
           "</Calendar>";
  };
  const auto resource = [](int uid, const char* name, const char* calendarUid) {
    return "<Resource><UID>" + std::to_string(uid) + "</UID><ID>" + std::to_string(uid) +
           "</ID><Name>" + name + "</Name><Type>1</Type><CalendarUID>" + calendarUid +
           "</CalendarUID></Resource>";
  };
  // Anna works the whole week with a vacation day on Wednesday; Ben has vacation from Tuesday to
  // Thursday and works on the Wednesday only; Carl works on a Saturday. Mon 8 to Mon 15 June.
  std::ofstream(source, std::ios::binary | std::ios::trunc)
      << "<?xml version=\"1.0\"?>\n<Project xmlns=\"http://schemas.microsoft.com/project\">"
         "<StartDate>2026-06-08T08:00:00</StartDate><FinishDate>2026-06-15T17:00:00</FinishDate>"
         "<CalendarUID>1</CalendarUID><Calendars><Calendar><UID>1</UID><Name>Standard</Name>"
         "<IsBaseCalendar>1</IsBaseCalendar></Calendar>"
      << calendar(2, vacation("10", "10")) << calendar(3, vacation("09", "11"))
      << "</Calendars><Tasks><Task><UID>1</UID><ID>1</ID><Name>Montage</Name>"
         "<Start>2026-06-08T08:00:00</Start><Finish>2026-06-15T17:00:00</Finish></Task></Tasks>"
         "<Resources>"
      << resource(1, "Anna", "2") << resource(2, "Ben", "3") << resource(3, "Carl", "-1")
      << "</Resources><Assignments>"
      << DayRecords(1, 8, {"PT8H0M0S", "PT8H0M0S", "PT8H0M0S", "PT8H0M0S", "PT8H0M0S"})
      << DayRecords(2, 8, {"PT8H0M0S", "", "PT7H30M0S", "", "PT8H0M0S"})
      << DayRecords(3, 12, {"PT8H0M0S", "PT4H0M0S", "", "PT8H0M0S"})
      << "</Assignments></Project>\n";
  const std::string csv = (dir / "zeitplan.csv").string();
  ASSERT_EQ(Run({"--plan", "schedule", "--period", "project", "--csv", csv}), kExitOk) << err.str();
  std::vector<std::string> rows;
  const std::string text = ReadFile(csv);
  for (std::size_t at = text.find("\r\n"); at != std::string::npos && at + 2 < text.size();
       at = text.find("\r\n", at + 2))
    rows.push_back(text.substr(at + 2, text.find("\r\n", at + 2) - at - 2));
  EXPECT_EQ(rows, (std::vector<std::string>{"(keine);Anna;8;8;8;8;8;;;;5;40",
                                            "(keine);Ben;8;;7,5;;8;;;;3;23,5",
                                            "(keine);Carl;;;;;8;4;;8;3;20"}));
}

// The charts of a real file with work recorded by the minute, the hour and the day (days from
// 09:00 and from 23:00 among them) stay byte for byte as they were before work on free days
// counted on those days.
TEST_F(ChartCommand, ChartsOfARealFileStayTheSame) {
  KX_NEED_FIXTURES();
  source = (dir / "mspditimephased.xml").string();
  fs::copy_file(fs::path(kx::testing::FixturesDir()) / "mspditimephased.xml", source);
  const auto digest = [](const std::string& bytes) {  // FNV-1a, 64 bits
    std::uint64_t h = 14695981039346656037u;
    for (const unsigned char c : bytes) h = (h ^ c) * 1099511628211u;
    return h;
  };
  output = (dir / "zeitplan.xml").string();  // the chart's name is part of it
  ASSERT_EQ(Run({"--plan", "schedule", "--period", "project", "--yes"}), kExitOk) << err.str();
  const std::string schedule = ReadFile(output);
  EXPECT_EQ(schedule.size(), 236105u);
  EXPECT_EQ(digest(schedule), 0x735f26b5819872a5u);
  output = (dir / "urlaub.xml").string();
  ASSERT_EQ(Run({"--plan", "vacation", "--period", "project", "--yes"}), kExitOk) << err.str();
  const std::string vacation = ReadFile(output);
  EXPECT_EQ(vacation.size(), 78505u);
  EXPECT_EQ(digest(vacation), 0x5ca3fee3a4eef5eeu);
}

TEST(CommandLineDates, IsoAndGermanAreAccepted) {
  EXPECT_EQ(ParseCommandLineDate("2024-03-15"), DateSerial(2024, 3, 15));
  EXPECT_EQ(ParseCommandLineDate("15.03.2024"), DateSerial(2024, 3, 15));
  EXPECT_FALSE(ParseCommandLineDate("15/03/2024x"));
  EXPECT_FALSE(ParseCommandLineDate("2024-02-30"));
}

}  // namespace
}  // namespace kx::app
