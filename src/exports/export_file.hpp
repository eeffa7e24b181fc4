#pragma once
// Export files reach their target only whole: they are written to a temporary file beside the
// target and renamed over it, so a failed export leaves an earlier file as it was.

#include <string>
#include <string_view>

namespace kx::exports {

// A temporary file in the target's folder, with the target's permissions (or those of a new
// file). Commit renames it over the target; otherwise the destructor removes it.
class PendingFile {
 public:
  // Throws ExportError when the temporary file cannot be made.
  explicit PendingFile(std::string target);
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile();

  const std::string& TempPath() const { return temp_; }
  const std::string& Target() const { return target_; }
  // Writes `content` into the temporary file, replacing what it held. Throws ExportError.
  void Write(std::string_view content);
  // Flushes the temporary file to disk and renames it over the target. Throws ExportError.
  void Commit();

 private:
  [[noreturn]] void Fail(int error) const;
  std::string target_;
  std::string temp_;
};

// Writes `content` to `target` through a PendingFile. Throws ExportError.
void WriteFileWhole(const std::string& target, std::string_view content);

}  // namespace kx::exports
