#include <gtest/gtest.h>

#include <filesystem>

#include "exports/export_fixture.hpp"
#include "exports/table_readers.hpp"
#include "chart/absence.hpp"
#include "exports/xlsx_export.hpp"

namespace kx::exports::testing {
namespace {

class Xlsx : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    if (!CanUnzip()) GTEST_SKIP() << "unzip is not installed (scripts/setup installs it)";
  }
};

// Cell reference of a day of March in sheet row `row`: the days start in column C.
std::string DayCell(int day, int row) { return ColumnName(day + 2) + std::to_string(row); }

TEST_F(Xlsx, VacationSheetLaysOutTheTableLikeTheChart) {
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(March(8), March(11))};
  auto b = AddResource("Bernd", "Planung");
  b->calendar->exceptions = {DaysOff(March(12), March(12))};
  AddResource("Clara", "Garten- und Landschaftsbau");
  auto& e = Engine();
  e.lngColorType = 1;  // a colour per resource: red, yellow, ...
  e.lngPlanType = 1;
  e.lngPlanDuration = 2;
  e.varPlanDurationStart = std::string("01.03.2024");
  e.varPlanDurationFinish = std::string("31.03.2024");
  e.ExportChart();
  WriteXlsx(ReadChartTable(e, "Bau", e.strChartPath), File("urlaub.xlsx"));

  const XlsxSheet sheet = ReadXlsxSheet(File("urlaub.xlsx"), 1);
  EXPECT_EQ(sheet.name, "Urlaubsplan");
  EXPECT_EQ(sheet.frozenRows, 1);
  EXPECT_EQ(sheet.frozenColumns, 2);
  EXPECT_EQ(sheet.At("A1")->text, "Gruppe");
  EXPECT_EQ(sheet.At("B1")->text, "Ressource");
  // Day headers are dates, not texts.
  EXPECT_EQ(sheet.Number("C1"), March(1).serial);
  EXPECT_EQ(sheet.At("C1")->numberFormat, "dd.mm.yyyy");
  EXPECT_EQ(sheet.Number(DayCell(31, 1)), March(31).serial);
  EXPECT_EQ(sheet.At(DayCell(32, 1))->text, "Anzahl Urlaubstage");
  EXPECT_LT(sheet.widths.at(3), 4.0);
  EXPECT_GE(sheet.widths.at(1), 26.0);  // the longest group text fits

  // Anna: Friday and Monday in red, the weekend between shaded.
  EXPECT_EQ(sheet.At("B2")->text, "Anna");
  EXPECT_EQ(sheet.At(DayCell(8, 2))->text, "U");
  EXPECT_EQ(sheet.At(DayCell(8, 2))->fill, "FF0000");
  EXPECT_EQ(sheet.At(DayCell(11, 2))->fill, "FF0000");
  EXPECT_EQ(sheet.At(DayCell(9, 2))->fill, "E4E4E4");
  EXPECT_EQ(sheet.At(DayCell(9, 2))->text, "");
  EXPECT_EQ(sheet.At(DayCell(9, 1))->fill, "E4E4E4");
  EXPECT_EQ(sheet.At(DayCell(12, 2)), nullptr);  // a weekday without a mark stays plain
  EXPECT_EQ(sheet.Number(DayCell(32, 2)), 2.0);
  // Bernd in the second bar colour, lime with dark text (yellow is passed over).
  EXPECT_EQ(sheet.At(DayCell(12, 3))->fill, "00FF00");
  EXPECT_EQ(sheet.At(DayCell(12, 3))->font, "000000");
  // Clara has no days: an empty row with a zero count.
  EXPECT_EQ(sheet.At("B4")->text, "Clara");
  for (int day = 1; day <= 31; ++day) {
    const XlsxCell* cell = sheet.At(DayCell(day, 4));
    if (cell) {
      EXPECT_EQ(cell->text, "") << day;
    }
  }
  EXPECT_EQ(sheet.Number(DayCell(32, 4)), 0.0);
}

TEST_F(Xlsx, ScheduleHoursAndCountsAreNumbersAndTheSecondSheetSumsUp) {
  auto r = AddResource("Jörg \"Jogi\"; Weiß", "Bau; Süd");
  r->assignments = {Work(March(18), 450), Work(March(19), 480)};
  const ChartTable table = Run(false);
  WriteXlsx(table, File("plan.xlsx"));

  const XlsxSheet days = ReadXlsxSheet(File("plan.xlsx"), 1);
  EXPECT_EQ(days.name, "Ressourcenzeitplan");
  EXPECT_EQ(days.At("A2")->text, "Bau; Süd");
  EXPECT_EQ(days.At("B2")->text, "Jörg \"Jogi\"; Weiß");
  EXPECT_DOUBLE_EQ(days.Number(DayCell(18, 2)), 7.5);
  EXPECT_DOUBLE_EQ(days.Number(DayCell(19, 2)), 8.0);
  EXPECT_EQ(days.At(DayCell(18, 2))->fill, "000000");  // "Automatisch" bars are black
  EXPECT_EQ(days.At(DayCell(18, 2))->font, "FFFFFF");
  EXPECT_EQ(days.At(DayCell(32, 1))->text, "Anzahl Arbeitstage");
  EXPECT_EQ(days.At(DayCell(33, 1))->text, "Anzahl Projektstunden");
  EXPECT_EQ(days.Number(DayCell(32, 2)), 2.0);
  EXPECT_DOUBLE_EQ(days.Number(DayCell(33, 2)), 15.5);

  const XlsxSheet counts = ReadXlsxSheet(File("plan.xlsx"), 2);
  EXPECT_EQ(counts.name, "Summen");
  EXPECT_EQ(counts.frozenRows, 1);
  EXPECT_EQ(counts.At("C1")->text, "Anzahl Arbeitstage");
  EXPECT_EQ(counts.At("B2")->text, "Jörg \"Jogi\"; Weiß");
  EXPECT_EQ(counts.Number("C2"), 2.0);
  EXPECT_DOUBLE_EQ(counts.Number("D2"), 15.5);
  EXPECT_EQ(counts.Number("E2"), March(18).serial);
  EXPECT_EQ(counts.Number("F2"), March(19).serial);
  EXPECT_EQ(counts.At("E2")->numberFormat, "dd.mm.yyyy");
}

TEST_F(Xlsx, PeriodWiderThanASheetIsRefusedAndKeepsTheEarlierFile) {
  AddResource("Anna", "Planung");
  ChartTable table = Run(true);
  table.first = DateSerial(1984, 1, 1);
  table.last = DateSerial(2049, 12, 31);
  for (auto& row : table.rows) row.days.resize(static_cast<std::size_t>(table.DayCount()));
  { std::ofstream(File("alt.xlsx")) << "frühere Datei"; }
  try {
    WriteXlsx(table, File("alt.xlsx"));
    FAIL() << "no error";
  } catch (const ExportError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Der Zeitraum hat 24107 Tage; ein Tabellenblatt fasst höchstens 16379 Tagesspalten.");
  }
  EXPECT_EQ(ReadText(File("alt.xlsx")), "frühere Datei");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);  // chart.xml too
}

TEST_F(Xlsx, PresenceSheetCountsTheAbsentUnderTheSameDays) {
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(March(8), March(11))};
  auto b = AddResource("Bernd", "Planung");
  b->calendar->exceptions = {DaysOff(March(11), March(12))};
  AddResource("Clara", "Garten- und Landschaftsbau");
  auto& e = Engine();
  e.lngPlanType = 1;
  e.lngPlanDuration = 2;
  e.varPlanDurationStart = std::string("01.03.2024");
  e.varPlanDurationFinish = std::string("31.03.2024");
  e.blnGroupResources = true;
  e.ExportChart();
  chart::AbsenceOptions options;
  options.first = March(1);
  options.last = March(31);
  options.limit = chart::AbsenceLimit{1, false};
  const chart::AbsenceReport report =
      chart::ComputeAbsence(*chart::WholeGroups(*e.objResources), *e.objProject, options);
  WriteXlsx(ReadChartTable(e, "Bau", e.strChartPath), File("urlaub.xlsx"), &report);

  const XlsxSheet sheet = ReadXlsxSheet(File("urlaub.xlsx"), 3);
  EXPECT_EQ(sheet.name, "Anwesenheit");
  EXPECT_EQ(sheet.Number("C1"), March(1).serial);  // the days stand where the plan has them
  EXPECT_EQ(sheet.At("A2")->text, "Planung");
  EXPECT_EQ(sheet.Number("B2"), 2);
  EXPECT_EQ(sheet.Number(DayCell(8, 2)), 1);
  EXPECT_EQ(sheet.At(DayCell(8, 2))->fill, "");
  EXPECT_EQ(sheet.Number(DayCell(11, 2)), 2);  // both away: over one
  EXPECT_EQ(sheet.At(DayCell(11, 2))->fill, "CC0000");
  EXPECT_EQ(sheet.At(DayCell(13, 2)), nullptr);
  EXPECT_EQ(sheet.At("A3")->text, "Garten- und Landschaftsbau");
}

}  // namespace
}  // namespace kx::exports::testing
