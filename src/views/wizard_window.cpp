#include "views/wizard_window.hpp"

#include <QPainter>
#include <QTimer>

#include "views/pictures.hpp"

namespace kx::views {
namespace {

class WizardLook final : public FormLook {
 public:
  void PaintPicture(const forms::Control& control, QPainter& painter,
                    const QRect& area) const override {
    if (control.Name() == "imgTop") {
      PaintBanner(painter, area, QStringLiteral("Korvalinx Assistent"),
                  QStringLiteral("Ressourcenzeitpläne und Urlaubspläne aus Ihrem Projekt"));
    }
  }

  QIcon ButtonIcon(const forms::Control& control) const override {
    return control.Name() == "cmdInfo" ? InfoIcon() : QIcon();
  }
};

}  // namespace

std::unique_ptr<FormWindow> MakeWizardWindow(forms::frmKorvalinx& form, QWidget* parent) {
  return std::make_unique<FormWindow>(form, std::make_unique<WizardLook>(), parent);
}

void WizardPresenter::ShowModal(forms::frmKorvalinx& form) {
  std::unique_ptr<FormWindow> window = MakeWizardWindow(form);
  window_ = window.get();
  form.Show();
  if (onShown) {
    QTimer::singleShot(0, window.get(), [this] {
      if (window_ != nullptr && onShown) onShown(*window_);
    });
  }
  window->RunModal();
  window_ = nullptr;
}

}  // namespace kx::views
