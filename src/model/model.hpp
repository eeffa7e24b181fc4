#pragma once
// The planning host's in-memory project model: plain data that the Project XML reader fills,
// the writer stores and the host objects (planning_host.hpp) serve through the host interface.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <unordered_set>
#include <vector>

#include "support/date.hpp"
#include "support/value.hpp"

namespace kx::platform {

// One working-time interval of a day, as fractions of the day (0 = 00:00, 1 = 24:00).
struct WorkingTime {
  double from = 0.0;
  double to = 0.0;
  bool operator==(const WorkingTime&) const = default;
};

using WorkingTimes = std::vector<WorkingTime>;  // ascending, not overlapping

// The working times 08:00-12:00 and 13:00-17:00 that a new calendar gives Monday to Friday.
WorkingTimes DefaultWorkingTimes();

struct WeekdayDefinition {
  bool inherited = true;  // true: the base calendar decides (a base calendar: the host default)
  WorkingTimes times;     // empty and not inherited: a day off
  bool operator==(const WeekdayDefinition&) const = default;
};

// An exception over whole days `from` to `to` (both included): days off, or days with other
// working times. Recurring exceptions are stored as the list of their occurrences.
struct CalendarException {
  std::string name;
  Date from;
  Date to;
  bool working = false;
  WorkingTimes times;  // only when working
  bool operator==(const CalendarException&) const = default;
};

struct CalendarData {
  std::int32_t uid = 0;
  std::string name;
  bool isBase = true;
  std::shared_ptr<CalendarData> base;            // resource calendars: the calendar they build on
  std::array<WeekdayDefinition, 7> weekdays{};   // index 0 = Sunday ... 6 = Saturday
  std::vector<CalendarException> exceptions;     // sorted by `from`, not overlapping

  // Working times of day `day`: own exception, then the base chain's exceptions, then the own
  // weekday, then the base chain's weekday, then the host default (Monday to Friday).
  WorkingTimes WorkingTimesOn(Date day) const;
  // The same without a copy: a reference into this calendar, its base chain or a shared constant.
  const WorkingTimes& WorkingTimesRefOn(Date day) const;
  double WorkingMinutesOn(Date day) const;
  // Name of the base calendar at the root of the chain (itself for a base calendar).
  std::string BaseCalendarName() const;
};

// The unit of time a stretch of work was recorded in, numbered as Project XML numbers it.
enum class TimeUnit : std::uint8_t {
  kMinute = 0,
  kHour = 1,
  kDay = 2,
  kWeek = 3,
  kMonth = 5,
  kYear = 8
};

// A stretch of an assignment's planned or actual work.
struct TimephasedWork {
  Date start;
  Date finish;
  double minutes = 0.0;
  TimeUnit unit = TimeUnit::kDay;  // planning tools record work day by day
  std::uint8_t type = 1;           // as Project XML numbers it: 1 planned, 2 actual work
};

struct AssignmentData {
  std::int32_t uid = 0;
  std::int32_t taskUid = 0;
  std::int32_t resourceUid = 0;
  Date start;
  Date finish;
  double workMinutes = 0.0;
  std::vector<TimephasedWork> timephased;  // day-by-day work where the file has it
};

struct ResourceData {
  std::int32_t uid = 0;
  std::int32_t id = 0;
  std::string name;
  std::string group;
  int kind = 0;  // 0 work, 1 material, 2 cost
  std::string initials;
  std::shared_ptr<CalendarData> calendar;  // the resource calendar; null: the project calendar
  std::vector<std::shared_ptr<AssignmentData>> assignments;
};

// A task row. Chart rows are typed in through the active view; source tasks come from files.
struct TaskData {
  std::int32_t uid = 0;
  std::int32_t id = 0;  // its row
  std::string name;
  int outlineLevel = 1;
  bool summary = false;
  Date start;
  Date finish;
  double durationMinutes = 0.0;
  std::vector<std::pair<Date, Date>> gaps;  // split parts: moments without work, ascending
  bool hiddenBar = false;
  bool rollup = false;
  std::optional<int> barColour;            // colour code set by FormatTaskBar
  std::map<std::string, double> numbers;   // "Zahl14", "Zahl15", "Zahl16", ...
  std::map<std::string, Date> dates;       // "Datum7", "Datum8", ...
  std::string subprojectFile;              // an inserted project's file, as the master names it
};

struct TableColumn {
  std::string field;
  std::string title;
  int width = 10;
  int align = 0;  // 0 left, 1 centred, 2 right
};

struct TableDefinition {
  std::string name;
  bool taskTable = true;
  std::vector<TableColumn> columns;
};

struct ViewDefinition {
  std::string name;
  bool taskView = true;
  std::string table;
  std::string filter;
  std::string group;
};

// One test of a filter ("Gruppe" "gleich" "Bau"), joined to the previous one by "Und"/"Oder".
struct FilterCriterion {
  std::string field;
  std::string test;
  std::string value;
  std::string join = "Und";
};

struct FilterDefinition {
  std::string name;
  bool taskFilter = false;
  std::vector<FilterCriterion> criteria;  // none: lets everything through
};

struct BarStyle {
  std::string name;
  std::string showFor;
  std::string from;
  std::string to;
  std::array<int, 9> codes{};  // start shape, type, colour; middle shape, colour, pattern; end
  int row = 1;
  std::string barText;  // field shown beside the bar, empty for none
};

// What a project defines beyond its data: tables, views, filters, bar styles, field titles and
// the options set through the host, plus the view state (current view, table, filter).
struct Definitions {
  std::vector<TableDefinition> tables;
  std::vector<ViewDefinition> views;
  std::vector<FilterDefinition> filters;
  std::vector<BarStyle> barStyles;
  std::map<std::int32_t, std::string> customFieldTitles;       // field id -> title
  std::map<std::int32_t, NamedArgs> customFieldProperties;     // field id -> arguments
  std::map<std::string, NamedArgs> options;                    // option call -> merged arguments
  std::vector<std::int32_t> finalViewCommands;
  std::string currentView;
  std::string currentTable;
  std::string currentFilter;
};

struct PropertyData {
  std::string name;
  std::string value;
  int type = 4;
  bool linkToContent = false;
};

struct ProjectData;

// What a file format keeps of the file a project was read from, so that writing the project back
// keeps everything the model does not hold. Only the format that made it reads it.
struct SourceFile {
  virtual ~SourceFile() = default;
};

// A project inserted into a master: the master's task row, the file as the master names it, and
// the project read from that file.
struct SubprojectData {
  std::string sourceFile;
  long taskRow = 0;
  std::shared_ptr<ProjectData> project;
};

struct ProjectData {
  std::string name;      // the file name, or "Projekt1" for a new project
  std::string title;
  std::string fullName;  // the path it was read from or saved to; empty while never saved
  Date start;
  std::optional<Date> finish;  // as the file says; otherwise from the tasks
  std::string calendarName = "Standard";  // the project calendar
  double minutesPerDay = 480.0;
  double dayStartTime = 8.0 / 24.0;    // default start of a working day (fraction of a day)
  double dayFinishTime = 17.0 / 24.0;  // default end of a working day
  double minutesPerWeek = 2400.0;
  int daysPerMonth = 20;
  std::vector<std::shared_ptr<CalendarData>> calendars;  // base and resource calendars, in order
  std::vector<std::shared_ptr<ResourceData>> resources;  // sheet order; null = an empty row
  std::vector<std::shared_ptr<TaskData>> tasks;          // index row-1; null = an empty row
  // Set by the task sheet's full outline pass: every summary spans its rows and no row is above
  // level 1, so a change needs only the level-1 block around it redone. Cleared by any other
  // change of the rows' levels, dates or order that skips the sheet.
  bool outlineCurrent = false;
  // The task UIDs in use, so that a row typed in finds its UID without a look at every row.
  // Built by the task sheet from the rows and kept by it while the rows are `rows` many; any other
  // change of the rows or of their UIDs clears `current`.
  struct TaskUids {
    bool current = false;
    std::size_t rows = 0;
    std::int32_t max = 0;  // the largest, and at least 0
    std::unordered_set<std::int32_t> taken;
  } taskUids;
  std::vector<PropertyData> properties;
  std::vector<SubprojectData> subprojects;
  Definitions definitions;
  // The file the project was read from, as its format keeps it; null for a new project.
  std::shared_ptr<const SourceFile> source;

  std::shared_ptr<CalendarData> FindCalendar(const std::string& name) const;  // base calendars
  // The project calendar, null when `calendarName` names no base calendar.
  std::shared_ptr<CalendarData> ProjectCalendar() const { return FindCalendar(calendarName); }
};

// Custom task fields that the model keeps: "Zahl1".."Zahl20" and "Datum1".."Datum10", in the
// tasks' `numbers` and `dates` under those names; the definitions key them by the host's field id.
struct CustomField {
  bool isDate = false;
  int number = 0;  // 1..20 for numbers, 1..10 for dates
};
// Returns the field behind a host field id, or nullopt for a field the model does not keep.
std::optional<CustomField> CustomFieldOf(std::int32_t fieldId);
// Returns the host field id of "Zahl<n>" / "Datum<n>", or nullopt.
std::optional<std::int32_t> FieldIdOf(const std::string& modelName);
// The model's name of a field ("Zahl14").
std::string ModelFieldName(const CustomField& f);

// Returns a new empty project as the host makes one: the calendar "Standard" (Monday to Friday,
// 08:00-12:00 and 13:00-17:00), the built-in tables, views and filters, start today.
std::shared_ptr<ProjectData> NewProjectData(const std::string& name);

}  // namespace kx::platform
