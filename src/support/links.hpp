#pragma once
// Opening web addresses in the user's browser. The add-in says which address; the platform's
// opener (the desktop's browser in the Qt program, a recorder in tests) does it.

#include <string>

namespace kx {

class LinkOpener {
 public:
  virtual ~LinkOpener() = default;
  // Hands `address` to the desktop, which starts the user's browser; does not wait for it.
  // Throws on a failure of its own.
  virtual void Open(const std::string& address) = 0;
};

namespace basMail {

// Returns `address` with "http://" put in front unless it begins with "http" in any letter case.
std::string LinkAddress(const std::string& address);

// Opens `address` (completed by LinkAddress) through `opener`. Returns true when no failure
// occurred; what the browser then does is not inspected.
bool OpenLink(LinkOpener& opener, const std::string& address);

}  // namespace basMail

}  // namespace kx
