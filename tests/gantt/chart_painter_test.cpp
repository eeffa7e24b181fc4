#include "gantt/chart_painter.hpp"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "gantt/chart_projects.hpp"
#include "gantt/picture_file.hpp"

namespace kx::gantt {
namespace {

using testing::At;

Day D(int y, int m, int d) {
  return DayOf(DateSerial(y, m, d));
}

class ChartPainterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(EnsureGuiApplication()); }

  void Draw(const platform::ProjectData& p, PictureOptions o = {}) {
    o.dayWidth = o.dayWidth > 0 ? o.dayWidth : 20;
    model = BuildChartModel(p);
    painter = std::make_unique<ChartPainter>(model, o);
    image = RenderImage(*painter);
  }
  // The colour in the middle of `day` on row `row`.
  QColor At(std::size_t row, Day day) const {
    const QRectF r = painter->RowRect(row);
    const double x = painter->TableWidth() + painter->Scale().X(day) + painter->Scale().DayWidth() / 2;
    return image.pixelColor(static_cast<int>(x), static_cast<int>(r.center().y()));
  }

  ChartModel model;
  std::unique_ptr<ChartPainter> painter;
  QImage image;
};

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kBlack(0, 0, 0);
const QColor kSilver(192, 192, 192);
const QColor kWhite(255, 255, 255);

TEST_F(ChartPainterTest, MarkedDaysShowInTheRowsColourAndGapsStayEmpty) {
  Draw(*testing::GroupedVacationChart());
  // Katrin (row 2): Monday to Wednesday and Friday red, Thursday empty.
  EXPECT_EQ(At(1, D(2025, 3, 3)), kRed);
  EXPECT_EQ(At(1, D(2025, 3, 5)), kRed);
  EXPECT_EQ(At(1, D(2025, 3, 6)), kWhite);
  EXPECT_EQ(At(1, D(2025, 3, 7)), kRed);
  EXPECT_EQ(At(1, D(2025, 3, 10)), kWhite);
  // Stefan in blue; the weekend before him in the grid's weekend colour.
  EXPECT_EQ(At(2, D(2025, 3, 10)), kBlue);
  EXPECT_EQ(At(2, D(2025, 3, 8)), ChartPainter::WeekendColour());
  // "Automatisch" leaves the bar style's silver.
  EXPECT_EQ(At(4, D(2025, 3, 19)), kSilver);
}

TEST_F(ChartPainterTest, GroupRowsShowTheirSpanWithTheRolledUpDaysInBlack) {
  Draw(*testing::GroupedVacationChart());
  EXPECT_EQ(At(0, D(2025, 3, 4)), kBlack);   // Katrin away
  EXPECT_EQ(At(0, D(2025, 3, 6)), kSilver);  // nobody away, inside the group's span
  EXPECT_EQ(At(0, D(2025, 3, 11)), kBlack);  // Stefan away
  EXPECT_EQ(At(0, D(2025, 3, 12)), kWhite);  // after the span
}

TEST_F(ChartPainterTest, HollowBarsKeepTheirInsideAndFramedBarsTheirFrame) {
  auto p = testing::GroupedVacationChart();
  p->definitions.barStyles[0].codes[5] = 0;  // "Vorgang" hollow
  Draw(*p);
  EXPECT_EQ(At(1, D(2025, 3, 4)), kWhite);
  const QRectF bar = painter->PartRect(painter->RowRect(1), {D(2025, 3, 3), D(2025, 3, 5)},
                                       model.rows[1].bars[0].look);
  EXPECT_EQ(image.pixelColor(static_cast<int>(bar.center().x()), static_cast<int>(bar.top())), kRed);

  p->definitions.barStyles[0].codes[5] = 3;  // framed: the frame is a darker red
  Draw(*p);
  const QColor frame =
      image.pixelColor(static_cast<int>(bar.center().x()), static_cast<int>(bar.top()));
  EXPECT_EQ(frame.rgb(), kRed.darker(160).rgb());
  EXPECT_EQ(At(1, D(2025, 3, 4)), kRed);
}

TEST_F(ChartPainterTest, LightBarsAreFramedSoThatTheyShowOnWhite) {
  model = BuildChartModel(*testing::GroupedVacationChart());
  Bar& bar = model.rows[1].bars[0];
  // "Weiß" and "Gelb", solid and framed, wide and narrower than a frame: a single day's edge is
  // never light.
  for (const int colour : {7, 2}) {
    bar.ownColour = colour;
    for (const int pattern : {1, 3}) {
      for (const double width : {20.0, 3.0}) {
        bar.look.pattern = pattern;
        PictureOptions o;
        o.dayWidth = width;
        painter = std::make_unique<ChartPainter>(model, o);
        image = RenderImage(*painter);
        const QRectF day =
            painter->PartRect(painter->RowRect(1), {D(2025, 3, 7), D(2025, 3, 7)}, bar.look);
        const QColor edge =
            image.pixelColor(static_cast<int>(day.left()), static_cast<int>(day.top()));
        EXPECT_LT(edge.lightness(), 100) << colour << " " << pattern << " " << width;
      }
    }
  }
}

TEST_F(ChartPainterTest, NarrowDaysShowTheirColourNotTheirFrame) {
  PictureOptions o;
  o.dayWidth = 3;
  Draw(*testing::GroupedVacationChart(), o);
  const QRectF day = painter->PartRect(painter->RowRect(1), {D(2025, 3, 7), D(2025, 3, 7)}, {});
  EXPECT_EQ(image.pixelColor(static_cast<int>(day.left()), static_cast<int>(day.top())), kRed);
}

TEST_F(ChartPainterTest, ThinMiddlesSitInTheirThirdOfTheBand) {
  auto p = testing::GroupedVacationChart();
  p->definitions.barStyles[0].codes[3] = 2;  // thin at the top
  Draw(*p);
  const QRectF row = painter->RowRect(1);
  const QRectF full = painter->PartRect(row, {D(2025, 3, 3), D(2025, 3, 3)}, {});
  const QRectF thin =
      painter->PartRect(row, {D(2025, 3, 3), D(2025, 3, 3)}, model.rows[1].bars[0].look);
  EXPECT_DOUBLE_EQ(thin.top(), full.top());
  EXPECT_NEAR(thin.height(), full.height() / 3, 1e-9);
  EXPECT_EQ(At(1, D(2025, 3, 3)), kWhite);  // the middle of the row stays empty
}

TEST_F(ChartPainterTest, APeriodCutsBarsAtItsEdges) {
  auto p = testing::GroupedVacationChart();
  model = BuildChartModel(*p, {D(2025, 3, 4), D(2025, 3, 10)});
  PictureOptions o;
  o.dayWidth = 20;
  painter = std::make_unique<ChartPainter>(model, o);
  image = RenderImage(*painter);
  EXPECT_EQ(At(1, D(2025, 3, 4)), kRed);
  EXPECT_EQ(At(2, D(2025, 3, 10)), kBlue);
  // Parts outside the period have no rectangle.
  EXPECT_TRUE(painter->PartRect(painter->RowRect(1), {D(2025, 3, 1), D(2025, 3, 3)}, {}).isEmpty());
  const QRectF cut = painter->PartRect(painter->RowRect(1), {D(2025, 3, 3), D(2025, 3, 5)}, {});
  EXPECT_DOUBLE_EQ(cut.left(), painter->TableWidth());
  EXPECT_DOUBLE_EQ(cut.width(), 40);
  EXPECT_DOUBLE_EQ(painter->Size().width(), std::ceil(painter->TableWidth() + 7 * 20) + 1);
}

TEST_F(ChartPainterTest, SizesFollowTheRowsTheTableAndTheTitle) {
  const auto p = testing::GroupedVacationChart();
  Draw(*p);
  const QSizeF all = painter->Size();
  EXPECT_EQ(image.size(), all.toSize());
  EXPECT_DOUBLE_EQ(all.height() - painter->Size(0).height(), 5 * 20);
  EXPECT_DOUBLE_EQ(all.width(), std::ceil(painter->TableWidth() + 31 * 20) + 1);
  PictureOptions bare;
  bare.table = false;
  bare.title = false;
  Draw(*p, bare);
  EXPECT_DOUBLE_EQ(painter->TableWidth(), 0);
  EXPECT_DOUBLE_EQ(painter->RowRect(0).top(), painter->HeaderHeight());
  EXPECT_EQ(At(1, D(2025, 3, 3)), kRed);
}

TEST_F(ChartPainterTest, PositionsLeadBackToRowsAndDays) {
  Draw(*testing::GroupedVacationChart());
  const QRectF row = painter->RowRect(2);
  EXPECT_EQ(painter->RowAt(row.top() + 1), 2u);
  EXPECT_EQ(painter->RowAt(row.bottom() - 1), 2u);
  EXPECT_EQ(painter->RowAt(row.top() + 1, 2), 4u);  // a page that starts with row 3
  EXPECT_FALSE(painter->RowAt(painter->HeaderHeight()));  // in the header
  EXPECT_FALSE(painter->RowAt(painter->RowRect(5).top() + 1));
  const double left = painter->TableWidth();
  EXPECT_EQ(painter->DayAt(left), D(2025, 3, 1));
  EXPECT_EQ(painter->DayAt(left + 20 * 9 + 19.9), D(2025, 3, 10));
  EXPECT_FALSE(painter->DayAt(left - 1));
  EXPECT_FALSE(painter->DayAt(left + 31 * 20));
}

TEST_F(ChartPainterTest, TheTableShowsTheRowsTexts) {
  Draw(*testing::GroupedVacationChart());
  // Somewhere in the name cell of row 2 the text is drawn in black.
  const QRectF row = painter->RowRect(1);
  double nameLeft = painter->ColumnWidth(0) + painter->ColumnWidth(1);
  int dark = 0;
  for (int x = static_cast<int>(nameLeft); x < static_cast<int>(nameLeft + painter->ColumnWidth(2)); ++x) {
    for (int y = static_cast<int>(row.top()) + 2; y < static_cast<int>(row.bottom()) - 2; ++y) {
      if (image.pixelColor(x, y).lightness() < 100) ++dark;
    }
  }
  EXPECT_GT(dark, 30);
}

TEST_F(ChartPainterTest, EmptyChartsAndEmptyTablesDraw) {
  auto p = testing::EmptyVacationChart();
  Draw(*p);
  EXPECT_EQ(image.height(), static_cast<int>(painter->Size(0).height()));
  p->definitions.tables.back().columns.clear();
  Draw(*p);  // the entry table's columns stand in
  EXPECT_FALSE(model.columns.empty());
}

TEST_F(ChartPainterTest, RowsBeyondSixteenBitCoordinatesAreDrawn) {
  // 1,700 rows of 20 pixels end below y = 32,767, where 16-bit coordinates would wrap.
  auto p = testing::EmptyVacationChart();
  for (int i = 0; i < 1700; ++i) {
    testing::AddResourceRow(*p, "R" + std::to_string(i), 1, testing::At(2025, 3, 3),
                            testing::At(2025, 3, 3), i == 1699 ? 5 : 1);
  }
  PictureOptions o;
  o.dayWidth = 8;
  o.table = false;
  Draw(*p, o);
  ASSERT_GT(painter->RowRect(1699).top(), 32767);
  EXPECT_EQ(At(1699, D(2025, 3, 3)), kBlue);
  EXPECT_EQ(At(1698, D(2025, 3, 3)), kRed);
  EXPECT_EQ(At(1699, D(2025, 3, 4)), kWhite);
}

TEST_F(ChartPainterTest, HeaderAndBodyDrawnApartMatchTheWholePicture) {
  Draw(*testing::GroupedVacationChart());
  // A window's way: the header at the top, rows 2 to 4 scrolled up below it.
  const double header = painter->TitleHeight() + painter->HeaderHeight();
  QImage window(image.width(), static_cast<int>(header + 3 * 20) + 1, QImage::Format_RGB32);
  window.fill(Qt::white);
  {
    QPainter p(&window);
    painter->PaintHeader(p);
    p.translate(0, header);
    painter->PaintBody(p, 1, 3);
  }
  const QImage whole = image.convertToFormat(QImage::Format_RGB32);
  const int h = static_cast<int>(header);
  EXPECT_EQ(window.copy(0, 0, window.width(), h + 1), whole.copy(0, 0, window.width(), h + 1));
  EXPECT_EQ(window.copy(0, h + 1, window.width(), 59), whole.copy(0, h + 21, window.width(), 59));
}

TEST_F(ChartPainterTest, PrintScalesIntoTheTarget) {
  Draw(*testing::GroupedVacationChart());
  QImage half(image.size() / 2, QImage::Format_RGB32);
  half.fill(Qt::white);
  {
    QPainter p(&half);
    painter->Print(p, QRectF(QPointF(0, 0), QSizeF(half.size())), 0, model.rows.size());
  }
  const QRectF row = painter->RowRect(1);
  const double x = painter->TableWidth() + painter->Scale().X(D(2025, 3, 4)) + 10;
  EXPECT_EQ(half.pixelColor(static_cast<int>(x / 2), static_cast<int>(row.center().y() / 2)), kRed);
}

}  // namespace
}  // namespace kx::gantt
