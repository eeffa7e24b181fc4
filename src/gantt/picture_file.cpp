#include "gantt/picture_file.hpp"

#include <QBuffer>
#include <QByteArray>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/error.hpp"
#include "support/file_writer.hpp"
#include "support/text.hpp"

namespace kx::gantt {
namespace {

constexpr int kPdfResolution = 96;  // one chart pixel is one PDF pixel at 96 per inch

std::string Thousands(double value) {
  std::string digits = std::to_string(static_cast<long long>(std::llround(value)));
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
    digits.insert(static_cast<std::size_t>(i), ".");
  }
  return digits;
}

QPageLayout PageLayoutOf(const PdfOptions& pdf) {
  const QPageSize size(pdf.paper == PaperSize::A3 ? QPageSize::A3 : QPageSize::A4);
  const double m = std::clamp(pdf.marginMm, 0.0, 50.0);
  return QPageLayout(size, pdf.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(m, m, m, m), QPageLayout::Millimeter);
}

// How the rows fall on pages: the scale that fits the chart's width to the page (never more
// than 1.5) and the number of rows a page holds below the title and the header.
struct Paging {
  double scale = 1.0;
  std::size_t rowsPerPage = 1;
  int pages = 1;
  QRectF content;  // the printable rectangle in pixels, without the footer line
  double footer = 0.0;
};

// The printable rectangle of a page of `layout` in chart pixels (96 to the inch).
QRectF ChartPage(const QPageLayout& layout) {
  return layout.paintRectPixels(kPdfResolution);
}

Paging PagingOf(const ChartPainter& painter, const QPageLayout& layout) {
  Paging p;
  const QRectF page = ChartPage(layout);
  p.footer = painter.Options().rowHeight;
  p.content = QRectF(0, 0, page.width(), page.height() - p.footer);
  const QSizeF full = painter.Size(0);
  p.scale = std::min(1.5, p.content.width() / full.width());
  const double rowsRoom = p.content.height() / p.scale - full.height();
  p.rowsPerPage = static_cast<std::size_t>(
      std::max(1.0, std::floor(rowsRoom / painter.Options().rowHeight)));
  const std::size_t rows = painter.Model().rows.size();
  p.pages = rows == 0 ? 1 : static_cast<int>((rows + p.rowsPerPage - 1) / p.rowsPerPage);
  return p;
}

std::string Bytes(const QByteArray& a) {
  return std::string(a.constData(), static_cast<std::size_t>(a.size()));
}

std::string PdfBytes(const ChartPainter& painter, const PdfOptions& pdf) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(PageLayoutOf(pdf));
    writer.setTitle(QString::fromStdString(painter.Model().title));
    writer.setCreator(QStringLiteral("Korvalinx Planer"));
    QPainter p(&writer);
    if (!p.isActive()) {
      throw host::HostError(host::kErrFile, "Das PDF-Dokument kann nicht angelegt werden.");
    }
    PaintPages(painter, writer, p);
  }
  return Bytes(bytes);
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Names the holidays in an SVG picture: over each holiday's column an invisible rectangle with
// the name as its title, which viewers show when the pointer rests on the column.
std::string WithHolidayTitles(std::string svg, const ChartPainter& painter) {
  const ChartModel& model = painter.Model();
  const std::size_t end = svg.rfind("</svg>");
  if (model.holidays.empty() || end == std::string::npos) return svg;
  const TimeScale& s = painter.Scale();
  const double top = painter.TitleHeight();
  const double height = painter.Size().height() - top;
  std::string titles = "<g fill=\"#000000\" fill-opacity=\"0\" stroke=\"none\">\n";
  char box[160];
  for (const auto& [day, name] : model.holidays) {
    std::snprintf(box, sizeof box, "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\">",
                  painter.TableWidth() + s.X(day), top, s.DayWidth(), height);
    const CivilDate c = ToCivil(DateOfDay(day));
    char date[16];
    std::snprintf(date, sizeof date, "%02d.%02d.%04d", c.day, c.month, c.year);
    titles += box;
    titles += "<title>" + XmlEscaped(name) + ", " + date + "</title></rect>\n";
  }
  titles += "</g>\n";
  svg.insert(end, titles);
  return svg;
}

std::string SvgBytes(const ChartPainter& painter) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const QSizeF size = painter.Size();
  {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size.toSize());
    svg.setViewBox(QRectF(QPointF(0, 0), size));
    svg.setTitle(QString::fromStdString(painter.Model().title));
    svg.setDescription(QString::fromStdString(painter.Model().viewName + ", " +
                                              PeriodText(painter.Model().period)));
    QPainter p(&svg);
    if (!p.isActive()) {
      throw host::HostError(host::kErrFile, "Die SVG-Zeichnung kann nicht angelegt werden.");
    }
    painter.Paint(p);
  }
  return WithHolidayTitles(Bytes(bytes), painter);
}

}  // namespace

std::optional<PictureFormat> PictureFormatOf(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  const std::string ext = AsciiLower(path.substr(dot + 1));
  if (ext == "png") return PictureFormat::Png;
  if (ext == "svg") return PictureFormat::Svg;
  if (ext == "pdf") return PictureFormat::Pdf;
  return std::nullopt;
}

std::string PngSizeProblem(const ChartPainter& painter) {
  const QSizeF size = painter.Size();
  if (!(size.width() * size.height() > kMaxPixels)) return {};
  return "Das Bild wäre " + Thousands(size.width()) + " × " + Thousands(size.height()) +
         " Pixel groß; ein PNG-Bild darf höchstens " + Thousands(kMaxPixels / 1e6) +
         " Millionen Pixel haben. Wählen Sie PDF oder SVG, einen kürzeren Zeitraum oder eine "
         "kleinere Tagesbreite.";
}

QImage RenderImage(const ChartPainter& painter) {
  if (const std::string problem = PngSizeProblem(painter); !problem.empty())
    throw host::HostError(host::kErrFile, problem);
  const QSizeF size = painter.Size();
  QImage image(size.toSize(), QImage::Format_RGB32);
  if (image.isNull()) {
    throw host::HostError(host::kErrFile, "Für ein Bild von " + Thousands(size.width()) + " × " +
                                              Thousands(size.height()) +
                                              " Pixeln reicht der Speicher nicht.");
  }
  image.fill(Qt::white);
  QPainter p(&image);
  painter.Paint(p);
  p.end();
  return image;
}

double FittedDayWidth(const ChartModel& model, const PictureOptions& options,
                      const QPageLayout& layout) {
  const QRectF page = ChartPage(layout);
  const ChartPainter probe(model, options);
  const double days = static_cast<double>(model.period.last - model.period.first + 1);
  // One pixel spare for the frame.
  return std::max(0.5, (page.width() - probe.TableWidth() - 2.0) / days);
}

double PdfDayWidth(const ChartModel& model, const PictureOptions& options, const PdfOptions& pdf) {
  return FittedDayWidth(model, options, PageLayoutOf(pdf));
}

int PdfPageCount(const ChartPainter& painter, const PdfOptions& pdf) {
  return PagingOf(painter, PageLayoutOf(pdf)).pages;
}

int PaintPages(const ChartPainter& painter, QPagedPaintDevice& device, QPainter& p, int fromPage,
               int toPage) {
  const Paging paging = PagingOf(painter, device.pageLayout());
  const int last = toPage <= 0 ? paging.pages : std::min(toPage, paging.pages);
  const int first = std::max(1, fromPage);
  // The device's pixels to chart pixels.
  const double resolution = static_cast<double>(device.logicalDpiX()) / kPdfResolution;
  const std::size_t rows = painter.Model().rows.size();
  for (int page = first - 1; page < last; ++page) {
    if (page > first - 1) device.newPage();
    const std::size_t from = static_cast<std::size_t>(page) * paging.rowsPerPage;
    const std::size_t count = std::min(paging.rowsPerPage, rows - std::min(rows, from));
    p.save();
    p.scale(resolution, resolution);
    p.save();
    p.scale(paging.scale, paging.scale);
    painter.Paint(p, from, count);
    p.restore();
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(painter.Options().fontPixels);
    p.setFont(f);
    p.setPen(QColor(90, 90, 90));
    const QRectF footer(0, paging.content.bottom(), paging.content.width(), paging.footer);
    p.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
               QString::fromStdString("Seite " + std::to_string(page + 1) + " von " +
                                      std::to_string(paging.pages)));
    p.restore();
  }
  return paging.pages;
}

std::string PictureBytes(const ChartPainter& painter, PictureFormat format,
                         const PdfOptions& pdf) {
  switch (format) {
    case PictureFormat::Svg:
      return SvgBytes(painter);
    case PictureFormat::Pdf:
      return PdfBytes(painter, pdf);
    case PictureFormat::Png:
      break;
  }
  const QImage image = RenderImage(painter);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    throw host::HostError(host::kErrFile, "Das PNG-Bild kann nicht erzeugt werden.");
  }
  return Bytes(bytes);
}

void SavePicture(const ChartPainter& painter, const std::string& path, PictureFormat format,
                 const PdfOptions& pdf) {
  std::string bytes;
  try {
    bytes = PictureBytes(painter, format, pdf);
  } catch (const host::HostError& e) {
    throw host::HostError(host::kErrFile, path + ": " + e.description());
  }
  try {
    WriteFileWhole(path, bytes);
  } catch (const FileWriteError& e) {
    throw host::HostError(host::kErrFile, e.what());
  }
}

}  // namespace kx::gantt
