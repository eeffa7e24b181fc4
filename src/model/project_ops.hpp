#pragma once
// What the host objects do to the in-memory model: working-time arithmetic, the work of a
// resource day by day, the task sheet, definitions and filters.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/host.hpp"
#include "model/model.hpp"

namespace kx::platform::detail {

using Gaps = std::vector<std::pair<Date, Date>>;

// Throws HostError(number, text).
[[noreturn]] void Fail(std::int32_t number, std::string text);
// Returns the value as a date; throws kErrInvalidArgument naming `what` when it is none.
Date RequireDate(const Value& value, std::string_view what);
// Returns the text in quotes: "X" -> "\"X\"".
std::string Quoted(const std::string& text);

// ---- working time (calendar null: the host default week) ----

// Working minutes of the calendar in [from, to), without the moments inside `gaps`.
double WorkBetween(const CalendarData* cal, Date from, Date to, const Gaps* gaps = nullptr);
// Returns the earliest moment at which `minutes` of working time after `from` are used up.
// Throws kErrInvalidArgument when the calendar has no working time for a hundred years.
Date AdvanceWork(const CalendarData* cal, Date from, double minutes, const Gaps* gaps = nullptr);
// Returns the earliest moment m >= `floor` with `minutes` less working time in [floor, m) than
// in [floor, end); `floor` when nothing is left.
Date RetreatWork(const CalendarData* cal, Date end, double minutes, Date floor,
                 const Gaps* gaps = nullptr);
// Returns the first working moment at or after `at`, or nullopt within a hundred years.
std::optional<Date> NextWorkingMoment(const CalendarData* cal, Date at);
// Rounds a moment to whole seconds.
Date SnapToSecond(Date d);

// The working times of a calendar's days for a walk through time that goes on from day to day:
// a day asked for again right after is not looked up again. Holds a reference into the calendar,
// so it lives only while the calendar stays unchanged (one loop, never across changes).
class CalendarDays {
 public:
  explicit CalendarDays(const CalendarData* cal) : cal_(cal) {}
  const CalendarData* Calendar() const { return cal_; }
  const WorkingTimes& On(double day);

 private:
  const CalendarData* cal_;
  double day_ = -1e300;
  const WorkingTimes* times_ = nullptr;
};
// WorkBetween without gaps over the days of `days`.
double WorkBetween(CalendarDays& days, Date from, Date to);
// WorkBetween(days, from, to) > 0, found without walking on past the first working time.
bool HasWorkBetween(CalendarDays& days, Date from, Date to);

// ---- work of a resource ----

// One item per day from `from` to `to` with the resource's work in minutes (see Resource).
std::vector<host::DailyWorkItem> DailyWork(const ProjectData& p, const ResourceData& r, Date from,
                                           Date to);
// The same per assignment, with the name of its task (empty when the task is not found).
std::vector<host::TaskDailyWork> DailyWorkByTask(const ProjectData& p, const ResourceData& r,
                                                 Date from, Date to);

// ---- task sheet ----

// Sets a field of the task in `row` by its German display name, creating the task first when
// the row is empty; throws kErrInvalidArgument for an unknown field or an unreadable value.
void SetTaskField(ProjectData& p, long row, const std::string& field, const std::string& value);
// Cuts the gap [from, to) into the task's bar; the duration stays and the finish moves later.
void SplitTask(ProjectData& p, TaskData& t, Date from, Date to);
// Sets the duration in minutes and moves the finish.
void SetTaskDuration(ProjectData& p, TaskData& t, double minutes);
// Recomputes every task's finish from its start, duration and gaps, then the outline.
void RescheduleAll(ProjectData& p);
// Recomputes summary flags and the dates of summary tasks from their children.
void RefreshOutline(ProjectData& p);
// Reads a duration text ("5 t", "2,5 t", "0", "90 min") into minutes; nullopt when unreadable.
std::optional<double> ParseDuration(const std::string& text, double minutesPerDay,
                                    double minutesPerWeek);

// ---- definitions, views and filters ----

// Adds the built-in tables, views and filters that are missing, ahead of the others, and sets
// the current view when there is none.
void EnsureBuiltIns(Definitions& d);
// Names of the built-in resource filters, in the host's order.
const std::vector<std::string>& BuiltInResourceFilters();

const ViewDefinition* FindView(const Definitions& d, const std::string& name);
const TableDefinition* FindTable(const Definitions& d, const std::string& name, bool taskTable);
const FilterDefinition* FindFilter(const Definitions& d, const std::string& name, bool taskFilter);

// The field of a resource or task as the sheet shows it; throws kErrInvalidArgument for a field
// the host does not know.
std::string ResourceFieldText(const ProjectData& p, const ResourceData& r,
                              const std::string& field);
std::string TaskFieldText(const TaskData& t, const std::string& field);
// Applies a comparison ("gleich", "enthält", "größer als", ...); throws kErrInvalidArgument for an
// unknown test.
bool CompareField(const std::string& fieldText, const std::string& test, const std::string& value);
bool PassesFilter(const ProjectData& p, const ResourceData& r, const FilterDefinition& f);
bool PassesFilter(const TaskData& t, const FilterDefinition& f);

// Definitions operations over one project (positional arguments as the add-in passes them).
void EditTable(ProjectData& p, const NamedArgs& args);
void EditView(ProjectData& p, const NamedArgs& args);
void DeleteBarStyles(ProjectData& p, const NamedArgs& args);
void EditBarStyle(ProjectData& p, const NamedArgs& args);
void RenameCustomField(ProjectData& p, const NamedArgs& args);
void SetCustomFieldProperties(ProjectData& p, const NamedArgs& args);
void CreateBaseCalendar(ProjectData& p, const NamedArgs& args);
void SetCalendarWeekday(ProjectData& p, const NamedArgs& args);
void SetProjectInformation(ProjectData& p, const NamedArgs& args);
void SetCalendarOptions(ProjectData& p, const NamedArgs& args);
// Merges the arguments into definitions.options[call].
void MergeOptions(ProjectData& p, const std::string& call, const NamedArgs& args);

}  // namespace kx::platform::detail
