#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <streambuf>

#include "command_line.hpp"
#include "job/chart_job.hpp"
#include "testing/test_folder.hpp"

namespace kx::app {
namespace {

class HolidaysCommand : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    CommandLineEnvironment env{out, err, &registry};
    return RunCommandLine(args, env);
  }
  kx::testing::TestFolder folder{"kx-cli-holidays"};
  MemoryRegistryStore registry;
  std::ostringstream out, err;
};

TEST_F(HolidaysCommand, ListsWritesAndRefuses) {
  ASSERT_EQ(Run({"holidays", "Bayern", "--year", "2026"}), job::kExitOk) << err.str();
  EXPECT_NE(out.str().find("\n04.06.2026  Donnerstag  Fronleichnam\n"), std::string::npos);
  EXPECT_EQ(out.str().find("Mariä Himmelfahrt"), std::string::npos);

  const std::string csv = (folder.path() / "f.csv").string();
  ASSERT_EQ(Run({"holidays", "by", "--from", "2025", "--to", "2026", "--csv", csv}), job::kExitOk);
  const std::string text = kx::testing::ReadFile(csv);
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF" "Datum;Wochentag;Name\r\n01.01.2025;Mittwoch;Neujahr\r\n", 0),
            0u);
  EXPECT_NE(text.find("\r\n26.12.2026;Samstag;2. Weihnachtstag\r\n"), std::string::npos);

  EXPECT_EQ(Run({"holidays", "Bayern", "--year", "2026", "--from", "2025", "--to", "2026"}),
            job::kExitBadInput);
  EXPECT_EQ(Run({"holidays", "TH", "--year", "1989"}), job::kExitBadInput);
  EXPECT_NE(err.str().find("für Thüringen sind Feiertage der Jahre 1991 bis 2049 enthalten"),
            std::string::npos);
}

// As every output: no file of a project, by its name or where a link leads.
TEST_F(HolidaysCommand, TheFilesNeverReplaceAFileOfAProject) {
  const std::string plan = folder.CopyExamples();
  const std::string companion = plan + ".korvalinx.json";
  std::ofstream(companion) << "{}";
  const std::string link = (folder.path() / "f.csv").string();
  std::filesystem::create_symlink(companion, link);
  const std::string planText = kx::testing::ReadFile(plan);
  for (const auto& [option, path, named] :
       {std::tuple{"--csv", companion, "würde die Begleitdatei des Projekts \"" + plan + "\""},
        std::tuple{"--csv", link, "würde die Begleitdatei des Projekts \"" + plan + "\""},
        std::tuple{"--ics", plan, "würde die Projektdatei \"" + plan + "\" überschreiben."}}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(Run({"holidays", "BY", option, path}), job::kExitBadInput);
    EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
  }
  EXPECT_EQ(kx::testing::ReadFile(companion), "{}");
  EXPECT_EQ(kx::testing::ReadFile(plan), planText);
}

TEST_F(HolidaysCommand, TheChartTakesEitherACalendarOrTheHolidays) {
  const std::string source = folder.CopyExamples();
  EXPECT_EQ(Run({"chart", source, "--plan", "vacation", "--csv",
                 (folder.path() / "u.csv").string(), "--calendar", "Standard", "--holidays",
                 "NW"}),
            job::kExitBadInput);
  EXPECT_EQ(err.str().rfind("korvalinx: Fehler: --calendar und --holidays schließen einander aus", 0),
            0u);
  EXPECT_EQ(Run({"chart", source, "--csv", "u.csv", "--holidays", "Preußen"}), job::kExitBadInput);
  EXPECT_NE(err.str().find("\"Preußen\" ist kein Land"), std::string::npos);
}

// Standard output on a full disk: every write fails.
class FullDisk final : public std::streambuf {
  int overflow(int) override { return traits_type::eof(); }
};

TEST_F(HolidaysCommand, LostStandardOutputIsAFailedWrite) {
  FullDisk disk;
  std::ostream full(&disk);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"holidays", "BY"},
                                               {"--version"},
                                               {"inspect", folder.CopyExamples()}}) {
    err.str("");
    CommandLineEnvironment env{full, err, &registry};
    full.clear();
    EXPECT_EQ(RunCommandLine(args, env), job::kExitWriteFailed) << args[0];
    EXPECT_EQ(err.str().rfind("korvalinx: Fehler: Die Ausgabe kann nicht geschrieben werden", 0),
              0u)
        << err.str();
  }
  // Bad input stays bad input.
  CommandLineEnvironment env{full, err, &registry};
  EXPECT_EQ(RunCommandLine({"holidays", "Preußen"}, env), job::kExitBadInput);
}

}  // namespace
}  // namespace kx::app
