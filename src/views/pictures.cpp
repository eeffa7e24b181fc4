#include "views/pictures.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRect>

namespace kx::views {
namespace {

const QColor kBlue(31, 78, 140);
const QColor kLightBlue(214, 227, 243);

// Bars of a little resource chart: row, first and last column of eight.
struct Bar {
  int row;
  int from;
  int to;
  QColor colour;
};

void PaintBars(QPainter& painter, const QRectF& area) {
  const Bar bars[] = {{0, 0, 4, QColor(52, 120, 198)},
                      {1, 2, 7, QColor(233, 150, 36)},
                      {2, 1, 3, QColor(76, 160, 90)},
                      {2, 5, 7, QColor(76, 160, 90)},
                      {3, 3, 6, QColor(190, 70, 70)}};
  const double column = area.width() / 8.0;
  const double row = area.height() / 4.0;
  painter.setPen(QPen(QColor(0, 0, 0, 40), 1));
  for (int c = 0; c <= 8; ++c) {
    const double x = area.left() + c * column;
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
  }
  painter.setPen(Qt::NoPen);
  for (const Bar& b : bars) {
    painter.setBrush(b.colour);
    const QRectF r(area.left() + b.from * column + 1, area.top() + b.row * row + row * 0.2,
                   (b.to - b.from + 1) * column - 2, row * 0.6);
    painter.drawRoundedRect(r, 2, 2);
  }
}

}  // namespace

void PaintBanner(QPainter& painter, const QRect& area, const QString& title, const QString& line) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(area.topLeft(), area.topRight());
  band.setColorAt(0.0, Qt::white);
  band.setColorAt(1.0, kLightBlue);
  painter.fillRect(area, band);

  const int margin = area.height() / 5;
  const QRect logo(area.left() + margin, area.top() + margin, area.height() - 2 * margin,
                   area.height() - 2 * margin);
  PaintLogo(painter, logo);

  QFont titleFont = painter.font();
  titleFont.setBold(true);
  titleFont.setPixelSize(std::max(12, area.height() / 4));
  painter.setFont(titleFont);
  painter.setPen(kBlue);
  const int textLeft = logo.right() + margin;
  const QRect titleArea(textLeft, area.top(), area.width() - textLeft - area.height() * 2,
                        area.height() * 11 / 20);
  painter.drawText(titleArea, Qt::AlignLeft | Qt::AlignBottom, title);

  QFont lineFont = painter.font();
  lineFont.setBold(false);
  lineFont.setPixelSize(std::max(10, area.height() / 8));
  painter.setFont(lineFont);
  painter.setPen(QColor(60, 60, 60));
  const QRect lineArea(textLeft, area.top() + area.height() * 3 / 5, titleArea.width(),
                       area.height() * 2 / 5 - margin / 2);
  painter.drawText(lineArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, line);

  if (area.width() > area.height() * 5) {
    const QRectF chart(area.right() - area.height() * 1.8, area.top() + margin,
                       area.height() * 1.5, area.height() - 2 * margin);
    PaintBars(painter, chart);
  }
  painter.restore();
}

void PaintLogo(QPainter& painter, const QRect& area) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF square = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kBlue);
  painter.drawRoundedRect(square, square.width() * 0.18, square.width() * 0.18);
  const double inset = square.width() * 0.18;
  const QRectF inner = square.adjusted(inset, inset, -inset, -inset);
  painter.setBrush(Qt::white);
  painter.drawRect(inner);
  PaintBars(painter, inner.adjusted(1, 1, -1, -1));
  painter.restore();
}

QImage LogoImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  PaintLogo(painter, QRect(0, 0, size, size));
  painter.end();
  return image;
}

QIcon ProductIcon() {
  QIcon icon;
  for (const int size : kProductIconSizes) icon.addPixmap(QPixmap::fromImage(LogoImage(size)));
  return icon;
}

QIcon InfoIcon() {
  QIcon icon;
  for (const int size : {16, 32}) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(38, 110, 200));
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    painter.setBrush(Qt::white);
    const double u = size / 16.0;
    painter.drawEllipse(QRectF(7 * u, 3 * u, 2 * u, 2 * u));
    painter.drawRect(QRectF(7 * u, 6.5 * u, 2 * u, 6.5 * u));
    painter.end();
    icon.addPixmap(picture);
  }
  return icon;
}

}  // namespace kx::views
