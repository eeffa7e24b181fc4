// Saving a project file with its companion as one: stopped at any step, the folder holds the old
// pair or the new one; what a stopped save left is cleared by the next one.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <set>

#include "host/error.hpp"
#include "projectxml/project_xml.hpp"
#include "projectxml/project_xml_detail.hpp"
#include "projectxml/test_files.hpp"

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

// Each save stopped at each step; then reading, a save stopped again, and a whole save.
TEST(ProjectXmlSave, ASaveStoppedAtAnyStepIsFinishedOnlyByTheNextSaveOfThatFile) {
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
    const bool journaled =
        step >= pxml::SaveStep::JournalWritten && step < pxml::SaveStep::JournalRemoved;

    // Reading renames nothing; it says when the pair may be a mixed one.
    const auto left = FilesIn(dir.path());
    const LoadResult r = ReadProjectXml(path);
    EXPECT_EQ(FilesIn(dir.path()), left);
    EXPECT_EQ(r.warnings.size(), journaled ? 1u : 0u);
    if (journaled) {
      EXPECT_NE(r.warnings[0].find("wurde unterbrochen"), std::string::npos);
    }
    SaveProjectXml(*before, dir / "anderes.xml");  // another file's save leaves it too
    const auto now = FilesIn(dir.path());
    EXPECT_TRUE(std::includes(now.begin(), now.end(), left.begin(), left.end()));

    // The next save of the file finishes the recorded renames first: stopped itself before it
    // renames anything, it leaves the pair that the first save was making.
    SaveAndDieAt(*Chart("drittes"), path, pxml::SaveStep::CompanionWritten);
    const Pair found = PairAt(path);
    EXPECT_TRUE(found == (step < pxml::SaveStep::JournalWritten ? oldPair : newPair));

    // A whole save clears what the stopped ones left behind.
    SaveProjectXml(*before, path);
    EXPECT_EQ(PairAt(path), oldPair);
    EXPECT_EQ(FilesIn(dir.path()),
              (std::set<std::string>{"anderes.xml", "anderes.xml.korvalinx.json", "urlaub.xml",
                                     "urlaub.xml.korvalinx.json"}));
  }
}

TEST(ProjectXmlSave, OnlyAbandonedTemporaryFilesOfTheSavedFileAreRemoved) {
  TempDir dir;
  const std::string busy = dir / ".urlaub.xml.kxtmp-AbC123";
  const std::string stale = dir / ".urlaub.xml.kxtmp-XyZ789";
  const std::string staleSide = dir / ".urlaub.xml.korvalinx.json.kxtmp-Qrs456";
  const std::vector<std::string> others{dir / ".plan.xml.kxtmp-XyZ789", dir / ".versteckt.txt",
                                        dir / ".urlaub.xml.kxtmp-notizen.txt"};
  for (const auto& f : others) WriteText(f, "gehört dem Benutzer");
  for (const auto& f : {busy, stale, staleSide}) WriteText(f, "verwaist");
  const int fd = ::open(busy.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // as the write that makes it holds it
  SaveProjectXml(*Chart("neu"), dir / "urlaub.xml");
  EXPECT_TRUE(fs::exists(busy));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(staleSide));
  for (const auto& f : others) EXPECT_EQ(ReadText(f), "gehört dem Benutzer") << f;
  ::close(fd);
}

// A journal names renames; one that is not this file's own save's record is refused as a whole
// and left as it is, and reading obeys none at all.
TEST(ProjectXmlSave, AJournalThatIsNotTheSavesOwnRecordIsNeverCarriedOut) {
  TempDir dir, away;
  const std::string path = dir / "urlaub.xml";
  SaveProjectXml(*Chart("alt"), path);
  const Pair before = PairAt(path);
  const std::string victim = away / "opfer.txt";
  const std::string journal = dir / ".urlaub.xml.kxjournal";
  struct stat here {};
  ASSERT_EQ(::stat(dir.path().c_str(), &here), 0);
  const std::string folderId = "\"folder\":{\"device\":" + std::to_string(here.st_dev) +
                               ",\"inode\":" + std::to_string(here.st_ino) + "}";
  const auto journalOf = [&](const std::string& from, const std::string& to,
                             const std::string& folder) {
    return "{\"format\":\"korvalinx-save\"," + folder + ",\"renames\":[{\"from\":\"" + from +
           "\",\"to\":\"" + to + "\"}]}";
  };
  const std::string wrongFolder = "\"folder\":{\"device\":" + std::to_string(here.st_dev) +
                                  ",\"inode\":" + std::to_string(here.st_ino + 1) + "}";
  struct Case {
    std::string name, journal, refusal;
  };
  const std::vector<Case> cases{
      {"relativ", journalOf("payload", "../" + away.path().filename().string() + "/opfer.txt", folderId),
       "nicht zu dieser Speicherung"},
      {"absolut", journalOf("payload", victim, folderId), "nicht zu dieser Speicherung"},
      {"Verweis", journalOf(".urlaub.xml.kxtmp-Sym123", "urlaub.xml", folderId),
       "keine Datei dieses Benutzers"},
      {"anderer Ordner", journalOf(".urlaub.xml.kxtmp-Abc123", "urlaub.xml", wrongFolder),
       "in einem anderen Ordner"},
      {"kein Protokoll", "{\"format\": 1e30}", "kein Speicherprotokoll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteText(victim, "unverändert");
    WriteText(dir / "payload", "böse");
    WriteText(dir / ".urlaub.xml.kxtmp-Abc123", "böse");
    fs::remove(dir / ".urlaub.xml.kxtmp-Sym123");
    fs::create_symlink(victim, dir / ".urlaub.xml.kxtmp-Sym123");
    WriteText(journal, c.journal);
    EXPECT_EQ(ReadProjectXml(path).warnings.size(), 1u);
    try {
      SaveProjectXml(*Chart("neu"), path);
      ADD_FAILURE() << "saved despite the journal";
    } catch (const host::HostError& e) {
      EXPECT_EQ(e.description().rfind(journal + ": das Speicherprotokoll wird nicht ausgeführt", 0), 0u)
          << e.description();
      EXPECT_NE(e.description().find(c.refusal), std::string::npos) << e.description();
    }
    EXPECT_EQ(ReadText(victim), "unverändert");
    EXPECT_EQ(ReadText(dir / "payload"), "böse");
    EXPECT_EQ(ReadText(journal), c.journal);
    EXPECT_EQ(PairAt(path), before);
    EXPECT_TRUE(fs::is_symlink(dir / ".urlaub.xml.kxtmp-Sym123"));
  }
  fs::remove(journal);

  // Another file's journal in the folder is no business of this file's save.
  const std::string other = journalOf("payload", "opfer.txt", folderId);
  WriteText(dir / ".anderes.xml.kxjournal", other);
  SaveProjectXml(*Chart("neu"), path);
  EXPECT_EQ(ReadText(dir / ".anderes.xml.kxjournal"), other);
  EXPECT_FALSE(fs::exists(dir / "opfer.txt"));

  // Nor is a journal of another user's carried out (a test for a superuser only, who can give
  // the file away).
  if (::geteuid() == 0) {
    WriteText(dir / ".urlaub.xml.kxtmp-Abc123", "böse");
    WriteText(journal, journalOf(".urlaub.xml.kxtmp-Abc123", "urlaub.xml", folderId));
    ASSERT_EQ(::chown(journal.c_str(), 65534, 65534), 0);
    EXPECT_THROW(SaveProjectXml(*Chart("neu"), path), host::HostError);
    EXPECT_EQ(ReadText(dir / ".urlaub.xml.kxtmp-Abc123"), "böse");
    ASSERT_EQ(::chown(journal.c_str(), 0, 0), 0);
    // Its own user's record of its own file is carried out before the save goes on.
    SaveAndDieAt(*Chart("neu"), path, pxml::SaveStep::ProjectWritten);
    EXPECT_EQ(ReadText(path), "böse");
  }
}

// Two saves of one file at once: the second waits for the first, so that the pair on disk is
// always one save's.
TEST(ProjectXmlSave, SavesOfOneFileAtOnceTakeTurns) {
  TempDir dir;
  const std::string path = dir / "urlaub.xml";
  int reached[2], proceed[2];
  ASSERT_EQ(::pipe(reached), 0);
  ASSERT_EQ(::pipe(proceed), 0);
  const pid_t first = ::fork();
  ASSERT_GE(first, 0);
  if (first == 0) {
    pxml::SetSaveHook([&](pxml::SaveStep at) {
      if (at != pxml::SaveStep::CompanionRenamed) return;
      char c = 1;
      if (::write(reached[1], &c, 1) != 1 || ::read(proceed[0], &c, 1) != 1) ::_exit(4);
    });
    try {
      SaveProjectXml(*Chart("erster"), path);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(reached[0], &c, 1), 1);  // the first holds between its two renames
  const pid_t second = ::fork();
  ASSERT_GE(second, 0);
  if (second == 0) {
    try {
      SaveProjectXml(*Chart("zweiter"), path);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  ::usleep(300 * 1000);
  int status = 0;
  EXPECT_EQ(::waitpid(second, &status, WNOHANG), 0) << "the second save did not wait";
  ASSERT_EQ(::write(proceed[1], &c, 1), 1);
  for (const pid_t child : {first, second}) {
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const int fd : {reached[0], reached[1], proceed[0], proceed[1]}) ::close(fd);
  const LoadResult r = ReadProjectXml(path);
  EXPECT_EQ(r.project->title, "zweiter");
  EXPECT_EQ(r.project->properties.at(0).value, r.project->title);
  EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"urlaub.xml", "urlaub.xml.korvalinx.json"}));
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
  // A folder that is there but takes no new files (the kernel's /proc) is not called missing.
  if (!std::filesystem::is_directory("/proc/self")) return;
  try {
    SaveProjectXml(*Chart("neu"), "/proc/urlaub.xml");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.description(),
              "/proc/urlaub.xml: Datei kann nicht geschrieben werden (in diesem "
              "Ordner kann keine Datei angelegt werden)");
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

// Only a save of the project file finishes its interrupted save: a save of the settings alone
// would rename a temporary file over the user's plan. It refuses, and both stay as they are.
TEST(ProjectXmlSave, ACompanionOnlySaveNeverFinishesAnInterruptedSave) {
  TempDir dir;
  const std::string path = dir / "urlaub.xml";
  SaveProjectXml(*Chart("alt"), path);
  const Pair before = PairAt(path);
  SaveAndDieAt(*Chart("neu und länger"), path, pxml::SaveStep::JournalWritten);
  auto left = FilesIn(dir.path());
  left.erase(".urlaub.xml.kxlock");  // the stopped save's, which the next lock takes over
  try {
    SaveCompanionOnly(*Chart("Einstellungen"), path);
    ADD_FAILURE() << "saved";
  } catch (const host::HostError& e) {
    EXPECT_NE(e.description().find(path + ": das letzte Speichern dieser Datei wurde unterbrochen"),
              std::string::npos)
        << e.description();
    EXPECT_NE(e.description().find("muss wiederholt werden"), std::string::npos);
  }
  EXPECT_EQ(PairAt(path), before);
  EXPECT_EQ(FilesIn(dir.path()), left);
  SaveProjectXml(*Chart("wiederholt"), path);
  SaveCompanionOnly(*Chart("Einstellungen"), path);
  EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"urlaub.xml", "urlaub.xml.korvalinx.json"}));
}

}  // namespace
}  // namespace kx::platform
