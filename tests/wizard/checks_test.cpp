#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "wizard/wizard_fixture.hpp"

namespace kx::wizard::testing {
namespace {

using ChecksTest = WizardTest;

std::optional<PathProblem> Problem(host::Application* app, const std::string& path) {
  const auto problem = CheckChartPath(app, path);
  if (!problem) return std::nullopt;
  EXPECT_EQ(problem->check, CheckKind::Path);
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

  EXPECT_EQ(Problem(app, ""), PathProblem::Missing);
  EXPECT_EQ(Problem(app, "   "), PathProblem::Missing);
  EXPECT_EQ(CheckChartPath(app, "")->text, kTextPathMissing);
  EXPECT_EQ(CheckChartPath(app, "", true)->text, kTextPathMissing);

  EXPECT_EQ(Problem(app, dir.string()), PathProblem::Folder);
  EXPECT_EQ(Problem(app, dir.string() + "/"), PathProblem::Folder);
  EXPECT_EQ(Problem(app, (dir / "fehlt" / "Plan.mpp").string()), PathProblem::NoFolder);
  EXPECT_EQ(Problem(app, (file / "Plan.mpp").string()), PathProblem::NoFolder);

  ASSERT_EQ(::mkfifo((dir / "Rohr").c_str(), 0600), 0);
  EXPECT_EQ(Problem(app, (dir / "Rohr").string()), PathProblem::NotAFile);

  fs::permissions(file, fs::perms::owner_read);
  EXPECT_EQ(Problem(app, file.string()), PathProblem::WriteProtected);
  EXPECT_EQ(CheckChartPath(app, file.string())->text, kTextPathRefused);
  EXPECT_EQ(CheckChartPath(app, file.string(), true)->text, kTextPathRefusedAtFinish);

  // The source project's file, however it is written.
  EXPECT_EQ(Problem(app, source->fullName), PathProblem::OpenInHost);
  EXPECT_EQ(Problem(app, (dir / "sub" / ".." / "Bau.xml").string()), PathProblem::OpenInHost);
  EXPECT_EQ(Problem(nullptr, source->fullName), std::nullopt);

  // A folder that cannot be written (only a user without every right can see this).
  if (::geteuid() != 0) {
    const fs::path locked = dir / "gesperrt";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Problem(app, (locked / "Plan.mpp").string()), PathProblem::FolderReadOnly);
  }
  EXPECT_EQ(ReadFile(file), "alt\n");
}

TEST_F(ChecksTest, MessagesKeepTheirBlanksAndLineBreaks) {
  EXPECT_EQ(std::string(kTextPathRefused),
            "Die Diagrammdatei kann an der ausgewählten Stelle      \r\n"
            "nicht gespeichert werden. Bitte wählen Sie einen      \r\n"
            "anderen Speicherort aus.");
  EXPECT_EQ(std::string(kTextPathRefusedAtFinish),
            "Die Diagrammdatei kann an der ausgewählten Stelle      \r\n"
            "nicht gespeichert werden. Bitte wählen Sie einen    \r\n"
            "anderen Speicherort aus.");
  EXPECT_EQ(std::string(kTextNoChartResources),
            "Es sind keine Ressourcen für das      \r\n"
            "Ressourcendiagramm vorhanden. Bitte       \r\n"
            "wählen Sie einen anderen Filter aus.");
}

TEST(CheckTest, DateRangeComparesWholeDays) {
  EXPECT_EQ(CheckDateRange(DateTimeSerial(2024, 5, 2, 17, 0), DateTimeSerial(2024, 5, 2, 8, 0)),
            std::nullopt);
  EXPECT_EQ(CheckDateRange(DateSerial(2024, 5, 1), DateSerial(2024, 5, 2)), std::nullopt);
  const auto problem = CheckDateRange(DateSerial(2024, 5, 2), DateTimeSerial(2024, 5, 1, 23, 59));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->check, CheckKind::Date);
  EXPECT_EQ(problem->title, "Korvalinx");
  EXPECT_EQ(problem->text,
            "Das Enddatum liegt vor dem Anfangsdatum.      \r\nBitte wählen Sie ein späteres "
            "Enddatum.");
}

TEST(CheckTest, ResourceCountMustBeAboveZero) {
  EXPECT_EQ(CheckResourceCount(1), std::nullopt);
  const auto problem = CheckResourceCount(0);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->check, CheckKind::Resources);
  EXPECT_EQ(problem->title, "Korvalinx Assistent");
  EXPECT_EQ(problem->text, kTextNoChartResources);
}

}  // namespace
}  // namespace kx::wizard::testing
