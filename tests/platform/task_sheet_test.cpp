#include <gtest/gtest.h>

#include "platform/host_objects.hpp"
#include "platform/planning_host.hpp"
#include "platform_fixture.hpp"
#include "support/regional.hpp"

namespace kx::platform {
namespace {

using testing::ErrorOf;
using testing::UseSevenDayCalendar;

class TaskSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    RegionalSettings::SetCurrent(RegionalSettings::German());
    host_.CreateNewProject();
    data_ = host_.ActiveData();
    data_->start = DateTimeSerial(2024, 3, 18, 8, 0);  // a Monday
  }
  void Type(long row, const std::string& field, const std::string& value) {
    host_.GetActiveView().SelectTaskCell(row, "Name", false);
    host_.GetActiveView().SetTaskField(field, value);
  }
  TaskData& Row(long row) { return *data_->tasks.at(static_cast<std::size_t>(row - 1)); }

  PlanningHost host_;
  std::shared_ptr<ProjectData> data_;
};

TEST_F(TaskSheet, TypingIntoRowNMakesTaskN) {
  Type(3, "Name", "Dritte");
  Type(1, "Name", "Erste");
  host::Tasks& tasks = host_.GetActiveProject()->GetProjectTasks();
  EXPECT_EQ(tasks.Count(), 3);
  EXPECT_EQ(Row(1).name, "Erste");
  EXPECT_EQ(Row(1).id, 1);
  EXPECT_EQ(Row(3).id, 3);
  EXPECT_NE(Row(1).uid, Row(3).uid);
  // A new task starts on the project start at 08:00 and lasts one day.
  EXPECT_EQ(Row(1).start, DateTimeSerial(2024, 3, 18, 8, 0));
  EXPECT_EQ(Row(1).durationMinutes, 480.0);
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 18, 17, 0));
  EXPECT_EQ(tasks.Item(3)->GetTaskDuration(), 480.0);
  EXPECT_EQ(ErrorOf([&] { tasks.Item(2); }), host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { tasks.Item(4); }), host::kErrNotFound);

  // Relative selection moves from the current row.
  host_.GetActiveView().SelectTaskCell(1, "Name", false);
  host_.GetActiveView().SelectTaskCell(1, "Name", true);
  host_.GetActiveView().SetTaskField("Name", "Zweite");
  EXPECT_EQ(Row(2).name, "Zweite");
}

TEST_F(TaskSheet, FieldsAreReadInTheRegionalSettings) {
  Type(1, "Name", "Bau");
  Type(1, "Anfang", "19.03.2024");
  Type(1, "Dauer", "2,5 t");
  Type(1, "Datum7", "01.01.2024");
  Type(1, "Zahl16", "38,5");
  Type(1, "Balken ausblenden", "Ja");
  Type(1, "Rollup", "Nein");
  EXPECT_EQ(Row(1).start, DateTimeSerial(2024, 3, 19, 8, 0));  // a date alone: at 08:00
  EXPECT_EQ(Row(1).durationMinutes, 1200.0);
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 21, 12, 0));
  EXPECT_EQ(Row(1).dates.at("Datum7"), DateSerial(2024, 1, 1));
  EXPECT_EQ(Row(1).numbers.at("Zahl16"), 38.5);
  EXPECT_TRUE(Row(1).hiddenBar);
  EXPECT_FALSE(Row(1).rollup);
  Type(1, "Dauer", "0");
  EXPECT_EQ(Row(1).durationMinutes, 0.0);
  EXPECT_EQ(Row(1).finish, Row(1).start);

  host_.GetActiveView().FormatTaskBar(1, 16);
  EXPECT_EQ(Row(1).barColour, 16);
  EXPECT_EQ(ErrorOf([&] { host_.GetActiveView().FormatTaskBar(2, 1); }), host::kErrNotFound);
}

TEST_F(TaskSheet, UnknownFieldsAndUnreadableValuesThrowAndCreateNothing) {
  try {
    Type(1, "Farbe", "Rot");
    FAIL() << "no error";
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.number(), host::kErrInvalidArgument);
    EXPECT_NE(e.description().find("\"Farbe\""), std::string::npos);
    EXPECT_NE(e.description().find("\"Rot\""), std::string::npos);
  }
  EXPECT_TRUE(data_->tasks.empty());
  for (const auto& [field, value] :
       std::vector<std::pair<std::string, std::string>>{{"Dauer", "fünf"},
                                                        {"Dauer", "-1 t"},
                                                        {"Anfang", "32.13.2024"},
                                                        {"Zahl14", "4.5x"},
                                                        {"Gliederungsebene", "0"},
                                                        {"Gliederungsebene", "10"},
                                                        {"Zahl21", "1"},
                                                        {"Rollup", "vielleicht"}}) {
    EXPECT_EQ(ErrorOf([&] { Type(1, field, value); }), host::kErrInvalidArgument)
        << field << " " << value;
  }
  EXPECT_TRUE(data_->tasks.empty());
}

// A new row takes its row number as UID unless a row has that already; then one above all UIDs.
// The sheet keeps the UIDs in use between rows: rows given back or put in place without it must
// not leave a UID counted twice or a free one counted as taken.
TEST_F(TaskSheet, ANewRowTakesAFreeUidWhateverChangedTheRowsBefore) {
  Type(3, "Name", "Dritte");
  Type(1, "Name", "Erste");
  Type(2, "Name", "Zweite");
  EXPECT_EQ(Row(1).uid, 1);
  EXPECT_EQ(Row(2).uid, 2);
  EXPECT_EQ(Row(3).uid, 3);

  // A row put in place without the sheet, holding the UID a later row would take.
  auto placed = std::make_shared<TaskData>();
  placed->id = 4;
  placed->uid = 6;
  data_->tasks.push_back(placed);
  Type(6, "Name", "Sechste");
  EXPECT_EQ(Row(6).uid, 7);
  Type(5, "Name", "Fünfte");
  EXPECT_EQ(Row(5).uid, 5);

  // A new row whose value fails is given back, and its UID with it: at the end and in between.
  EXPECT_EQ(ErrorOf([&] { Type(8, "Ende", "01.01.2000"); }), host::kErrInvalidArgument);
  EXPECT_EQ(data_->tasks.size(), 6u);
  Type(9, "Name", "Neunte");
  EXPECT_EQ(Row(9).uid, 9);
  EXPECT_EQ(ErrorOf([&] { Type(8, "Ende", "01.01.2000"); }), host::kErrInvalidArgument);
  EXPECT_EQ(data_->tasks.size(), 9u);
  Type(8, "Name", "Achte");
  EXPECT_EQ(Row(8).uid, 8);
  Type(7, "Name", "Siebte");  // 7 is the sixth row's
  EXPECT_EQ(Row(7).uid, 10);

  // Rows whose UIDs were changed without the sheet, as the sheet is told.
  Row(1).uid = 20;
  data_->taskUids.current = false;
  Type(20, "Name", "Zwanzigste");
  EXPECT_EQ(Row(20).uid, 21);
}

TEST_F(TaskSheet, ALevelTwoRowUnderALevelOneRowMakesItASummary) {
  UseSevenDayCalendar(host_);
  Type(1, "Name", "Bau");
  Type(1, "Gliederungsebene", "1");
  Type(2, "Name", "Anna");
  Type(2, "Anfang", "20.03.2024");
  Type(2, "Dauer", "3 t");
  Type(2, "Gliederungsebene", "2");
  Type(3, "Name", "Bernd");
  Type(3, "Anfang", "18.03.2024");
  Type(3, "Dauer", "1 t");
  Type(3, "Gliederungsebene", "2");
  Type(4, "Name", "Büro");
  Type(4, "Gliederungsebene", "1");

  EXPECT_TRUE(Row(1).summary);
  EXPECT_FALSE(Row(2).summary);
  EXPECT_FALSE(Row(4).summary);
  EXPECT_EQ(Row(1).start, DateTimeSerial(2024, 3, 18, 8, 0));
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 22, 17, 0));
  EXPECT_EQ(Row(1).durationMinutes, 5 * 480.0);

  // A child's later change moves the summary with it.
  host_.GetActiveProject()->GetProjectTasks().Item(2)->SetTaskDuration(480.0);
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 20, 17, 0));
  EXPECT_EQ(
      ErrorOf([&] { host_.GetActiveProject()->GetProjectTasks().Item(1)->SetTaskDuration(1); }),
      host::kErrNotAvailable);

  // Outdenting the children ends the summary.
  Type(2, "Gliederungsebene", "1");
  Type(3, "Gliederungsebene", "1");
  EXPECT_FALSE(Row(1).summary);
}

// A change passes only the level-1 block around its row; a pass over all rows afterwards must
// then find nothing left to change, whatever the rows went through.
TEST_F(TaskSheet, AChangeLeavesTheOutlineAsAPassOverAllRowsWould) {
  auto outlineSettled = [&](const std::string& step) {
    ProjectData copy = *data_;
    for (auto& t : copy.tasks)
      if (t != nullptr) t = std::make_shared<TaskData>(*t);
    detail::RefreshOutline(copy);
    for (std::size_t i = 0; i < copy.tasks.size(); ++i) {
      const auto& a = data_->tasks[i];
      const auto& b = copy.tasks[i];
      ASSERT_EQ(a == nullptr, b == nullptr) << step;
      if (a == nullptr) continue;
      EXPECT_EQ(a->summary, b->summary) << step << ", Zeile " << i + 1;
      EXPECT_EQ(a->start, b->start) << step << ", Zeile " << i + 1;
      EXPECT_EQ(a->finish, b->finish) << step << ", Zeile " << i + 1;
      EXPECT_EQ(a->durationMinutes, b->durationMinutes) << step << ", Zeile " << i + 1;
      EXPECT_EQ(a->gaps, b->gaps) << step << ", Zeile " << i + 1;
    }
  };
  auto task = [&](long row) { return host_.GetActiveProject()->GetProjectTasks().Item(row); };
  const auto at8 = [](int day) { return Value(DateTimeSerial(2024, 3, day, 8, 0)); };
  // Two groups of rows, typed in as a chart is.
  for (long row : {1L, 5L}) {
    Type(row, "Name", row == 1 ? "Bau" : "Büro");
    Type(row, "Gliederungsebene", "1");
    for (long k = 1; k <= 3; ++k) {
      Type(row + k, "Name", "Person " + std::to_string(row + k));
      Type(row + k, "Anfang", std::to_string(18 + k) + ".03.2024");
      Type(row + k, "Dauer", std::to_string(2 + row + k) + " t");
      task(row + k)->SplitTask(at8(25), at8(26));
      task(row + k)->SetTaskDuration(task(row + k)->GetTaskDuration() - 480.0);
      Type(row + k, "Gliederungsebene", "2");
      Type(row + k, "Zahl14", "1");
      outlineSettled("Zeile " + std::to_string(row + k));
    }
  }
  // Rows moved out of their group and back, deeper, a group's last row lengthened.
  Type(3, "Gliederungsebene", "1");
  outlineSettled("Zeile 3 auf Ebene 1");
  Type(3, "Gliederungsebene", "3");
  outlineSettled("Zeile 3 auf Ebene 3");
  Type(2, "Gliederungsebene", "1");
  outlineSettled("Zeile 2 auf Ebene 1");
  Type(5, "Gliederungsebene", "2");
  outlineSettled("Zeile 5 auf Ebene 2");
  task(8)->SetTaskDuration(20 * 480.0);
  outlineSettled("Zeile 8 länger");
  task(8)->SplitTask(at8(27), at8(29));
  outlineSettled("Zeile 8 unterbrochen");
  // A row typed in below an empty row, then the empty row filled in.
  Type(10, "Name", "Später");
  Type(10, "Gliederungsebene", "2");
  outlineSettled("Zeile 10");
  Type(9, "Name", "Dazwischen");
  outlineSettled("Zeile 9");
  Type(9, "Gliederungsebene", "1");
  outlineSettled("Zeile 9 auf Ebene 1");
  EXPECT_TRUE(Row(9).summary);
  EXPECT_FALSE(Row(10).summary);
}

TEST_F(TaskSheet, SplitMovesTheFinishAndShorteningBringsItBack) {
  UseSevenDayCalendar(host_);
  Type(1, "Name", "Anna");
  Type(1, "Anfang", "18.03.2024");  // Monday
  Type(1, "Dauer", "5 t");
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 22, 17, 0));

  host::Tasks& tasks = host_.GetActiveProject()->GetProjectTasks();
  tasks.Item(1)->SplitTask(std::string("21.03.2024 08:00"), std::string("22.03.2024 08:00"));
  EXPECT_EQ(tasks.Item(1)->GetTaskDuration(), 2400.0);
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 23, 17, 0));  // on to Saturday

  auto t = tasks.Item(1);
  t->SetTaskDuration(t->GetTaskDuration() - 480);
  EXPECT_EQ(Row(1).start, DateTimeSerial(2024, 3, 18, 8, 0));
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 22, 17, 0));
  ASSERT_EQ(Row(1).gaps.size(), 1u);
  EXPECT_EQ(Row(1).gaps[0].first, DateTimeSerial(2024, 3, 21, 8, 0));
  EXPECT_EQ(Row(1).gaps[0].second, DateTimeSerial(2024, 3, 22, 8, 0));
  EXPECT_EQ(Row(1).durationMinutes, 1920.0);
}

TEST_F(TaskSheet, AdjacentSplitsMergeIntoOneGap) {
  UseSevenDayCalendar(host_);
  Type(1, "Anfang", "18.03.2024");
  Type(1, "Dauer", "10 t");  // to Wednesday 27.03.
  host::Tasks& tasks = host_.GetActiveProject()->GetProjectTasks();
  for (int day : {19, 20, 22}) {  // Tuesday, Wednesday, Friday
    auto t = tasks.Item(1);
    t->SplitTask(DateTimeSerial(2024, 3, day, 8, 0), DateTimeSerial(2024, 3, day + 1, 8, 0));
    t->SetTaskDuration(t->GetTaskDuration() - 480);
  }
  ASSERT_EQ(Row(1).gaps.size(), 2u);
  EXPECT_EQ(Row(1).gaps[0].first, DateTimeSerial(2024, 3, 19, 8, 0));
  EXPECT_EQ(Row(1).gaps[0].second, DateTimeSerial(2024, 3, 21, 8, 0));
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 27, 17, 0));
  EXPECT_EQ(Row(1).durationMinutes, 7 * 480.0);
  EXPECT_EQ(ErrorOf([&] { tasks.Item(1)->SplitTask(std::string("kein Datum"), 0.0); }),
            host::kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] {
              tasks.Item(1)->SplitTask(DateTimeSerial(2024, 3, 25, 8, 0),
                                       DateTimeSerial(2024, 3, 24, 8, 0));
            }),
            host::kErrInvalidArgument);
}

TEST_F(TaskSheet, ShorteningDropsTheGapsBehindTheNewFinishOnly) {
  UseSevenDayCalendar(host_);
  Type(1, "Anfang", "18.03.2024");
  Type(1, "Dauer", "10 t");
  host::Tasks& tasks = host_.GetActiveProject()->GetProjectTasks();
  for (int day : {19, 21, 23}) tasks.Item(1)->SplitTask(DateTimeSerial(2024, 3, day, 8, 0),
                                                        DateTimeSerial(2024, 3, day + 1, 8, 0));
  ASSERT_EQ(Row(1).gaps.size(), 3u);
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 30, 17, 0));

  tasks.Item(1)->SetTaskDuration(2 * 480.0);  // Monday and Wednesday
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 20, 17, 0));
  ASSERT_EQ(Row(1).gaps.size(), 1u);
  EXPECT_EQ(Row(1).gaps[0].first, DateTimeSerial(2024, 3, 19, 8, 0));
  EXPECT_EQ(Row(1).gaps[0].second, DateTimeSerial(2024, 3, 20, 8, 0));

  // The dropped gaps stay dropped when the bar grows again.
  tasks.Item(1)->SetTaskDuration(10 * 480.0);
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 28, 17, 0));
  EXPECT_EQ(Row(1).gaps.size(), 1u);

  tasks.Item(1)->SetTaskDuration(0.0);
  EXPECT_EQ(Row(1).finish, Row(1).start);
  EXPECT_TRUE(Row(1).gaps.empty());
}

TEST_F(TaskSheet, AFailedSplitLeavesTheGapsAsTheyWere) {
  Type(1, "Anfang", "18.03.2024");  // Monday
  Type(1, "Dauer", "2 t");
  host::Tasks& tasks = host_.GetActiveProject()->GetProjectTasks();
  tasks.Item(1)->SplitTask(DateTimeSerial(2024, 3, 19, 12, 0), DateTimeSerial(2024, 3, 19, 13, 0));
  const auto gaps = Row(1).gaps;
  ASSERT_EQ(gaps.size(), 1u);
  const Date finish = Row(1).finish;
  EXPECT_EQ(finish, DateTimeSerial(2024, 3, 19, 17, 0));

  // No working time after the bar: the time a split takes cannot be made up.
  CalendarException off;
  off.from = DateSerial(2024, 3, 20);
  off.to = DateSerial(2150, 12, 31);
  data_->ProjectCalendar()->exceptions = {off};
  EXPECT_EQ(ErrorOf([&] {
              tasks.Item(1)->SplitTask(DateTimeSerial(2024, 3, 18, 10, 0),
                                       DateTimeSerial(2024, 3, 19, 12, 30));
            }),
            host::kErrInvalidArgument);
  EXPECT_EQ(Row(1).gaps, gaps);
  EXPECT_EQ(Row(1).finish, finish);
}

TEST_F(TaskSheet, TheStandardCalendarSkipsTheWeekend) {
  Type(1, "Anfang", "22.03.2024");  // Friday
  Type(1, "Dauer", "2 t");
  EXPECT_EQ(Row(1).finish, DateTimeSerial(2024, 3, 25, 17, 0));  // Monday
  Type(2, "Anfang", "23.03.2024");                               // Saturday: work starts on Monday
  EXPECT_EQ(Row(2).start, DateTimeSerial(2024, 3, 25, 8, 0));
}

TEST_F(TaskSheet, TheTaskSheetNeedsATaskView) {
  host_.GetActiveView().ApplyView("Ressource: Tabelle");
  EXPECT_EQ(ErrorOf([&] { host_.GetActiveView().SetTaskField("Name", "X"); }),
            host::kErrNotAvailable);
  host_.GetActiveView().ApplyView("Balkendiagramm (Gantt)");
  EXPECT_EQ(ErrorOf([&] { host_.GetActiveView().SelectTaskCell(1, "Zahl99", false); }),
            host::kErrNotFound);
  EXPECT_EQ(ErrorOf([&] { host_.GetActiveView().SelectTaskCell(0, "Name", false); }),
            host::kErrInvalidArgument);
}

TEST(CalendarDaysWalk, StretchesOfADayGetTheMinutesOfEachOwnDay) {
  CalendarData cal;
  cal.name = "Standard";
  // Wednesday 20.03.2024 off, Thursday 21.03.2024 from 8 to 12 only.
  CalendarException off;
  off.from = DateSerial(2024, 3, 20);
  off.to = DateSerial(2024, 3, 20);
  CalendarException half;
  half.from = DateSerial(2024, 3, 21);
  half.to = DateSerial(2024, 3, 21);
  half.working = true;
  half.times = {{8.0 / 24.0, 12.0 / 24.0}};
  cal.exceptions = {off, half};

  detail::CalendarDays days(&cal);
  std::vector<double> minutes;
  // Stretches from 10:00 to 10:00, Monday 18.03. to Monday 25.03.
  for (Date a = DateTimeSerial(2024, 3, 18, 10, 0); a < DateTimeSerial(2024, 3, 25, 10, 0);) {
    const Date b(a.serial + 1.0);
    minutes.push_back(detail::WorkBetween(days, a, b));
    EXPECT_EQ(minutes.back(), detail::WorkBetween(&cal, a, b)) << FormatDateTime(a);
    a = b;
  }
  // Mo 10-17 and Tu 8-10; Tu 10-17; Th 8-10; Th 10-12 and Fr 8-10; Fr 10-17; the weekend;
  // Mo 8-10 (the host default week around the two exceptions).
  const std::vector<double> expected = {480.0, 360.0, 120.0, 240.0, 360.0, 0.0, 120.0};
  EXPECT_EQ(minutes, expected);

  // Going back to an earlier day looks it up again.
  EXPECT_EQ(detail::WorkBetween(days, DateSerial(2024, 3, 20), DateSerial(2024, 3, 21)), 0.0);
  EXPECT_EQ(detail::WorkBetween(days, DateSerial(2024, 3, 19), DateSerial(2024, 3, 20)), 480.0);
  EXPECT_EQ(detail::WorkBetween(days, DateSerial(2024, 3, 21), DateSerial(2024, 3, 22)), 240.0);

  // Work in a span: none on the day off and over Thursday afternoon, a second before noon.
  EXPECT_FALSE(detail::HasWorkBetween(days, DateSerial(2024, 3, 20), DateSerial(2024, 3, 21)));
  EXPECT_FALSE(detail::HasWorkBetween(days, DateTimeSerial(2024, 3, 21, 12, 0),
                                      DateTimeSerial(2024, 3, 22, 8, 0)));
  EXPECT_TRUE(detail::HasWorkBetween(days, DateTimeSerial(2024, 3, 21, 11, 59, 59),
                                     DateTimeSerial(2024, 3, 22, 8, 0)));
  EXPECT_TRUE(detail::HasWorkBetween(days, DateTimeSerial(2024, 3, 20, 10, 0),
                                     DateTimeSerial(2024, 3, 25, 10, 0)));
  EXPECT_FALSE(detail::HasWorkBetween(days, DateSerial(2024, 3, 23), DateSerial(2024, 3, 23)));
}

}  // namespace
}  // namespace kx::platform
