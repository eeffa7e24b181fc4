#include "addin/project_tools.hpp"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

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

namespace {

// Walks the resources of the active project and calls `duplicate` with each name met again
// with another unique id; stops when it returns false. Blanks are no name: resources without
// one are no duplicates of each other.
template <class OnDuplicate>
void WalkDuplicates(host::Application& application, OnDuplicate&& duplicate) {
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
  for (const auto& resource : resources) {
    if (!resource) continue;
    std::string name;
    std::int32_t id = 0;
    if (!resume([&] {
          name = resource->GetResourceName();
          id = resource->GetResourceUniqueId();
        }))
      continue;
    if (name.find_first_not_of(" \t\r\n") == std::string::npos) continue;
    const auto [it, inserted] = firstId.emplace(name, id);
    if (!inserted && it->second != id && !duplicate(name)) return;
  }
}

}  // namespace

bool HasDuplicateResourceNames(host::Application& application, bool report,
                               const std::string& title, MessageBoxes& boxes) {
  bool found = false;
  WalkDuplicates(application, [&](const std::string&) {
    found = true;
    return false;
  });
  if (found && report) Report(boxes, kTextDuplicateNames, title);
  return found;
}

std::vector<std::string> DuplicateResourceNames(host::Application& application) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  WalkDuplicates(application, [&](const std::string& name) {
    if (seen.insert(name).second) names.push_back(name);
    return true;
  });
  return names;
}

bool PassLaunchChecks(host::Application& application, const std::string& title, MessageBoxes& boxes,
                      const std::function<bool()>& goOnDespiteDuplicates) {
  if (!CheckActiveProject(application, true, title, boxes)) return false;
  if (!CheckResources(application, true, title, boxes)) return false;
  if (!HasDuplicateResourceNames(application, false, title, boxes)) return true;
  host::Resume r;
  return r.Get([&] { return goOnDespiteDuplicates && goOnDespiteDuplicates(); }, false);
}

}  // namespace kx::addin
