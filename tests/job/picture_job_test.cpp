#include "job/picture_job.hpp"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "gantt/chart_painter.hpp"
#include "job/chart_job.hpp"
#include "job/chart_run.hpp"
#include "projectxml/project_xml.hpp"
#include "settings/chart_settings.hpp"
#include "support/registry.hpp"
#include "support/scripted_message_boxes.hpp"
#include "testing/test_folder.hpp"

namespace kx::job {
namespace {

namespace fs = std::filesystem;

using kx::testing::ReadFile;

// The example's vacation plan as the chart command runs it, its names taken as they are.
ChartRunOptions VacationPlan(const fs::path& source) {
  ChartRunOptions run;
  run.chart.source = source.string();
  run.chart.plan = settings::kPlanVacation;
  run.chart.yes = true;
  return run;
}

// A grouped vacation plan of the example project, made once for all tests.
class PictureJob : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    shared = fs::temp_directory_path() / ("kx-picture-" + std::to_string(::getpid()));
    fs::remove_all(shared);
    fs::create_directories(shared);
    for (const char* f : {"neubau_buerogebaeude.xml", "aussenanlagen.xml"})
      fs::copy_file(fs::path(KX_EXAMPLES_DIR) / f, shared / f);
    MemoryRegistryStore registry;
    std::ostringstream out, err;
    CommandEnvironment env{out, err, &registry};
    ChartRunOptions run = VacationPlan(shared / "neubau_buerogebaeude.xml");
    run.chart.output = (shared / "urlaub.xml").string();
    run.chart.year = 2025;
    run.chart.group = true;
    run.chart.colours = true;
    ASSERT_EQ(RunChart(run, env), kExitOk)
        << err.str();
  }
  static void TearDownTestSuite() { fs::remove_all(shared); }

  void SetUp() override {
    options = PictureJobOptions{};
    options.chart = (shared / "urlaub.xml").string();
    options.output = (shared / "urlaub.png").string();
    options.quiet = true;
  }

  int Run() {
    out.str("");
    err.str("");
    return RunPictureJob(options, out, err);
  }

  static fs::path shared;
  PictureJobOptions options;
  std::ostringstream out, err;
};

fs::path PictureJob::shared;

TEST_F(PictureJob, ThePngOfTheExampleShowsEachResourcesColour) {
  const std::string chartBefore = ReadFile(options.chart);
  ASSERT_EQ(Run(), kExitOk) << err.str();
  EXPECT_EQ(
      out.str().rfind(
          "Bild gespeichert: " + options.output + " (46 Zeilen, 01.01.2025 bis 31.12.2025, ", 0),
      0u)
      << out.str();
  const QImage image(QString::fromStdString(options.output));
  ASSERT_FALSE(image.isNull());

  // The same layout as the command's, to find the first resource's first vacation day.
  const auto chart = platform::ReadProjectXml(options.chart).project;
  const gantt::ChartModel model = gantt::BuildChartModel(*chart);
  const gantt::ChartPainter painter(model);
  EXPECT_EQ(image.size(), painter.Size().toSize());
  const gantt::Row& first = model.rows.at(1);
  ASSERT_FALSE(first.bars.empty());
  const gantt::Day day = first.bars[0].parts.front().first;
  const double x = painter.TableWidth() + painter.Scale().X(day) + painter.Scale().DayWidth() / 2;
  const double y = painter.RowRect(1).center().y();
  EXPECT_EQ(image.pixelColor(static_cast<int>(x), static_cast<int>(y)), QColor(255, 0, 0));
  // The chart file is read, never written.
  EXPECT_EQ(ReadFile(options.chart), chartBefore);
}

TEST_F(PictureJob, PdfAndSvgOfAStretchOfTheYear) {
  options.output = (shared / "sommer.pdf").string();
  options.from = "01.07.2025";
  options.to = "2025-08-31";
  options.paper = "A3";
  ASSERT_EQ(Run(), kExitOk) << err.str();
  EXPECT_NE(out.str().find("01.07.2025 bis 31.08.2025, 1 Seite)"), std::string::npos) << out.str();
  EXPECT_EQ(ReadFile(options.output).rfind("%PDF-", 0), 0u);

  options.output = (shared / "sommer.svg").string();
  options.noTable = true;
  options.dayWidth = "10";
  ASSERT_EQ(Run(), kExitOk) << err.str();
  EXPECT_EQ(ReadFile(options.output).find("Katrin Vogel"), std::string::npos);  // no table
}

TEST_F(PictureJob, BadOptionsAreNamedAndNothingIsWritten) {
  struct Case {
    std::function<void(PictureJobOptions&)> change;
    std::string message;
  };
  const std::vector<Case> cases = {
      {[](auto& o) { o.output = "bild.bmp"; },
       "Das Bildformat der Datei \"bild.bmp\" ist unbekannt: erlaubt sind .png, .svg und .pdf.\n"},
      {[](auto& o) { o.from = "32.01.2025"; },
       "Das Anfangsdatum \"32.01.2025\" ist kein Datum (z. B. 15.03.2024 oder 2024-03-15).\n"},
      {[](auto& o) {
         o.from = "2025-03-01";
         o.to = "2025-02-28";
       },
       "Das Enddatum 28.02.2025 liegt vor dem Anfangsdatum 01.03.2025.\n"},
      {[](auto& o) { o.from = "2026-01-01"; },
       "Das Anfangsdatum 01.01.2026 liegt nach dem Ende des Diagramms (31.12.2025).\n"},
      {[](auto& o) { o.to = "2024-12-31"; },
       "Das Enddatum 31.12.2024 liegt vor dem Anfang des Diagramms (01.01.2025).\n"},
      {[](auto& o) {
         o.from = "1900-01-01";
         o.to = "2099-12-31";
       },
       "Der Zeitraum 01.01.1900 bis 31.12.2099 ist länger als 100 Jahre; wählen Sie mit --from "
       "und --to einen kürzeren.\n"},
      {[](auto& o) { o.dayWidth = "0"; },
       "Die Tagesbreite 0 liegt nicht zwischen 0,5 und 200 Pixeln.\n"},
      {[](auto& o) { o.dayWidth = "200,5"; },
       "Die Tagesbreite 200,5 liegt nicht zwischen 0,5 und 200 Pixeln.\n"},
      {[](auto& o) { o.dayWidth = "breit"; },
       "Die Tagesbreite \"breit\" ist keine Zahl (z. B. 12 oder 2,5).\n"},
      {[](auto& o) { o.paper = "Letter"; },
       "Das Papierformat \"Letter\" ist unbekannt: erlaubt sind A4 und A3.\n"},
      {[](auto& o) { o.chart = (shared / "fehlt.xml").string(); },
       "Die Diagrammdatei \"" + (shared / "fehlt.xml").string() + "\" ist nicht vorhanden.\n"},
      {[](auto& o) { o.output = (shared / "fehlt" / "bild.png").string(); },
       "Der Ordner \"" + (shared / "fehlt").string() + "\" für das Bild ist nicht vorhanden.\n"},
  };
  for (const auto& c : cases) {
    SetUp();
    options.output = (shared / "nie.png").string();
    c.change(options);
    EXPECT_EQ(Run(), kExitBadInput) << c.message;
    EXPECT_EQ(err.str(), "korvalinx: Fehler: " + c.message);
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(fs::exists(shared / "nie.png"));
  }
}

// A PNG over the pixel limit is bad input, from a chart file as from a chart just made, and
// is found before anything is drawn or written.
TEST_F(PictureJob, APngOverThePixelLimitIsBadInput) {
  options.output = (shared / "gross.png").string();
  options.dayWidth = "200";
  options.from = "1990-01-01";
  options.to = "2049-12-31";
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_EQ(err.str().rfind("korvalinx: Fehler: " + options.output + ": Das Bild wäre ", 0), 0u)
      << err.str();
  EXPECT_FALSE(fs::exists(options.output));

  // Sixty-six years at their natural width and thousands of rows.
  auto chart = platform::ReadProjectXml(options.chart).project;
  for (const auto& t : chart->tasks) {
    if (!t) continue;
    t->dates["Datum7"] = DateSerial(1984, 1, 1);
    t->dates["Datum8"] = DateSerial(2049, 12, 31);
  }
  const auto rows = chart->tasks;
  for (int i = 0; i < 60; ++i) chart->tasks.insert(chart->tasks.end(), rows.begin(), rows.end());
  EXPECT_EQ(CheckChartPicture(*chart, "gross.png").rfind("gross.png: Das Bild wäre ", 0), 0u);
  EXPECT_EQ(CheckChartPicture(*chart, "gross.svg"), "");
}

TEST_F(PictureJob, DayWidthsTakeAGermanOrAPointDecimal) {
  for (const char* width : {"2,5", "2.5"}) {
    options.dayWidth = width;
    ASSERT_EQ(Run(), kExitOk) << err.str();
    const QImage image(QString::fromStdString(options.output));
    const auto chart = platform::ReadProjectXml(options.chart).project;
    const gantt::ChartModel model = gantt::BuildChartModel(*chart);
    gantt::PictureOptions o;
    o.dayWidth = 2.5;
    EXPECT_EQ(image.size(), gantt::ChartPainter(model, o).Size().toSize()) << width;
  }
}

TEST_F(PictureJob, ThePictureNeverReplacesTheChart) {
  // A chart file with a picture's name, and the picture asked for under the same name.
  const fs::path chartAsPng = shared / "diagramm.png";
  fs::copy_file(options.chart, chartAsPng, fs::copy_options::overwrite_existing);
  const std::string before = ReadFile(chartAsPng);
  options.chart = chartAsPng.string();
  options.output = (shared / "." / "diagramm.png").string();
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_EQ(err.str(), "korvalinx: Fehler: Das Bild \"" + options.output +
                           "\" würde die Diagrammdatei überschreiben; wählen Sie einen anderen "
                           "Namen.\n");
  EXPECT_EQ(ReadFile(chartAsPng), before);

  // Nor its companion, reached through a link with a picture's name.
  const fs::path companion = platform::CompanionPath(chartAsPng.string());
  std::ofstream(companion) << "{}";
  const fs::path link = shared / "begleitung.svg";
  fs::remove(link);
  fs::create_symlink(companion, link);
  options.output = link.string();
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_NE(err.str().find("würde die Begleitdatei der Diagrammdatei überschreiben"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(ReadFile(companion), "{}");

  // Nor any plan, or a file kept beside one, wherever a link leads.
  const fs::path plan = shared / "aussenanlagen.xml";
  const std::string planText = ReadFile(plan);
  for (const auto& [name, leads, named] :
       {std::tuple{"plan.png", plan, "würde die Projektdatei \"" + plan.string() + "\""},
        std::tuple{"journal.png", shared / ".aussenanlagen.xml.kxjournal",
                   "würde das Speicherprotokoll des Projekts \"" + plan.string() + "\""}}) {
    options.output = (shared / name).string();
    fs::remove(options.output);
    fs::create_symlink(leads, options.output);
    std::ofstream(shared / ".aussenanlagen.xml.kxjournal") << "{}";
    EXPECT_EQ(Run(), kExitBadInput);
    EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
  }
  EXPECT_EQ(ReadFile(plan), planText);
  EXPECT_EQ(ReadFile(shared / ".aussenanlagen.xml.kxjournal"), "{}");
  fs::remove(shared / ".aussenanlagen.xml.kxjournal");
}

TEST_F(PictureJob, AFileThatIsNoProjectIsReportedWithItsName) {
  const fs::path broken = shared / "kaputt.xml";
  std::ofstream(broken) << "<Project xmlns=\"http://schemas.microsoft.com/project\"><Tasks>";
  options.chart = broken.string();
  EXPECT_EQ(Run(), kExitBadInput);
  EXPECT_EQ(err.str().rfind("korvalinx: Fehler: Die Diagrammdatei kann nicht gelesen werden:\n  " +
                                broken.string(),
                            0),
            0u)
      << err.str();
}

// The chart command draws the chart it just made, in the same run; without -o no chart file.
TEST_F(PictureJob, TheChartCommandDrawsWhatItMade) {
  MemoryRegistryStore registry;
  out.str("");
  err.str("");
  CommandEnvironment env{out, err, &registry};
  const fs::path png = shared / "gleich.png", pdf = shared / "gleich.pdf";
  ChartRunOptions run = VacationPlan(shared / "neubau_buerogebaeude.xml");
  run.chart.year = 2025;
  run.pictures = {png.string(), pdf.string()};
  ASSERT_EQ(RunChart(run, env), kExitOk)
      << err.str();
  EXPECT_FALSE(QImage(QString::fromStdString(png.string())).isNull());
  EXPECT_EQ(ReadFile(pdf).rfind("%PDF", 0), 0u);
  EXPECT_NE(out.str().find("Bild gespeichert: " + png.string()), std::string::npos);
}

TEST_F(PictureJob, WhatReadingPassedOverEndsWithThree) {
  const fs::path chart = shared / "begleitung-kaputt.xml";
  fs::copy_file(options.chart, chart, fs::copy_options::overwrite_existing);
  std::ofstream(chart.string() + ".korvalinx.json") << "{ kaputt";
  options.chart = chart.string();
  options.quiet = false;
  EXPECT_EQ(Run(), kExitIncomplete) << err.str();
  EXPECT_NE(err.str().find("korvalinx: Warnung: "), std::string::npos);
  EXPECT_TRUE(fs::exists(options.output));
}

// A chart without a marked day still shows the period its title names, and the weekdays its
// comparison calendar keeps free (the project calendar's Neujahr) are shaded and named.
TEST_F(PictureJob, TheChartCommandsPictureShowsTheRunsPeriodAndFreeDays) {
  MemoryRegistryStore registry;
  out.str("");
  err.str("");
  CommandEnvironment env{out, err, &registry};
  const fs::path svg = shared / "leer.svg";
  ChartRunOptions run = VacationPlan(shared / "neubau_buerogebaeude.xml");
  run.chart.from = DateSerial(2025, 1, 1);
  run.chart.to = DateSerial(2025, 1, 2);
  run.chart.group = true;
  run.pictures = {svg.string()};
  ASSERT_EQ(RunChart(run, env), kExitOk)
      << err.str();
  const std::string text = ReadFile(svg.string());
  EXPECT_NE(text.find("01.01.2025 bis 02.01.2025"), std::string::npos);
  EXPECT_EQ(text.find("31.01.2025"), std::string::npos);
  EXPECT_NE(text.find("Neujahr"), std::string::npos);
}

}  // namespace
}  // namespace kx::job
