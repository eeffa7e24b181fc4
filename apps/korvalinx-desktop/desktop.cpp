#include "desktop.hpp"

#include <filesystem>
#include <memory>

#include "addin/connect.hpp"
#include "platform/planning_host.hpp"
#include "platform/project_xml.hpp"
#include "support/product.hpp"

namespace kx::desktop {

namespace fs = std::filesystem;

int RunWizard(const std::string& path, const DesktopServices& services) {
  SilentMessageBoxes silent;
  MessageBoxes& boxes = services.boxes != nullptr ? *services.boxes : silent;
  const auto refuse = [&](const std::string& text) {
    ShowMessage(boxes, text, kProductTitle, MsgIcon::Exclamation);
    return kExitBadInput;
  };

  std::error_code ec;
  if (!fs::exists(path, ec))
    return refuse("Die Projektdatei \"" + path + "\" ist nicht vorhanden.");
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

  wizard::WizardServices wizardServices;
  wizardServices.boxes = &boxes;
  wizardServices.dialogs = services.dialogs;
  wizardServices.clock = services.clock;
  wizardServices.registry = services.registry;
  wizardServices.info = services.info;
  addin::Connect connect(services.presenter, wizardServices);
  connect.OnConnection(&host, addin::kConnectExternal);
  return kExitOk;
}

}  // namespace kx::desktop
