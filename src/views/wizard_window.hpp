#pragma once
// The wizard as a window: frmKorvalinx mirrored by a FormWindow with its banner, separator lines
// and the information button's picture, and the presenter that shows it modally for the launch.

#include <functional>
#include <memory>

#include "views/form_window.hpp"
#include "wizard/presenters.hpp"

namespace kx::views {

// Makes the window of the wizard form (not yet shown).
std::unique_ptr<FormWindow> MakeWizardWindow(forms::frmKorvalinx& form, QWidget* parent = nullptr);

// Shows the wizard modally until it closes. `onShown` (tests, screenshots) runs once the window
// is on the screen, inside its modal loop.
class WizardPresenter final : public wizard::ModalPresenter {
 public:
  void ShowModal(forms::frmKorvalinx& form) override;

  std::function<void(FormWindow&)> onShown;
  // The window while it is shown, else nullptr.
  FormWindow* Window() const { return window_; }

 private:
  FormWindow* window_ = nullptr;
};

}  // namespace kx::views
