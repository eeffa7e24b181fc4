#include "exports/export_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "exports/chart_table.hpp"
#include "support/paths.hpp"

namespace kx::exports {

namespace fs = std::filesystem;

PendingFile::PendingFile(std::string target) : target_(std::move(target)) {
  const fs::path path(target_);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  // The temporary name is the target's with a dot before and a suffix after, unless that would
  // be longer than a name may be.
  std::string name = "." + path.filename().string() + ".XXXXXX";
  if (name.size() > 255) name = ".korvalinx-export.XXXXXX";
  std::string pattern = (folder / name).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) Fail(errno);
  temp_ = pattern;
  const int error = ::fchmod(fd, ReplacementMode(target_)) == 0 ? 0 : errno;
  ::close(fd);
  if (error != 0) Fail(error);
}

PendingFile::~PendingFile() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

void PendingFile::Write(std::string_view content) {
  const int fd = ::open(temp_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) Fail(errno);
  int error = 0;
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) Fail(error);
}

void PendingFile::Commit() {
  const int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail(errno);
  int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  if (error == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0) error = errno;
  if (error != 0) Fail(error);
  temp_.clear();
}

void PendingFile::Fail(int error) const {
  throw ExportError("\"" + target_ + "\" kann nicht geschrieben werden (" + std::strerror(error) +
                    ").");
}

void WriteFileWhole(const std::string& target, std::string_view content) {
  PendingFile file(target);
  file.Write(content);
  file.Commit();
}

}  // namespace kx::exports
