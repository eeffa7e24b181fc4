// korvalinx-desktop: the desktop program. `korvalinx-desktop [FILE...]` is the planning host's
// window with the add-in in its menus; `--wizard FILE` opens FILE and shows the chart wizard over
// it, and the program ends when the wizard closes.

#include <CLI/CLI.hpp>
#include <QApplication>
#include <QIcon>
#include <iostream>
#include <memory>
#include <string_view>

#include "desktop/desktop.hpp"
#include "platform/user_store.hpp"
#include "support/product.hpp"
#include "views/event_clock.hpp"
#include "views/file_dialogs.hpp"
#include "views/german.hpp"
#include "views/links.hpp"
#include "views/message_boxes.hpp"
#include "views/pictures.hpp"

int main(int argc, char** argv) {
  // The help needs no screen.
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument(argv[i]);
    if (argument == "-h" || argument == "--help") {
      std::cout << "Korvalinx Planer: Ressourcenzeitplan und Urlaubsplan aus einem Projektplan\n\n"
                   "Aufruf: korvalinx-desktop [DATEI...]\n"
                   "        korvalinx-desktop --wizard DATEI\n\n"
                   "Argumente:\n"
                   "  DATEI           Projektdateien, die im Fenster geöffnet werden\n\n"
                   "Optionen:\n"
                   "  --wizard DATEI  die Projektdatei öffnen und den Assistenten zeigen; das "
                   "Programm endet,\n                  wenn der Assistent geschlossen wird\n"
                   "  -h, --help      diese Hilfe zeigen\n\n"
                   "Rückgabewerte:\n"
                   "  0  das Fenster oder der Assistent wurde geschlossen\n"
                   "  2  ungültiger Aufruf, oder die Projektdatei oder die Einstellungen können "
                   "nicht gelesen werden\n";
      return 0;
    }
  }
  kx::views::UseGermanProcessLocale();
  QApplication qt(argc, argv);  // takes Qt's own arguments (-platform ...) off the list
  kx::views::KeepCNumbers();
  kx::desktop::PrepareApplication(qt);

  CLI::App app{"Korvalinx Planer: Ressourcenzeitplan und Urlaubsplan aus einem Projektplan",
               "korvalinx-desktop"};
  app.set_help_flag();
  std::string source;
  app.add_option("--wizard", source, "die Projektdatei öffnen und den Assistenten zeigen")
      ->type_name("DATEI");
  std::vector<std::string> files;
  app.add_option("DATEI", files, "Projektdateien, die im Fenster geöffnet werden");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::cerr << "korvalinx-desktop: ungültiger Aufruf (" << e.what()
              << "); Hilfe mit: korvalinx-desktop --help\n";
    return kx::desktop::kExitBadInput;
  }

  kx::views::QtMessageBoxes boxes;
  kx::views::QtFileDialogs dialogs;
  kx::views::DrawingClock clock;
  kx::views::DesktopLinks links;
  kx::views::WizardPresenter presenter;
  kx::views::InfoPresenterQt info(links);
  std::unique_ptr<kx::RegistryStore> store;
  const std::string storePath = kx::platform::UserRegistryStore::DefaultPath();
  if (storePath.empty()) {
    store = std::make_unique<kx::MemoryRegistryStore>();
  } else {
    auto user = std::make_unique<kx::platform::UserRegistryStore>(storePath);
    if (const std::string refusal = user->Refusal(); !refusal.empty()) {
      kx::ShowMessage(boxes,
                      "Die gespeicherten Einstellungen können nicht gelesen werden:\r\n" + refusal,
                      kx::kProductTitle, kx::MsgIcon::Critical);
      return kx::desktop::kExitBadInput;
    }
    user->OnWarning([&boxes](const std::string& text) {
      kx::ShowMessage(boxes, text, kx::kProductTitle, kx::MsgIcon::Exclamation);
    });
    store = std::move(user);
  }
  const kx::desktop::DesktopServices services{&boxes,      &dialogs,   &clock,
                                              store.get(), &presenter, &info};
  if (!source.empty()) return kx::desktop::RunWizard(source, services);
  return kx::desktop::RunDesktop(files, services);
}
