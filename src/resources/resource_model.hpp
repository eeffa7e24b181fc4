#pragma once
// The resources of the source project for one chart run: groups in the order their group text
// first occurred, each resource record in its group's list and in the flat list (shared), and
// the day records of each resource.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/host.hpp"
#include "resources/collection.hpp"
#include "support/value.hpp"

namespace kx::resources {

// The group text given to resources without a group.
inline constexpr const char* kNoGroup = "(keine)";
// The name a chart shows for a resource without a name.
inline constexpr const char* kNoName = "(ohne Namen)";

// True when `name` has no character but blanks (spaces, tabs, line breaks): no name at all.
bool IsUnnamed(std::string_view name);

// `name` as a chart shows it: kNoName for no name, else the name cut to kLongestName
// characters. `cut`, when given, tells whether it was cut.
std::string ChartName(const std::string& name, bool* cut = nullptr);

// One day of a resource in a vacation plan.
class clsHoliday {
 public:
  Value varDate;  // the day as a date text ("dd.mm.yyyy" with the user's separator)
  bool blnIsHoliday = false;
};

// One day of a resource in a resource schedule.
class clsWorkday {
 public:
  Value varDate;  // the day as a date text
  bool blnIsWorkday = false;
  double dblHours = 0.0;  // work on that day in hours
};

class clsResource {
 public:
  host::ResourcePtr ProjectResource;
  Collection<clsWorkday> colWorkdays;
  Collection<clsHoliday> colHolidays;

  // Each appends its argument at the end of its list; returns -1 when it could not (also for
  // an empty pointer), else 0.
  std::int32_t AddHoliday(std::shared_ptr<clsHoliday> objHoliday);
  std::int32_t AddWorkday(std::shared_ptr<clsWorkday> objWorkday);
};

class clsResourceGroup {
 public:
  Collection<clsResource> colResources;
  std::string strName;

  std::int32_t AddResource(std::shared_ptr<clsResource> objResource);
};

class clsResources {
 public:
  Collection<clsResourceGroup> colResourceGroups;
  Collection<clsResource> colResources;
  std::int32_t lngResourcesCount = 0;

  std::int32_t AddResourceGroup(std::shared_ptr<clsResourceGroup> objResourceGroup);
  std::int32_t AddResource(std::shared_ptr<clsResource> objResource);
};

// Builds the model from the project's resources, then depth-first from every inserted project.
// A resource without a group (blanks only) gets the group "(keine)" written into the project.
// A name is taken at most once per group (resources without a name each once). Empty rows and
// failing host reads are passed over.
std::shared_ptr<clsResources> GetResourceData(host::Project& project);

// Unless `blnUseNull`, removes from the groups' lists every resource without holidays (when
// `blnHoliday`) or without workdays (when `blnWorkday`), then every group left empty. The flat
// list and lngResourcesCount stay. Returns 0.
std::int32_t CheckNullValues(clsResources& model, bool blnUseNull, bool blnHoliday,
                             bool blnWorkday);

}  // namespace kx::resources
