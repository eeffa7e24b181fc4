#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "chart/checks.hpp"
#include "projectxml/project_xml.hpp"
#include "wizard/wizard_fixture.hpp"

namespace kx::wizard::testing {
namespace {

using ChecksTest = WizardTest;

std::optional<chart::PathProblem> Problem(host::Application* app, const std::string& path) {
  const auto problem = chart::CheckChartPath(app, path);
  if (!problem) return std::nullopt;
  EXPECT_EQ(problem->check, chart::CheckKind::Path);
  EXPECT_EQ(problem->title, "Korvalinx Assistent");
  EXPECT_FALSE(problem->detail.empty());
  return problem->path;
}

TEST_F(ChecksTest, ChartPathIsRefusedOnlyWhereTheChartCouldNotBeSaved) {
  host->AddProject(source);
  platform::PlanningHost* app = host.get();
  const fs::path file = dir / "Plan.mpp";
  std::ofstream(file) << "alt\n";

  // Places where the chart can be saved: a new file, an ordinary writable file.
  EXPECT_EQ(Problem(app, (dir / "Neu.mpp").string()), std::nullopt);
  EXPECT_EQ(Problem(app, file.string()), std::nullopt);

  EXPECT_EQ(Problem(app, ""), chart::PathProblem::Missing);
  EXPECT_EQ(Problem(app, "   "), chart::PathProblem::Missing);
  EXPECT_EQ(chart::CheckChartPath(app, "")->text, chart::kTextPathMissing);
  EXPECT_EQ(chart::CheckChartPath(app, "", true)->text, chart::kTextPathMissing);

  EXPECT_EQ(Problem(app, dir.string()), chart::PathProblem::Folder);
  EXPECT_EQ(Problem(app, dir.string() + "/"), chart::PathProblem::Folder);
  EXPECT_EQ(Problem(app, (dir / "fehlt" / "Plan.mpp").string()), chart::PathProblem::NoFolder);
  EXPECT_EQ(Problem(app, (file / "Plan.mpp").string()), chart::PathProblem::NoFolder);

  ASSERT_EQ(::mkfifo((dir / "Rohr").c_str(), 0600), 0);
  EXPECT_EQ(Problem(app, (dir / "Rohr").string()), chart::PathProblem::NotAFile);

  fs::permissions(file, fs::perms::owner_read);
  EXPECT_EQ(Problem(app, file.string()), chart::PathProblem::WriteProtected);
  EXPECT_EQ(chart::CheckChartPath(app, file.string())->text, chart::kTextPathRefused);
  EXPECT_EQ(chart::CheckChartPath(app, file.string(), true)->text, chart::kTextPathRefusedAtFinish);

  // The source project's file, however it is written.
  EXPECT_EQ(Problem(app, source->fullName), chart::PathProblem::OpenInHost);
  EXPECT_EQ(Problem(app, (dir / "sub" / ".." / "Bau.xml").string()), chart::PathProblem::OpenInHost);
  EXPECT_EQ(Problem(nullptr, source->fullName), std::nullopt);

  // A folder that cannot be written (only a user without every right can see this).
  if (::geteuid() != 0) {
    const fs::path locked = dir / "gesperrt";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Problem(app, (locked / "Plan.mpp").string()), chart::PathProblem::FolderReadOnly);
  }
  EXPECT_EQ(ReadFile(file), "alt\n");
}

TEST_F(ChecksTest, MessagesKeepTheirBlanksAndLineBreaks) {
  EXPECT_EQ(std::string(chart::kTextPathRefused),
            "Die Diagrammdatei kann an der ausgewählten Stelle      \r\n"
            "nicht gespeichert werden. Bitte wählen Sie einen      \r\n"
            "anderen Speicherort aus.");
  EXPECT_EQ(std::string(chart::kTextPathRefusedAtFinish),
            "Die Diagrammdatei kann an der ausgewählten Stelle      \r\n"
            "nicht gespeichert werden. Bitte wählen Sie einen    \r\n"
            "anderen Speicherort aus.");
  EXPECT_EQ(std::string(chart::kTextNoChartResources),
            "Es sind keine Ressourcen für das      \r\n"
            "Ressourcendiagramm vorhanden. Bitte       \r\n"
            "wählen Sie einen anderen Filter aus.");
}

TEST(CheckTest, DateRangeComparesWholeDays) {
  EXPECT_EQ(chart::CheckDateRange(DateTimeSerial(2024, 5, 2, 17, 0), DateTimeSerial(2024, 5, 2, 8, 0)),
            std::nullopt);
  EXPECT_EQ(chart::CheckDateRange(DateSerial(2024, 5, 1), DateSerial(2024, 5, 2)), std::nullopt);
  const auto problem = chart::CheckDateRange(DateSerial(2024, 5, 2), DateTimeSerial(2024, 5, 1, 23, 59));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->check, chart::CheckKind::Date);
  EXPECT_EQ(problem->title, "Korvalinx");
  EXPECT_EQ(problem->text,
            "Das Enddatum liegt vor dem Anfangsdatum.      \r\nBitte wählen Sie ein späteres "
            "Enddatum.");
}

TEST(CheckTest, APeriodOutsideTheCalendarYearsIsRefusedWithItsDates) {
  EXPECT_EQ(chart::CheckCalendarYears(DateSerial(1984, 1, 1), DateTimeSerial(2049, 12, 31, 17, 0)),
            std::nullopt);
  const auto late = chart::CheckCalendarYears(DateSerial(2049, 3, 1), DateSerial(2050, 1, 1));
  ASSERT_TRUE(late);
  EXPECT_EQ(late->check, chart::CheckKind::Date);
  EXPECT_EQ(late->detail,
            "Der Zeitraum 01.03.2049 bis 01.01.2050 reicht über die Kalenderjahre 1984 bis 2049 "
            "hinaus; ein Diagramm kann nur Tage dieser Jahre zeigen.");
  EXPECT_TRUE(chart::CheckCalendarYears(DateSerial(1983, 12, 31), DateSerial(1990, 1, 1)));
}

TEST(CheckTest, NoFileOfTheOpenProjectsIsTakenForTheChart) {
  const fs::path dir = fs::temp_directory_path() / ("kx-guard-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* f : {"neubau_buerogebaeude.xml", "aussenanlagen.xml"})
    fs::copy_file(fs::path(KX_EXAMPLES_DIR) / f, dir / f);
  // A source whose own name is what a chart "plan.xml" keeps beside it.
  fs::copy_file(dir / "neubau_buerogebaeude.xml", dir / "plan.xml.korvalinx.json");
  platform::PlanningHost app(std::make_shared<platform::ProjectXmlFormat>());
  app.OpenProject((dir / "neubau_buerogebaeude.xml").string());
  const std::string source = (dir / "neubau_buerogebaeude.xml").string();
  const std::string inserted = (dir / "aussenanlagen.xml").string();
  const std::string outdoorBeside = platform::CompanionPath(inserted);
  std::ofstream(outdoorBeside) << "{}";

  for (const std::string& target :
       {inserted, platform::CompanionPath(source), outdoorBeside,
        (dir / "." / "unter" / ".." / "aussenanlagen.xml").string()}) {
    SCOPED_TRACE(target);
    const auto problem = chart::CheckChartPath(&app, target);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->path, chart::PathProblem::OpenInHost);
    EXPECT_EQ(problem->text, chart::kTextPathRefused);  // the wizard's three lines
    EXPECT_NE(problem->detail.find(target), std::string::npos) << problem->detail;
  }
  // Hard links are the same file under another name.
  fs::create_hard_link(inserted, dir / "zweitname.xml");
  EXPECT_TRUE(chart::CheckChartPath(&app, (dir / "zweitname.xml").string()));
  EXPECT_EQ(chart::CheckChartPath(&app, (dir / "neu.xml").string()), std::nullopt);

  platform::PlanningHost other(std::make_shared<platform::ProjectXmlFormat>());
  other.OpenProject((dir / "plan.xml.korvalinx.json").string());
  const auto companion = chart::CheckChartPath(&other, (dir / "plan.xml").string());
  ASSERT_TRUE(companion);
  EXPECT_EQ(companion->detail, "Beim Speichern des Diagramms würde die Datei \"" +
                                   (dir / "plan.xml.korvalinx.json").string() +
                                   "\" überschrieben, die zu einem geöffneten Projekt gehört.");

  // The host itself refuses such a save, whoever asks for it; the file stays as it was.
  const std::string before = ReadFile(inserted);
  app.CreateNewProject();
  try {
    app.SaveProjectAs(inserted);
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrFile);
    EXPECT_EQ(e.description(), "Die Datei \"" + inserted +
                                   "\" gehört zu einem geöffneten Projekt und wird nicht "
                                   "überschrieben.");
  }
  EXPECT_EQ(ReadFile(inserted), before);
  EXPECT_THROW(app.SaveProjectAs((dir / "neubau_buerogebaeude.xml").string()), host::HostError);
  app.SaveProjectAs((dir / "neu.xml").string());
  app.SaveProjectAs((dir / "neu.xml").string());  // its own earlier file may be replaced
  fs::remove_all(dir);
}

TEST(CheckTest, ResourceCountMustBeAboveZero) {
  EXPECT_EQ(chart::CheckResourceCount(1), std::nullopt);
  const auto problem = chart::CheckResourceCount(0);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->check, chart::CheckKind::Resources);
  EXPECT_EQ(problem->title, "Korvalinx Assistent");
  EXPECT_EQ(problem->text, chart::kTextNoChartResources);
}

}  // namespace
}  // namespace kx::wizard::testing
