#include "gantt/time_scale.hpp"

#include <gtest/gtest.h>

namespace kx::gantt {
namespace {

Day D(int y, int m, int d) {
  return DayOf(DateSerial(y, m, d));
}

// Six units a character, so "30" is 12 wide.
double Width(const std::string& s) {
  double n = 0;
  for (unsigned char c : s) n += (c & 0xC0) == 0x80 ? 0 : 6;  // one unit per character
  return n;
}

std::vector<std::string> Labels(const TimeTier& tier) {
  std::vector<std::string> out;
  for (const auto& c : tier.cells) out.push_back(c.label);
  return out;
}

TEST(TimeScaleTest, CalendarWeeksFollowIso8601) {
  EXPECT_EQ(CalendarWeek(D(2025, 1, 1)), 1);
  EXPECT_EQ(CalendarWeek(D(2024, 12, 30)), 1);  // a Monday of the week that holds 2 January 2025
  EXPECT_EQ(CalendarWeek(D(2021, 1, 3)), 53);   // a Sunday still in 2020's last week
  EXPECT_EQ(CalendarWeek(D(2026, 12, 31)), 53);
  EXPECT_EQ(CalendarWeek(D(2025, 12, 29)), 1);
  EXPECT_EQ(IsoWeekday(D(2025, 3, 3)), 1);
  EXPECT_EQ(IsoWeekday(D(2025, 3, 9)), 7);
}

TEST(TimeScaleTest, WideDaysShowMonthsOverDayNumbers) {
  const TimeScale s({D(2025, 2, 27), D(2025, 3, 2)}, 20, Width);
  ASSERT_EQ(s.Tiers().size(), 2u);
  EXPECT_EQ(s.Tiers()[0].unit, TimeUnit::Months);
  EXPECT_EQ(s.Tiers()[1].unit, TimeUnit::Days);
  EXPECT_EQ(Labels(s.Tiers()[1]), (std::vector<std::string>{"27", "28", "1", "2"}));
  // Two days are 40 wide: room for a short month name, not for the year.
  EXPECT_EQ(Labels(s.Tiers()[0]), (std::vector<std::string>{"Feb.", "März"}));
  const TimeScale tight({D(2025, 2, 28), D(2025, 3, 1)}, 14, Width);
  EXPECT_EQ(Labels(tight.Tiers()[0]), (std::vector<std::string>{"F", "M"}));
  EXPECT_DOUBLE_EQ(s.Width(), 80);
  EXPECT_DOUBLE_EQ(s.X(D(2025, 3, 1)), 40);
}

TEST(TimeScaleTest, MonthLabelsShortenToTheRoomTheyHave) {
  const TimeScale wide({D(2025, 3, 1), D(2025, 3, 31)}, 20, Width);
  EXPECT_EQ(Labels(wide.Tiers()[0]), (std::vector<std::string>{"März 2025"}));
  const TimeScale narrow({D(2025, 3, 1), D(2025, 3, 31)}, 2.2, Width);
  EXPECT_EQ(narrow.Tiers()[0].unit, TimeUnit::Years);
  EXPECT_EQ(Labels(narrow.Tiers()[1]), (std::vector<std::string>{"März"}));
}

TEST(TimeScaleTest, MiddleWidthsShowCalendarWeeks) {
  const TimeScale s({D(2025, 3, 1), D(2025, 3, 31)}, 6, Width);
  EXPECT_EQ(s.Tiers()[1].unit, TimeUnit::Weeks);
  // Saturday 1 March starts inside week 9, whose two days hold only its number; the weeks
  // then run Monday to Sunday, and Monday 31 March has no room for a label.
  EXPECT_EQ(Labels(s.Tiers()[1]),
            (std::vector<std::string>{"9", "KW 10", "KW 11", "KW 12", "KW 13", ""}));
  EXPECT_EQ(s.Tiers()[1].cells[1].span, (DaySpan{D(2025, 3, 3), D(2025, 3, 9)}));
  EXPECT_EQ(s.Tiers()[1].cells.back().span, (DaySpan{D(2025, 3, 31), D(2025, 3, 31)}));
}

TEST(TimeScaleTest, NarrowDaysShowYearsOverMonths) {
  const TimeScale s({D(2024, 11, 1), D(2025, 2, 28)}, 1, Width);
  EXPECT_EQ(s.Tiers()[0].unit, TimeUnit::Years);
  EXPECT_EQ(Labels(s.Tiers()[0]), (std::vector<std::string>{"2024", "2025"}));
  EXPECT_EQ(Labels(s.Tiers()[1]), (std::vector<std::string>{"Nov.", "Dez.", "Jan.", "Feb."}));
}

TEST(TimeScaleTest, TiersCoverThePeriodWithoutHolesOrOverlaps) {
  for (double w : {0.5, 3.0, 9.0, 25.0}) {
    const DaySpan period{D(2024, 2, 20), D(2025, 4, 7)};
    const TimeScale s(period, w, Width);
    for (const auto& tier : s.Tiers()) {
      ASSERT_FALSE(tier.cells.empty());
      EXPECT_EQ(tier.cells.front().span.first, period.first);
      EXPECT_EQ(tier.cells.back().span.last, period.last);
      for (std::size_t i = 1; i < tier.cells.size(); ++i) {
        EXPECT_EQ(tier.cells[i].span.first, tier.cells[i - 1].span.last + 1) << w;
      }
      for (const auto& c : tier.cells) {
        const double room = w * static_cast<double>(c.span.last - c.span.first + 1);
        EXPECT_LE(Width(c.label), room) << c.label;
      }
    }
  }
}

TEST(TimeScaleTest, ABrokenPeriodOrWidthStillGivesAScale) {
  const TimeScale s({D(2025, 3, 5), D(2025, 3, 1)}, 0, Width);
  EXPECT_EQ(s.Period().first, s.Period().last);
  EXPECT_GT(s.DayWidth(), 0);
  EXPECT_EQ(s.Tiers().size(), 2u);
}

TEST(TimeScaleTest, NaturalWidthsKeepLongPeriodsDrawable) {
  EXPECT_GE(NaturalDayWidth({D(2025, 1, 1), D(2025, 12, 31)}), 16);
  EXPECT_LT(NaturalDayWidth({D(2020, 1, 1), D(2049, 12, 31)}) * 30 * 366, 20000);
}

}  // namespace
}  // namespace kx::gantt
