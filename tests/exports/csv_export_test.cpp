#include <gtest/gtest.h>

#include "exports/csv_export.hpp"
#include "exports/export_fixture.hpp"
#include "exports/table_readers.hpp"
#include "support/regional.hpp"

namespace kx::exports::testing {
namespace {

using Csv = ExportTest;

// Column of a day of March in a data line: group, name, then the days from the 1st.
std::size_t DayColumn(int day) { return static_cast<std::size_t>(day + 1); }

TEST_F(Csv, VacationPlanHeaderDaysAndCount) {
  auto r = AddResource("Meier", "Rohbau");
  r->calendar->exceptions = {DaysOff(March(8), March(11))};  // Friday to Monday
  const ChartTable table = Run(true);
  WriteCsv(table, File("urlaub.csv"));

  const CsvFile csv = ParseCsv(ReadText(File("urlaub.csv")));
  EXPECT_TRUE(csv.byteOrderMark);
  EXPECT_TRUE(csv.crlf);
  ASSERT_EQ(csv.lines.size(), 2u);
  const auto& header = csv.lines[0];
  ASSERT_EQ(header.size(), 2u + 31u + 1u);
  EXPECT_EQ(header[0], "Gruppe");
  EXPECT_EQ(header[1], "Ressource");
  EXPECT_EQ(header[DayColumn(1)], "01.03.2024");
  EXPECT_EQ(header[DayColumn(31)], "31.03.2024");
  EXPECT_EQ(header.back(), "Anzahl Urlaubstage");

  const auto& line = csv.lines[1];
  ASSERT_EQ(line.size(), header.size());
  EXPECT_EQ(line[0], "Rohbau");
  EXPECT_EQ(line[1], "Meier");
  EXPECT_EQ(line[DayColumn(8)], "U");
  EXPECT_EQ(line[DayColumn(9)], "");  // the weekend is no vacation day
  EXPECT_EQ(line[DayColumn(10)], "");
  EXPECT_EQ(line[DayColumn(11)], "U");
  EXPECT_EQ(line[DayColumn(12)], "");
  EXPECT_EQ(line.back(), "2");
  // The header line as spreadsheets read it first.
  EXPECT_EQ(ReadText(File("urlaub.csv")).rfind("\xEF\xBB\xBFGruppe;Ressource;01.03.2024;02.03.2024;", 0), 0u);
}

// With a state's holidays the line under the header names them in their days' columns; the
// line has as many fields as the header (Karfreitag 29.03.2024 in March 2024, a schedule).
TEST_F(Csv, HolidaysAreNamedUnderTheHeader) {
  auto r = AddResource("Meier", "Rohbau");
  r->assignments = {Work(March(18), 450)};
  ChartTable table = Run(false);
  MarkHolidays(table, holidays::State::BW);
  const CsvFile csv = ParseCsv(CsvText(table));
  ASSERT_EQ(csv.lines.size(), 3u);
  const auto& names = csv.lines[1];
  ASSERT_EQ(names.size(), csv.lines[0].size());
  EXPECT_EQ(names[0], "Feiertage");
  EXPECT_EQ(names[DayColumn(29)], "Karfreitag");
  EXPECT_EQ(names[DayColumn(28)], "");
  EXPECT_EQ(csv.lines[2][1], "Meier");
}

TEST_F(Csv, ScheduleHoursWithDecimalCommaAndBothCounts) {
  auto r = AddResource("Meier", "Rohbau");
  r->assignments = {Work(March(18), 450), Work(March(19), 450), Work(March(21), 480),
                    Work(March(22), 20)};
  const ChartTable table = Run(false);
  const CsvFile csv = ParseCsv(CsvText(table));
  ASSERT_EQ(csv.lines.size(), 2u);
  EXPECT_EQ(csv.lines[0][csv.lines[0].size() - 2], "Anzahl Arbeitstage");
  EXPECT_EQ(csv.lines[0].back(), "Anzahl Projektstunden");
  const auto& line = csv.lines[1];
  EXPECT_EQ(line[DayColumn(18)], "7,5");
  EXPECT_EQ(line[DayColumn(19)], "7,5");
  EXPECT_EQ(line[DayColumn(20)], "");  // no work inside the bar
  EXPECT_EQ(line[DayColumn(21)], "8");
  EXPECT_EQ(line[DayColumn(22)], "0,33");
  EXPECT_EQ(line[line.size() - 2], "4");
  EXPECT_EQ(line.back(), "23,33");
}

TEST_F(Csv, DatesAndNumbersAsTheUsersRegionWritesThem) {
  RegionalSettings::SetCurrent(*RegionalSettings::ForName("en-GB"));
  auto r = AddResource("Meier", "Rohbau");
  r->assignments = {Work(March(18), 450)};
  auto& e = Engine();
  e.lngPlanType = 0;
  e.lngPlanDuration = 2;
  e.varPlanDurationStart = std::string("01/03/2024");
  e.varPlanDurationFinish = std::string("31/03/2024");
  e.ExportChart();
  const CsvFile csv = ParseCsv(CsvText(ReadChartTable(e, "Bau", e.strChartPath)));
  RegionalSettings::SetCurrent(RegionalSettings::German());
  ASSERT_EQ(csv.lines.size(), 2u);
  EXPECT_EQ(csv.lines[0][DayColumn(18)], "18/03/2024");
  EXPECT_EQ(csv.lines[1][DayColumn(18)], "7.5");
  EXPECT_EQ(csv.lines[1].back(), "7.5");
}

TEST_F(Csv, NamesWithSeparatorsQuotesUmlautsAndFormulas) {
  auto a = AddResource("Jörg \"Jogi\" Weiß", "Bau; Süd");
  a->calendar->exceptions = {DaysOff(March(4), March(4))};
  AddResource("=SUMME(A1:A9)", "Ausbau");
  AddResource(" Leer ", "Zeile\r\nzwei");
  const std::string text = CsvText(Run(true));
  EXPECT_NE(text.find("\r\n\"Bau; Süd\";\"Jörg \"\"Jogi\"\" Weiß\";"), std::string::npos);

  const CsvFile csv = ParseCsv(text);
  ASSERT_EQ(csv.lines.size(), 4u);
  EXPECT_EQ(csv.lines[1][0], "Bau; Süd");
  EXPECT_EQ(csv.lines[1][1], "Jörg \"Jogi\" Weiß");
  EXPECT_EQ(csv.lines[1][DayColumn(4)], "U");
  // A spreadsheet must not run a resource name as a formula.
  EXPECT_EQ(csv.lines[2][1], "'=SUMME(A1:A9)");
  EXPECT_EQ(csv.lines[3][0], "Zeile\r\nzwei");
  EXPECT_EQ(csv.lines[3][1], " Leer ");
  for (const auto& line : csv.lines) EXPECT_EQ(line.size(), 34u);
}

TEST_F(Csv, ResourceWithoutMarkedDaysHasAnEmptyRow) {
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(March(5), March(5))};
  AddResource("Bernd", "Planung");
  AddResource("Beton", "Material", 1);
  const CsvFile csv = ParseCsv(CsvText(Run(true)));
  ASSERT_EQ(csv.lines.size(), 4u);
  for (std::size_t row : {2u, 3u}) {
    const auto& line = csv.lines[row];
    for (int day = 1; day <= 31; ++day) EXPECT_EQ(line[DayColumn(day)], "") << line[1] << day;
    EXPECT_EQ(line.back(), "0");
  }
  EXPECT_EQ(csv.lines[2][1], "Bernd");
  EXPECT_EQ(csv.lines[3][1], "Beton");
}

TEST_F(Csv, LinesFollowTheChartOrder) {
  auto a = AddResource("Anna", "Planung");
  a->calendar->exceptions = {DaysOff(March(5), March(5))};
  AddResource("Bernd", "Elektro");  // no vacation: dropped with its group
  auto c = AddResource("Clara", "Elektro");
  c->calendar->exceptions = {DaysOff(March(6), March(6))};
  auto d = AddResource("Dora", "Planung");
  d->calendar->exceptions = {DaysOff(March(7), March(7))};

  const CsvFile grouped = ParseCsv(CsvText(Run(true, true, false)));
  ASSERT_EQ(grouped.lines.size(), 4u);
  EXPECT_EQ(grouped.lines[1][1], "Anna");
  EXPECT_EQ(grouped.lines[2][1], "Dora");
  EXPECT_EQ(grouped.lines[3][0], "Elektro");
  EXPECT_EQ(grouped.lines[3][1], "Clara");
}

TEST_F(Csv, UngroupedChartKeepsEveryResourceInReadingOrder) {
  AddResource("Anna", "Planung");
  auto b = AddResource("Bernd", "Elektro");
  b->calendar->exceptions = {DaysOff(March(6), March(6))};
  const CsvFile csv = ParseCsv(CsvText(Run(true, false, false)));
  ASSERT_EQ(csv.lines.size(), 3u);
  EXPECT_EQ(csv.lines[1][0], "Planung");  // its group, though the group has no row in the chart
  EXPECT_EQ(csv.lines[1][1], "Anna");
  EXPECT_EQ(csv.lines[2][1], "Bernd");
}

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(CsvField("Meier"), "Meier");
  EXPECT_EQ(CsvField("Müller-Lüdenscheidt"), "Müller-Lüdenscheidt");
  EXPECT_EQ(CsvField("a;b"), "\"a;b\"");
  EXPECT_EQ(CsvField("\"x\""), "\"\"\"x\"\"\"");
  EXPECT_EQ(CsvField("-Reserve"), "'-Reserve");
  EXPECT_EQ(CsvField("@home;x"), "\"'@home;x\"");
  EXPECT_EQ(CsvField(""), "");
}

}  // namespace
}  // namespace kx::exports::testing
