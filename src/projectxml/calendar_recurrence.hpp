#pragma once
// Calendar exceptions that repeat (daily, weekly, monthly, yearly, every n days) as Project XML
// stores them, and their expansion into the single occurrences the model keeps.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "model/model.hpp"

namespace kx::platform {

enum class RecurrenceType : int {
  kDaily = 1,
  kYearlyByDay = 2,
  kYearlyByPosition = 3,
  kMonthlyByDay = 4,
  kMonthlyByPosition = 5,
  kWeekly = 6,
  kByDayCount = 7,
  kByWeekdayCount = 8,
};

// One exception as the file describes it. Months count from 0 (January); month items are
// 0 day, 1 weekday, 2 weekend day, 3 Sunday ... 9 Saturday; positions 0 to 3 first to fourth,
// 4 last; days of the week are bits, 1 Sunday ... 64 Saturday.
struct RecurringException {
  std::string name;
  Date from;               // first day of the range
  std::optional<Date> to;  // last day of the range
  int occurrences = 0;     // 0: not given
  bool enteredByOccurrences = false;
  int type = 1;
  int period = 1;
  int daysOfWeek = 0;
  int monthItem = 0;
  int monthPosition = 0;
  int month = 0;
  int monthDay = 1;
  bool working = false;
  WorkingTimes times;
};

// Days from `from` to `to`, both included.
struct DayWindow {
  Date from = DateSerial(1, 1, 1);
  Date to = DateSerial(9999, 12, 31);
};

// Returns the occurrences in date order, at most `limit` of them (`truncated` tells whether more
// would have followed). A daily pattern without a step gives one exception over the whole range;
// every other pattern gives one exception per day on which it falls, of which only those inside
// `keep` are returned (the others still count as occurrences).
std::vector<CalendarException> ExpandRecurrence(const RecurringException& pattern,
                                                std::size_t limit, bool* truncated = nullptr,
                                                const DayWindow& keep = {});

}  // namespace kx::platform
