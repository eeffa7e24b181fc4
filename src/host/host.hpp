#pragma once
// The operations the add-in needs of its planning host: one abstract class per kind of host
// object. Every operation may throw HostError; callers in skip-and-continue mode run them
// through `Resume`. Collections are walked in the host's order; rows and positions count from 1.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/command_bars.hpp"
#include "host/error.hpp"
#include "support/date.hpp"
#include "support/value.hpp"

namespace kx::host {

class Application;
class Project;
class Resource;
class Calendar;
class CalendarYear;
class CalendarMonth;
class CalendarDay;
class Task;
class Tasks;
class CustomProperties;
class ActiveView;
class Definitions;

using ProjectPtr = std::shared_ptr<Project>;
using ResourcePtr = std::shared_ptr<Resource>;
using CalendarPtr = std::shared_ptr<Calendar>;
using CalendarYearPtr = std::shared_ptr<CalendarYear>;
using CalendarMonthPtr = std::shared_ptr<CalendarMonth>;
using CalendarDayPtr = std::shared_ptr<CalendarDay>;
using TaskPtr = std::shared_ptr<Task>;

// Resource kinds as the host reports them.
enum ResourceKind : int { kWorkResource = 0, kMaterialResource = 1, kCostResource = 2 };

// One day of a resource's daily work: the start of the day and the work in minutes, empty
// where the resource has no work that day.
struct DailyWorkItem {
  Date start;
  std::optional<double> minutes;
};

// The work of one task on a resource, one item per day.
struct TaskDailyWork {
  std::string task;  // the task's name
  std::vector<DailyWorkItem> days;
};

// An inserted project as its master lists it.
struct SubprojectEntry {
  std::string sourceFile;  // as the master names it
  long taskRow = 0;        // the master's task row that holds it
};

class Application {
 public:
  virtual ~Application() = default;
  // Returns the active project; throws kErrNoProject when none is open.
  virtual ProjectPtr GetActiveProject() = 0;
  virtual std::vector<ProjectPtr> GetOpenProjects() = 0;
  // Adds a new empty project with the default calendar "Standard" and makes it active.
  virtual void CreateNewProject() = 0;
  // Saves the active project under `path`; throws kErrFile when it cannot.
  virtual void SaveProjectAs(const std::string& path) = 0;
  virtual void SetScreenUpdating(bool on) = 0;
  // The view and the definitions of the active project; throw kErrNoProject without one.
  virtual ActiveView& GetActiveView() = 0;
  virtual Definitions& GetDefinitions() = 0;
  // The host's menus and toolbars; throws kErrNotAvailable where the host has none (a host
  // without a window).
  virtual CommandBars& GetCommandBars() {
    throw HostError(kErrNotAvailable, "Dieses Programm hat keine Befehlsleisten.");
  }
  // The user's files that no save may replace: the file of each open project, the files of the
  // projects inserted into it, and the files the host keeps beside each of them. A host that
  // keeps no files beside a project has just the open projects' files. May throw HostError.
  virtual std::vector<std::string> GetGuardedFiles();
  // The files that SaveProjectAs(path) writes or replaces: `path` and what the host keeps beside
  // it.
  virtual std::vector<std::string> GetFilesOfSave(const std::string& path) { return {path}; }
};

class Project {
 public:
  virtual ~Project() = default;
  virtual std::string GetProjectName() = 0;      // the project's default text: its name
  virtual std::string GetProjectFullName() = 0;  // its path, or its name while never saved
  // The project's title, and its name where it has none; setting it. A host that keeps no
  // titles gives the name and keeps nothing.
  virtual std::string GetProjectTitle() { return GetProjectName(); }
  virtual void SetProjectTitle(const std::string& title) { (void)title; }
  virtual std::string GetProjectFolder() = 0;    // folder of its path, empty while never saved
  virtual Date GetProjectStart() = 0;
  // Takes a date or a date text in the user's regional settings.
  virtual void SetProjectStart(const Value& start) = 0;
  virtual Date GetProjectFinish() = 0;
  // The resource sheet in order; an empty row is a null entry.
  virtual std::vector<ResourcePtr> GetProjectResources() = 0;
  virtual long GetResourceCount() = 0;
  virtual std::vector<SubprojectEntry> GetSubprojects() = 0;
  // Returns the inserted project; throws when it cannot be loaded.
  virtual ProjectPtr GetSubprojectProject(const SubprojectEntry& entry) = 0;
  virtual std::vector<CalendarPtr> GetBaseCalendars() = 0;
  // Returns the base calendar of that name (exact); throws kErrNotFound.
  virtual CalendarPtr GetBaseCalendar(const std::string& name) = 0;
  // Names of the resource filters, in the host's order.
  virtual std::vector<std::string> GetResourceFilters() = 0;
  virtual Tasks& GetProjectTasks() = 0;
  virtual CustomProperties& GetCustomProperties() = 0;
};

class Resource {
 public:
  virtual ~Resource() = default;
  virtual std::string GetResourceName() = 0;
  virtual std::string GetResourceGroup() = 0;
  virtual void SetResourceGroup(const std::string& group) = 0;
  virtual std::int32_t GetResourceUniqueId() = 0;
  virtual int GetResourceKind() = 0;
  virtual CalendarPtr GetResourceCalendar() = 0;
  virtual std::string GetResourceBaseCalendarName() = 0;
  // One item per calendar day from `from` to `to` (dates or date texts), in date order.
  virtual std::vector<DailyWorkItem> GetDailyWork(const Value& from, const Value& to) = 0;
  // The same work per task the resource is assigned to, in the order of its assignments (a
  // task with two assignments comes twice). Throws kErrNotAvailable where the host cannot tell.
  virtual std::vector<TaskDailyWork> GetDailyWorkByTask(const Value& from, const Value& to) {
    (void)from;
    (void)to;
    throw HostError(kErrNotAvailable, "Die Arbeit je Vorgang ist hier nicht bekannt.");
  }
};

class Calendar {
 public:
  virtual ~Calendar() = default;
  virtual std::string GetCalendarName() = 0;
  // The years 1984 to 2049, in order.
  virtual std::vector<CalendarYearPtr> GetCalendarYears() = 0;
  // Throws kErrNotFound outside 1984 to 2049.
  virtual CalendarYearPtr GetCalendarYear(int year) = 0;
};

class CalendarYear {
 public:
  virtual ~CalendarYear() = default;
  virtual int GetYearNumber() = 0;
  virtual std::vector<CalendarMonthPtr> GetYearMonths() = 0;
  virtual CalendarMonthPtr GetYearMonth(int month) = 0;
};

class CalendarMonth {
 public:
  virtual ~CalendarMonth() = default;
  virtual int GetMonthNumber() = 0;
  virtual std::vector<CalendarDayPtr> GetMonthDays() = 0;
  virtual CalendarDayPtr GetMonthDay(int day) = 0;
  // The days that use at least one shift, read in one go: bit d - 1 for day d.
  virtual std::uint32_t GetMonthWorkingDays() = 0;
};

class CalendarDay {
 public:
  virtual ~CalendarDay() = default;
  virtual int GetDayNumber() = 0;
  virtual Date GetDayDate() = 0;
  // Start of working-time interval `shift` (1 to 5) as a fraction of the day, or empty when
  // the day does not use that shift. A shift from midnight starts at 0 and is used.
  virtual std::optional<double> GetDayShiftStart(int shift) = 0;
};

class Task {
 public:
  virtual ~Task() = default;
  // Cuts a gap into the bar from `from` to `to` (dates or date texts); the duration stays.
  virtual void SplitTask(const Value& from, const Value& to) = 0;
  virtual double GetTaskDuration() = 0;  // minutes
  virtual void SetTaskDuration(double minutes) = 0;
};

// The task sheet: row n holds task n.
class Tasks {
 public:
  virtual ~Tasks() = default;
  virtual long Count() = 0;
  // Returns the task of row `row`; throws kErrNotFound when that row is empty.
  virtual TaskPtr Item(long row) = 0;
};

struct CustomProperty {
  std::string name;
  std::string value;
  int type = 4;  // 4: text
  bool linkToContent = false;
};

// Custom document properties: an ordered list of named text values.
class CustomProperties {
 public:
  virtual ~CustomProperties() = default;
  virtual long Count() = 0;
  virtual CustomProperty Item(long index) = 0;  // 1-based; throws kErrNotFound
  // Lookup by name (letter case ignored, as the host does); throws kErrNotFound.
  virtual CustomProperty Item(const std::string& name) = 0;
  virtual void Delete(const std::string& name) = 0;  // throws kErrNotFound
  // Appends a property at the end.
  virtual void Add(const std::string& name, bool linkToContent, int type, const Value& value) = 0;
};

// The active view of the active project: its task sheet, its table and its filter.
class ActiveView {
 public:
  virtual ~ActiveView() = default;
  virtual void SelectTaskCell(long row, const std::string& column, bool relative) = 0;
  // Types `value` into the field of the selected row (German display names: "Name", "Dauer",
  // "Anfang", "Datum7", "Zahl14", ...), read in the user's regional settings.
  virtual void SetTaskField(const std::string& field, const std::string& value) = 0;
  virtual void FormatTaskBar(long taskNumber, int colour) = 0;
  virtual void CompleteTaskRow() = 0;
  // Throws kErrNotFound when the current table has no such column.
  virtual void SelectColumn(const std::string& field) = 0;
  // True when a row of the current view, with its filter applied, matches.
  virtual bool FindRow(const std::string& field, const std::string& test, const Value& value) = 0;
  virtual void ApplyTable(const std::string& name) = 0;
  virtual void ApplyFilter(const std::string& name) = 0;
  virtual void ApplyView(const std::string& name) = 0;
};

// Definitions and options of the active project. Arguments are keyed by their position.
class Definitions {
 public:
  virtual ~Definitions() = default;
  virtual void EditTable(const NamedArgs& args) = 0;
  virtual void EditView(const NamedArgs& args) = 0;
  virtual void DeleteBarStyles(const NamedArgs& args) = 0;
  virtual void EditBarStyle(const NamedArgs& args) = 0;
  virtual void FinalViewCommand(std::int32_t command) = 0;
  virtual void RenameCustomField(const NamedArgs& args) = 0;
  virtual void SetCustomFieldProperties(const NamedArgs& args) = 0;
  virtual void CreateBaseCalendar(const NamedArgs& args) = 0;
  virtual void SetCalendarWeekday(const NamedArgs& args) = 0;
  virtual void SetProjectInformation(const NamedArgs& args) = 0;
  virtual void SetViewOptions(const NamedArgs& args) = 0;
  virtual void SetCalendarOptions(const NamedArgs& args) = 0;
  virtual void SetOptionGroupA(const NamedArgs& args) = 0;
  virtual void SetOptionGroupB(const NamedArgs& args) = 0;
  virtual void SetOptionGroupC(const NamedArgs& args) = 0;
  virtual void SetOptionGroupD(const NamedArgs& args) = 0;
};

inline std::vector<std::string> Application::GetGuardedFiles() {
  std::vector<std::string> files;
  for (const auto& project : GetOpenProjects())
    if (project) files.push_back(project->GetProjectFullName());
  return files;
}

}  // namespace kx::host
