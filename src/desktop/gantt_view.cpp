#include "desktop/gantt_view.hpp"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace kx::desktop {

namespace {

constexpr double kMinDayWidth = 1.0;
constexpr double kMaxDayWidth = 200.0;

constexpr double kEdgeGrip = 3.0;  // pixels either side of an edge that take a drag
constexpr double kMinColumnWidth = 12.0;
constexpr double kMaxFittedWidth = 360.0;  // a column fitted to its content is at most this wide
constexpr double kTableShare = 0.6;        // the table takes at most this part of the view at first

// The window names the project and its view above the chart, so the picture has no title line.
gantt::PictureOptions Options(double dayWidth, const std::vector<double>& widths) {
  gantt::PictureOptions options;
  options.dayWidth = dayWidth;
  options.title = false;
  options.columnWidths = widths;
  return options;
}

}  // namespace

GanttView::GanttView(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setMouseTracking(true);  // the pointer shows where an edge can be dragged
  setFocusPolicy(Qt::StrongFocus);
  setObjectName(QStringLiteral("gantt"));
}

GanttView::~GanttView() = default;

void GanttView::ShowProject(const platform::ProjectData* project, double dayWidth) {
  painter_.reset();
  model_.reset();
  dayWidth_ = std::clamp(dayWidth, kMinDayWidth, kMaxDayWidth);
  columnWidths_.clear();
  columnsChosen_ = false;
  if (project != nullptr) {
    model_ = std::make_unique<gantt::ChartModel>(gantt::BuildChartModel(*project));
    gantt::AddCalendarHolidays(*model_, *project);
    const gantt::ChartPainter probe(*model_, Options(dayWidth_, {}));
    for (std::size_t k = 0; k < model_->columns.size(); ++k)
      columnWidths_.push_back(std::min(probe.FittedColumnWidth(k), kMaxFittedWidth));
    painter_ = std::make_unique<gantt::ChartPainter>(*model_, Options(dayWidth_, columnWidths_));
  }
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  Lay();
  viewport()->update();
}

void GanttView::SetDayWidth(double dayWidth) {
  if (model_ == nullptr) return;
  const double old = dayWidth_;
  dayWidth_ = std::clamp(dayWidth, kMinDayWidth, kMaxDayWidth);
  const int scrolled = horizontalScrollBar()->value();
  painter_ = std::make_unique<gantt::ChartPainter>(*model_, Options(dayWidth_, columnWidths_));
  Lay();
  horizontalScrollBar()->setValue(static_cast<int>(std::lround(scrolled * dayWidth_ / old)));
  viewport()->update();
}

void GanttView::Remake() {
  if (model_ == nullptr) return;
  painter_ = std::make_unique<gantt::ChartPainter>(*model_, Options(dayWidth_, columnWidths_));
  Lay();
  viewport()->update();
}

void GanttView::SetColumnWidths(std::vector<double> widths) {
  if (model_ == nullptr) return;
  widths.resize(model_->columns.size(), 0.0);
  for (std::size_t k = 0; k < widths.size(); ++k)
    if (!(widths[k] >= kMinColumnWidth && widths[k] <= 5000.0)) widths[k] = columnWidths_.at(k);
  columnWidths_ = std::move(widths);
  columnsChosen_ = true;
  Remake();
}

double GanttView::TableShown() const {
  if (painter_ == nullptr) return 0.0;
  const double whole = painter_->TableWidth();
  if (tableShown_ > 0.0) return std::min(tableShown_, whole);
  return std::min(whole, std::floor(viewport()->width() * kTableShare));
}

void GanttView::SetTableShown(double width) {
  tableShown_ = std::isfinite(width) ? std::max(0.0, width) : 0.0;
  Lay();
  viewport()->update();
}

double GanttView::ChartX(double x) const {
  return x - TableShown() + painter_->TableWidth() + horizontalScrollBar()->value();
}

int GanttView::EdgeAt(double x, double y) const {
  if (painter_ == nullptr) return -1;
  const double table = TableShown();
  if (std::abs(x - table) <= kEdgeGrip) return -2;
  if (y >= Fixed() || x >= table) return -1;
  double edge = 0.0;
  for (std::size_t k = 0; k < model_->columns.size(); ++k) {
    edge += painter_->ColumnWidth(k);
    if (std::abs(x - edge) <= kEdgeGrip) return static_cast<int>(k);
  }
  return -1;
}

void GanttView::mousePressEvent(QMouseEvent* event) {
  dragging_ =
      event->button() == Qt::LeftButton ? EdgeAt(event->position().x(), event->position().y()) : -1;
  if (dragging_ == -1) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  dragStart_ = event->position().x();
  dragFrom_ =
      dragging_ == -2 ? TableShown() : columnWidths_.at(static_cast<std::size_t>(dragging_));
  event->accept();
}

void GanttView::mouseMoveEvent(QMouseEvent* event) {
  const double x = event->position().x();
  if (dragging_ == -1) {
    viewport()->setCursor(EdgeAt(x, event->position().y()) != -1 ? Qt::SplitHCursor
                                                                 : Qt::ArrowCursor);
    QAbstractScrollArea::mouseMoveEvent(event);
    return;
  }
  const double moved = x - dragStart_;
  if (dragging_ == -2) {
    tableShown_ = std::clamp(dragFrom_ + moved, 0.0, painter_->TableWidth());
    Lay();
    viewport()->update();
  } else {
    columnWidths_.at(static_cast<std::size_t>(dragging_)) =
        std::max(kMinColumnWidth, dragFrom_ + moved);
    columnsChosen_ = true;
    Remake();
  }
  event->accept();
}

void GanttView::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ == -1) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  dragging_ = -1;
  if (onLayoutChanged_) onLayoutChanged_();
  event->accept();
}

double GanttView::Fixed() const {
  return painter_ ? painter_->TitleHeight() + painter_->HeaderHeight() : 0.0;
}

void GanttView::Lay() {
  if (painter_ == nullptr) {
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    return;
  }
  const QSizeF size = painter_->Size();
  const QSize view = viewport()->size();
  const double rows = size.height() - Fixed();
  const double rowHeight = painter_->Options().rowHeight;
  const double hidden = painter_->TableWidth() - TableShown();  // of the table, cut at the right
  horizontalScrollBar()->setRange(
      0, std::max(0, static_cast<int>(std::ceil(size.width() - hidden)) - view.width()));
  horizontalScrollBar()->setPageStep(std::max(1, view.width()));
  horizontalScrollBar()->setSingleStep(static_cast<int>(std::max(1.0, dayWidth_)));
  verticalScrollBar()->setRange(
      0, std::max(0, static_cast<int>(std::ceil(rows - (view.height() - Fixed())))));
  verticalScrollBar()->setPageStep(std::max(1, view.height() - static_cast<int>(Fixed())));
  verticalScrollBar()->setSingleStep(static_cast<int>(rowHeight));
}

std::optional<std::size_t> GanttView::RowAt(const QPoint& viewportPoint) const {
  if (painter_ == nullptr || viewportPoint.y() < Fixed()) return std::nullopt;
  const double y = viewportPoint.y() - Fixed() + verticalScrollBar()->value();
  return painter_->RowAt(y + Fixed());
}

QString GanttView::TipAt(const QPoint& viewportPoint) const {
  // A holiday's column names the holiday, over the header too.
  QString holiday;
  if (painter_ != nullptr && viewportPoint.x() >= TableShown()) {
    const auto day = painter_->DayAt(ChartX(viewportPoint.x()));
    if (const auto it = day ? model_->holidays.find(*day) : model_->holidays.end();
        it != model_->holidays.end())
      holiday = QStringLiteral("Feiertag: ") + QString::fromStdString(it->second);
  }
  const auto row = RowAt(viewportPoint);
  const QString rowTip = row ? TipOfRow(*row, viewportPoint) : QString();
  if (holiday.isEmpty()) return rowTip;
  return rowTip.isEmpty() ? holiday : rowTip + QStringLiteral("\n") + holiday;
}

QString GanttView::TipOfRow(std::size_t row, const QPoint& viewportPoint) const {
  const gantt::Row& r = model_->rows[row];
  QString name;
  for (std::size_t c = 0; c < model_->columns.size() && c < r.cells.size(); ++c)
    if (model_->columns[c].field == "Name") name = QString::fromStdString(r.cells[c]);
  if (viewportPoint.x() < TableShown()) return name;
  const auto day = painter_->DayAt(ChartX(viewportPoint.x()));
  if (!day) return name;
  // The bar drawn last is the one on top.
  for (auto bar = r.bars.rbegin(); bar != r.bars.rend(); ++bar)
    for (const gantt::DaySpan& part : bar->parts)
      if (part.first <= *day && *day <= part.last)
        return name + QStringLiteral("\n") + QString::fromStdString(bar->style) +
               QStringLiteral(": ") + QString::fromStdString(gantt::PeriodText(part));
  return name;
}

bool GanttView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = TipAt(help->pos());
    if (tip.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), tip, viewport());
    }
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

void GanttView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), Qt::white);
  if (painter_ == nullptr) return;
  const double width = viewport()->width(), height = viewport()->height();
  const double fixed = Fixed(), table = TableShown(), whole = painter_->TableWidth();
  const double rowHeight = painter_->Options().rowHeight;
  const int dx = horizontalScrollBar()->value(), dy = verticalScrollBar()->value();
  const std::size_t total = model_->rows.size();
  const auto first = std::min(total, static_cast<std::size_t>(dy / rowHeight));
  const double shift = first * rowHeight - dy;  // the first row's top, above the body's top
  const auto count = std::min(
      total - first, static_cast<std::size_t>(std::ceil((height - fixed - shift) / rowHeight)) + 1);
  const auto piece = [&](const QRectF& clip, double x, double y, bool header) {
    p.save();
    p.setClipRect(clip);
    p.translate(x, y);
    if (header) {
      painter_->PaintHeader(p);
    } else {
      painter_->PaintBody(p, first, count);
    }
    p.restore();
  };
  // The bars scroll both ways, the table only up and down, the header only sideways; the
  // corner over the table stays.
  const double barsX = table - whole - dx;  // the bars start right of the table in sight
  piece(QRectF(table, fixed, width - table, height - fixed), barsX, fixed + shift, false);
  piece(QRectF(0, fixed, table, height - fixed), 0, fixed + shift, false);
  piece(QRectF(table, 0, width - table, fixed), barsX, 0, true);
  piece(QRectF(0, 0, table, fixed), 0, 0, true);
  if (table < whole) {
    // The table is cut: its right edge shows where it can be dragged wider.
    p.setPen(QPen(QColor(110, 110, 110), 0));
    p.drawLine(QPointF(table - 0.5, 0), QPointF(table - 0.5, height));
  }
}

void GanttView::keyPressEvent(QKeyEvent* event) {
  QScrollBar* days = horizontalScrollBar();
  const int week = static_cast<int>(std::lround(7 * dayWidth_));
  switch (event->key()) {
    case Qt::Key_Home:
      days->setValue(days->minimum());
      break;
    case Qt::Key_End:
      days->setValue(days->maximum());
      break;
    case Qt::Key_Left:
      days->setValue(days->value() - week);
      break;
    case Qt::Key_Right:
      days->setValue(days->value() + week);
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
}

void GanttView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Lay();
}

void GanttView::wheelEvent(QWheelEvent* event) {
  // Ctrl and the wheel zoom the time scale, as in other planning tools.
  if (event->modifiers() & Qt::ControlModifier) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) SetDayWidth(dayWidth_ * std::pow(1.25, steps));
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

}  // namespace kx::desktop
