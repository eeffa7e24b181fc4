#pragma once
// Compares two project models field by field, as a saved and reloaded project must match the
// project that was saved.

#include <string>

#include "model/model.hpp"

namespace kx::platform {

// Returns an empty text when `a` and `b` hold the same project, else where they first differ
// ("tasks[3].name: \"A\" / \"B\""). Dates and times match within half a second, durations within
// a microsecond; gaps match once touching gaps are joined; the path a project was read from
// (`fullName`) is not compared, inserted projects are, with their projects.
std::string ModelDifference(const ProjectData& a, const ProjectData& b);

}  // namespace kx::platform
