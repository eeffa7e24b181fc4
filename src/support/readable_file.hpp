#pragma once
// Opening a file that the user names for reading, without ever waiting on it: a named pipe, a
// socket or a device at a file's place is refused, not read (reading one may wait for ever, or
// never end).

#include <string>

namespace kx {

// A file descriptor that closes itself.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle();

  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// What is found where a file is to be read.
enum class FileKind { Regular, Missing, Folder, Special, Unreadable };

// Opens the regular file at `path` (symbolic links followed) for reading, its reads waiting as
// usual; `kind` is Regular then. Otherwise the handle is empty and `kind` tells why: Missing
// (nothing there), Folder, Special (a named pipe, socket or device: never opened so that it could
// be waited on) or Unreadable (errno tells why).
FileHandle OpenRegularFile(const std::string& path, FileKind& kind);

// "<path>: ist keine gewöhnliche Datei, sondern eine benannte Pipe (FIFO), und wird nicht
// gelesen", naming what is at `path`.
std::string NotRegularFileText(const std::string& path);

}  // namespace kx
