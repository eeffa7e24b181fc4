#pragma once
// The add-in's connection object: the host connects and disconnects it, it keeps the host
// application and the one wizard form, places its menu entry and toolbar button into the host's
// command bars and starts a chart through `Show` when one of them is clicked.

#include <memory>
#include <string>

#include "host/command_bars.hpp"
#include "host/host.hpp"
#include "wizard/presenters.hpp"
#include "wizard/wizard.hpp"

namespace kx::addin {

// How the host connects the add-in.
enum ConnectMode : int {
  kConnectAfterStartup = 0,  // loaded while the host runs (the add-in dialog)
  kConnectStartup = 1,       // loaded as the host starts
  kConnectExternal = 2,      // connected from outside: the wizard opens at once
  kConnectCommandLine = 3,
};
// Why the host disconnects it.
enum RemoveMode : int {
  kRemoveHostShutdown = 0,  // the entries stay for the next run of the host
  kRemoveUserClosed = 1,    // the user unloaded the add-in: the entries go
};

// The add-in's registration with the host and the names of its entries.
inline constexpr const char* kProgId = "Korvalinx.Connect";
inline constexpr const char* kAddInDescription =
    "COM Addin zur Erstellung von Ressourcendiagrammen und Urlaubsplänen.";
inline constexpr int kLoadAtStartup = 3;
inline constexpr const char* kEntryCaption = "&Korvalinx Assistent";
inline constexpr const char* kMenuBar = "Tools";
inline constexpr const char* kMenuTag = "KorvalinxWizard";
inline constexpr const char* kToolbarName = "Korvalinx";
inline constexpr const char* kToolbarTag = "KorvalinxWizardToolbar";
inline constexpr std::int32_t kEntryFaceId = 2145;

class Connect {
 public:
  // `presenter` shows the wizard modally; `services` go to the wizard and its chart engine (its
  // message boxes also show the error report; its registry holds "DisplayOnConnect").
  Connect(wizard::ModalPresenter* presenter, wizard::WizardServices services);
  ~Connect();
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  // The host application, handed over at connection; Show never releases it.
  host::Application* objApplication = nullptr;
  // The references Show publishes on every call (gobjApplication, gfrmKorvalinx).
  wizard::SharedReferences shared;
  // The wizard form: made by the first Show, kept between launches, released at disconnection.
  std::unique_ptr<wizard::KorvalinxWizard> objWizard;
  // The two entries, with their click events connected to Show.
  host::ControlPtr objMenuButton;
  host::ControlPtr objToolbarButton;

  // Keeps the application; from outside (kConnectExternal) shows the wizard at once and makes no
  // entries; otherwise makes (or finds again) the menu entry and the toolbar button, and in
  // kConnectAfterStartup shows the wizard when the program setting "DisplayOnConnect" is "1".
  // A failure shows the error report and ends the connection; what was made stays.
  void OnConnection(host::Application* application, int connectMode,
                    host::AddInInstance* addIn = nullptr);
  // Takes the entries out when the user unloaded the add-in (kRemoveUserClosed), then unloads
  // and releases the wizard. Failures are passed over.
  void OnDisconnection(int removeMode);
  void OnStartupComplete() {}
  void OnBeginShutdown() {}
  void OnAddInsUpdate() {}

  // Checks the active project (open, with resources, a question on duplicate names), prepares
  // the wizard with the settings, resources and lists, and shows it modally until it closes.
  // Never throws; a failing step is passed over.
  void Show();

 private:
  host::ControlPtr CreateMenuButton(const std::string& barName, const std::string& caption,
                                    const std::string& tag, host::AddInInstance* addIn);
  host::CommandBarPtr CreateToolbar(host::Application& application, host::AddInInstance* addIn,
                                    const std::string& name, bool visible);
  host::ControlPtr CreateToolbarButton(host::Application& application, host::AddInInstance* addIn,
                                       const std::string& toolbar, const std::string& tag,
                                       const std::string& caption, std::int32_t style,
                                       bool beginGroup);
  void RemoveCommandBarEntries(int removeMode);
  // Connects a button's clicks to Show (and takes the previous button's off).
  void Listen(host::ControlPtr& member, int& handler, host::ControlPtr button);
  void ReportError(const host::HostError& e);

  wizard::ModalPresenter* presenter_;
  wizard::WizardServices services_;
  int menuHandler_ = -1;
  int toolbarHandler_ = -1;
};

}  // namespace kx::addin
