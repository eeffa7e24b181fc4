#pragma once
// Export files reach their target only whole, through the program's one file writer: a failed
// export leaves an earlier file as it was.

#include <string>
#include <string_view>

namespace kx::exports {

// Writes `content` to `target` whole. Throws ExportError naming the file.
void WriteFileWhole(const std::string& target, std::string_view content);

// The whole content of a file that this program wrote. Throws ExportError.
std::string ReadWrittenFile(const std::string& path);

}  // namespace kx::exports
