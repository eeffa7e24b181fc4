#include "chart/chart_view.hpp"

#include <gtest/gtest.h>

#include "chart/recording_host.hpp"

namespace kx::chart {
namespace {

using testing::RecordingHost;

std::string Text(const NamedArgs& a, int pos) {
  return std::get<std::string>(Arg(a, pos));
}

std::vector<std::string> TableFields(const RecordingHost& host) {
  std::vector<std::string> fields;
  for (const auto& c : host.CallsOf("EditTable"))
    fields.push_back(c.args.count(5) ? Text(c.args, 5) : Text(c.args, 6));
  return fields;
}

TEST(ChartView, VacationPlanGetsItsTableViewAndTitles) {
  RecordingHost host;
  ConfigureChartView(host, true, false);

  EXPECT_EQ(TableFields(host),
            (std::vector<std::string>{"Nr.", "Indikatoren", "Name", "Datum7", "Datum8", "Zahl14"}));
  const auto tables = host.CallsOf("EditTable");
  EXPECT_EQ(Text(tables[0].args, 0), "Urlaub");
  EXPECT_EQ(Arg(tables[0].args, 2), Value(true));  // the first column creates the table
  EXPECT_FALSE(tables[1].args.count(2));
  EXPECT_EQ(Arg(tables[0].args, 9), Value(std::int16_t{1}));  // "Nr." centred

  const auto titles = host.CallsOf("RenameCustomField");
  ASSERT_EQ(titles.size(), 3u);
  EXPECT_EQ(Arg(titles[0].args, 0), Value(kFieldNumber14));
  EXPECT_EQ(Text(titles[0].args, 1), "Anzahl Urlaubstage");
  EXPECT_EQ(Text(titles[1].args, 1), "Bereich von");
  EXPECT_EQ(Text(titles[2].args, 1), "Bereich bis");
  EXPECT_EQ(host.CallsOf("SetCustomFieldProperties").size(), 1u);

  const auto views = host.CallsOf("EditView");
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(Text(views[0].args, 0), "Balkendiagramm: Urlaub");
  EXPECT_EQ(Text(views[0].args, 6), "Urlaub");
  EXPECT_EQ(Text(views[0].args, 7), "Alle Vorgänge");
  EXPECT_EQ(Text(views[0].args, 8), "Ohne Gruppe");
  EXPECT_EQ(Text(host.CallsOf("ApplyView")[0].args, 0), "Balkendiagramm: Urlaub");
}

TEST(ChartView, ResourceScheduleHasSevenColumnsTheLastTwentyFourWide) {
  RecordingHost host;
  ConfigureChartView(host, false, true);
  const auto tables = host.CallsOf("EditTable");
  ASSERT_EQ(tables.size(), 7u);
  EXPECT_EQ(Text(tables[0].args, 0), "Ressourcendiagramm");
  EXPECT_EQ(Text(tables[6].args, 6), "Zahl16");
  EXPECT_EQ(Arg(tables[6].args, 8), Value(std::int16_t{24}));
  EXPECT_EQ(host.CallsOf("SetCustomFieldProperties").size(), 2u);
  EXPECT_EQ(Text(host.CallsOf("EditView")[0].args, 0), "Balkendiagramm: Ressourcen");
}

TEST(ChartView, FiveBarStylesAfterDeletingTheOldOnesThenTheFinalCommand) {
  RecordingHost host;
  ConfigureChartView(host, true, false);
  std::vector<std::string> order;
  for (const auto& c : host.calls)
    if (c.op == "DeleteBarStyles" || c.op == "EditBarStyle" || c.op == "FinalViewCommand")
      order.push_back(c.op == "EditBarStyle" ? Text(c.args, 2) : c.op);
  EXPECT_EQ(order,
            (std::vector<std::string>{"DeleteBarStyles", "Vorgang", "In Arbeit", "Rollup: Vorgang",
                                      "Projektsammelvorgang", "Gruppenkopf", "FinalViewCommand"}));
  const auto styles = host.CallsOf("EditBarStyle");
  EXPECT_EQ(Text(styles[0].args, 19), "Ressourcennamen");
  EXPECT_FALSE(styles[1].args.count(19));
  EXPECT_EQ(Arg(styles[3].args, 5), Value(std::int16_t{14}));  // grey start of the summary bar
  EXPECT_EQ(Text(styles[2].args, 12), "Normal;Rolled up;Nicht Sammelvorgang");
}

TEST(ChartView, FailingCallsAreSkippedAndTheRestFollows) {
  RecordingHost host;
  host.failing = {"EditTable", "EditView", "ApplyView", "EditBarStyle"};
  EXPECT_EQ(ConfigureChartView(host, true, false), 0);
  EXPECT_EQ(host.CallsOf("EditBarStyle").size(), 5u);
  EXPECT_EQ(host.CallsOf("FinalViewCommand").size(), 1u);
}

TEST(NeutralCalendar, SaturdayAndSundayBecomeWorkingDays) {
  RecordingHost host;
  CreateNeutralCalendar(host);
  ASSERT_EQ(host.calls.size(), 3u);
  EXPECT_EQ(Text(host.calls[0].args, 0), "KXNeutral");
  EXPECT_EQ(Arg(host.calls[1].args, 3), Value(std::int16_t{7}));
  EXPECT_EQ(Arg(host.calls[2].args, 3), Value(std::int16_t{1}));
  EXPECT_EQ(Arg(host.calls[2].args, 4), Value(true));
  EXPECT_EQ(Arg(host.calls[2].args, 11), Value(false));
}

TEST(ChartOptions, OneNamedArgumentPerOptionCall) {
  RecordingHost host;
  ApplyChartProjectOptions(host);
  const auto info = host.CallsOf("SetProjectInformation");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(Text(info[0].args, 12), "KXNeutral");
  EXPECT_EQ(host.CallsOf("SetViewOptions").size(), 8u);
  EXPECT_EQ(host.CallsOf("SetOptionGroupA").size(), 4u);
  EXPECT_EQ(host.CallsOf("SetOptionGroupB").size(), 10u);
  EXPECT_EQ(host.CallsOf("SetCalendarOptions").size(), 7u);
  EXPECT_EQ(host.CallsOf("SetOptionGroupC").size(), 10u);
  EXPECT_EQ(host.CallsOf("SetOptionGroupD").size(), 5u);
  for (const auto& c : host.calls) {
    if (c.op != "SetProjectInformation") {
      EXPECT_EQ(c.args.size(), 1u) << c.op;
    }
  }
  const auto cal = host.CallsOf("SetCalendarOptions");
  EXPECT_EQ(Text(cal[1].args, 2), "08:00");
  EXPECT_EQ(Arg(cal[3].args, 4), Value(8.0));
  EXPECT_EQ(Text(host.CallsOf("SetViewOptions")[2].args, 6), "€");
}

}  // namespace
}  // namespace kx::chart
