#pragma once
// Web addresses opened in the user's browser through the desktop.

#include "support/links.hpp"

namespace kx::views {

class DesktopLinks final : public LinkOpener {
 public:
  void Open(const std::string& address) override;
};

}  // namespace kx::views
