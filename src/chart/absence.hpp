#pragma once
// Where work and absence meet. For one period, comparison calendar and resource choice, each
// resource's vacation days and working days are extracted once, the way the two charts extract
// them, and set side by side: the days a resource is on vacation and yet has work in the project
// (conflicts), and for every resource group and day how many of its resources are away and how
// many are there (presence), measured against a limit of absent people.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/korvalinx.hpp"
#include "host/host.hpp"
#include "resources/resource_model.hpp"

namespace kx::chart {

// How many of a group may be away on one day: a number of people, or a share of the group in
// percent. A day passes the limit when more are away.
struct AbsenceLimit {
  int value = 0;
  bool percent = false;
};

// Reads "3", "50%" or "50 %" (a percent from 0 to 100, a number from 0 to 99999); nullopt for
// anything else.
std::optional<AbsenceLimit> ParseAbsenceLimit(const std::string& text);
// "3" or "50 %".
std::string AbsenceLimitText(const AbsenceLimit& limit);
// True when `absent` of `resources` people pass the limit.
bool PassesLimit(const AbsenceLimit& limit, int absent, int resources);

// A day on which a resource is on vacation and has work in the project.
struct WorkConflict {
  std::string group;
  std::string resource;
  Date day;
  double hours = 0.0;
  std::vector<std::string> tasks;  // the tasks that carry the work that day, each once
};

// One resource group, day by day over the period.
struct GroupPresence {
  std::string name;
  int resources = 0;         // the group's work resources
  std::vector<int> absent;   // per day: how many are on vacation
  std::vector<int> present;  // per day: how many are there (their comparison calendar works)
};

struct AbsenceReport {
  Date first;  // the first and the last day of the period
  Date last;
  std::vector<WorkConflict> conflicts;  // group by group, resource by resource, day by day
  std::vector<GroupPresence> groups;    // in the model's group order
  std::optional<AbsenceLimit> limit;

  long DayCount() const { return static_cast<long>(last.serial - first.serial) + 1; }
  Date Day(long index) const { return Date(first.serial + static_cast<double>(index)); }
  // True when the limit is set and the group's day passes it.
  bool Over(const GroupPresence& group, long day) const;
  // The number of group days that pass the limit.
  long DaysOver() const;
};

struct AbsenceOptions {
  Date first;
  Date last;
  std::int32_t calendarType = 0;  // 0: each resource's base calendar; else `calendar`
  std::string calendar;
  std::map<std::string, std::string> comparisonInstead;  // as resources::PeriodOptions has it
  bool conflicts = true;  // also the working days and the conflicts; else presence alone
  std::optional<AbsenceLimit> limit;
  // Called before each resource with its share of the whole; may be empty.
  std::function<void(double share)> step;
};

// Walks the groups of `model` (as read and filtered for a chart) and extracts each work
// resource's days once. The model's own day lists stay as they are. A host read that fails
// leaves its days unmarked; a comparison calendar that cannot be read counts Monday to Friday
// as its working days.
AbsenceReport ComputeAbsence(const resources::clsResources& model, host::Project& source,
                             const AbsenceOptions& options);

// The groups of `model` rebuilt from its flat list, each resource under its group text in the
// order the groups first occur: after a chart run, whose dropping of resources without days
// leaves them in the flat list only, the groups are whole again.
std::shared_ptr<resources::clsResources> WholeGroups(const resources::clsResources& model);

// The period a chart run of the engine's settings would chart (the project, a year, a range);
// nullopt when the settings or the project cannot tell.
std::optional<ChartPeriod> SettingsPeriod(const clsKorvalinx& engine);

}  // namespace kx::chart
