#pragma once
// Draws a chart model with Qt: a title line, the table at the left, the time grid's header over
// the bar area and one row per task. The same drawing serves a window, picture files and tests;
// it never needs a screen.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gantt/chart_model.hpp"
#include "gantt/time_scale.hpp"

class QPainter;

namespace kx::gantt {

struct PictureOptions {
  double dayWidth = 0.0;    // pixels per day; 0: the natural width for the period
  double rowHeight = 20.0;  // pixels per row
  int fontPixels = 12;
  bool table = true;        // draw the table at the left
  bool title = true;        // draw the title line above the header
  // Widths of the table's columns in pixels, in the table's order; a missing or non-positive
  // one takes the width the view's table gives the column.
  std::vector<double> columnWidths;
};

// The German text of a day span, "01.01.2025 bis 31.12.2025".
std::string PeriodText(const DaySpan& period, const RegionalSettings& r = RegionalSettings::Current());

class ChartPainter final {
 public:
  // Lays out `model`, which must outlive the painter. Needs a QGuiApplication (EnsureGuiApplication).
  explicit ChartPainter(const ChartModel& model, PictureOptions options = {});
  ~ChartPainter();
  ChartPainter(const ChartPainter&) = delete;
  ChartPainter& operator=(const ChartPainter&) = delete;

  const ChartModel& Model() const { return model_; }
  const PictureOptions& Options() const { return options_; }
  const TimeScale& Scale() const { return *scale_; }

  // Sizes in pixels.
  QSizeF Size() const;                 // the whole picture: title, header and every row
  QSizeF Size(std::size_t rows) const; // the same with `rows` rows
  double TitleHeight() const;
  double HeaderHeight() const;
  double TableWidth() const;
  double ColumnWidth(std::size_t column) const;
  // The width that shows the column's title (its longest word; the header wraps titles) and
  // every cell whole.
  double FittedColumnWidth(std::size_t column) const;

  // The rectangle of row `row` (from 0) in a picture that starts with row `firstRow`.
  QRectF RowRect(std::size_t row, std::size_t firstRow = 0) const;
  // The bar rectangle of one part of a bar in its row's rectangle; empty when the part lies
  // outside the period.
  QRectF PartRect(const QRectF& rowRect, const DaySpan& part, const BarLook& look) const;

  // The row (from 0) under height `y` in a picture that starts with row `firstRow`; nullopt
  // above the rows and below the last one.
  std::optional<std::size_t> RowAt(double y, std::size_t firstRow = 0) const;
  // The day under `x`; nullopt over the table and beyond the period.
  std::optional<Day> DayAt(double x) const;

  // Draws rows `firstRow` to `firstRow + rowCount - 1` with the title and the header, top left
  // at (0, 0) of the painter's coordinates.
  void Paint(QPainter& painter, std::size_t firstRow, std::size_t rowCount) const;
  void Paint(QPainter& painter) const { Paint(painter, 0, model_.rows.size()); }
  // The pieces of Paint, for a window that keeps the header in place while the rows scroll:
  // the title and the header, top left at (0, 0), HeaderHeight() + TitleHeight() high; and rows
  // `firstRow` to `firstRow + rowCount - 1`, the first one's top at y = 0.
  void PaintHeader(QPainter& painter) const;
  void PaintBody(QPainter& painter, std::size_t firstRow, std::size_t rowCount) const;
  // The same scaled to fit `target`, keeping the proportions, at the target's top left.
  void Print(QPainter& painter, const QRectF& target, std::size_t firstRow,
             std::size_t rowCount) const;

  // Colours the picture is drawn in.
  static QColor GridLineColour() { return {222, 222, 222}; }
  static QColor MonthLineColour() { return {170, 170, 170}; }
  static QColor WeekendColour() { return {238, 238, 238}; }
  static QColor HeaderColour() { return {244, 244, 244}; }
  static QColor OverColour() { return {204, 0, 0}; }

 private:
  // The background of the bar area: weekends, lines of the finest unit and month lines.
  void PaintGrid(QPainter& painter, const QRectF& area) const;
  // The header tiers over the bar area.
  void PaintTimeHeader(QPainter& painter, const QRectF& area) const;
  // One bar of a row, with its ends and its text.
  void PaintBar(QPainter& painter, const QRectF& rowRect, const Bar& bar) const;
  // A row's counts and red day marks, over its bars.
  void PaintMarks(QPainter& painter, const QRectF& rowRect, const DayMarks& marks) const;
  QFont Font(bool bold = false) const;
  void PaintTitle(QPainter& painter, double width) const;
  void PaintTableHeader(QPainter& painter, const QRectF& area) const;
  void PaintTableRow(QPainter& painter, const QRectF& rowRect, const Row& row) const;
  void PaintEnd(QPainter& painter, const QRectF& band, double x, int shape, int type,
                int colour) const;

  const ChartModel& model_;
  PictureOptions options_;
  double charWidth_ = 7.0;
  std::unique_ptr<TimeScale> scale_;
};

// Makes sure a QGuiApplication exists for drawing text: creates one on the "offscreen" platform
// when the process has none (a command line run or a test). Returns false when Qt cannot start.
bool EnsureGuiApplication();

}  // namespace kx::gantt
