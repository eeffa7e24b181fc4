#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "command_line.hpp"
#include "job/chart_job.hpp"
#include "support/file_writer.hpp"
#include "testing/test_folder.hpp"

namespace kx::app {
namespace {

namespace fs = std::filesystem;

using kx::testing::ReadFile;

// "korvalinx chart" with --csv, --ics and --xlsx on a copy of the example project.
class ExportCommand : public ::testing::Test {
 protected:
  void SetUp() override { folder.CopyExamples(); }

  int Run(std::vector<std::string> more, const char* plan = "vacation") {
    std::vector<std::string> args{"chart", (dir / "neubau_buerogebaeude.xml").string(), "--plan",
                                  plan, "--yes"};
    args.insert(args.end(), more.begin(), more.end());
    out.str("");
    err.str("");
    CommandLineEnvironment env{out, err, &registry};
    return RunCommandLine(args, env);
  }
  std::string At(const char* name) const { return (dir / name).string(); }

  kx::testing::TestFolder folder{"kx-cli-export"};
  const fs::path& dir = folder.path();
  MemoryRegistryStore registry;
  std::ostringstream out, err;
};

TEST_F(ExportCommand, ExportsWithoutAChartFileComeFromOneRun) {
  ASSERT_EQ(Run({"--year", "2025", "--group", "--csv", At("u.csv"), "--ics", At("u.ics"),
                 "--xlsx", At("u.xlsx")}),
            job::kExitOk)
      << err.str();
  EXPECT_EQ(out.str(), "CSV-Datei gespeichert: " + At("u.csv") +
                           "\nKalenderdatei gespeichert: " + At("u.ics") +
                           "\nArbeitsmappe gespeichert: " + At("u.xlsx") + "\n");
  EXPECT_EQ(err.str(), "");
  const std::string csv = ReadFile(At("u.csv"));
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBFGruppe;Ressource;01.01.2025;02.01.2025;", 0), 0u);
  EXPECT_NE(csv.find(";31.12.2025;Anzahl Urlaubstage\r\n"), std::string::npos);
  const std::string ics = ReadFile(At("u.ics"));
  // No chart file was asked for: the calendar is named after the plan and the project only.
  EXPECT_NE(ics.find("NAME:Urlaubsplan 01.01.2025 – 31.12.2025: Neubau Bürogebäude\r\n"),
            std::string::npos);
  EXPECT_NE(ics.find("SUMMARY:Urlaub: "), std::string::npos);
  EXPECT_EQ(ReadFile(At("u.xlsx")).substr(0, 2), "PK");
  // Nothing else was left in the folder: no chart, no temporary file.
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{"aussenanlagen.xml", "neubau_buerogebaeude.xml",
                                          "u.csv", "u.ics", "u.xlsx"}));
}

TEST_F(ExportCommand, AFailedExportEndsWithExitOneAndKeepsTheOthers) {
  // /proc passes the folder check but takes no new file: the failure comes while writing.
  EXPECT_EQ(Run({"--year", "2025", "-o", At("u.xml"), "--csv", At("u.csv"), "--xlsx",
                 "/proc/kx-nicht-hier.xlsx"}),
            job::kExitWriteFailed);
  EXPECT_NE(err.str().find("korvalinx: Fehler: Die Arbeitsmappe \"/proc/kx-nicht-hier.xlsx\" "
                           "konnte nicht geschrieben werden:"),
            std::string::npos)
      << err.str();
  EXPECT_TRUE(fs::exists(At("u.xml")));
  EXPECT_NE(out.str().find("CSV-Datei gespeichert: " + At("u.csv")), std::string::npos);
  EXPECT_FALSE(fs::exists("/proc/kx-nicht-hier.xlsx"));
}

TEST_F(ExportCommand, NoOutputReplacesTheSourceItsFilesOrAnotherOutput) {
  const std::string source = At("neubau_buerogebaeude.xml");
  const std::string inserted = At("aussenanlagen.xml");
  const std::string sourceText = ReadFile(source), insertedText = ReadFile(inserted);
  const auto names = [this] {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) found.insert(entry.path().filename());
    return found;
  };
  // Another chart beside it, and links of the user's with an export's name that lead to it.
  fs::copy_file(inserted, At("ch.xml"));
  std::ofstream(At("ch.xml.korvalinx.json")) << "{}";
  fs::create_symlink("ch.xml.korvalinx.json", At("x.csv"));
  fs::create_symlink(At("x.csv"), At("z.xml"));
  fs::create_symlink("ch.xml", At("y.png"));
  const std::set<std::string> before = names();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      // Judged where the links lead, not by the names given.
      {{"--csv", At("x.csv")}, "würde die Begleitdatei des Projekts \"" + At("ch.xml") + "\""},
      {{"-o", At("z.xml")}, "Die Diagrammdatei \"" + At("z.xml") + "\" würde die Begleitdatei"},
      {{"--png", At("y.png")}, "würde die Projektdatei \"" + At("ch.xml") + "\" überschreiben."},
      {{"--csv", source},
       "Die CSV-Datei \"" + source + "\" würde die Quelldatei \"" + source + "\" überschreiben."},
      {{"--xlsx", At("./aussenanlagen.xml")}, "würde das eingefügte Projekt \"" + inserted},
      {{"--ics", source + ".korvalinx.json"}, "würde die Begleitdatei von \"" + source},
      {{"-o", At("alt.xml.korvalinx.json")},
       "würde die Begleitdatei des Projekts \"" + At("alt.xml") + "\" überschreiben."},
      {{"-o", At("c.xml"), "--csv", At(".c.xml.kxjournal")}, "würde das Speicherprotokoll"},
      {{"--png", At("x.png"), "--xlsx", At("x.png")},
       "Das Bild \"" + At("x.png") + "\" ist dieselbe Datei wie die Arbeitsmappe"},
  };
  for (const auto& [args, named] : cases) {
    SCOPED_TRACE(args[1]);
    std::vector<std::string> more{"--year", "2025"};
    more.insert(more.end(), args.begin(), args.end());
    EXPECT_EQ(Run(more), job::kExitBadInput);
    EXPECT_NE(err.str().find("korvalinx: Fehler: "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(named), std::string::npos) << err.str();
    EXPECT_EQ(ReadFile(source), sourceText);
    EXPECT_EQ(ReadFile(inserted), insertedText);
    EXPECT_EQ(ReadFile(At("ch.xml")), insertedText);
    EXPECT_EQ(ReadFile(At("ch.xml.korvalinx.json")), "{}");
    EXPECT_EQ(names(), before);
  }
}

// A write of the file that holds its lock (a run paused with Ctrl-Z) is waited for, said, and
// given up with exit code 1.
TEST_F(ExportCommand, AHeldLockIsSaidAndGivenUp) {
  const std::string csv = At("u.csv");
  const int held = ::open(At(".u.csv.kxlock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const auto limit = LockWaitLimit();
  SetLockWaitLimit(std::chrono::milliseconds(1200));
  EXPECT_EQ(Run({"--year", "2025", "--csv", csv}), job::kExitWriteFailed);
  SetLockWaitLimit(limit);
  ::close(held);
  EXPECT_NE(err.str().find("korvalinx: Warnung: Warte auf ein anderes Speichern von \"" + csv),
            std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("hält die Sperrdatei \"" + At(".u.csv.kxlock") + "\" seit 1,2 Sekunden"),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(fs::exists(csv));
}

TEST_F(ExportCommand, LinksEmptyValuesAndMissingInsertedProjects) {
  // An output that is a link of the user's is written where it leads; the link stays.
  std::ofstream(At("echt.csv")) << "alt";
  fs::create_symlink(At("echt.csv"), At("verweis.csv"));
  ASSERT_EQ(Run({"--year", "2025", "--csv", At("verweis.csv")}), job::kExitOk) << err.str();
  EXPECT_TRUE(fs::is_symlink(At("verweis.csv")));
  EXPECT_EQ(ReadFile(At("echt.csv")).rfind("\xEF\xBB\xBFGruppe;Ressource;", 0), 0u);
  // "--csv=" is an empty value, not a wish for the next word as the file's name.
  EXPECT_EQ(Run({"--year", "2025", "--csv=", "--quiet"}), job::kExitBadInput);
  EXPECT_NE(err.str().find("--csv: nach \"=\" fehlt der Wert"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(dir / "--quiet"));
  // Without its inserted project the chart lacks that project's resources: written, incomplete.
  fs::remove(At("aussenanlagen.xml"));
  EXPECT_EQ(Run({"--year", "2025", "--csv", At("u.csv")}), job::kExitIncomplete);
  EXPECT_NE(err.str().find("aussenanlagen.xml"), std::string::npos) << err.str();
}

// A folder this user may not write into is a failed write for every output alike (1); one it
// may not read is said to be so, not to be missing. Root may do both, so the test needs a user.
TEST_F(ExportCommand, FoldersThatMayNotBeWrittenOrReadAreSaidSo) {
  if (::geteuid() == 0) GTEST_SKIP() << "als root gelten keine Zugriffsrechte";
  const fs::path locked = dir / "gesperrt";
  fs::create_directories(locked);
  fs::copy_file(dir / "neubau_buerogebaeude.xml", locked / "q.xml");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  const int csv = Run({"--csv", (locked / "u.csv").string()});
  const int chart = Run({"-o", (locked / "u.xml").string()});
  fs::permissions(locked, fs::perms::none);
  std::vector<std::string> args{"chart", (locked / "q.xml").string(), "--csv", At("u.csv")};
  CommandLineEnvironment env{out, err, &registry};
  err.str("");
  const int source = RunCommandLine(args, env);
  const std::string said = err.str();
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_EQ(csv, job::kExitWriteFailed);
  EXPECT_EQ(chart, job::kExitWriteFailed);
  EXPECT_EQ(source, job::kExitBadInput);
  EXPECT_NE(said.find("kann nicht gelesen werden (der Ordner \"" + locked.string() +
                      "\" darf nicht gelesen werden)"),
            std::string::npos)
      << said;
}

}  // namespace
}  // namespace kx::app
