#include "support/readable_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kx {

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

namespace {

FileKind KindOf(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return FileKind::Regular;
  return S_ISDIR(st.st_mode) ? FileKind::Folder : FileKind::Special;
}

}  // namespace

FileHandle OpenRegularFile(const std::string& path, FileKind& kind) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    kind = errno == ENOENT ? FileKind::Missing : FileKind::Unreadable;
    return {};
  }
  kind = KindOf(st);
  if (kind != FileKind::Regular) return {};
  // Should a pipe take the file's place meanwhile, opening it does not wait for a writer, and the
  // look at what was opened refuses it.
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!file.ok()) {
    kind = errno == ENOENT  ? FileKind::Missing
           : errno == ENXIO ? FileKind::Special  // a socket
                            : FileKind::Unreadable;
    return {};
  }
  if (::fstat(file.get(), &st) != 0) {
    kind = FileKind::Unreadable;
    return {};
  }
  kind = KindOf(st);
  if (kind != FileKind::Regular) return {};
  const int flags = ::fcntl(file.get(), F_GETFL);
  if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    kind = FileKind::Unreadable;
    return {};
  }
  return file;
}

std::string NotRegularFileText(const std::string& path) {
  std::string what = "keine gewöhnliche Datei";
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISFIFO(st.st_mode))
      what += ", sondern eine benannte Pipe (FIFO)";
    else if (S_ISSOCK(st.st_mode))
      what += ", sondern ein Socket";
    else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
      what += ", sondern ein Gerät";
    else if (S_ISDIR(st.st_mode))
      what += ", sondern ein Ordner";
  }
  return path + ": ist " + what + ", und wird nicht gelesen";
}

}  // namespace kx
