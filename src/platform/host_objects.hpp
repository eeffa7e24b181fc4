#pragma once
// Internals of the planning host shared by its source files: the per-project state behind the
// host objects and the objects it hands out.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "host/host.hpp"
#include "model/model.hpp"
#include "model/project_ops.hpp"

namespace kx::platform::detail {

// ---- state of one project behind its host objects ----

struct ProjectState {
  explicit ProjectState(std::shared_ptr<ProjectData> d) : data(std::move(d)) {}
  std::shared_ptr<ProjectData> data;
  long selectedRow = 1;
  long completedRows = 0;
  std::map<const CalendarData*, host::CalendarPtr> calendarHandles;
  std::map<const ProjectData*, std::shared_ptr<ProjectState>> subprojects;
  // The collections handed out by reference: they live as long as the project, not as long as
  // the project handle that gave them out.
  std::shared_ptr<host::Tasks> tasks;
  std::shared_ptr<host::CustomProperties> properties;

  // Returns the base calendar of that name (exact), null when there is none; remembers where it
  // found it, so that a walk that asks for it every day does not search a long list each time.
  std::shared_ptr<CalendarData> FindBaseCalendar(const std::string& name);
  std::map<std::string, std::size_t> calendarIndex;

  // Returns a resource whose unique number is `uid`, null when there is none; remembers where
  // each number stands, so that looking every resource up costs no walk over all of them each.
  const ResourceData* FindResourceByUid(std::int32_t uid);
  std::unordered_map<std::int32_t, std::size_t> resourceIndex;

  // Returns the one handle of this calendar.
  host::CalendarPtr CalendarHandle(const std::shared_ptr<CalendarData>& cal);
  // Returns the state of an inserted project.
  std::shared_ptr<ProjectState> SubState(const std::shared_ptr<ProjectData>& sub);
};

host::ProjectPtr MakeProject(std::shared_ptr<ProjectState> state);
host::CalendarPtr MakeCalendar(std::shared_ptr<CalendarData> cal);
host::TaskPtr MakeTask(std::shared_ptr<ProjectData> project, std::shared_ptr<TaskData> task);

}  // namespace kx::platform::detail
