#pragma once
// The user's files that saving a project must not replace.

#include <optional>
#include <string>
#include <vector>

#include "host/error.hpp"
#include "host/host.hpp"
#include "support/paths.hpp"

namespace kx::host {

// A file that a save would replace, and the user's file it is.
struct GuardedHit {
  std::string written;  // a file the save writes (the target, or one it keeps beside it)
  std::string guarded;  // the open projects' file that it is
};

// Returns the first file that SaveProjectAs(path) would write and that is one of the open
// projects' files (GetGuardedFiles), compared as resolved paths; nothing when there is none.
// Never throws: what the host cannot tell counts as no file.
inline std::optional<GuardedHit> FindGuardedFile(Application& app, const std::string& path) {
  std::vector<std::string> written, guarded;
  try {
    written = app.GetFilesOfSave(path);
    guarded = app.GetGuardedFiles();
  } catch (const HostError&) {
    if (written.empty()) written = {path};
  }
  for (const auto& w : written)
    for (const auto& g : guarded)
      if (!g.empty() && SameFile(w, g)) return GuardedHit{w, g};
  return std::nullopt;
}

}  // namespace kx::host
