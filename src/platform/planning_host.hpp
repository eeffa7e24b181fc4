#pragma once
// The planning host: an application with open projects that serves the host interface over the
// in-memory model of model.hpp. Project files are read and written through a ProjectFileFormat.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "model/model.hpp"
#include "model/project_file.hpp"

namespace kx::platform {


class PlanningHost final : public host::Application {
 public:
  explicit PlanningHost(std::shared_ptr<ProjectFileFormat> files = nullptr);
  ~PlanningHost() override;

  // Opens a project file, adds it to the open projects and makes it active.
  host::ProjectPtr OpenProject(const std::string& path);
  // Adds a model as an open project and makes it active.
  host::ProjectPtr AddProject(std::shared_ptr<ProjectData> data);
  // The model behind the active project (null when none is open).
  std::shared_ptr<ProjectData> ActiveData() const;
  // The model behind a project of this host.
  static std::shared_ptr<ProjectData> DataOf(const host::ProjectPtr& project);
  // The models of the open projects, in the order they were opened.
  std::vector<std::shared_ptr<ProjectData>> OpenData() const;
  // Makes an open project the active one; false when it is not open.
  bool ActivateProject(const std::shared_ptr<ProjectData>& data);
  // Takes a project off the open projects; the one opened last before it becomes active (none
  // when it was the only one). False when it was not open.
  bool CloseProject(const std::shared_ptr<ProjectData>& data);
  // Whether this host wrote the file `path` (by SaveProjectAs) since it started, so that saving
  // over it again replaces nothing but its own work.
  bool WroteFile(const std::string& path) const;
  bool ScreenUpdating() const { return screenUpdating_; }
  // Called whenever screen updating is switched (the window stops and resumes drawing).
  void SetOnScreenUpdating(std::function<void(bool)> onChange) {
    onScreenUpdating_ = std::move(onChange);
  }
  void SetFileFormat(std::shared_ptr<ProjectFileFormat> files) { files_ = std::move(files); }

  host::ProjectPtr GetActiveProject() override;
  std::vector<host::ProjectPtr> GetOpenProjects() override;
  void CreateNewProject() override;
  // Refuses (kErrFile) to write any file of another open project or of a project inserted into
  // one, with a message naming the file.
  void SaveProjectAs(const std::string& path) override;
  std::vector<std::string> GetGuardedFiles() override;
  std::vector<std::string> GetFilesOfSave(const std::string& path) override;
  void SetScreenUpdating(bool on) override;
  host::ActiveView& GetActiveView() override;
  host::Definitions& GetDefinitions() override;
  // The window's menus and toolbars, when the host has a window (see SetCommandBars).
  host::CommandBars& GetCommandBars() override;
  void SetCommandBars(std::shared_ptr<host::CommandBars> bars) { commandBars_ = std::move(bars); }

 private:
  // Adds the files of `project` (with `ownFiles`) and of the projects inserted into it.
  void AddGuardedFiles(const ProjectData& project, bool ownFiles,
                       std::vector<std::string>& out) const;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::shared_ptr<ProjectFileFormat> files_;
  bool screenUpdating_ = true;
  std::function<void(bool)> onScreenUpdating_;
  std::vector<std::string> written_;
  std::shared_ptr<host::CommandBars> commandBars_;
};

}  // namespace kx::platform
