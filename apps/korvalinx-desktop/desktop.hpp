#pragma once
// The desktop program's work: open a project file in the planning host and connect the add-in
// from outside, which shows the wizard at once; the program ends when the wizard closes.

#include <string>

#include "support/clock.hpp"
#include "support/file_dialog.hpp"
#include "support/links.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"
#include "views/info_window.hpp"
#include "views/wizard_window.hpp"

namespace kx::desktop {

inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 2;

struct DesktopServices {
  MessageBoxes* boxes = nullptr;
  PlatformFileDialogs* dialogs = nullptr;
  Clock* clock = nullptr;
  RegistryStore* registry = nullptr;
  views::WizardPresenter* presenter = nullptr;
  views::InfoPresenterQt* info = nullptr;
};

// Opens `path` and runs the wizard over it until it closes. Returns kExitOk then, or
// kExitBadInput after a German message naming the file when it cannot be opened.
int RunWizard(const std::string& path, const DesktopServices& services);

}  // namespace kx::desktop
