#include "projectxml/calendar_recurrence.hpp"

#include <gtest/gtest.h>

namespace kx::platform {
namespace {

std::vector<std::string> Days(const std::vector<CalendarException>& list) {
  std::vector<std::string> out;
  for (const auto& e : list)
    out.push_back(e.from == e.to ? FormatIsoDate(e.from)
                                 : FormatIsoDate(e.from) + ".." + FormatIsoDate(e.to));
  return out;
}

RecurringException Pattern(int type, Date from, std::optional<Date> to, int occurrences = 0) {
  RecurringException p;
  p.name = "Muster";
  p.type = type;
  p.from = from;
  p.to = to;
  p.occurrences = occurrences;
  p.enteredByOccurrences = occurrences > 0;
  return p;
}

using V = std::vector<std::string>;

TEST(CalendarRecurrence, DailyIsOneStretchUnlessItSkipsDays) {
  auto p = Pattern(1, DateSerial(2025, 8, 4), DateSerial(2025, 8, 15));
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)), V{"2025-08-04..2025-08-15"});
  p.occurrences = 3;
  p.enteredByOccurrences = true;
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)), V{"2025-08-04..2025-08-06"});
  p = Pattern(7, DateSerial(2000, 2, 1), DateSerial(2000, 2, 10), 4);
  p.period = 3;
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)),
            (V{"2000-02-01", "2000-02-04", "2000-02-07", "2000-02-10"}));
}

TEST(CalendarRecurrence, WeeksCountFromTheSundayBeforeTheFirstDay) {
  // Every seventh week on Sunday, from Monday 1 January 2001: the Sunday before lies outside the
  // range, so the first occurrence is seven weeks later.
  auto p = Pattern(6, DateSerial(2001, 1, 1), DateSerial(2002, 3, 17), 9);
  p.period = 7;
  p.daysOfWeek = 1;
  const auto days = Days(ExpandRecurrence(p, 100));
  ASSERT_EQ(days.size(), 9u);
  EXPECT_EQ(days.front(), "2001-02-18");
  EXPECT_EQ(days.back(), "2002-03-17");
  // Monday and Friday every week, two weeks long.
  p = Pattern(6, DateSerial(2025, 3, 5), DateSerial(2025, 3, 16));
  p.daysOfWeek = 2 | 32;
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)), (V{"2025-03-07", "2025-03-10", "2025-03-14"}));
}

TEST(CalendarRecurrence, MonthlyAndYearlyPatterns) {
  auto p = Pattern(5, DateSerial(2002, 1, 1), DateSerial(2005, 1, 28), 7);
  p.period = 6;
  p.monthItem = 8;      // Friday
  p.monthPosition = 4;  // last
  const auto last = Days(ExpandRecurrence(p, 100));
  ASSERT_EQ(last.size(), 7u);
  EXPECT_EQ(last[0], "2002-01-25");
  EXPECT_EQ(last[1], "2002-07-26");

  p = Pattern(4, DateSerial(2025, 1, 15), DateSerial(2025, 4, 30));
  p.monthDay = 31;  // months without a 31st take their last day
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)),
            (V{"2025-01-31", "2025-02-28", "2025-03-31", "2025-04-30"}));

  p = Pattern(2, DateSerial(2005, 1, 1), DateSerial(2007, 2, 1), 3);
  p.month = 1;  // February: months count from 0
  p.monthDay = 1;
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)), (V{"2005-02-01", "2006-02-01", "2007-02-01"}));

  p = Pattern(3, DateSerial(2020, 1, 1), DateSerial(2022, 12, 31));
  p.month = 10;         // November
  p.monthItem = 7;      // Thursday
  p.monthPosition = 3;  // fourth
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)), (V{"2020-11-26", "2021-11-25", "2022-11-24"}));

  p = Pattern(5, DateSerial(2025, 1, 1), DateSerial(2025, 3, 31));
  p.monthItem = 1;  // the first weekday of each month
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)), (V{"2025-01-01", "2025-02-03", "2025-03-03"}));
}

TEST(CalendarRecurrence, EveryNthWeekdayAndTheLimit) {
  auto p = Pattern(8, DateSerial(2025, 3, 7), std::nullopt, 3);  // from a Friday
  p.period = 2;
  EXPECT_EQ(Days(ExpandRecurrence(p, 100)), (V{"2025-03-07", "2025-03-11", "2025-03-13"}));

  p = Pattern(6, DateSerial(1900, 1, 1), DateSerial(9999, 12, 31));
  p.daysOfWeek = 127;
  bool truncated = false;
  EXPECT_EQ(ExpandRecurrence(p, 1000, &truncated).size(), 1000u);
  EXPECT_TRUE(truncated);

  // Only days inside the window are kept, but the days before it still count.
  p = Pattern(6, DateSerial(1000, 1, 1), DateSerial(9105, 2, 13));
  p.daysOfWeek = 4;
  p.period = 2;
  const DayWindow window{DateSerial(1900, 1, 1), DateSerial(2099, 12, 31)};
  const auto kept = ExpandRecurrence(p, 100000, &truncated, window);
  EXPECT_FALSE(truncated);
  EXPECT_EQ(kept.size(), 5218u);  // every other Tuesday of two hundred years
  EXPECT_GE(kept.front().from, window.from);
  EXPECT_LE(kept.back().from, window.to);
  p = Pattern(6, DateSerial(1899, 12, 1), DateSerial(1999, 1, 1), 3);
  EXPECT_TRUE(ExpandRecurrence(p, 100, nullptr, window).empty());  // all three in 1899

  p = Pattern(6, DateSerial(2025, 1, 1), DateSerial(2024, 1, 1));  // ends before it starts
  EXPECT_TRUE(ExpandRecurrence(p, 100).empty());
}

TEST(CalendarRecurrence, WorkingOccurrencesKeepTheirTimes) {
  auto p = Pattern(5, DateSerial(2010, 1, 1), DateSerial(2010, 3, 6), 3);
  p.monthItem = 9;  // Saturday
  p.working = true;
  p.times = {{9.0 / 24, 13.0 / 24}, {14.0 / 24, 17.0 / 24}};
  const auto list = ExpandRecurrence(p, 100);
  EXPECT_EQ(Days(list), (V{"2010-01-02", "2010-02-06", "2010-03-06"}));
  for (const auto& e : list) {
    EXPECT_TRUE(e.working);
    EXPECT_EQ(e.times, p.times);
    EXPECT_EQ(e.name, "Muster");
  }
}

}  // namespace
}  // namespace kx::platform
