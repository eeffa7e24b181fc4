#include "desktop/desktop.hpp"

#include <filesystem>
#include <memory>

#include <QApplication>

#include "connect/connect.hpp"
#include "desktop/holidays_dialog.hpp"
#include "desktop/host_window.hpp"
#include "platform/command_bar_service.hpp"
#include "platform/planning_host.hpp"
#include "projectxml/project_xml.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#include "views/german.hpp"
#include "views/pictures.hpp"

namespace kx::desktop {

namespace fs = std::filesystem;

namespace {

// What the wizard and its chart engine get of the desktop's services.
wizard::WizardServices WizardServicesOf(const DesktopServices& services, MessageBoxes& boxes) {
  wizard::WizardServices w;
  w.boxes = &boxes;
  w.dialogs = services.dialogs;
  w.clock = services.clock;
  w.registry = services.registry;
  w.info = services.info;
  return w;
}

}  // namespace

void PrepareApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("korvalinx-desktop"));
  QApplication::setOrganizationName(QStringLiteral("Korvalinx"));
  // The desktop matches the windows with the program's menu entry by this name; the windows
  // carry the icon that is installed for that entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("de.korvalinx.Planer"));
  QApplication::setWindowIcon(views::ProductIcon());
  views::UseGerman(app);
}

int RunWizard(const std::string& path, const DesktopServices& services) {
  SilentMessageBoxes silent;
  MessageBoxes& boxes = services.boxes != nullptr ? *services.boxes : silent;
  const auto refuse = [&](const std::string& text) {
    ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
    return kExitBadInput;
  };

  std::error_code ec;
  if (!fs::exists(path, ec))
    return refuse("Die Projektdatei \"" + path + "\" " + NotFoundText(path) + ".");
  if (fs::is_directory(path, ec))
    return refuse("Die Projektdatei \"" + path + "\" ist ein Ordner.");

  auto format = std::make_shared<platform::ProjectXmlFormat>();
  platform::PlanningHost host(format);
  host::Resume open;
  if (!open([&] { host.OpenProject(path); }))
    return refuse("Die Projektdatei \"" + path + "\" kann nicht gelesen werden:\r\n" +
                  open.Failures().back().description);
  if (!format->LastWarnings().empty()) {
    std::string text = "Beim Lesen von \"" + path + "\" ist aufgefallen:";
    for (const auto& warning : format->LastWarnings()) text += "\r\n" + warning;
    ShowMessage(boxes, text, kProductTitle, MsgIcon::Information);
  }

  addin::Connect connect(services.presenter, WizardServicesOf(services, boxes));
  connect.OnConnection(&host, addin::kConnectExternal);
  return kExitOk;
}

int RunDesktop(const std::vector<std::string>& files, const DesktopServices& services) {
  SilentMessageBoxes silent;
  MessageBoxes& boxes = services.boxes != nullptr ? *services.boxes : silent;
  MemoryRegistryStore memory;
  RegistryStore& store = services.registry != nullptr ? *services.registry : memory;

  auto format = std::make_shared<platform::ProjectXmlFormat>();
  platform::PlanningHost host(format);
  auto bars = std::make_shared<platform::CommandBarService>();
  bars->Load(store);
  AddHolidaysCommand(*bars);
  host.SetCommandBars(bars);

  HostWindow window(host, *bars, {&boxes, services.dialogs, &store});
  for (const auto& file : files) window.OpenFile(file);

  addin::Connect connect(services.presenter, WizardServicesOf(services, boxes));
  AddInSlot korvalinx(host, connect, store);
  window.SetAddIns({&korvalinx});
  if (RegisterAddIn(store)) korvalinx.Load(addin::kConnectStartup);

  window.show();
  const int code = QApplication::exec();
  korvalinx.Unload(addin::kRemoveHostShutdown);
  bars->Save(store);
  return code == 0 ? kExitOk : code;
}

}  // namespace kx::desktop
