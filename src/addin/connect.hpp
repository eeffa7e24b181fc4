#pragma once
// The add-in's connection object: it keeps the host application and the one wizard form, and
// starts a chart through `Show`.

#include <memory>

#include "addin/host/host.hpp"
#include "support/product.hpp"
#include "wizard/presenters.hpp"
#include "wizard/wizard.hpp"

namespace kx::addin {

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

  // Checks the active project (open, with resources, a question on duplicate names), prepares
  // the wizard with the settings, resources and lists, and shows it modally until it closes.
  // Never throws; a failing step is passed over.
  void Show();

 private:
  wizard::ModalPresenter* presenter_;
  wizard::WizardServices services_;
};

}  // namespace kx::addin
