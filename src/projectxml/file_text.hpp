#pragma once
// A file's bytes in memory of their own, read piece by piece while a second thread looks at the
// pieces already there: it counts their line feeds and, where asked, checks that they are text
// that XML allows. What it finds is what one look at the whole text would find.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "projectxml/xml_values.hpp"
#include "support/readable_file.hpp"

namespace kx::platform {

// Line feeds are counted by blocks of this many bytes, so that the line of an offset is found
// without a second copy of the text.
inline constexpr std::size_t kLineBlock = 1 << 16;

// How many line feeds come before each block of kLineBlock bytes.
std::vector<std::size_t> LineTable(std::string_view text);

struct FileText {
  std::unique_ptr<char[]> bytes;  // not cleared before they were read
  std::size_t size = 0;
  std::vector<std::size_t> lineTable;  // as LineTable gives it
  bool checked = false;                // the text was looked at for what XML does not allow
  std::optional<BadXmlText> bad;       // where `checked`: the first such place
  FileKind kind = FileKind::Missing;   // what was found at the path
  FileHandle file;                     // the file, kept open for LineOfOffset

  char* data() { return bytes.get(); }
  std::string_view view() const { return {bytes.get(), size}; }
};

// Whether a text's characters are to be checked, told from its first bytes (the whole text, or
// the first four mebibytes of it at least); nothing when those cannot tell.
using CheckWanted = std::function<std::optional<bool>(std::string_view start)>;

// Reads the file at `path` into `out`; false when it cannot be read (no file, a folder, a named
// pipe, socket or device, which `out.kind` tells, or fewer bytes than it had when it was opened).
// Never waits on a pipe or device. Throws std::bad_alloc when memory runs out, with `out.size`
// telling how much was asked for.
bool ReadFileText(const std::string& path, const CheckWanted& wanted, FileText& out);

// "<path>: zu wenig Arbeitsspeicher, um die Datei (2,1 GB) zu lesen", for a file of `size` bytes
// whose text or parse finds no room in memory.
std::string OutOfMemoryText(const std::string& path, std::uintmax_t size);

// The line (from 1) of byte `offset` of a text that ReadFileText read: the line table gives the
// lines before the offset's block, the file itself, read there again, those within it. What was
// changed in memory since (a parse in place ends names with zero bytes and joins line breaks)
// does not count. May be called on several threads at once.
std::size_t LineOfOffset(const FileText& text, std::size_t offset);

}  // namespace kx::platform
