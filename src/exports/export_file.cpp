#include "exports/export_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include "exports/chart_table.hpp"
#include "support/file_writer.hpp"

namespace kx::exports {

void WriteFileWhole(const std::string& target, std::string_view content) {
  try {
    kx::WriteFileWhole(target, content);
  } catch (const FileWriteError& e) {
    if (e.Error() == 0) throw ExportError(e.what());
    throw ExportError("\"" + target + "\" kann nicht geschrieben werden (" +
                      SystemErrorText(e.Error()) + ").");
  }
}

std::string ReadWrittenFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    throw ExportError("\"" + path + "\" kann nicht gelesen werden (" + SystemErrorText(errno) +
                      ").");
  std::string content;
  char buf[1 << 16];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
    content.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  return content;
}

}  // namespace kx::exports
