// kx_icon_files FOLDER NAME: writes the product's logo as the desktop's icon theme wants it,
// FOLDER/hicolor/scalable/apps/NAME.svg and FOLDER/hicolor/SIZExSIZE/apps/NAME.png for every
// size the windows' icon holds. The build runs it; the files are installed, so the menus show
// the very drawing the windows do.

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QSvgGenerator>
#include <filesystem>
#include <iostream>
#include <string>

#include "support/file_writer.hpp"
#include "views/pictures.hpp"

namespace {

namespace fs = std::filesystem;

void WriteInto(const fs::path& folder, const std::string& name, const QByteArray& bytes) {
  fs::create_directories(folder);
  kx::WriteFileWhole((folder / name).string(), std::string_view(bytes.constData(), bytes.size()));
}

QByteArray Svg(int size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(size, size));
  svg.setViewBox(QRect(0, 0, size, size));
  svg.setTitle(QStringLiteral("Korvalinx Planer"));
  svg.setDescription(QStringLiteral("Das Logo von Korvalinx"));
  QPainter painter(&svg);
  kx::views::PaintLogo(painter, QRect(0, 0, size, size));
  painter.end();
  // Without an application the painter has no font, and the generator writes an empty family
  // and a size of -1 that readers complain of; a logo has no text, so the attributes go. Its
  // size is given in pixels rather than the generator's millimetres.
  QString text = QString::fromUtf8(bytes);
  text.remove(QRegularExpression(QStringLiteral(R"(\s+font-(family|size|weight|style)="[^"]*")")));
  text.replace(QRegularExpression(QStringLiteral(R"(width="[0-9.]+mm" height="[0-9.]+mm")")),
               QStringLiteral(R"(width="%1" height="%1")").arg(size));
  return text.toUtf8();
}

QByteArray Png(int size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  kx::views::LogoImage(size).save(&buffer, "PNG");
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Aufruf: kx_icon_files ORDNER NAME\n";
    return 2;
  }
  const fs::path theme = fs::path(argv[1]) / "hicolor";
  const std::string name = argv[2];
  try {
    WriteInto(theme / "scalable" / "apps", name + ".svg", Svg(256));
    for (const int size : kx::views::kProductIconSizes) {
      const std::string folder = std::to_string(size) + "x" + std::to_string(size);
      WriteInto(theme / folder / "apps", name + ".png", Png(size));
    }
  } catch (const std::exception& e) {
    std::cerr << "kx_icon_files: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
