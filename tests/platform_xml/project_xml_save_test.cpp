// Saving a project file with its companion as one: stopped at any step, the folder holds the old
// pair or the new one; what a stopped save left is cleared by the next one.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <set>

#include "addin/host/error.hpp"
#include "platform/project_xml.hpp"
#include "platform/project_xml_detail.hpp"
#include "platform_xml/test_files.hpp"

namespace kx::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

std::shared_ptr<ProjectData> Chart(const std::string& title) {
  auto p = std::make_shared<ProjectData>();
  p->name = "urlaub.xml";
  p->title = title;
  p->start = DateTimeSerial(2025, 1, 1, 8, 0);
  auto cal = std::make_shared<CalendarData>();
  cal->uid = 1;
  cal->name = "Standard";
  p->calendars = {cal};
  auto t = std::make_shared<TaskData>();
  t->uid = 1;
  t->id = 1;
  t->name = title;
  t->start = p->start;
  t->finish = DateTimeSerial(2025, 1, 1, 17, 0);
  t->durationMinutes = 480;
  t->barColour = static_cast<int>(title.size() % 5);
  p->tasks = {t};
  p->properties = {{"KXPlanType", title, 4, false}};
  return p;
}

std::set<std::string> FilesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

struct Pair {
  std::string xml, side;
  bool operator==(const Pair&) const = default;
};

Pair PairAt(const std::string& path) {
  return {ReadText(path), ReadText(CompanionPath(path))};
}

// Saves `p` to `path` in a child process that dies (as by kill -9) when the save reaches `step`.
void SaveAndDieAt(const ProjectData& p, const std::string& path, pxml::SaveStep step) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    pxml::SetSaveHook([step](pxml::SaveStep at) {
      if (at == step) ::_exit(0);
    });
    try {
      SaveProjectXml(p, path);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(3);  // the step was never reached
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0) << "the save did not reach step " << static_cast<int>(step);
}

TEST(ProjectXmlSave, ASaveStoppedAtAnyStepLeavesTheOldPairOrTheNew) {
  const auto before = Chart("alt");
  const auto after = Chart("neu und länger");
  Pair oldPair, newPair;
  {
    TempDir scratch;
    SaveProjectXml(*before, scratch / "urlaub.xml");
    oldPair = PairAt(scratch / "urlaub.xml");
    SaveProjectXml(*after, scratch / "urlaub.xml");
    newPair = PairAt(scratch / "urlaub.xml");
  }
  ASSERT_NE(oldPair.xml, newPair.xml);
  ASSERT_NE(oldPair.side, newPair.side);
  for (int s = static_cast<int>(pxml::SaveStep::ProjectWritten);
       s <= static_cast<int>(pxml::SaveStep::JournalRemoved); ++s) {
    const auto step = static_cast<pxml::SaveStep>(s);
    SCOPED_TRACE("stopped at step " + std::to_string(s));
    TempDir dir;
    const std::string path = dir / "urlaub.xml";
    SaveProjectXml(*before, path);
    SaveAndDieAt(*after, path, step);

    // Reading finishes a save whose files were complete; before that the old pair stands.
    const LoadResult r = ReadProjectXml(path);
    EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
    const Pair found = PairAt(path);
    if (step < pxml::SaveStep::JournalWritten) {
      EXPECT_TRUE(found == oldPair);
      EXPECT_EQ(r.project->title, "alt");
    } else {
      EXPECT_TRUE(found == newPair);
      EXPECT_EQ(r.project->title, "neu und länger");
    }
    EXPECT_EQ(r.project->properties.at(0).value, r.project->title);  // never a mixed pair

    // The next save to the folder clears what the stopped save left behind.
    SaveProjectXml(*before, dir / "anderes.xml");
    EXPECT_EQ(FilesIn(dir.path()),
              (std::set<std::string>{"anderes.xml", "anderes.xml.korvalinx.json", "urlaub.xml",
                                     "urlaub.xml.korvalinx.json"}));
  }
}

TEST(ProjectXmlSave, ASaveStoppedAfterItsJournalIsFinishedByTheNextSaveToo) {
  TempDir dir;
  const std::string path = dir / "urlaub.xml";
  SaveProjectXml(*Chart("alt"), path);
  SaveAndDieAt(*Chart("neu"), path, pxml::SaveStep::CompanionRenamed);
  SaveProjectXml(*Chart("drittes"), dir / "anderes.xml");
  EXPECT_EQ(ReadProjectXml(path, {false, false}).project->title, "neu");
  EXPECT_EQ(FilesIn(dir.path()).size(), 4u);
}

TEST(ProjectXmlSave, TemporaryFilesOfASaveStillRunningAreLeftAlone) {
  TempDir dir;
  const std::string busy = dir / ".urlaub.xml.kxtmp-AbC123";
  const std::string stale = dir / ".plan.xml.kxtmp-XyZ789";
  WriteText(busy, "halb geschrieben");
  WriteText(stale, "verwaist");
  WriteText(dir / ".versteckt.txt", "gehört dem Benutzer");
  const int fd = ::open(busy.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // as the save that writes it holds it
  SaveProjectXml(*Chart("neu"), dir / "urlaub.xml");
  EXPECT_TRUE(fs::exists(busy));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(dir / ".versteckt.txt"));
  ::close(fd);
}

TEST(ProjectXmlSave, ADamagedCompanionIsKeptBeforeItIsReplaced) {
  TempDir dir;
  const std::string path = dir / "urlaub.xml";
  SaveProjectXml(*Chart("alt"), path);
  const std::string damaged = "{\"format\": \"korvalinx-companion\", \"vers";
  auto corruptCopies = [&] {
    std::vector<std::string> copies;
    for (const auto& name : FilesIn(dir.path()))
      if (name.rfind("urlaub.xml.korvalinx.json.corrupt-", 0) == 0) copies.push_back(name);
    return copies;
  };
  WriteText(CompanionPath(path), damaged);
  SaveCompanionOnly(*Chart("neu"), path);  // as --save-settings does
  ASSERT_EQ(corruptCopies().size(), 1u);
  EXPECT_EQ(ReadText(dir / corruptCopies()[0]), damaged);
  EXPECT_EQ(ReadProjectXml(path).project->properties.at(0).value, "neu");

  WriteText(CompanionPath(path), damaged);
  SaveProjectXml(*Chart("drittes"), path);
  EXPECT_EQ(corruptCopies().size(), 2u);  // a second copy beside the first
  // A sound companion is replaced without a copy.
  SaveProjectXml(*Chart("viertes"), path);
  EXPECT_EQ(corruptCopies().size(), 2u);
}

TEST(ProjectXmlSave, FailuresAreGermanAndNameTheFile) {
  TempDir dir;
  try {
    SaveProjectXml(*Chart("neu"), dir / "fehlt/urlaub.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrFile);
    EXPECT_EQ(e.description(), dir / "fehlt/urlaub.xml" +
                                   ": Datei kann nicht geschrieben werden (der Ordner ist nicht "
                                   "vorhanden)");
  }
}

// A chart of `tasks` rows.
std::shared_ptr<ProjectData> BigChart(const std::string& title, int tasks) {
  auto big = Chart(title);
  for (int i = 2; i <= tasks; ++i) {
    auto t = std::make_shared<TaskData>(*big->tasks.front());
    t->uid = i;
    t->id = i;
    t->name = "Vorgang " + std::to_string(i);
    big->tasks.push_back(t);
  }
  return big;
}

// Large files are written in blocks past the page cache where the file system allows it, their
// tails the usual way; in memory (tmpfs) as on the disk, the file holds every byte of the text.
TEST(ProjectXmlSave, LargeFilesAreWrittenWhole) {
  const auto big = BigChart("gross", 30001);
  const std::string text = ProjectXmlText(*big);
  ASSERT_GT(text.size(), std::size_t{8} << 20);
  ASSERT_NE(text.size() % 4096, 0u);
  TempDir disk;
  std::vector<std::string> folders{disk.path().string()};
  std::error_code ec;
  if (fs::is_directory("/dev/shm", ec)) folders.push_back("/dev/shm");
  for (const std::string& base : folders) {
    const fs::path folder = fs::path(base) / ("kx_gross_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "urlaub.xml").string();
    SaveProjectXml(*big, path);
    EXPECT_TRUE(ReadText(path) == text) << path;
    fs::remove_all(folder, ec);
  }
}

// A file far larger than a piece of the writer fails part-way through: in a child process whose
// files may grow to 256 KB only. The failure names the file and why, and the earlier pair stays.
TEST(ProjectXmlSave, AWriteThatFailsPartWayLeavesTheEarlierPair) {
  TempDir dir;
  const std::string path = dir / "urlaub.xml";
  SaveProjectXml(*Chart("alt"), path);
  const Pair before = PairAt(path);
  const auto big = BigChart("neu", 20000);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{256 << 10, 256 << 10};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(4);
    try {
      SaveProjectXml(*big, path);
    } catch (const host::HostError& e) {
      const bool named = e.description() == path + ": Datei kann nicht geschrieben werden (die "
                                                    "Datei wäre zu groß)";
      ::_exit(named ? 0 : 2);
    }
    ::_exit(3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: another message, 3: no failure";
  EXPECT_EQ(PairAt(path), before);
  EXPECT_EQ(FilesIn(dir.path()),
            (std::set<std::string>{"urlaub.xml", "urlaub.xml.korvalinx.json"}));
}

}  // namespace
}  // namespace kx::platform
