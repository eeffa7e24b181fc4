#include "gantt/chart_painter.hpp"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>

#include "forms/bar_colors.hpp"
#include "gantt/bar_look.hpp"
#include "support/text.hpp"

namespace kx::gantt {
namespace {

constexpr double kCellPadding = 4.0;
constexpr double kBandInset = 0.22;  // part of the row height above and below a full bar

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QColor ColourOf(const forms::Rgb& c) {
  return {c.red, c.green, c.blue};
}

QColor Blend(const QColor& c, const QColor& with, double amount) {
  auto mix = [&](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * amount)); };
  return {mix(c.red(), with.red()), mix(c.green(), with.green()), mix(c.blue(), with.blue())};
}

Qt::Alignment AlignmentOf(Align a) {
  switch (a) {
    case Align::Centre:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

std::string PeriodText(const DaySpan& period, const RegionalSettings& r) {
  return FormatDate(DateOfDay(period.first), r) + " bis " + FormatDate(DateOfDay(period.last), r);
}

bool EnsureGuiApplication() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) return true;
  if (QCoreApplication::instance() != nullptr) return false;  // a program without a GUI
  // Pictures never need a screen. Qt's notes about the desktop session it lacks (no runtime
  // folder, no fonts cache) mean nothing to a picture; its errors still show.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static const QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
        if (previous != nullptr) {
          previous(type, context, text);
        } else {
          std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
      });
  static int argc = 1;
  static char name[] = "korvalinx";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  // Qt set the C library's locale from the environment; its numbers stay those of "C", so that
  // printf and strtod never meet a decimal comma.
  std::setlocale(LC_NUMERIC, "C");
  return app != nullptr;
}

ChartPainter::ChartPainter(const ChartModel& model, PictureOptions options)
    : model_(model), options_(options) {
  if (!(options_.rowHeight >= 8.0)) options_.rowHeight = 8.0;
  options_.fontPixels = std::clamp(options_.fontPixels, 6, 72);
  if (!(options_.dayWidth > 0.0)) options_.dayWidth = NaturalDayWidth(model_.period);
  const QFontMetricsF metrics(Font());
  charWidth_ = metrics.horizontalAdvance(QLatin1Char('0'));
  const QFontMetricsF headerMetrics(Font());
  scale_ = std::make_unique<TimeScale>(
      model_.period, options_.dayWidth,
      [headerMetrics](const std::string& s) { return headerMetrics.horizontalAdvance(Q(s)); });
}

ChartPainter::~ChartPainter() = default;

QFont ChartPainter::Font(bool bold) const {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(options_.fontPixels);
  f.setBold(bold);
  return f;
}

double ChartPainter::TitleHeight() const {
  return options_.title ? std::round(options_.rowHeight * 1.6) : 0.0;
}

double ChartPainter::HeaderHeight() const {
  return options_.rowHeight * static_cast<double>(scale_->Tiers().size());
}

double ChartPainter::ColumnWidth(std::size_t column) const {
  if (column < options_.columnWidths.size() && options_.columnWidths[column] > 0.0)
    return std::round(options_.columnWidths[column]);
  return std::round(model_.columns.at(column).width * charWidth_);
}

double ChartPainter::FittedColumnWidth(std::size_t column) const {
  const Column& c = model_.columns.at(column);
  const QFontMetricsF plain(Font()), bold(Font(true));
  double widest = 0.0;
  for (const QString& word : Q(c.title).split(QLatin1Char(' '), Qt::SkipEmptyParts))
    widest = std::max(widest, bold.horizontalAdvance(word));
  const bool name = AsciiLower(Trim(c.field)) == "name";
  for (const Row& row : model_.rows) {
    if (column >= row.cells.size() || row.cells[column].empty()) continue;
    const double indent = name ? 2 * charWidth_ * std::max(0, row.level - 1) : 0.0;
    widest = std::max(
        widest, indent + (row.summary ? bold : plain).horizontalAdvance(Q(row.cells[column])));
  }
  return std::ceil(widest + 2 * kCellPadding + 2.0);
}

double ChartPainter::TableWidth() const {
  if (!options_.table) return 0.0;
  double w = 0.0;
  for (std::size_t k = 0; k < model_.columns.size(); ++k) w += ColumnWidth(k);
  return w;
}

QSizeF ChartPainter::Size(std::size_t rows) const {
  return {std::ceil(TableWidth() + scale_->Width()) + 1.0,
          std::ceil(TitleHeight() + HeaderHeight() + options_.rowHeight * static_cast<double>(rows)) +
              1.0};
}

QSizeF ChartPainter::Size() const {
  return Size(model_.rows.size());
}

QRectF ChartPainter::RowRect(std::size_t row, std::size_t firstRow) const {
  const double top = TitleHeight() + HeaderHeight() +
                     options_.rowHeight * (static_cast<double>(row) - static_cast<double>(firstRow));
  return {0.0, top, TableWidth() + scale_->Width(), options_.rowHeight};
}

QRectF ChartPainter::PartRect(const QRectF& rowRect, const DaySpan& part,
                              const BarLook& look) const {
  const double left = TableWidth();
  double x0 = left + scale_->X(part.first);
  double x1 = left + scale_->X(part.last + 1);
  x0 = std::max(x0, left);
  x1 = std::min(x1, left + scale_->Width());
  if (!(x1 > x0)) return {};
  const double inset = std::round(rowRect.height() * kBandInset);
  QRectF band(x0, rowRect.top() + inset, x1 - x0, rowRect.height() - 2 * inset);
  const double third = band.height() / 3.0;
  switch (MiddleShapeOf(look.middleShape)) {
    case MiddleShape::ThinTop:
      band.setHeight(third);
      break;
    case MiddleShape::ThinMiddle:
      band = QRectF(band.left(), band.top() + third, band.width(), third);
      break;
    case MiddleShape::ThinBottom:
      band = QRectF(band.left(), band.bottom() - third, band.width(), third);
      break;
    case MiddleShape::None:
    case MiddleShape::Full:
      break;
  }
  return band;
}

std::optional<std::size_t> ChartPainter::RowAt(double y, std::size_t firstRow) const {
  const double top = TitleHeight() + HeaderHeight();
  if (!(y >= top)) return std::nullopt;
  const auto row = firstRow + static_cast<std::size_t>((y - top) / options_.rowHeight);
  if (row >= model_.rows.size()) return std::nullopt;
  return row;
}

std::optional<Day> ChartPainter::DayAt(double x) const {
  const double left = TableWidth();
  if (!(x >= left) || !(x < left + scale_->Width())) return std::nullopt;
  return scale_->Period().first + static_cast<Day>(std::floor((x - left) / scale_->DayWidth()));
}

void ChartPainter::Print(QPainter& painter, const QRectF& target, std::size_t firstRow,
                         std::size_t rowCount) const {
  const QSizeF size = Size(rowCount);
  const double scale = std::min(target.width() / size.width(), target.height() / size.height());
  painter.save();
  painter.translate(target.topLeft());
  painter.scale(scale, scale);
  Paint(painter, firstRow, rowCount);
  painter.restore();
}

void ChartPainter::Paint(QPainter& painter, std::size_t firstRow, std::size_t rowCount) const {
  firstRow = std::min(firstRow, model_.rows.size());
  rowCount = std::min(rowCount, model_.rows.size() - firstRow);
  const double gridTop = TitleHeight() + HeaderHeight();
  const double rowsHeight = options_.rowHeight * static_cast<double>(rowCount);
  painter.save();
  PaintHeader(painter);
  painter.save();
  painter.translate(0, gridTop);
  PaintBody(painter, firstRow, rowCount);
  painter.restore();
  painter.setPen(QPen(QColor(110, 110, 110), 0));
  painter.drawLine(QPointF(0, gridTop + rowsHeight),
                   QPointF(TableWidth() + scale_->Width(), gridTop + rowsHeight));
  painter.restore();
}

void ChartPainter::PaintHeader(QPainter& painter) const {
  const double tableWidth = TableWidth();
  const double width = tableWidth + scale_->Width();
  const double bottom = TitleHeight() + HeaderHeight();
  painter.save();
  painter.fillRect(QRectF(0, 0, std::ceil(width) + 1.0, bottom), Qt::white);
  if (options_.title) PaintTitle(painter, std::ceil(width));
  painter.save();
  painter.setClipRect(QRectF(tableWidth, TitleHeight(), scale_->Width() + 1.0, HeaderHeight()),
                      Qt::IntersectClip);
  PaintTimeHeader(painter, QRectF(tableWidth, TitleHeight(), scale_->Width(), HeaderHeight()));
  painter.restore();
  if (options_.table) {
    PaintTableHeader(painter, QRectF(0, TitleHeight(), tableWidth, HeaderHeight()));
    painter.setPen(QPen(MonthLineColour(), 0));
    double x = 0.0;
    for (std::size_t k = 0; k + 1 < model_.columns.size(); ++k) {
      x += ColumnWidth(k);
      painter.drawLine(QPointF(x, TitleHeight()), QPointF(x, bottom));
    }
    painter.setPen(QPen(QColor(110, 110, 110), 0));
    painter.drawLine(QPointF(tableWidth, TitleHeight()), QPointF(tableWidth, bottom));
  }
  painter.setPen(QPen(QColor(110, 110, 110), 0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(0, TitleHeight(), width, HeaderHeight()));
  painter.restore();
}

void ChartPainter::PaintBody(QPainter& painter, std::size_t firstRow, std::size_t rowCount) const {
  firstRow = std::min(firstRow, model_.rows.size());
  rowCount = std::min(rowCount, model_.rows.size() - firstRow);
  const double tableWidth = TableWidth();
  const double width = tableWidth + scale_->Width();
  const double rowsHeight = options_.rowHeight * static_cast<double>(rowCount);
  // The rows' own coordinates: RowRect less the title and the header above them.
  const double shift = TitleHeight() + HeaderHeight();

  painter.save();
  painter.fillRect(QRectF(0, 0, std::ceil(width) + 1.0, rowsHeight), Qt::white);
  const QRectF bars(tableWidth, 0, scale_->Width(), rowsHeight);
  painter.save();
  painter.setClipRect(bars, Qt::IntersectClip);
  PaintGrid(painter, bars);
  painter.restore();

  for (std::size_t i = 0; i < rowCount; ++i) {
    const Row& row = model_.rows[firstRow + i];
    const QRectF rect = RowRect(firstRow + i, firstRow).translated(0, -shift);
    if (options_.table) PaintTableRow(painter, rect, row);
    painter.save();
    painter.setClipRect(bars.adjusted(0, 0, 1, 1), Qt::IntersectClip);
    for (const Bar& bar : row.bars) PaintBar(painter, rect, bar);
    if (!row.marks.Empty()) PaintMarks(painter, rect, row.marks);
    painter.restore();
  }

  // Lines over the rows: between the rows, between the columns, between table and bars.
  painter.setPen(QPen(GridLineColour(), 0));
  for (std::size_t i = 1; i <= rowCount; ++i) {
    const double y = options_.rowHeight * static_cast<double>(i);
    painter.drawLine(QPointF(0, y), QPointF(width, y));
  }
  if (options_.table) {
    painter.setPen(QPen(MonthLineColour(), 0));
    double x = 0.0;
    for (std::size_t k = 0; k + 1 < model_.columns.size(); ++k) {
      x += ColumnWidth(k);
      painter.drawLine(QPointF(x, 0), QPointF(x, rowsHeight));
    }
    painter.setPen(QPen(QColor(110, 110, 110), 0));
    painter.drawLine(QPointF(tableWidth, 0), QPointF(tableWidth, rowsHeight));
  }
  painter.setPen(QPen(QColor(110, 110, 110), 0));
  painter.drawLine(QPointF(0, 0), QPointF(0, rowsHeight));
  painter.drawLine(QPointF(width, 0), QPointF(width, rowsHeight));
  painter.restore();
}

void ChartPainter::PaintTitle(QPainter& painter, double width) const {
  const QRectF line(kCellPadding, 0, width - 2 * kCellPadding, TitleHeight());
  painter.setPen(Qt::black);
  painter.setFont(Font(true));
  const QString title = Q(model_.title);
  painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, title);
  const double titleWidth = QFontMetricsF(Font(true)).horizontalAdvance(title);
  painter.setFont(Font());
  painter.setPen(QColor(90, 90, 90));
  if (!model_.viewName.empty()) {
    painter.drawText(line.adjusted(titleWidth + 3 * kCellPadding, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, Q(model_.viewName));
  }
  painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, Q(PeriodText(model_.period)));
}

void ChartPainter::PaintTableHeader(QPainter& painter, const QRectF& area) const {
  painter.fillRect(area, HeaderColour());
  painter.setFont(Font(true));
  painter.setPen(Qt::black);
  const QFontMetricsF metrics(Font(true));
  double x = area.left();
  for (std::size_t k = 0; k < model_.columns.size(); ++k) {
    const double w = ColumnWidth(k);
    const QRectF cell(x + kCellPadding, area.top(), w - 2 * kCellPadding, area.height());
    // A long title may take the header's lines; what still does not fit is cut with "…".
    QString text = Q(model_.columns[k].title);
    const int wrap = Qt::TextWordWrap;
    if (metrics.boundingRect(cell, AlignmentOf(model_.columns[k].align) | wrap, text).height() >
            cell.height() ||
        metrics.horizontalAdvance(text.section(QLatin1Char(' '), 0, 0)) > cell.width()) {
      text = metrics.elidedText(text, Qt::ElideRight, cell.width());
    }
    painter.drawText(cell, AlignmentOf(model_.columns[k].align) | wrap, text);
    x += w;
  }
}

void ChartPainter::PaintTableRow(QPainter& painter, const QRectF& rowRect, const Row& row) const {
  const QFont font = Font(row.summary);
  const QFontMetricsF metrics(font);
  painter.setFont(font);
  painter.setPen(Qt::black);
  double x = 0.0;
  for (std::size_t k = 0; k < model_.columns.size() && k < row.cells.size(); ++k) {
    const double w = ColumnWidth(k);
    QRectF cell(x + kCellPadding, rowRect.top(), w - 2 * kCellPadding, rowRect.height());
    if (AsciiLower(Trim(model_.columns[k].field)) == "name") {
      cell.setLeft(cell.left() + 2 * charWidth_ * (row.level - 1));
    }
    if (cell.width() > 0) {
      const QString text = metrics.elidedText(Q(row.cells[k]), Qt::ElideRight, cell.width());
      painter.drawText(cell, AlignmentOf(model_.columns[k].align), text);
    }
    x += w;
  }
}

void ChartPainter::PaintGrid(QPainter& painter, const QRectF& area) const {
  const TimeScale& s = *scale_;
  const DaySpan& period = s.Period();
  const double w = s.DayWidth();
  if (w >= 2.0) {
    for (Day d = period.first; d <= period.last; ++d) {
      if (IsoWeekday(d) >= 6 || model_.holidays.count(d) > 0) {
        painter.fillRect(QRectF(area.left() + s.X(d), area.top(), w, area.height()), WeekendColour());
      }
    }
  }
  const TimeTier& finest = s.Tiers().back();
  const bool dayLines = finest.unit != TimeUnit::Days || w >= 8.0;
  painter.setPen(QPen(GridLineColour(), 0));
  if (dayLines) {
    for (const TimeCell& c : finest.cells) {
      const double x = area.left() + s.X(c.span.last + 1);
      painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
  }
  painter.setPen(QPen(MonthLineColour(), 0));
  for (const TimeCell& c : s.Tiers().front().cells) {
    const double x = area.left() + s.X(c.span.last + 1);
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
  }
}

void ChartPainter::PaintTimeHeader(QPainter& painter, const QRectF& area) const {
  const TimeScale& s = *scale_;
  painter.fillRect(area, HeaderColour());
  painter.setFont(Font());
  double top = area.top();
  for (const TimeTier& tier : s.Tiers()) {
    for (const TimeCell& c : tier.cells) {
      const double x0 = area.left() + s.X(c.span.first);
      const double x1 = area.left() + s.X(c.span.last + 1);
      const QRectF cell(x0, top, x1 - x0, options_.rowHeight);
      if (tier.unit == TimeUnit::Days &&
          (IsoWeekday(c.span.first) >= 6 || model_.holidays.count(c.span.first) > 0)) {
        painter.fillRect(cell, WeekendColour().darker(104));
      }
      painter.setPen(QPen(MonthLineColour(), 0));
      painter.drawLine(QPointF(x1, top), QPointF(x1, top + options_.rowHeight));
      painter.setPen(Qt::black);
      if (!c.label.empty()) painter.drawText(cell, Qt::AlignCenter, Q(c.label));
    }
    top += options_.rowHeight;
    painter.setPen(QPen(MonthLineColour(), 0));
    painter.drawLine(QPointF(area.left(), top), QPointF(area.right(), top));
  }
}

void ChartPainter::PaintBar(QPainter& painter, const QRectF& rowRect, const Bar& bar) const {
  if (bar.parts.empty()) return;
  const BarLook& look = bar.look;
  const QColor colour = ColourOf(BarColour(bar.ownColour, look.middleColour));
  QBrush brush(colour);
  QPen pen(Qt::NoPen);
  switch (PatternOf(look.pattern)) {
    case Pattern::Hollow:
      brush = Qt::NoBrush;
      pen = QPen(colour, 1);
      break;
    case Pattern::Light:
      brush = QBrush(Blend(colour, Qt::white, 0.5));
      break;
    case Pattern::Framed:
      pen = QPen(colour.darker(160), 1);
      break;
    case Pattern::Dark:
      brush = QBrush(colour.darker(150));
      break;
    case Pattern::Hatched:
      brush = QBrush(colour, Qt::BDiagPattern);
      pen = QPen(colour, 1);
      break;
    case Pattern::Solid:
      break;
  }
  // A light bar (white, yellow, aqua, lime, silver, or a light pattern of them) gets a dark
  // frame, or it would hardly show on the white grid.
  const auto lightness = [](const QColor& c) {
    return forms::Lightness({static_cast<std::uint8_t>(c.red()),
                             static_cast<std::uint8_t>(c.green()),
                             static_cast<std::uint8_t>(c.blue())});
  };
  const bool light = brush.style() != Qt::NoBrush && lightness(brush.color()) >= 0.7;
  if (light && (pen.style() == Qt::NoPen || lightness(pen.color()) > 0.5))
    pen = QPen(QColor(64, 64, 64), 1);
  pen.setJoinStyle(Qt::MiterJoin);

  const bool middle = MiddleShapeOf(look.middleShape) != MiddleShape::None;
  if (middle) {
    painter.setPen(pen);
    painter.setBrush(brush);
    // A frame narrower parts would be all frame: they are filled only, in the bar's colour.
    const bool frameOnly = brush.style() == Qt::NoBrush;
    for (const DaySpan& part : bar.parts) {
      QRectF r = PartRect(rowRect, part, look);
      if (r.isEmpty()) continue;
      if (!frameOnly && !light && pen.style() != Qt::NoPen && r.width() < 5.0) {
        painter.fillRect(r, colour);
        continue;
      }
      if (pen.style() != Qt::NoPen) r.adjust(0.5, 0.5, -0.5, -0.5);
      painter.drawRect(r);
    }
  }

  // Ends, on the band of a full bar, where the bar starts and ends inside the period.
  const BarLook full{look.startShape, look.startType, look.startColour, 1,
                     look.middleColour, look.pattern, look.endShape, look.endType, look.endColour};
  const DaySpan& period = scale_->Period();
  const DaySpan& first = bar.parts.front();
  const DaySpan& last = bar.parts.back();
  const bool milestone = !middle && first == last && bar.parts.size() == 1 &&
                         look.startShape != 0 && look.endShape == 0;
  if (first.first >= period.first && first.first <= period.last) {
    const QRectF band = PartRect(rowRect, {first.first, first.first}, full);
    const double x = milestone ? band.center().x() : band.left();
    PaintEnd(painter, band, x, look.startShape, look.startType, look.startColour);
  }
  double textX = TableWidth() + scale_->X(last.last + 1);
  if (last.last >= period.first && last.last <= period.last) {
    const QRectF band = PartRect(rowRect, {last.last, last.last}, full);
    PaintEnd(painter, band, band.right(), look.endShape, look.endType, look.endColour);
  }
  if (!bar.text.empty()) {
    painter.setPen(Qt::black);
    painter.setFont(Font());
    painter.drawText(QRectF(textX + kCellPadding, rowRect.top(), 10000.0, rowRect.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, Q(bar.text));
  }
}

void ChartPainter::PaintMarks(QPainter& painter, const QRectF& rowRect,
                              const DayMarks& marks) const {
  const DaySpan& period = scale_->Period();
  const double dayWidth = scale_->DayWidth();
  const double left = TableWidth();
  const QFont font = Font(true);
  const QFontMetricsF metrics(font);
  painter.save();
  painter.setPen(Qt::NoPen);
  // Conflicts: a red box framed in black over the bar on each day, seen on a red bar too.
  painter.setPen(QPen(Qt::black, 1.5));
  painter.setBrush(OverColour());
  for (const Day day : marks.red) {
    if (day < period.first || day > period.last) continue;
    const double x = left + scale_->X(day);
    painter.drawRect(QRectF(x + 0.75, rowRect.top() + rowRect.height() * 0.1,
                            std::max(dayWidth - 1.5, 1.0), rowRect.height() * 0.8));
  }
  painter.setPen(Qt::NoPen);
  // Counts: the number in a box of its own where it fits, else a shade of its strength.
  painter.setFont(font);
  for (std::size_t i = 0; i < marks.counts.size(); ++i) {
    const int count = marks.counts[i];
    const Day day = marks.first + static_cast<Day>(i);
    if (count <= 0 || day < period.first || day > period.last) continue;
    const bool over = i < marks.over.size() && marks.over[i];
    const std::string text = std::to_string(count);
    const QRectF cell(left + scale_->X(day), rowRect.top() + 2.0, dayWidth, rowRect.height() - 4.0);
    if (metrics.horizontalAdvance(Q(text)) + 2.0 <= dayWidth) {
      painter.fillRect(cell, over ? OverColour() : QColor(255, 247, 204));
      painter.setPen(over ? Qt::white : Qt::black);
      painter.drawText(cell, Qt::AlignCenter, Q(text));
      painter.setPen(Qt::NoPen);
    } else {
      // Opaque, so that it covers the rolled-up days below: pale for one, dark for all.
      const double strength = marks.most > 0 ? std::min(1.0, double(count) / marks.most) : 1.0;
      const QColor pale(255, 224, 140), dark(190, 90, 0);
      const auto mix = [&](int a, int b) { return static_cast<int>(a + (b - a) * strength + 0.5); };
      const QColor shade = over ? OverColour()
                                : QColor(mix(pale.red(), dark.red()), mix(pale.green(), dark.green()),
                                         mix(pale.blue(), dark.blue()));
      painter.fillRect(cell, shade);
    }
  }
  painter.restore();
}

void ChartPainter::PaintEnd(QPainter& painter, const QRectF& band, double x, int shape, int type,
                            int colour) const {
  const EndShape s = EndShapeOf(shape);
  if (s == EndShape::None || band.isEmpty()) return;
  const QColor c = ColourOf(BarColour(std::nullopt, colour));
  const EndType t = EndTypeOf(type);
  QPen pen(c, 1);
  if (t == EndType::Dashed) pen.setStyle(Qt::DashLine);
  painter.setPen(pen);
  painter.setBrush(t == EndType::Solid ? QBrush(c) : QBrush(Qt::NoBrush));
  painter.setRenderHint(QPainter::Antialiasing, true);
  const double h = band.height();
  const double half = std::max(3.0, h / 2.0);
  const double top = band.top();
  const double mid = band.center().y();
  switch (s) {
    case EndShape::Triangle:
      painter.drawPolygon(QPolygonF({{x - half * 0.6, top - half * 0.6},
                                     {x + half * 0.6, top - half * 0.6},
                                     {x, top + half * 0.4}}));
      break;
    case EndShape::Bracket:
      painter.drawPolygon(QPolygonF({{x - half * 0.7, top},
                                     {x + half * 0.7, top},
                                     {x + half * 0.7, top + h * 0.5},
                                     {x, top + h * 1.1},
                                     {x - half * 0.7, top + h * 0.5}}));
      break;
    case EndShape::Diamond:
      painter.drawPolygon(
          QPolygonF({{x, mid - half}, {x + half, mid}, {x, mid + half}, {x - half, mid}}));
      break;
    case EndShape::Circle:
      painter.drawEllipse(QPointF(x, mid), half * 0.7, half * 0.7);
      break;
    case EndShape::Line:
      painter.drawLine(QPointF(x, band.top() - 2), QPointF(x, band.bottom() + 2));
      break;
    case EndShape::None:
      break;
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace kx::gantt
