#pragma once
// Generated sample projects: the German building project of examples/ with its inserted project,
// and the large project the benchmarks read. The same code always gives the same projects.

#include <memory>
#include <string>

#include "model/model.hpp"

namespace kx::tools {

// File names of the examples, as the building project inserts the outdoor project.
inline constexpr const char* kBuildingFile = "neubau_buerogebaeude.xml";
inline constexpr const char* kOutdoorFile = "aussenanlagen.xml";

// "Neubau Bürogebäude", 2025: 36 resources in the groups Planung, Rohbau, Elektro, Sanitär and
// Ausbau, one without a group and the material "Beton C25/30"; vacations in the resource
// calendars, daily work on the tasks, the base calendars "Standard", "Betriebsferien" and
// "7-Tage-Woche", and the outdoor project inserted as its last task.
std::shared_ptr<platform::ProjectData> BuildingProject();

// "Außenanlagen", the project inserted into the building project.
std::shared_ptr<platform::ProjectData> OutdoorProject();

// A project of `resources` work resources in `groups` groups over 2025: 15 to 30 vacation days
// each, work on most working days.
std::shared_ptr<platform::ProjectData> LargeProject(int resources = 2000, int groups = 80);

}  // namespace kx::tools
