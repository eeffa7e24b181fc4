#include "gantt/picture_file.hpp"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <random>
#include <sstream>

#include "host/error.hpp"
#include "gantt/chart_projects.hpp"

namespace kx::gantt {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class PictureFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(EnsureGuiApplication()); }
  void SetUp() override {
    std::random_device rd;
    dir = fs::temp_directory_path() / ("kx_picture_test_" + std::to_string(rd()));
    fs::create_directories(dir);
    project = testing::GroupedVacationChart();
    model = BuildChartModel(*project);
  }
  void TearDown() override { fs::remove_all(dir); }

  // A chart with `rows` resource rows.
  void LongChart(int rows) {
    project = testing::EmptyVacationChart();
    for (int i = 0; i < rows; ++i) {
      testing::AddResourceRow(*project, "Ressource " + std::to_string(i + 1), 1,
                              testing::At(2025, 3, 1 + i % 28), testing::At(2025, 3, 1 + i % 28),
                              i % 15);
    }
    model = BuildChartModel(*project);
  }

  fs::path dir;
  std::shared_ptr<platform::ProjectData> project;
  ChartModel model;
};

TEST_F(PictureFileTest, TheExtensionNamesTheFormat) {
  EXPECT_EQ(PictureFormatOf("a.png"), PictureFormat::Png);
  EXPECT_EQ(PictureFormatOf("/tmp/Urlaub 2025.PNG"), PictureFormat::Png);
  EXPECT_EQ(PictureFormatOf("plan.Svg"), PictureFormat::Svg);
  EXPECT_EQ(PictureFormatOf("plan.pdf"), PictureFormat::Pdf);
  EXPECT_FALSE(PictureFormatOf("plan.bmp"));
  EXPECT_FALSE(PictureFormatOf("plan"));
  EXPECT_FALSE(PictureFormatOf("bilder.png/plan"));
  EXPECT_FALSE(PictureFormatOf("plan.png.xml"));
}

TEST_F(PictureFileTest, PngFilesHoldTheWholePicture) {
  const ChartPainter painter(model);
  const fs::path file = dir / "urlaub.png";
  SavePicture(painter, file.string(), PictureFormat::Png);
  const QImage read(QString::fromStdString(file.string()));
  ASSERT_FALSE(read.isNull());
  EXPECT_EQ(read.size(), painter.Size().toSize());
  EXPECT_EQ(read, RenderImage(painter).convertToFormat(read.format()));
}

TEST_F(PictureFileTest, SvgFilesAreWellFormedAndCarryTheTexts) {
  const ChartPainter painter(model);
  const fs::path file = dir / "urlaub.svg";
  SavePicture(painter, file.string(), PictureFormat::Svg);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(file.c_str())) << "no XML";
  EXPECT_STREQ(doc.document_element().name(), "svg");
  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("Katrin Vogel"), std::string::npos);
  EXPECT_NE(text.find("Urlaubstage"), std::string::npos);  // the title takes two lines
  EXPECT_NE(text.find("März 2025"), std::string::npos);
}

TEST_F(PictureFileTest, SvgFilesDrawLikeThePicture) {
  PictureOptions o;
  o.dayWidth = 20;
  const ChartPainter painter(model, o);
  const std::string svg = PictureBytes(painter, PictureFormat::Svg);
  QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
  ASSERT_TRUE(renderer.isValid());
  QImage drawn(painter.Size().toSize(), QImage::Format_RGB32);
  drawn.fill(Qt::white);
  {
    QPainter p(&drawn);
    renderer.render(&p, QRectF(QPointF(0, 0), painter.Size()));
  }
  // Katrin's first day red, the Thursday she works white, Stefan's day blue.
  const double y1 = painter.RowRect(1).center().y();
  const double y2 = painter.RowRect(2).center().y();
  auto x = [&](int day) {
    return painter.TableWidth() + painter.Scale().X(DayOf(DateSerial(2025, 3, day))) + 10;
  };
  EXPECT_EQ(drawn.pixelColor(static_cast<int>(x(3)), static_cast<int>(y1)), QColor(255, 0, 0));
  EXPECT_EQ(drawn.pixelColor(static_cast<int>(x(6)), static_cast<int>(y1)), QColor(255, 255, 255));
  EXPECT_EQ(drawn.pixelColor(static_cast<int>(x(10)), static_cast<int>(y2)), QColor(0, 0, 255));
}

// The holidays of a state are shaded like weekends and named in an SVG picture.
TEST_F(PictureFileTest, HolidaysAreShadedAndNamed) {
  model = BuildChartModel(*project, {DayOf(DateSerial(2025, 4, 16)), DayOf(DateSerial(2025, 4, 23))});
  AddHolidays(model, holidays::State::HE);
  ASSERT_EQ(model.holidays.size(), 2u);  // Karfreitag and Ostermontag; Ostersonntag is Brandenburg's
  PictureOptions o;
  o.dayWidth = 20;
  const ChartPainter painter(model, o);
  const QImage image = RenderImage(painter);
  const int y = static_cast<int>(painter.RowRect(1).center().y());
  auto x = [&](int day) {
    return static_cast<int>(painter.TableWidth() + painter.Scale().X(DayOf(DateSerial(2025, 4, day))) + 10);
  };
  EXPECT_EQ(image.pixelColor(x(18), y), ChartPainter::WeekendColour());  // Karfreitag
  EXPECT_EQ(image.pixelColor(x(17), y), QColor(Qt::white));

  const std::string svg = PictureBytes(painter, PictureFormat::Svg);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_buffer(svg.data(), svg.size()));
  std::vector<std::string> titles;
  for (const auto& node : doc.select_nodes("//rect/title")) titles.push_back(node.node().child_value());
  EXPECT_EQ(titles, (std::vector<std::string>{"Karfreitag, 18.04.2025", "Ostermontag, 21.04.2025"}));
}

TEST_F(PictureFileTest, PdfPagesRepeatTheHeaderAndCountTheRows) {
  LongChart(120);
  PictureOptions o;
  PdfOptions pdf;
  o.dayWidth = PdfDayWidth(model, o, pdf);
  const ChartPainter painter(model, o);
  const int pages = PdfPageCount(painter, pdf);
  EXPECT_GE(pages, 3);
  const fs::path file = dir / "urlaub.pdf";
  SavePicture(painter, file.string(), PictureFormat::Pdf, pdf);
  const std::string bytes = ReadFile(file);
  ASSERT_EQ(bytes.rfind("%PDF-", 0), 0u);
  EXPECT_NE(bytes.find("/Count " + std::to_string(pages)), std::string::npos);
  // At the fitted width the picture fills the page's width without shrinking.
  const double pageWidth = 297.0 - 20.0;  // mm, landscape A4 without the margins
  EXPECT_NEAR(painter.Size(0).width(), pageWidth / 25.4 * 96, 3.0);
  // A3 holds more rows a page.
  PdfOptions a3;
  a3.paper = PaperSize::A3;
  PictureOptions o3;
  o3.dayWidth = PdfDayWidth(model, o3, a3);
  EXPECT_LT(PdfPageCount(ChartPainter(model, o3), a3), pages);
}

TEST_F(PictureFileTest, AnEmptyChartMakesOnePage) {
  project = testing::EmptyVacationChart();
  model = BuildChartModel(*project);
  const ChartPainter painter(model);
  EXPECT_EQ(PdfPageCount(painter), 1);
  const fs::path file = dir / "leer.pdf";
  SavePicture(painter, file.string(), PictureFormat::Pdf);
  EXPECT_NE(ReadFile(file).find("/Count 1"), std::string::npos);
}

TEST_F(PictureFileTest, ATooLargePngIsRefusedAndAnEarlierFileStays) {
  LongChart(400);
  PictureOptions o;
  o.dayWidth = 200;
  o.rowHeight = 300;
  const ChartPainter painter(model, o);
  const fs::path file = dir / "gross.png";
  std::ofstream(file) << "alt";
  try {
    SavePicture(painter, file.string(), PictureFormat::Png);
    FAIL() << "no error";
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrFile);
    const std::string text = e.description();
    EXPECT_EQ(text.rfind(file.string() + ": Das Bild wäre ", 0), 0u) << text;
    EXPECT_NE(text.find(" Pixel groß; ein PNG-Bild darf höchstens 100 Millionen Pixel haben. "
                        "Wählen Sie PDF oder SVG, einen kürzeren Zeitraum oder eine kleinere "
                        "Tagesbreite."),
              std::string::npos)
        << text;
  }
  EXPECT_EQ(ReadFile(file), "alt");
  // The same chart as SVG is fine.
  SavePicture(painter, (dir / "gross.svg").string(), PictureFormat::Svg);
  EXPECT_TRUE(fs::exists(dir / "gross.svg"));
}

TEST_F(PictureFileTest, AFolderThatCannotBeWrittenLeavesNothingBehind) {
  const ChartPainter painter(model);
  const fs::path missing = dir / "fehlt" / "urlaub.png";
  try {
    SavePicture(painter, missing.string(), PictureFormat::Png);
    FAIL() << "no error";
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrFile);
    EXPECT_NE(e.description().find(missing.string()), std::string::npos) << e.description();
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0);
}

}  // namespace
}  // namespace kx::gantt
