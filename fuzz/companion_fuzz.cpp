// libFuzzer target for companion files: any text is applied in full or not at all, and what
// was applied is written back to a text that applies to the same model.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "testing/model_diff.hpp"
#include "projectxml/project_xml_detail.hpp"

namespace {

// A small model with its own calendar and rows, for a companion file to apply to.
kx::platform::ProjectData Model() {
  using namespace kx::platform;
  ProjectData project;
  auto calendar = std::make_shared<CalendarData>();
  calendar->uid = 1;
  for (auto& day : calendar->weekdays)
    day = {false, {{8.0 / 24, 12.0 / 24}, {13.0 / 24, 17.0 / 24}}};
  project.calendars.push_back(calendar);
  for (int row = 1; row <= 3; ++row) {
    auto task = std::make_shared<TaskData>();
    task->id = row;
    project.tasks.push_back(task);
  }
  return project;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kx::platform;
  ProjectData project = Model();
  std::string problem;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (!pxml::ApplyCompanion(text, project, problem)) {
    if (!ModelDifference(Model(), project).empty()) std::abort();  // a refused file changes nothing
    return 0;
  }
  pxml::CompanionExtras extras;
  extras.allFieldTitles = true;
  extras.projectCalendar = project.calendarName;
  ProjectData again = Model();
  if (!pxml::ApplyCompanion(pxml::CompanionText(project, extras), again, problem)) std::abort();
  // Inherited weekdays are not written back by CompanionText without extras; compare the rest.
  again.calendars = project.calendars;
  if (const std::string d = ModelDifference(project, again); !d.empty()) {
    std::fprintf(stderr, "%s\n", d.c_str());
    std::abort();
  }
  return 0;
}
