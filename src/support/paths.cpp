#include "support/paths.hpp"

#include <filesystem>
#include <system_error>

namespace kx {

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (a.find('/') == std::string::npos || b.empty()) return false;
  std::error_code ea, eb;
  const auto pa = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
  const auto pb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
  return !ea && !eb && pa == pb;
}

}  // namespace kx
