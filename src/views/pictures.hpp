#pragma once
// The pictures that the views draw themselves: the banners of the wizard and the information
// dialog, the information button's picture and the product's logo.

#include <QIcon>
#include <QImage>
#include <QString>

class QPainter;
class QRect;

namespace kx::views {

// A banner: a light band with the title, a line below it and a small chart of bars on the right.
void PaintBanner(QPainter& painter, const QRect& area, const QString& title, const QString& line);

// The product's logo: a rounded square with bars across a calendar grid.
void PaintLogo(QPainter& painter, const QRect& area);

// The sizes in pixels of the logo as the programs' icon: the windows' icon holds each, and each
// is installed as a PNG for the desktop's menus beside the drawing as SVG.
inline constexpr int kProductIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The logo on a transparent square of `size` pixels.
QImage LogoImage(int size);

// The windows' icon: the logo in every size of kProductIconSizes.
QIcon ProductIcon();

// The information button's picture: a blue disc with a white "i".
QIcon InfoIcon();

}  // namespace kx::views
