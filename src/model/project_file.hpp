#pragma once
// How the planning host reads and writes its project files: an interface that a file format
// (Project XML, in projectxml/) implements and the host is given.

#include <memory>
#include <string>
#include <vector>

#include "model/model.hpp"

namespace kx::platform {

// Reads and writes project files. Both throw host::HostError (kErrFile) with a message that
// names the file and what is wrong.
class ProjectFileFormat {
 public:
  virtual ~ProjectFileFormat() = default;
  virtual std::shared_ptr<ProjectData> Load(const std::string& path) = 0;
  virtual void Save(const ProjectData& project, const std::string& path) = 0;
  // The files that the format keeps beside the project file `path` (none by default).
  virtual std::vector<std::string> FilesBeside(const std::string& path) {
    (void)path;
    return {};
  }
};

}  // namespace kx::platform
