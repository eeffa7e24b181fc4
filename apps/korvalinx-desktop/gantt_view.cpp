#include "gantt_view.hpp"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace kx::desktop {

namespace {

constexpr double kMinDayWidth = 1.0;
constexpr double kMaxDayWidth = 200.0;

// The window names the project and its view above the chart, so the picture has no title line.
gantt::PictureOptions Options(double dayWidth) {
  gantt::PictureOptions options;
  options.dayWidth = dayWidth;
  options.title = false;
  return options;
}

}  // namespace

GanttView::GanttView(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setObjectName(QStringLiteral("gantt"));
}

GanttView::~GanttView() = default;

void GanttView::ShowProject(const platform::ProjectData* project, double dayWidth) {
  painter_.reset();
  model_.reset();
  dayWidth_ = std::clamp(dayWidth, kMinDayWidth, kMaxDayWidth);
  if (project != nullptr) {
    model_ = std::make_unique<gantt::ChartModel>(gantt::BuildChartModel(*project));
    gantt::AddCalendarHolidays(*model_, *project);
    painter_ = std::make_unique<gantt::ChartPainter>(*model_, Options(dayWidth_));
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
  painter_ = std::make_unique<gantt::ChartPainter>(*model_, Options(dayWidth_));
  Lay();
  horizontalScrollBar()->setValue(static_cast<int>(std::lround(scrolled * dayWidth_ / old)));
  viewport()->update();
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
  horizontalScrollBar()->setRange(0, std::max(0, static_cast<int>(std::ceil(size.width())) -
                                                     view.width()));
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
  if (painter_ != nullptr && viewportPoint.x() >= painter_->TableWidth()) {
    const auto day = painter_->DayAt(viewportPoint.x() + horizontalScrollBar()->value());
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
  if (viewportPoint.x() < painter_->TableWidth()) return name;
  const auto day = painter_->DayAt(viewportPoint.x() + horizontalScrollBar()->value());
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
  const double fixed = Fixed(), table = painter_->TableWidth();
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
  piece(QRectF(table, fixed, width - table, height - fixed), -dx, fixed + shift, false);
  piece(QRectF(0, fixed, table, height - fixed), 0, fixed + shift, false);
  piece(QRectF(table, 0, width - table, fixed), -dx, 0, true);
  piece(QRectF(0, 0, table, fixed), 0, 0, true);
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
