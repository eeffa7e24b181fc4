#pragma once
// Turns the calendars and the work of the resources into day records: vacation days (the
// resource's calendar keeps the day free while the comparison calendar works) or working days
// with their hours, trimmed to the first and the last marked day of each resource.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "resources/resource_model.hpp"

namespace kx::resources {

// One resource in chart order and its share of a progress stage (1 / resources without
// grouping; 1 / groups / resources of its group with grouping).
struct ChartOrderItem {
  std::shared_ptr<clsResource> resource;
  double share = 0.0;
};

// The resources in the order the chart takes them: the flat list, or group by group.
std::vector<ChartOrderItem> ChartOrder(const clsResources& model, bool groupResources);

struct PeriodOptions {
  Date periodStart;  // first day of the period
  Date periodEnd;    // last day of the period
  bool groupResources = false;
  std::int32_t calendarType = 0;  // 0: each resource's base calendar; else `calendar`
  std::string calendar;
  // With each resource's base calendar: the calendar compared with in place of a base calendar,
  // by name (that base calendar with a state's holidays, say); one not named is itself.
  std::map<std::string, std::string> comparisonInstead;
};

// The name of the calendar that a resource whose base calendar is `baseName` is compared with.
std::string ComparisonName(std::int32_t calendarType, const std::string& calendar,
                           const std::map<std::string, std::string>& instead,
                           const std::string& baseName);

// Called before each resource with its share of the stage.
using ProgressStep = std::function<void(double share)>;

// Appends a clsHoliday per day of the period to every work resource and trims the lists.
void ExtractHolidays(clsResources& model, host::Project& source, const PeriodOptions& options,
                     const ProgressStep& step);
// Appends a clsWorkday per day of the period to every work resource and trims the lists.
void ExtractWorkdays(clsResources& model, host::Project& source, const PeriodOptions& options,
                     const ProgressStep& step);

struct RunShared;

// The extractions of many resources over one period, sharing what each would make anew: the
// date texts of the period's days and the comparison calendars' months already read. Made for
// one run; it must not outlive the calendars as they were read.
class SharedExtraction {
 public:
  explicit SharedExtraction(const PeriodOptions& options);
  ~SharedExtraction();
  SharedExtraction(const SharedExtraction&) = delete;
  SharedExtraction& operator=(const SharedExtraction&) = delete;
  // As ExtractHolidaysOf and ExtractWorkdaysOf.
  void Holidays(clsResource& resource, const host::CalendarPtr& compare);
  void Workdays(clsResource& resource);

 private:
  PeriodOptions options_;
  std::unique_ptr<RunShared> shared_;
};

// Vacation days of one resource against the comparison calendar `compare` (may be null).
void ExtractHolidaysOf(clsResource& resource, const host::CalendarPtr& compare,
                       const PeriodOptions& options);
// Working days of one resource.
void ExtractWorkdaysOf(clsResource& resource, const PeriodOptions& options);

}  // namespace kx::resources
