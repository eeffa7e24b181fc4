#pragma once
// The information dialog as a window over the wizard, and the presenter that opens it.

#include <functional>
#include <memory>

#include "support/links.hpp"
#include "views/form_window.hpp"
#include "wizard/info_dialog.hpp"
#include "wizard/presenters.hpp"

namespace kx::views {

// Makes the window of the information dialog (not yet shown).
std::unique_ptr<FormWindow> MakeInfoWindow(forms::frmInfo& form, QWidget* parent = nullptr);

// Opens the information dialog modally, 300 twips right of and below the wizard's top-left
// corner, and returns when it is closed; the wizard keeps its state.
class InfoPresenterQt final : public wizard::InfoPresenter {
 public:
  // `links` must outlive the presenter.
  explicit InfoPresenterQt(LinkOpener& links) : links_(links) {}
  void ShowInfo(forms::frmKorvalinx& owner) override;

  std::function<void(FormWindow&)> onShown;

 private:
  LinkOpener& links_;
};

}  // namespace kx::views
