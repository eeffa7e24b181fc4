#include "addin/project_tools.hpp"

#include <cstdint>
#include <unordered_map>

namespace kx::addin {
namespace {

void Report(MessageBoxes& boxes, const char* text, const std::string& title) {
  ShowMessage(boxes, text, title, MsgIcon::Exclamation);
}

}  // namespace

bool CheckActiveProject(host::Application& application, bool report, const std::string& title,
                        MessageBoxes& boxes) {
  host::Resume resume;
  const bool ok = resume([&] {
    const host::ProjectPtr project = application.GetActiveProject();
    if (!project) throw host::HostError(host::kErrNoProject, "kein aktives Projekt");
    project->GetProjectName();
  });
  if (!ok && report) Report(boxes, kTextNoProject, title);
  return ok;
}

bool CheckResources(host::Application& application, bool report, const std::string& title,
                    MessageBoxes& boxes) {
  host::Resume resume;
  long count = 0;
  resume([&] {
    const host::ProjectPtr project = application.GetActiveProject();
    if (!project) throw host::HostError(host::kErrNoProject, "kein aktives Projekt");
    project->GetProjectResources();
    count = project->GetResourceCount();
  });
  const bool ok = !resume.Failed() && count > 0;
  if (!ok && report) Report(boxes, kTextNoResources, title);
  return ok;
}

bool HasDuplicateResourceNames(host::Application& application, bool report,
                               const std::string& title, MessageBoxes& boxes) {
  host::Resume resume;
  const auto resources = resume.Get(
      [&] {
        const host::ProjectPtr project = application.GetActiveProject();
        if (!project) throw host::HostError(host::kErrNoProject, "kein aktives Projekt");
        return project->GetProjectResources();
      },
      std::vector<host::ResourcePtr>{});

  // Two resources are duplicates when a name seen before came with another unique id.
  std::unordered_map<std::string, std::int32_t> firstId;
  firstId.reserve(resources.size());
  bool found = false;
  for (const auto& resource : resources) {
    if (!resource) continue;
    std::string name;
    std::int32_t id = 0;
    if (!resume([&] {
          name = resource->GetResourceName();
          id = resource->GetResourceUniqueId();
        }))
      continue;
    const auto [it, inserted] = firstId.emplace(std::move(name), id);
    if (!inserted && it->second != id) {
      found = true;
      break;
    }
  }
  if (found && report) Report(boxes, kTextDuplicateNames, title);
  return found;
}

}  // namespace kx::addin
