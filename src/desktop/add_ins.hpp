#pragma once
// The add-ins of the desktop host: each registered in the per-user store under the host's key,
// connected and disconnected as the host starts, as the user loads or unloads it in the
// "Add-Ins" dialog, and as the host shuts down.

#include <QDialog>
#include <string>
#include <vector>

#include "connect/connect.hpp"
#include "support/registry.hpp"

class QLabel;
class QListWidget;

namespace kx::desktop {

// Where the host finds its add-ins (below HKEY_CURRENT_USER): one key per programmatic
// identifier with "FriendlyName", "Description" and "LoadBehavior".
inline constexpr const char* kAddInsKey = "Software\\Korvalinx Planer\\Addins";

// "LoadBehavior": bit 1 loads the add-in as the host starts, bit 0 says it is loaded.
inline constexpr int kLoadedBit = 1;
inline constexpr int kStartupBit = 2;

// One add-in of the host and its connection.
class AddInSlot final : public host::AddInInstance {
 public:
  AddInSlot(host::Application& host, addin::Connect& connect, RegistryStore& store);
  ~AddInSlot() override;
  AddInSlot(const AddInSlot&) = delete;
  AddInSlot& operator=(const AddInSlot&) = delete;

  std::string GetProgId() override { return addin::kProgId; }
  std::string FriendlyName();
  std::string Description();
  // Whether the store says to load it as the host starts.
  bool LoadsAtStartup();
  bool Connected() const { return connected_; }
  // Whether it shows itself when it is loaded while the host runs (its setting
  // "DisplayOnConnect" is "1").
  bool ShowsOnConnect();

  // Connects it in `connectMode` when it is not connected; the store then says it is loaded.
  void Load(int connectMode);
  // Disconnects it in `removeMode` when it is connected. Unloaded by the user
  // (kRemoveUserClosed), it stays unloaded at the next start too; at shutdown the store keeps
  // what it said.
  void Unload(int removeMode);

 private:
  host::Application& host_;
  addin::Connect& connect_;
  RegistryStore& store_;
  bool connected_ = false;
};

// Registers the Korvalinx add-in with the host when it is not registered yet (as its installer
// would), to load at start-up. Returns true when it is registered to load at start-up.
bool RegisterAddIn(RegistryStore& store);

// "Add-Ins": the host's add-ins with a check mark for each loaded one. Accepted, Apply loads the
// newly checked ones (connect mode 0) and unloads the unchecked ones (remove mode 1).
class AddInsDialog final : public QDialog {
 public:
  AddInsDialog(const std::vector<AddInSlot*>& addIns, QWidget* parent = nullptr);
  void Apply();
  QListWidget* List() const { return list_; }

 private:
  void ShowDetails();

  std::vector<AddInSlot*> addIns_;
  QListWidget* list_ = nullptr;
  QLabel* details_ = nullptr;
};

}  // namespace kx::desktop
