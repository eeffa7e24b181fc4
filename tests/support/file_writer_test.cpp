// The one writer: where its links may lead, the permissions it gives, and how it meets the locks
// of other writes.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/file_writer.hpp"
#include "testing/test_folder.hpp"

namespace kx {
namespace {

namespace fs = std::filesystem;
using kx::testing::ReadFile;

constexpr uid_t kOtherUser = 4242;  // a user no test runs as

void Write(const fs::path& path, const std::string& text) {
  WriteFileWhole(path.string(), text);
}

// The message of the FileWriteError that writing `path` throws; empty when it is written.
std::string Refusal(const fs::path& path) {
  try {
    Write(path, "neu");
  } catch (const FileWriteError& e) {
    return e.what();
  }
  return {};
}

unsigned ModeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(FileWriter, EveryLinkOnTheWayMustBeTheUsersOrRoots) {
  kx::testing::TestFolder folder{"kx-writer"};
  const fs::path& dir = folder.path();
  // The user's own chain of two links: the file at its end is written, the links stay.
  Write(dir / "ziel.csv", "alt");
  fs::create_symlink("ziel.csv", dir / "b.csv");
  fs::create_symlink(dir / "b.csv", dir / "a.csv");
  Write(dir / "a.csv", "neu");
  EXPECT_EQ(ReadFile(dir / "ziel.csv"), "neu");
  EXPECT_TRUE(fs::is_symlink(dir / "a.csv"));
  EXPECT_TRUE(fs::is_symlink(dir / "b.csv"));

  if (::geteuid() != 0) GTEST_SKIP() << "another user's links need root to be made";
  // The first link is the user's; the next one, in a folder everyone may write, another user's
  // that leads back to a file of this user. Nothing is followed past it, nothing replaced.
  Write(dir / "geheim.txt", "geheim");
  fs::create_directory(dir / "geteilt");
  fs::permissions(dir / "geteilt", fs::perms::all | fs::perms::sticky_bit);
  fs::create_symlink("../geheim.txt", dir / "geteilt/next.csv");
  ASSERT_EQ(::lchown((dir / "geteilt/next.csv").c_str(), kOtherUser, kOtherUser), 0);
  fs::create_symlink("geteilt/next.csv", dir / "mine.csv");
  // A folder on the way that is another user's link is no better.
  fs::create_symlink(dir, dir / "geteilt/ordner");
  ASSERT_EQ(::lchown((dir / "geteilt/ordner").c_str(), kOtherUser, kOtherUser), 0);
  fs::create_symlink("geteilt/ordner/geheim.txt", dir / "auch.csv");
  for (const char* name : {"mine.csv", "auch.csv"}) {
    SCOPED_TRACE(name);
    const std::string message = Refusal(dir / name);
    EXPECT_NE(message.find("symbolischen Verweis eines anderen Benutzers; er wird weder verfolgt "
                           "noch ersetzt"),
              std::string::npos)
        << message;
    EXPECT_TRUE(fs::is_symlink(dir / name));
  }
  EXPECT_EQ(ReadFile(dir / "geheim.txt"), "geheim");
  // A link of root's own is followed.
  ASSERT_EQ(::lchown((dir / "geteilt/next.csv").c_str(), 0, 0), 0);
  Write(dir / "mine.csv", "neu");
  EXPECT_EQ(ReadFile(dir / "geheim.txt"), "neu");
}

TEST(FileWriter, AReplacementKeepsOnlyTheUsersOwnPermissionBits) {
  kx::testing::TestFolder folder{"kx-writer"};
  const fs::path file = folder / "datei";
  Write(file, "alt");
  ASSERT_EQ(::chmod(file.c_str(), 04751), 0);
  Write(file, "neu");
  EXPECT_EQ(ModeOf(file), 0751u);  // never a set-id bit

  if (::geteuid() != 0) GTEST_SKIP() << "another user's file needs root to be made";
  ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherUser), 0);
  ASSERT_EQ(::chmod(file.c_str(), 04777), 0);
  const mode_t mask = ::umask(022);
  Write(file, "neuer");
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(st.st_mode & 07777, 0644u);  // a new file's, not the world-writable setuid one's
}

// Holds the write lock of `target` as another write would, from its own open of the lock file.
class HeldLock {
 public:
  explicit HeldLock(const fs::path& target)
      : fd_(::open(HiddenNameBeside(target.string(), ".kxlock").c_str(),
                   O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    EXPECT_GE(fd_, 0);
    EXPECT_EQ(::flock(fd_, LOCK_EX), 0);
  }
  ~HeldLock() { Release(); }
  void Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

TEST(FileWriter, AHeldLockIsWaitedForSaidAndGivenUpAfterTheLimit) {
  kx::testing::TestFolder folder{"kx-writer"};
  const fs::path file = folder / "plan.csv";
  const std::string lock = HiddenNameBeside(file.string(), ".kxlock");
  Write(file, "alt");
  std::vector<std::string> said;
  int waits = 0;
  const ScopedWriterNotices notices([&said](const std::string& text) { said.push_back(text); },
                                    [&waits] { ++waits; });
  const auto limit = LockWaitLimit();
  SetLockWaitLimit(std::chrono::milliseconds(1500));
  {
    HeldLock held(file);
    const std::string message = Refusal(file);
    EXPECT_NE(message.find("hält die Sperrdatei \"" + lock + "\" seit 1,5 Sekunden"),
              std::string::npos)
        << message;
    ASSERT_EQ(said.size(), 1u);  // after a second, once
    EXPECT_NE(said[0].find("Warte auf ein anderes Speichern von \"" + file.string()),
              std::string::npos)
        << said[0];
    EXPECT_NE(said[0].find(lock), std::string::npos);
    EXPECT_GT(waits, 10);  // a window could draw itself meanwhile
    EXPECT_EQ(ReadFile(file), "alt");

    // A lock given up while the write waits lets it go on.
    std::thread release([&held] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      held.Release();
    });
    EXPECT_EQ(Refusal(file), "");
    release.join();
  }
  SetLockWaitLimit(limit);
  EXPECT_EQ(ReadFile(file), "neu");
  EXPECT_FALSE(fs::exists(lock));
}

int NoLock(int, int) {
  errno = ENOLCK;
  return -1;
}

TEST(FileWriter, LocksThatCannotBeHad) {
  kx::testing::TestFolder folder{"kx-writer"};
  // A drive without locks: written without one, said so, and no lock file is left.
  {
    std::vector<std::string> said;
    const ScopedWriterNotices notices([&said](const std::string& text) { said.push_back(text); });
    testing::SetLockCall(NoLock);
    const std::string message = Refusal(folder / "netz.csv");
    testing::SetLockCall(nullptr);
    EXPECT_EQ(message, "");
    EXPECT_EQ(ReadFile(folder / "netz.csv"), "neu");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("netz.csv: der Datenträger unterstützt keine Sperren"),
              std::string::npos)
        << said[0];
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
  }

  if (::geteuid() != 0) GTEST_SKIP() << "another user's lock file needs root to be made";
  // A lock file of another user that this one may not open (root's, in a folder of this user's):
  // named with its owner, not taken for a folder without write permission.
  const fs::path own = folder / "ordner";
  fs::create_directory(own);
  const fs::path target = own / "plan.csv";
  const std::string lock = HiddenNameBeside(target.string(), ".kxlock");
  ASSERT_EQ(::close(::open(lock.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600)), 0);
  ASSERT_EQ(::chown(own.c_str(), kOtherUser, kOtherUser), 0);
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipe[0]);
    if (::setresgid(kOtherUser, kOtherUser, kOtherUser) != 0 ||
        ::setresuid(kOtherUser, kOtherUser, kOtherUser) != 0)
      ::_exit(2);
    const std::string message = Refusal(target);
    (void)!::write(pipe[1], message.data(), message.size());
    ::_exit(0);
  }
  ::close(pipe[1]);
  std::string message;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
    message.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(message.rfind(lock + ": die Sperrdatei zum Speichern von \"" + target.string() +
                              "\" kann nicht geöffnet werden (keine Schreibberechtigung); sie "
                              "gehört Benutzer root (0)",
                          0),
            0u)
      << message;
  EXPECT_FALSE(fs::exists(target));
}

}  // namespace
}  // namespace kx
