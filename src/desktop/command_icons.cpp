#include "desktop/command_icons.hpp"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include "platform/command_bar_service.hpp"

namespace kx::desktop {

namespace {

// A small bar chart: a time header and three staggered bars, the last one split.
QIcon ChartIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double u = size / 16.0;
    p.fillRect(QRectF(1 * u, 1 * u, 14 * u, 3 * u), QColor(70, 110, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 160, 90));
    p.drawRect(QRectF(2 * u, 6 * u, 7 * u, 2 * u));
    p.setBrush(QColor(230, 150, 40));
    p.drawRect(QRectF(5 * u, 9 * u, 8 * u, 2 * u));
    p.setBrush(QColor(200, 60, 60));
    p.drawRect(QRectF(3 * u, 12 * u, 4 * u, 2 * u));
    p.drawRect(QRectF(9 * u, 12 * u, 5 * u, 2 * u));
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon Standard(QStyle::StandardPixmap which) {
  return QApplication::style() != nullptr ? QApplication::style()->standardIcon(which) : QIcon();
}

}  // namespace

QIcon ControlIcon(std::int32_t faceId, std::int32_t builtInId) {
  if (faceId == kChartFace) {
    static const QIcon chart = ChartIcon();
    return chart;
  }
  switch (builtInId) {
    case platform::kIdFileOpen:
      return Standard(QStyle::SP_DialogOpenButton);
    case platform::kIdFileSave:
      return Standard(QStyle::SP_DialogSaveButton);
    case platform::kIdFileClose:
      return Standard(QStyle::SP_DialogCloseButton);
    case platform::kIdViewResourceSheet:
      return Standard(QStyle::SP_FileDialogDetailedView);
    case platform::kIdAbout:
      return Standard(QStyle::SP_MessageBoxInformation);
    default:
      return {};
  }
}

}  // namespace kx::desktop
