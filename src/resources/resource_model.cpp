#include "resources/resource_model.hpp"

#include <new>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "support/text.hpp"

namespace kx::resources {
namespace {

// Appends `item` to `list`; returns -1 when it could not, else 0.
template <class T>
std::int32_t Append(Collection<T>& list, std::shared_ptr<T> item) noexcept {
  if (!item) return -1;
  try {
    list.Add(std::move(item));
    return 0;
  } catch (...) {
    return -1;
  }
}

// Inserted projects deeper than this are not read (a safety net against endless nesting).
constexpr std::size_t kMaxProjectDepth = 256;

// Fills one model; remembers the names taken per group and the projects already read.
class ModelBuilder {
 public:
  ModelBuilder(clsResources& model, host::Resume& resume) : model_(model), resume_(resume) {}

  void TakeProjectResources(host::Project& project) {
    const auto list = resume_.Get([&] { return project.GetProjectResources(); },
                                  std::vector<host::ResourcePtr>{});
    for (const auto& resource : list) Take(resource);
  }

  // Takes the resources of every project inserted into `project`, depth-first. A project that
  // is inserted into itself, directly or further down, is not read a second time.
  void AddSubprojectResources(host::Project& project) {
    if (chain_.size() > kMaxProjectDepth) return;
    chain_.push_back(Identity(project));
    const auto entries =
        resume_.Get([&] { return project.GetSubprojects(); }, std::vector<host::SubprojectEntry>{});
    for (const auto& entry : entries) {
      const host::ProjectPtr inserted =
          resume_.Get([&] { return project.GetSubprojectProject(entry); }, host::ProjectPtr());
      if (!inserted || InChain(*inserted)) continue;
      TakeProjectResources(*inserted);
      AddSubprojectResources(*inserted);
    }
    chain_.pop_back();
  }

  std::int32_t Count() const { return count_; }

 private:
  void Take(const host::ResourcePtr& resource) {
    if (!resource) return;  // an empty row of the resource sheet
    auto record = std::make_shared<clsResource>();
    record->ProjectResource = resource;
    ++count_;

    resume_([&] {
      if (TrimBlanks(resource->GetResourceGroup()).empty()) resource->SetResourceGroup(kNoGroup);
    });
    const std::string groupName =
        resume_.Get([&] { return resource->GetResourceGroup(); }, std::string(kNoGroup));

    auto& group = groups_[groupName];
    if (!group) {
      group = std::make_shared<clsResourceGroup>();
      group->strName = groupName;
      resume_([&] {
        if (model_.AddResourceGroup(group) != 0) throw std::bad_alloc();
      });
    }

    std::optional<std::string> name;
    resume_([&] { name = resource->GetResourceName(); });
    // Resources without a name are not the same resource: each is taken.
    if (name && IsUnnamed(*name)) name.reset();
    auto& taken = names_[group.get()];
    if (name && taken.count(*name) != 0) {
      --count_;  // this name is in the group already
      return;
    }
    resume_([&] {
      if (group->AddResource(record) != 0 || model_.AddResource(record) != 0)
        throw std::bad_alloc();
      if (name) taken.insert(*name);
    });
  }

  // A project as the object it is and the file it was read from.
  struct ProjectIdentity {
    const host::Project* object;
    std::string fullName;
  };

  ProjectIdentity Identity(host::Project& project) {
    return {&project, resume_.Get([&] { return project.GetProjectFullName(); }, std::string())};
  }

  bool InChain(host::Project& project) {
    const ProjectIdentity id = Identity(project);
    for (const auto& p : chain_)
      if (p.object == id.object || (!id.fullName.empty() && p.fullName == id.fullName)) return true;
    return false;
  }

  clsResources& model_;
  host::Resume& resume_;
  std::int32_t count_ = 0;
  std::unordered_map<std::string, std::shared_ptr<clsResourceGroup>> groups_;
  std::unordered_map<const clsResourceGroup*, std::unordered_set<std::string>> names_;
  std::vector<ProjectIdentity> chain_;  // the project being read and those it is inserted into
};

}  // namespace

bool IsUnnamed(std::string_view name) {
  return name.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::string ChartName(const std::string& name, bool* cut) {
  const std::string_view kept = IsUnnamed(name) ? kNoName : CutToChars(name, kLongestName);
  if (cut != nullptr) *cut = !IsUnnamed(name) && kept.size() < name.size();
  return std::string(kept);
}

std::int32_t clsResource::AddHoliday(std::shared_ptr<clsHoliday> objHoliday) {
  return Append(colHolidays, std::move(objHoliday));
}

std::int32_t clsResource::AddWorkday(std::shared_ptr<clsWorkday> objWorkday) {
  return Append(colWorkdays, std::move(objWorkday));
}

std::int32_t clsResourceGroup::AddResource(std::shared_ptr<clsResource> objResource) {
  return Append(colResources, std::move(objResource));
}

std::int32_t clsResources::AddResourceGroup(std::shared_ptr<clsResourceGroup> objResourceGroup) {
  return Append(colResourceGroups, std::move(objResourceGroup));
}

std::int32_t clsResources::AddResource(std::shared_ptr<clsResource> objResource) {
  return Append(colResources, std::move(objResource));
}

std::shared_ptr<clsResources> GetResourceData(host::Project& project) {
  auto model = std::make_shared<clsResources>();
  host::Resume resume;
  ModelBuilder builder(*model, resume);
  builder.TakeProjectResources(project);
  builder.AddSubprojectResources(project);
  model->lngResourcesCount = builder.Count();
  return model;
}

std::int32_t CheckNullValues(clsResources& model, bool blnUseNull, bool blnHoliday,
                             bool blnWorkday) {
  if (blnUseNull) return 0;
  host::Resume resume;
  for (const auto& group : model.colResourceGroups) {
    if (!group) continue;
    auto& list = group->colResources;
    for (long pos = list.Count(); pos >= 1; --pos) {
      resume([&] {
        const auto& record = list.Item(pos);
        const bool noHolidays = blnHoliday && (!record || record->colHolidays.Empty());
        const bool noWorkdays = blnWorkday && (!record || record->colWorkdays.Empty());
        if (noHolidays || noWorkdays) list.Remove(pos);
      });
    }
  }
  auto& groups = model.colResourceGroups;
  for (long pos = groups.Count(); pos >= 1; --pos) {
    resume([&] {
      const auto& group = groups.Item(pos);
      if (!group || group->colResources.Empty()) groups.Remove(pos);
    });
  }
  return 0;
}

}  // namespace kx::resources
