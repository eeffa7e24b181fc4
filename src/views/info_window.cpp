#include "views/info_window.hpp"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include "views/pictures.hpp"

namespace kx::views {
namespace {

class InfoLook final : public FormLook {
 public:
  void PaintPicture(const forms::Control& control, QPainter& painter,
                    const QRect& area) const override {
    if (control.Name() == "imgTop") {
      PaintBanner(painter, area, QStringLiteral("Korvalinx Info"),
                  QStringLiteral("Ressourcendiagramme für Projekte"));
    } else if (control.Name() == "imgLogo") {
      PaintLogo(painter, area);
    }
  }

  void Decorate(const forms::Control& control, QWidget& widget) const override {
    if (control.Name() == "lblWeb") {
      widget.setCursor(Qt::PointingHandCursor);
      QPalette palette = widget.palette();
      palette.setColor(QPalette::WindowText, QColor(0, 0, 200));
      widget.setPalette(palette);
    } else if (control.Name() == "imgLogo") {
      widget.setCursor(Qt::PointingHandCursor);
    } else if (control.Name() == "Frame1") {
      if (auto* frame = qobject_cast<QFrame*>(&widget)) {
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setFrameShadow(QFrame::Sunken);
      }
    } else if (control.Name() == "lblInfo1") {
      QFont font = widget.font();
      font.setBold(true);
      widget.setFont(font);
    }
  }
};

}  // namespace

std::unique_ptr<FormWindow> MakeInfoWindow(forms::frmInfo& form, QWidget* parent) {
  return std::make_unique<FormWindow>(form, std::make_unique<InfoLook>(), parent);
}

void InfoPresenterQt::ShowInfo(forms::frmKorvalinx& owner) {
  wizard::InfoDialog dialog(links_);
  dialog.Load();
  FormWindow* wizardWindow = FormWindow::Of(owner);
  std::unique_ptr<FormWindow> window = MakeInfoWindow(dialog, wizardWindow);
  if (wizardWindow != nullptr) {
    const int offset = Pixels(forms::kInfoOffset);
    window->move(wizardWindow->frameGeometry().topLeft() + QPoint(offset, offset));
  }
  dialog.Show();
  if (onShown) {
    FormWindow* shown = window.get();
    QTimer::singleShot(0, shown, [this, shown] {
      if (onShown) onShown(*shown);
    });
  }
  window->RunModal();
  dialog.Unload();
}

}  // namespace kx::views
