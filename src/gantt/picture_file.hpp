#pragma once
// Chart pictures as files: PNG (one picture of the whole chart), SVG (the same as vector
// drawing) and PDF (pages of a chosen paper size, the header repeated on every page).

#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <optional>
#include <string>

#include "gantt/chart_painter.hpp"

namespace kx::gantt {

enum class PictureFormat { Png, Svg, Pdf };
enum class PaperSize { A4, A3 };

// Returns the format that a file name's extension (".png", ".svg", ".pdf", any case) names.
std::optional<PictureFormat> PictureFormatOf(const std::string& path);

// Largest PNG picture, in pixels: beyond it a picture needs more memory than a plain machine
// offers, and PDF or SVG serve better.
inline constexpr double kMaxPixels = 100e6;

struct PdfOptions {
  PaperSize paper = PaperSize::A4;
  bool landscape = true;
  double marginMm = 10.0;
};

// Returns the German text that says why the chart cannot be a PNG picture (it would be larger
// than kMaxPixels), or an empty text when it can.
std::string PngSizeProblem(const ChartPainter& painter);

// Returns the whole chart as a picture. Throws host::HostError (kErrFile) with a German text
// when the picture would be larger than kMaxPixels or cannot be made.
QImage RenderImage(const ChartPainter& painter);

// Returns the file's content in `format`. Throws as RenderImage.
std::string PictureBytes(const ChartPainter& painter, PictureFormat format,
                         const PdfOptions& pdf = {});

// Returns the day width at which the chart, table included, fills the width of a PDF page
// (at least 0.5 pixels a day). A picture drawn at this width prints at its natural size.
double PdfDayWidth(const ChartModel& model, const PictureOptions& options,
                   const PdfOptions& pdf = {});

// Returns the day width at which the chart, table included, fills the width of a page of
// `layout` (at least 0.5 pixels a day).
double FittedDayWidth(const ChartModel& model, const PictureOptions& options,
                      const QPageLayout& layout);

// Draws the chart on the pages of `device` (a PDF writer, a printer) as its page layout says:
// fitted to the page's width, as many rows on a page as fit below the title and the header,
// which every page repeats, and "Seite n von m" at the foot. `p` draws on `device`; pages
// `fromPage` to `toPage` (from 1; 0: to the last) are drawn. Returns the number of pages.
int PaintPages(const ChartPainter& painter, QPagedPaintDevice& device, QPainter& p,
               int fromPage = 1, int toPage = 0);

// Returns the number of PDF pages the chart needs.
int PdfPageCount(const ChartPainter& painter, const PdfOptions& pdf = {});

// Writes the chart to `path` in `format` through a temporary file beside it that is renamed
// over the target, so a failed write leaves an earlier file as it was. Throws host::HostError
// (kErrFile) naming the file when it cannot.
void SavePicture(const ChartPainter& painter, const std::string& path, PictureFormat format,
                 const PdfOptions& pdf = {});

}  // namespace kx::gantt
