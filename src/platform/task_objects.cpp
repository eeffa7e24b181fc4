// The task objects of the planning host: a task row of a project as the host interface hands it
// out.

#include <memory>
#include <utility>

#include "platform/host_objects.hpp"

namespace kx::platform::detail {

// ---- task objects ----

namespace {

class TaskObject final : public host::Task {
 public:
  TaskObject(std::shared_ptr<ProjectData> project, std::shared_ptr<TaskData> task)
      : project_(std::move(project)), task_(std::move(task)) {}
  void SplitTask(const Value& from, const Value& to) override {
    detail::SplitTask(*project_, *task_, RequireDate(from, "Beginn der Unterbrechung"),
                      RequireDate(to, "Ende der Unterbrechung"));
  }
  double GetTaskDuration() override { return task_->durationMinutes; }
  void SetTaskDuration(double minutes) override {
    detail::SetTaskDuration(*project_, *task_, minutes);
  }

 private:
  std::shared_ptr<ProjectData> project_;
  std::shared_ptr<TaskData> task_;
};

}  // namespace

host::TaskPtr MakeTask(std::shared_ptr<ProjectData> project, std::shared_ptr<TaskData> task) {
  return std::make_shared<TaskObject>(std::move(project), std::move(task));
}

}  // namespace kx::platform::detail
