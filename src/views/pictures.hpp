#pragma once
// The pictures that the views draw themselves: the banners of the wizard and the information
// dialog, the information button's picture and the product's logo.

#include <QIcon>
#include <QString>

class QPainter;
class QRect;

namespace kx::views {

// A banner: a light band with the title, a line below it and a small chart of bars on the right.
void PaintBanner(QPainter& painter, const QRect& area, const QString& title, const QString& line);

// The product's logo: a rounded square with bars across a calendar grid.
void PaintLogo(QPainter& painter, const QRect& area);

// The information button's picture: a blue disc with a white "i".
QIcon InfoIcon();

}  // namespace kx::views
