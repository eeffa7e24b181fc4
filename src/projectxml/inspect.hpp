#pragma once
// A look into a project file: what the planning host reads from it, for people (German text) or
// for programs (one JSON object).

#include <iosfwd>
#include <string>
#include <vector>

#include "model/model.hpp"

namespace kx::platform {

// Returns the project as German text: project data, calendars with their exceptions, resources,
// task rows, custom properties, inserted projects, then `warnings`.
std::string InspectText(const ProjectData& project, const std::vector<std::string>& warnings = {});

// Returns the project as one JSON object with dates in ISO 8601: "resources" in sheet order
// (null for an empty row), "calendars", "tasks" (null for an empty row), "properties",
// "subprojects" (file names as the project names them) and "warnings".
std::string InspectJson(const ProjectData& project, const std::vector<std::string>& warnings = {});

// Reads the Project XML file `path` and writes what it holds to `out`. Returns 0, or 2 after
// writing the reason to `err` when the file cannot be read.
int RunInspect(const std::string& path, bool json, std::ostream& out, std::ostream& err);

}  // namespace kx::platform
