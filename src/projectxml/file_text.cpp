#include "projectxml/file_text.hpp"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

namespace kx::platform {
namespace {

// What is read at once; a file of at least two such pieces is looked at while it is read.
constexpr std::size_t kPiece = 4 << 20;

// Asks the system to back a large buffer that is not yet touched with large pages: a file of a
// hundred megabytes then costs some fifty page faults instead of twenty-five thousand.
void AskForLargePages(char* data, std::size_t size) {
  constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
  if (size < 4 * kLarge) return;
  const auto from = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kLarge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Counts and checks a text from its start on as more of it becomes readable.
class Scan {
 public:
  Scan(std::string_view text, bool check, FileText& out) : text_(text), check_(check), out_(out) {
    out_.lineTable.reserve(text.size() / kLineBlock + 1);
  }

  // Looks at what is new of the first `readable` bytes; `last` when that is the whole text.
  void Step(std::size_t readable, bool last) {
    while (lineDone_ < readable && (last || lineDone_ + kLineBlock <= readable)) {
      out_.lineTable.push_back(lines_);
      lines_ += CountLineFeeds(text_.substr(lineDone_, std::min(kLineBlock, readable - lineDone_)));
      lineDone_ += kLineBlock;
    }
    if (!check_ || out_.bad || readable == 0) return;
    // A piece ends before the start of a character, so that no character is cut in two.
    std::size_t end = readable;
    if (!last)
      for (end = readable - 1; end > checkDone_ && IsContinuation(text_[end]);) --end;
    if (end <= checkDone_) return;
    if (auto bad = FindBadXmlText(text_.substr(checkDone_, end - checkDone_))) {
      bad->offset += checkDone_;
      out_.bad = bad;
    }
    checkDone_ = end;
  }

 private:
  std::string_view text_;
  bool check_;
  FileText& out_;
  std::size_t lines_ = 0, lineDone_ = 0, checkDone_ = 0;
};

// Reads into `data` from `done` on until `size` bytes are there; false on an error or an early
// end. `each` is told how far the text is read after every piece.
template <typename Each>
bool ReadPieces(int fd, char* data, std::size_t done, std::size_t size, Each each) {
  while (done < size) {
    const ssize_t n = ::read(fd, data + done, std::min(kPiece, size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
    each(done);
  }
  return true;
}

// Size of a file in German units ("2,1 GB").
std::string SizeText(std::uintmax_t bytes) {
  const char* units[] = {"Bytes", "KB", "MB", "GB", "TB"};
  double size = static_cast<double>(bytes);
  int unit = 0;
  while (size >= 1024 && unit < 4) {
    size /= 1024;
    ++unit;
  }
  if (unit == 0) return std::to_string(bytes) + " Bytes";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f %s", size, units[unit]);
  std::string text = buf;
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

}  // namespace

std::vector<std::size_t> LineTable(std::string_view text) {
  FileText out;
  Scan(text, false, out).Step(text.size(), true);
  return std::move(out.lineTable);
}

bool ReadFileText(const std::string& path, const CheckWanted& wanted, FileText& out) {
  out = FileText{};
  out.file = OpenRegularFile(path, out.kind);
  const FileHandle& file = out.file;
  struct stat st {};
  if (!file.ok() || ::fstat(file.get(), &st) != 0) return false;

  out.size = static_cast<std::size_t>(st.st_size);
  out.bytes.reset(new char[out.size]);
  char* const data = out.bytes.get();
  AskForLargePages(data, out.size);
  const std::string_view text = out.view();

  // The first piece tells whether the characters are to be checked.
  const std::size_t first = std::min(kPiece, out.size);
  if (!ReadPieces(file.get(), data, 0, first, [](std::size_t) {})) return false;
  const std::optional<bool> check = wanted(text.substr(0, first));
  out.checked = check.value_or(false);
  Scan scan(text, out.checked, out);

  // A large file is looked at on a second thread while the rest is read.
  constexpr std::size_t kStopped = SIZE_MAX;
  std::atomic<std::size_t> readable{first};
  std::exception_ptr failure;
  std::thread helper;
  if (out.size >= 2 * kPiece) {
    try {
      helper = std::thread([&] {
        try {
          for (std::size_t seen = 0;;) {
            readable.wait(seen, std::memory_order_acquire);
            seen = readable.load(std::memory_order_acquire);
            if (seen == kStopped) return;
            scan.Step(seen, seen == out.size);
            if (seen == out.size) return;
          }
        } catch (...) {
          failure = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // no second thread to be had: the text is looked at once it is read
    }
  }
  const bool read = ReadPieces(file.get(), data, first, out.size, [&](std::size_t done) {
    if (!helper.joinable()) return;
    readable.store(done, std::memory_order_release);
    readable.notify_one();
  });
  if (helper.joinable()) {
    if (!read) {
      readable.store(kStopped, std::memory_order_release);
      readable.notify_one();
    }
    helper.join();
    if (failure) std::rethrow_exception(failure);
  } else if (read) {
    scan.Step(out.size, true);
  }
  return read;
}

std::string OutOfMemoryText(const std::string& path, std::uintmax_t size) {
  return path + ": zu wenig Arbeitsspeicher, um die Datei (" + SizeText(size) + ") zu lesen";
}

std::size_t LineOfOffset(const FileText& text, std::size_t offset) {
  offset = std::min(offset, text.size);
  if (text.lineTable.empty()) return 1;
  const std::size_t block = std::min(offset / kLineBlock, text.lineTable.size() - 1);
  const std::size_t from = block * kLineBlock;
  std::size_t lines = text.lineTable[block];
  if (offset <= from) return 1 + lines;
  const std::size_t length = offset - from;
  const std::unique_ptr<char[]> bytes(new char[length]);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(text.file.get(), bytes.get() + done, length - done,
                              static_cast<off_t>(from + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file was cut short meanwhile: its lines as far as it goes
    done += static_cast<std::size_t>(n);
  }
  return 1 + lines + CountLineFeeds({bytes.get(), done});
}

}  // namespace kx::platform
