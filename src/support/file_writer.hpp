#pragma once
// Files reach their place only whole. Every file the program writes goes to a temporary file
// beside its target (".<name>.kxtmp-XXXXXX") that is renamed over the target once it is
// complete, so that a failed write leaves the earlier file as it was. Writes of one target are
// serialised by a lock file beside it (".<name>.kxlock"), held from before the temporary file is
// made until it is in place; what an abandoned write left is removed only under that lock, and
// only if it is a temporary file of that very target that this user's program made.

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kx {

// What a failed system call says, in German ("keine Schreibberechtigung", ...).
std::string SystemErrorText(int error);

// A file that could not be written. The message is German and names the file:
// "<target>: Datei kann nicht geschrieben werden (<reason>)", or a text of its own.
class FileWriteError : public std::runtime_error {
 public:
  FileWriteError(const std::string& target, int error);
  FileWriteError(const std::string& target, const std::string& message);
  const std::string& Target() const noexcept { return target_; }
  int Error() const noexcept { return error_; }  // errno, or 0 for a message of its own

 private:
  std::string target_;
  int error_ = 0;
};

// The hidden names kept beside a target: ".<name><suffix>" (a very long name is shortened).
std::string HiddenNameBeside(const std::string& target, std::string_view suffix);
// The folder of a path ("." for a bare name).
std::string FolderOfPath(const std::string& path);
// Whether `name` (a file name, no folder) is a temporary file of the target named `targetName`.
bool IsTempNameOf(std::string_view name, const std::string& targetName);

// Where a write of `target` goes: the target itself; or, when it is a symbolic link, the file its
// links lead to, so that the link stays. Every link on the way, of the folders too, must be this
// user's or root's: throws FileWriteError for one of another user (it is not followed and not
// replaced), for too many links, and for a link that leads to something other than a plain file
// or to nothing in a folder that exists.
std::string WriteTargetOf(const std::string& target);
// The file that the links of `path` lead to, whoever made them, and whether it is there or not
// (absolute; `path` itself when that cannot be told).
std::string LinksLeadTo(const std::string& path);

// What the writer says while it works, as German sentences: that it waits for another write of a
// target, that it writes without a lock where the drive has none. `waiting` is called every few
// milliseconds while it waits for a lock (a window draws itself meanwhile). Installed for as long
// as the object lives, from the thread that writes; the earlier ones come back after it.
class ScopedWriterNotices {
 public:
  ScopedWriterNotices(std::function<void(const std::string&)> say,
                      std::function<void()> waiting = {});
  ~ScopedWriterNotices();
  ScopedWriterNotices(const ScopedWriterNotices&) = delete;
  ScopedWriterNotices& operator=(const ScopedWriterNotices&) = delete;

 private:
  std::function<void(const std::string&)> say_;
  std::function<void()> waiting_;
};

// How long a write waits for the lock that another write of its target holds (60 seconds unless
// set) before it gives up.
void SetLockWaitLimit(std::chrono::milliseconds limit);
std::chrono::milliseconds LockWaitLimit();

// Holds the write lock of one target for as long as it lives; waits while another write of the
// same target holds it, saying so after a second, and gives up after LockWaitLimit(). Throws
// FileWriteError when the lock file cannot be made or opened, when what stands at its name is not
// a plain file of this user (a link, a device, another user's file), and when the wait ends. On a
// drive without locks (network drives without a lock service) it holds nothing, says so, and
// leaves no lock file.
class TargetLock {
 public:
  explicit TargetLock(const std::string& target);
  ~TargetLock();
  TargetLock(const TargetLock&) = delete;
  TargetLock& operator=(const TargetLock&) = delete;

 private:
  std::string path_;
  int fd_ = -1;
};

// Removes the temporary files of `target` that an abandoned write left: regular files of this
// user, named as ours for that target, that no living write holds. Call it with the target's
// lock held.
void RemoveAbandonedTemps(const std::string& target);

// Makes the folder's entries (renames, new names) durable.
void SyncFolder(const std::string& folder);

// A temporary file beside its target, locked while it lives, renamed over the target by Commit
// and removed otherwise. Make it with the target's lock held.
class TempFile {
 public:
  struct Streamed {
    bool inBackground = false;  // the pieces are written on a second thread while the next is made
  };
  // Opens the temporary file for Append; Finish completes it. It gets the permissions of
  // `modeOf` (ReplacementMode).
  TempFile(Streamed how, const std::string& target, const std::string& modeOf);
  // A complete temporary file that holds `content`.
  TempFile(const std::string& target, std::string_view content, const std::string& modeOf);
  TempFile(const std::string& target, std::string_view content)
      : TempFile(target, content, target) {}
  // A complete temporary file that holds `content`, with the permissions `mode`.
  TempFile(const std::string& target, std::string_view content, unsigned mode);
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile();

  void Append(std::string_view content);
  // Makes what was written durable.
  void Finish();
  // Renames the file over its target.
  void Commit();
  // Closes the file (and so gives up its lock) once it is in place.
  void Release();

  const std::string& Path() const { return temp_; }
  const std::string& Target() const { return target_; }

 private:
  class PieceWriter;
  void Discard();
  [[noreturn]] void Fail(int error);

  std::string target_;
  std::string temp_;
  int fd_ = -1;
  std::unique_ptr<PieceWriter> writer_;
};

// A private folder (only this user may enter it) for files that no user named: a chart made
// only for other outputs, a file that a library writes by its name. Removed with everything in
// it when the object goes; Path() is empty when no folder could be made.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Writes `content` to `target` whole: under the target's lock, through a temporary file that is
// renamed over it. Throws FileWriteError.
void WriteFileWhole(const std::string& target, std::string_view content);

// Puts several complete temporary files in place as one, in the order given. Every file but the
// last keeps the file it replaces reachable until the last is in place: when one of them cannot
// be placed (or `placed`, called with the number placed so far after each, throws), `failed` is
// called, and the files placed before it are put back as they were (the earlier file at their
// place again, else none). Call it with the targets' locks held. Throws what failed.
void CommitTogether(const std::vector<TempFile*>& files,
                    const std::function<void(std::size_t placed)>& placed = {},
                    const std::function<void()>& failed = {});

// Carries out what a journal of CommitTogether recorded in the folder open as `folderFd`: each
// rename from a temporary file's name to its target's, both names in that folder; then removes
// the journal `journalName`. The caller has checked that the names are the journal's own.
// Returns 0, or the error of the first rename that failed (the journal then stays).
int CarryOutRenames(int folderFd, const std::vector<std::pair<std::string, std::string>>& renames,
                    const std::string& journalName);

namespace testing {
// Replaces flock(2) for the writer's locks (null: the system's), to try drives without locks.
void SetLockCall(int (*lock)(int fd, int operation));
}  // namespace testing

}  // namespace kx
