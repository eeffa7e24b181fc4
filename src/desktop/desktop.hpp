#pragma once
// The desktop program's work: open a project file in the planning host and connect the add-in
// from outside, which shows the wizard at once; the program ends when the wizard closes.

#include <QApplication>
#include <string>
#include <vector>

#include "desktop/add_ins.hpp"
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

// Names the application, gives its windows the program's icon and Qt's texts in German. Sets
// no display name, which Qt would append to every window's caption: each window names itself.
void PrepareApplication(QApplication& app);

// Opens `path` and runs the wizard over it until it closes. Returns kExitOk then, or
// kExitBadInput after a German message naming the file when it cannot be opened.
int RunWizard(const std::string& path, const DesktopServices& services);

// The planning host as a window: opens `files`, connects the add-in at start-up when it is
// registered to load then, runs until the window closes, disconnects the add-in and keeps the
// command bars in the store. Returns the exit code.
int RunDesktop(const std::vector<std::string>& files, const DesktopServices& services);

}  // namespace kx::desktop
