#include "support/links.hpp"

#include "support/text.hpp"

namespace kx::basMail {

std::string LinkAddress(const std::string& address) {
  if (AsciiLower(address.substr(0, 4)) == "http") return address;
  return "http://" + address;
}

bool OpenLink(LinkOpener& opener, const std::string& address) {
  try {
    opener.Open(LinkAddress(address));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace kx::basMail
