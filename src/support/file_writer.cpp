#include "support/file_writer.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "support/paths.hpp"

namespace kx {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTempMarker = ".kxtmp-";
constexpr std::string_view kLockSuffix = ".kxlock";
// Room left in a name of at most 255 bytes for the dot and the longest suffix.
constexpr std::size_t kLongestKeptName = 200;

// Writes all of `data` to `fd`, dropping from `data` what was written; the error (errno), else 0.
int WriteAll(int fd, std::string_view& data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// Switches the file's direct access (past the page cache) on or off; false when it cannot.
bool SetDirect(int fd, bool on) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  return ::fcntl(fd, F_SETFL, on ? (flags | O_DIRECT) : (flags & ~O_DIRECT)) == 0;
}

}  // namespace

// Writes a file's pieces on a second thread while the next ones are made.
//
// A large file goes to the disk past the page cache, in aligned blocks: copying hundreds of
// megabytes into fresh cache pages costs more than the disk takes to write them, and the file is
// synced as soon as it is complete anyway. Its tail, a file smaller than one block, and any
// file on a file system that refuses direct access are written the usual way.
class TempFile::PieceWriter {
 public:
  explicit PieceWriter(int fd) : fd_(fd), block_(NewBlock()), thread_([this] { Run(); }) {}
  ~PieceWriter() { (void)Finish(); }
  PieceWriter(const PieceWriter&) = delete;
  PieceWriter& operator=(const PieceWriter&) = delete;

  // Queues a copy of `piece`; returns the error of an earlier write (errno), else 0.
  int Append(std::string_view piece) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return error_ != 0 || queue_.size() < kQueued; });
    if (error_ != 0) return error_;
    std::string buffer;
    if (!spare_.empty()) {
      buffer = std::move(spare_.back());
      spare_.pop_back();
    }
    buffer.assign(piece);
    queue_.push_back(std::move(buffer));
    changed_.notify_all();
    return 0;
  }
  // Waits until everything is written; returns the first error (errno), else 0.
  int Finish() {
    {
      const std::lock_guard lock(mutex_);
      finishing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    return error_;
  }

 private:
  static constexpr std::size_t kQueued = 4;
  static constexpr std::size_t kAlignment = 4096;  // of the disk's blocks, and of memory pages
  static constexpr std::size_t kBlock = 4 << 20;   // what goes to the disk at once
  struct FreeBlock {
    void operator()(char* block) const { std::free(block); }
  };

  static std::unique_ptr<char, FreeBlock> NewBlock() {
    return std::unique_ptr<char, FreeBlock>(
        static_cast<char*>(std::aligned_alloc(kAlignment, kBlock)));
  }

  void Run() {
    for (;;) {
      std::string piece;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return finishing_ || !queue_.empty(); });
        if (queue_.empty()) break;
        piece = std::move(queue_.front());
        queue_.pop_front();
      }
      const int error = error_ == 0 ? Put(piece) : 0;
      {
        const std::lock_guard lock(mutex_);
        if (error != 0 && error_ == 0) error_ = error;
        spare_.push_back(std::move(piece));
      }
      changed_.notify_all();
    }
    // The tail goes the usual way: direct writes take whole blocks only.
    if (error_ != 0 || filled_ == 0) return;
    std::string_view tail(block_.get(), filled_);
    const int error = direct_ && !SetDirect(fd_, false) ? errno : WriteAll(fd_, tail);
    const std::lock_guard lock(mutex_);
    error_ = error;
  }
  // Writes `piece` or gathers it into the block.
  int Put(std::string_view piece) {
    if (!block_) return WriteAll(fd_, piece);
    while (!piece.empty()) {
      const std::size_t n = std::min(kBlock - filled_, piece.size());
      std::memcpy(block_.get() + filled_, piece.data(), n);
      filled_ += n;
      piece.remove_prefix(n);
      if (filled_ < kBlock) break;
      if (const int error = WriteBlock()) return error;
    }
    return 0;
  }
  // Writes the full block, directly where the file system allows it.
  int WriteBlock() {
    if (!triedDirect_) {
      triedDirect_ = true;
      direct_ = SetDirect(fd_, true);
    }
    std::string_view data(block_.get(), kBlock);
    int error = WriteAll(fd_, data);
    if (error == EINVAL && direct_) {  // refused after all, or a short write left it unaligned
      direct_ = false;
      if (!SetDirect(fd_, false)) return errno;
      error = WriteAll(fd_, data);
    }
    filled_ = 0;
    return error;
  }

  const int fd_;
  std::unique_ptr<char, FreeBlock> block_;  // null when none could be had: pieces go as they come
  std::size_t filled_ = 0;
  bool triedDirect_ = false;
  bool direct_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> queue_;
  std::vector<std::string> spare_;
  int error_ = 0;
  bool finishing_ = false;
  std::thread thread_;  // last: starts once the rest is in place
};

std::string SystemErrorText(int error) {
  switch (error) {
    case ENOENT:
      return "der Ordner ist nicht vorhanden";
    case EACCES:
    case EPERM:
      return "keine Schreibberechtigung";
    case EROFS:
      return "der Datenträger ist schreibgeschützt";
    case ENOSPC:
      return "kein Platz mehr auf dem Datenträger";
    case EDQUOT:
      return "das Speicherkontingent ist erschöpft";
    case EFBIG:
      return "die Datei wäre zu groß";
    case EISDIR:
      return "an dieser Stelle ist ein Ordner";
    case ENOTDIR:
      return "ein Teil des Pfads ist kein Ordner";
    case ENAMETOOLONG:
      return "der Name ist zu lang";
    case EIO:
      return "Ein-/Ausgabefehler";
    case EBUSY:
      return "die Datei ist in Gebrauch";
    case ENOTEMPTY:
    case EEXIST:
      return "an dieser Stelle ist ein Ordner mit Inhalt";
    case ELOOP:
      return "an dieser Stelle ist ein symbolischer Verweis";
    default:
      return "Systemfehler " + std::to_string(error);
  }
}

namespace {

// Why `target` cannot be written: a missing name in a folder that is there is no missing
// folder (a file system that takes no new files, /proc say).
std::string ReasonFor(const std::string& target, int error) {
  std::error_code ec;
  if (error == ENOENT && fs::is_directory(FolderOfPath(target), ec))
    return "in diesem Ordner kann keine Datei angelegt werden";
  return SystemErrorText(error);
}

}  // namespace

FileWriteError::FileWriteError(const std::string& target, int error)
    : std::runtime_error(target + ": Datei kann nicht geschrieben werden (" +
                         ReasonFor(target, error) + ")"),
      target_(target),
      error_(error) {}

FileWriteError::FileWriteError(const std::string& target, const std::string& message)
    : std::runtime_error(message), target_(target) {}

std::string FolderOfPath(const std::string& path) {
  const fs::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

namespace {

std::string KeptName(const std::string& target) {
  std::string name = fs::path(target).filename().string();
  if (name.size() > kLongestKeptName) name.resize(kLongestKeptName);
  return name;
}

bool AllOf(std::string_view text, bool (*pred)(char)) {
  return !text.empty() && std::all_of(text.begin(), text.end(), pred);
}

bool Alnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool Digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string HiddenNameBeside(const std::string& target, std::string_view suffix) {
  return (fs::path(FolderOfPath(target)) / ("." + KeptName(target) + std::string(suffix)))
      .string();
}

bool IsTempNameOf(std::string_view name, const std::string& targetName) {
  const std::string prefix = "." + KeptName(targetName) + std::string(kTempMarker);
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return false;
  const std::string_view rest = name.substr(prefix.size());
  // "XXXXXX" as the temporary file's own, or "alt<process>" for a kept earlier file.
  if (rest.size() == 6 && AllOf(rest, Alnum)) return true;
  return rest.size() > 3 && rest.substr(0, 3) == "alt" && AllOf(rest.substr(3), Digit);
}

namespace {

// Where the links of `target` lead.
struct FollowedPath {
  fs::path path;          // absolute, without links, "." or ".."
  bool lastIsLink = false;  // the name given is a link, not only a folder on the way
};

// Follows every symbolic link on the way to `target`, one name at a time, and, when `owners` is
// set, refuses one that belongs to neither this user nor root: another user could make it lead
// to any of this user's files. What is not there (yet) is taken by its name.
FollowedPath FollowLinks(const std::string& target, bool owners) {
  constexpr int kMostLinks = 40;  // as the system follows them
  std::error_code ec;
  const fs::path given = fs::absolute(target, ec);
  if (ec) throw FileWriteError(target, ec.value());
  const fs::path names = given.relative_path();
  std::deque<fs::path> rest(names.begin(), names.end());
  FollowedPath followed{given.root_path()};
  int links = 0;
  bool missing = false;
  while (!rest.empty()) {
    const fs::path part = rest.front();
    rest.pop_front();
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      followed.path = followed.path.parent_path();
      continue;
    }
    const fs::path next = followed.path / part;
    struct stat st {};
    const bool there = !missing && ::lstat(next.c_str(), &st) == 0;
    if (!there || !S_ISLNK(st.st_mode)) {
      missing = !there;
      followed.path = next;
      continue;
    }
    const bool named = links == 0 && rest.empty();  // the name given itself
    if (owners && st.st_uid != ::geteuid() && st.st_uid != 0) {
      if (named)
        throw FileWriteError(target, target + ": ein symbolischer Verweis eines anderen "
                                              "Benutzers; er wird weder verfolgt noch ersetzt");
      throw FileWriteError(target, target + ": der Weg dorthin führt über \"" + next.string() +
                                       "\", einen symbolischen Verweis eines anderen Benutzers; "
                                       "er wird weder verfolgt noch ersetzt");
    }
    if (++links > kMostLinks) throw FileWriteError(target, ELOOP);
    std::vector<char> text(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(next.c_str(), text.data(), text.size());
    if (n < 0 || static_cast<std::size_t>(n) >= text.size()) throw FileWriteError(target, ELOOP);
    const fs::path leads(std::string(text.data(), static_cast<std::size_t>(n)));
    if (leads.is_absolute()) followed.path = leads.root_path();
    if (rest.empty()) followed.lastIsLink = true;
    const fs::path more = leads.relative_path();
    rest.insert(rest.begin(), more.begin(), more.end());
  }
  return followed;
}

}  // namespace

std::string LinksLeadTo(const std::string& path) {
  try {
    return FollowLinks(path, false).path.string();
  } catch (const FileWriteError&) {
    return path;
  }
}

std::string WriteTargetOf(const std::string& target) {
  const FollowedPath followed = FollowLinks(target, true);
  if (!followed.lastIsLink) return target;
  const fs::path& resolved = followed.path;
  std::error_code ec;
  struct stat to {};
  const bool exists = ::stat(resolved.c_str(), &to) == 0;
  if ((exists && !S_ISREG(to.st_mode)) ||
      (!exists && !fs::is_directory(resolved.parent_path(), ec)))
    throw FileWriteError(target, target + ": der symbolische Verweis führt zu keiner gewöhnlichen "
                                          "Datei; er wird nicht ersetzt");
  return resolved.string();
}

namespace {

struct WriterNotices {
  std::function<void(const std::string&)> say;
  std::function<void()> waiting;
};

WriterNotices& Notices() {
  static WriterNotices notices;
  return notices;
}

void Say(const std::string& text) {
  if (Notices().say) Notices().say(text);
}

std::chrono::milliseconds& WaitLimit() {
  static std::chrono::milliseconds limit{60000};
  return limit;
}

int (*&LockCall())(int, int) {
  static int (*call)(int, int) = nullptr;
  return call;
}

// flock(2), or what a test put in its place; retried when a signal comes between.
int Lock(int fd, int operation) {
  int done;
  while ((done = LockCall() ? LockCall()(fd, operation) : ::flock(fd, operation)) != 0 &&
         errno == EINTR) {
  }
  return done;
}

// The drive keeps no locks (a network drive without a lock service).
bool NoLocks(int error) { return error == ENOLCK || error == ENOSYS || error == EOPNOTSUPP; }

std::string Seconds(std::chrono::milliseconds span) {
  const auto ms = span.count();
  if (ms == 1000) return "1 Sekunde";
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + " Sekunden";
  const std::string tenths = std::to_string((ms + 50) / 100);
  return (tenths.size() > 1 ? tenths.substr(0, tenths.size() - 1) : "0") + "," + tenths.back() +
         " Sekunden";
}

// "Benutzer <name>" for the owner of a file, by number where the name is unknown.
std::string Owner(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry {};
  passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
    return std::string("Benutzer ") + found->pw_name + " (" + std::to_string(uid) + ")";
  return "Benutzer " + std::to_string(uid);
}

}  // namespace

ScopedWriterNotices::ScopedWriterNotices(std::function<void(const std::string&)> say,
                                         std::function<void()> waiting)
    : say_(std::exchange(Notices().say, std::move(say))),
      waiting_(std::exchange(Notices().waiting, std::move(waiting))) {}

ScopedWriterNotices::~ScopedWriterNotices() {
  Notices().say = std::move(say_);
  Notices().waiting = std::move(waiting_);
}

void SetLockWaitLimit(std::chrono::milliseconds limit) { WaitLimit() = limit; }
std::chrono::milliseconds LockWaitLimit() { return WaitLimit(); }

void testing::SetLockCall(int (*lock)(int fd, int operation)) { LockCall() = lock; }

TargetLock::TargetLock(const std::string& target) : path_(HiddenNameBeside(target, kLockSuffix)) {
  const auto refuseLock = [&](const std::string& why) {
    return FileWriteError(target, path_ + ": die Sperrdatei zum Speichern von \"" + target +
                                      "\" " + why + "; es wird nicht gespeichert, solange sie "
                                      "dort liegt");
  };
  // A lock file that a finished write removed while this one waited for it is no lock any more:
  // the lock counts only while the name still leads to the file that is locked.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    bool made = true;
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                    0600);
    if (fd < 0 && errno == EEXIST) {
      made = false;
      fd = ::open(path_.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0 && errno == ENOENT) continue;  // removed in between: made anew
    }
    if (fd < 0 && (errno == ELOOP || errno == EISDIR))  // something else stands at its name
      throw FileWriteError(target, target + ": die Sperrdatei \"" + path_ +
                                       "\" kann nicht angelegt werden (" + SystemErrorText(errno) +
                                       "); ist sie übrig geblieben, kann sie gelöscht werden");
    if (fd < 0) {
      const int error = errno;
      struct stat there {};
      if (!made && ::lstat(path_.c_str(), &there) == 0)  // there, but not this user's to open
        throw refuseLock("kann nicht geöffnet werden (" + SystemErrorText(error) +
                         "); sie gehört " + Owner(there.st_uid));
      throw FileWriteError(target, error);
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_uid != ::geteuid()) {
      ::close(fd);
      throw refuseLock("ist keine gewöhnliche Datei dieses Benutzers (sie gehört " +
                       Owner(opened.st_uid) + ")");
    }
    int locked = Lock(fd, LOCK_EX | LOCK_NB);
    if (locked != 0 && errno == EWOULDBLOCK) {
      // Another write holds it: said after a second, given up after the limit.
      const auto start = std::chrono::steady_clock::now();
      auto pause = std::chrono::microseconds(200);  // most writes take less: short at first
      bool said = false;
      while ((locked = Lock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EWOULDBLOCK) {
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited >= WaitLimit()) {
          ::close(fd);
          throw FileWriteError(target, target + ": Datei kann nicht geschrieben werden: ein "
                                                "anderes Speichern dieser Datei hält die "
                                                "Sperrdatei \"" + path_ + "\" seit " +
                                                Seconds(WaitLimit()) + " (ein angehaltenes "
                                                "Programm?); es wurde nicht gespeichert");
        }
        if (!said && waited >= std::chrono::seconds(1)) {
          said = true;
          Say("Warte auf ein anderes Speichern von \"" + target + "\", das die Sperrdatei \"" +
              path_ + "\" hält (höchstens " + Seconds(WaitLimit()) + ")...");
        }
        if (Notices().waiting) Notices().waiting();
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
      }
    }
    if (locked != 0 && NoLocks(errno)) {
      ::close(fd);
      if (made) ::unlink(path_.c_str());
      Say(target + ": der Datenträger unterstützt keine Sperren; die Datei wird ohne Sperre "
                   "geschrieben, ein gleichzeitiges Speichern derselben Datei wird nicht "
                   "verhindert");
      return;
    }
    if (locked != 0) {
      const int error = errno;
      ::close(fd);
      throw FileWriteError(target, error);
    }
    struct stat now {};
    if (::lstat(path_.c_str(), &now) == 0 && now.st_ino == opened.st_ino &&
        now.st_dev == opened.st_dev) {
      fd_ = fd;
      return;
    }
    ::close(fd);
  }
  throw FileWriteError(target, EBUSY);
}

TargetLock::~TargetLock() {
  if (fd_ < 0) return;
  ::unlink(path_.c_str());  // while it is still held: a waiting write then makes a new one
  ::close(fd_);
}

void RemoveAbandonedTemps(const std::string& target) {
  const std::string name = fs::path(target).filename().string();
  const std::string folder = FolderOfPath(target);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  std::vector<std::string> temps;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (IsTempNameOf(entry, name)) temps.push_back(std::move(entry));
  }
  for (const std::string& temp : temps) {
    const int fd =
        ::openat(dir, temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {}, now {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
        Lock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dir, temp.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        now.st_ino == opened.st_ino && now.st_dev == opened.st_dev)
      ::unlinkat(dir, temp.c_str(), 0);
    ::close(fd);
  }
  ::close(dir);
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

TempFile::TempFile(Streamed how, const std::string& target, const std::string& modeOf)
    : target_(target) {
  std::string pattern = HiddenNameBeside(target, std::string(kTempMarker) + "XXXXXX");
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) throw FileWriteError(target_, errno);
  temp_ = pattern;
  (void)Lock(fd_, LOCK_EX | LOCK_NB);
  // The new file gets the permissions of the file it replaces, or those of a new file.
  if (::fchmod(fd_, ReplacementMode(modeOf)) != 0) Fail(errno);
  if (how.inBackground) {
    try {
      writer_ = std::make_unique<PieceWriter>(fd_);
    } catch (const std::system_error&) {
      // no second thread to be had: the pieces are written as they come
    }
  }
}

TempFile::TempFile(const std::string& target, std::string_view content, const std::string& modeOf)
    : TempFile(Streamed{}, target, modeOf) {
  Append(content);
  Finish();
}

TempFile::TempFile(const std::string& target, std::string_view content, unsigned mode)
    : TempFile(Streamed{}, target, target) {
  if (::fchmod(fd_, static_cast<mode_t>(mode & 0777)) != 0) Fail(errno);
  Append(content);
  Finish();
}

TempFile::~TempFile() { Discard(); }

void TempFile::Append(std::string_view content) {
  if (writer_) {
    if (const int error = writer_->Append(content)) Fail(error);
    return;
  }
  if (const int error = WriteAll(fd_, content)) Fail(error);
}

void TempFile::Finish() {
  if (writer_) {
    const int error = writer_->Finish();
    writer_.reset();
    if (error != 0) Fail(error);
  }
  if (::fsync(fd_) != 0) Fail(errno);
}

void TempFile::Commit() {
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
  temp_.clear();
}

void TempFile::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TempFile::Discard() {
  writer_.reset();  // before the file it writes goes
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  Release();
}

void TempFile::Fail(int error) {
  Discard();
  throw FileWriteError(target_, error);
}

ScratchFolder::ScratchFolder() {
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / "korvalinx-XXXXXX").string();
  if (!ec && ::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

void WriteFileWhole(const std::string& given, std::string_view content) {
  const std::string target = WriteTargetOf(given);
  const TargetLock lock(target);
  RemoveAbandonedTemps(target);
  TempFile file(target, content);
  file.Commit();
  SyncFolder(FolderOfPath(target));
}

void CommitTogether(const std::vector<TempFile*>& files,
                    const std::function<void(std::size_t)>& placed,
                    const std::function<void()>& failed) {
  std::vector<std::string> backups(files.size());
  for (std::size_t i = 0; i + 1 < files.size(); ++i) {
    const std::string& target = files[i]->Target();
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    backups[i] = HiddenNameBeside(target, ".kxtmp-alt" + std::to_string(::getpid()));
    ::unlink(backups[i].c_str());
    if (::link(target.c_str(), backups[i].c_str()) != 0) backups[i].clear();
  }
  std::size_t done = 0;
  try {
    for (TempFile* file : files) {
      file->Commit();
      ++done;
      if (placed) placed(done);
    }
  } catch (...) {
    if (failed) failed();
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
      if (i < done) {
        if (!backups[i].empty())
          ::rename(backups[i].c_str(), files[i]->Target().c_str());
        else
          ::unlink(files[i]->Target().c_str());
      } else if (!backups[i].empty()) {
        ::unlink(backups[i].c_str());
      }
    }
    throw;
  }
  for (const std::string& backup : backups)
    if (!backup.empty()) ::unlink(backup.c_str());
}

int CarryOutRenames(int folderFd, const std::vector<std::pair<std::string, std::string>>& renames,
                    const std::string& journalName) {
  for (const auto& [from, to] : renames)
    if (::renameat(folderFd, from.c_str(), folderFd, to.c_str()) != 0) return errno;
  ::fsync(folderFd);
  ::unlinkat(folderFd, journalName.c_str(), 0);
  ::fsync(folderFd);
  return 0;
}

}  // namespace kx
