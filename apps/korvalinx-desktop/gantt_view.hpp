#pragma once
// The Gantt view of a project in the desktop window: the table at the left and the bars at the
// right, drawn by the chart renderer. The title, the time header and the table stay in place;
// the bars scroll under the header and the rows scroll beside the table. Only the rows in
// sight are drawn.

#include <QAbstractScrollArea>
#include <memory>
#include <optional>

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

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void Lay();
  QString TipOfRow(std::size_t row, const QPoint& viewportPoint) const;
  double Fixed() const;  // height of the title and the header

  std::unique_ptr<gantt::ChartModel> model_;
  std::unique_ptr<gantt::ChartPainter> painter_;
  double dayWidth_ = 16;
};

}  // namespace kx::desktop
