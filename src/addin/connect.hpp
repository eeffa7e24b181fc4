#pragma once
// The add-in's connection object: it keeps the host application and the one wizard form, and
// starts a chart through `Show`.

#include <memory>

#include "addin/host/host.hpp"
#include "support/product.hpp"
#include "wizard/presenters.hpp"
#include "wizard/wizard.hpp"

namespace kx::addin {

// How the host connects the add-in.
enum ConnectMode : int {
  kConnectAfterStartup = 0,  // connected while the host runs
  kConnectStartup = 1,       // connected as the host starts
  kConnectExternal = 2,      // connected from outside: the wizard opens at once
  kConnectCommandLine = 3,
};

class Connect {
 public:
  // `presenter` shows the wizard modally; `services` go to the wizard and its chart engine.
  Connect(wizard::ModalPresenter* presenter, wizard::WizardServices services);
  ~Connect();
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  // The host application, handed over at connection; Show never releases it.
  host::Application* objApplication = nullptr;
  // The references Show publishes on every call (gobjApplication, gfrmKorvalinx).
  wizard::SharedReferences shared;
  // The wizard form: made by the first Show, kept between launches.
  std::unique_ptr<wizard::KorvalinxWizard> objWizard;

  // Keeps `application`; connected from outside (kConnectExternal) it shows the wizard at once
  // and returns when the wizard has closed. The other modes only keep the application: the
  // host's menu entries that start the wizard belong to the host window. Never throws.
  void OnConnection(host::Application* application, int connectMode);

  // Checks the active project (open, with resources, a question on duplicate names), prepares
  // the wizard with the settings, resources and lists, and shows it modally until it closes.
  // Never throws; a failing step is passed over.
  void Show();

 private:
  wizard::ModalPresenter* presenter_;
  wizard::WizardServices services_;
};

}  // namespace kx::addin
