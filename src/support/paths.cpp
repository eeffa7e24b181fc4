#include "support/paths.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <system_error>

namespace kx {

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (a.find('/') == std::string::npos || b.empty()) return false;
  return SamePath(a, b);
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (a.empty() || b.empty()) return false;
  std::error_code ea, eb;
  const auto pa = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
  const auto pb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
  if (!ea && !eb && pa == pb) return true;
  // Hard links and other second names of one file.
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string NotFoundText(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) == 0 || errno != EACCES)
    return "ist nicht vorhanden";
  // The first folder on the way, as the path is written, that this user may not search.
  std::filesystem::path folder;
  for (const auto& part : std::filesystem::path(path).parent_path()) {
    folder /= part;
    if (::access(folder.c_str(), X_OK) != 0)
      return "kann nicht gelesen werden (der Ordner \"" + folder.string() +
             "\" darf nicht gelesen werden)";
  }
  return "kann nicht gelesen werden (keine Berechtigung)";
}

unsigned ReplacementMode(const std::string& replaced) {
  // Never the set-id and sticky bits, and nothing of another user's file: its owner's
  // permissions would be this user's file's, a world-writable one world-writable.
  struct stat st {};
  if (::stat(replaced.c_str(), &st) == 0 && st.st_uid == ::geteuid()) return st.st_mode & 0777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace kx
