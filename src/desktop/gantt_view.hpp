#pragma once
// The Gantt view of a project in the desktop window: the table at the left and the bars at the
// right, drawn by the chart renderer. The title, the time header and the table stay in place;
// the bars scroll under the header and the rows scroll beside the table. Only the rows in
// sight are drawn.

#include <QAbstractScrollArea>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "gantt/chart_model.hpp"
#include "gantt/chart_painter.hpp"
#include "model/model.hpp"

namespace kx::desktop {

class GanttView final : public QAbstractScrollArea {
 public:
  explicit GanttView(QWidget* parent = nullptr);
  ~GanttView() override;

  // Shows `project` (a snapshot: the view draws what the project held then) at `dayWidth`
  // pixels per day; null shows nothing.
  void ShowProject(const platform::ProjectData* project, double dayWidth);
  // The same project at another day width, keeping the first day in sight where it was.
  void SetDayWidth(double dayWidth);
  double DayWidth() const { return dayWidth_; }

  const gantt::ChartModel* Model() const { return model_.get(); }
  const gantt::ChartPainter* Painter() const { return painter_.get(); }
  // The row (from 0) under a point of the viewport; nullopt over the header or below the rows.
  std::optional<std::size_t> RowAt(const QPoint& viewportPoint) const;
  // What the tooltip says over a point of the viewport: the row's name and, over one of its
  // bars, that part's days ("Urlaub: 14.07.2025 bis 25.07.2025"), and over a holiday of a
  // "Feiertage <Land>" calendar of the project its name; empty over nothing.
  QString TipAt(const QPoint& viewportPoint) const;

  // The table's columns are as wide as their content when a project is shown; the user drags
  // a column's right edge in the header to change it, and the line between the table and the
  // bars to show less or more of the table.
  std::vector<double> ColumnWidths() const { return columnWidths_; }
  void SetColumnWidths(std::vector<double> widths);
  // The width of the table in sight (at most the whole table's); 0: the whole table.
  double TableShown() const;
  void SetTableShown(double width);
  double TableChosen() const { return tableShown_; }  // what the user dragged; 0: nothing
  // Whether the columns have widths the user gave them (dragged, or kept from an earlier run).
  bool ColumnsChosen() const { return columnsChosen_; }
  // Called after the user changed a column's width or the table's share.
  void SetOnLayoutChanged(std::function<void()> onChanged) {
    onLayoutChanged_ = std::move(onChanged);
  }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // Home and End go to the first and the last day, Left and Right a week back and on; the
  // other keys scroll as in any scrolled view.
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void Lay();
  void Remake();  // a new painter for the widths and the day width
  QString TipOfRow(std::size_t row, const QPoint& viewportPoint) const;
  double Fixed() const;  // height of the title and the header
  // What a press at `x` (and `y`) of the viewport would drag: a column's right edge (its index),
  // the line between table and bars (-2), or nothing (-1).
  int EdgeAt(double x, double y) const;
  // The x of the chart picture under viewport x `x` right of the table in sight.
  double ChartX(double x) const;

  std::unique_ptr<gantt::ChartModel> model_;
  std::unique_ptr<gantt::ChartPainter> painter_;
  double dayWidth_ = 16;
  std::vector<double> columnWidths_;
  bool columnsChosen_ = false;
  double tableShown_ = 0;  // 0: the whole table
  int dragging_ = -1;      // what EdgeAt found at the press
  double dragStart_ = 0, dragFrom_ = 0;
  std::function<void()> onLayoutChanged_;
};

}  // namespace kx::desktop
