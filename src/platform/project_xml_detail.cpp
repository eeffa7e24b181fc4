#include "platform/project_xml_detail.hpp"

#include <algorithm>
#include <limits>

namespace kx::platform::pxml {
namespace {

constexpr std::int32_t kNumber1 = 188743767;  // Number1..Number5
constexpr std::int32_t kNumber6 = 188743982;  // Number6..Number20
constexpr std::int32_t kDate1 = 188743945;    // Date1..Date10

}  // namespace

std::optional<CustomField> CustomFieldOf(std::int32_t id) {
  if (id >= kNumber1 && id < kNumber1 + 5) return CustomField{false, id - kNumber1 + 1};
  if (id >= kNumber6 && id < kNumber6 + 15) return CustomField{false, id - kNumber6 + 6};
  if (id >= kDate1 && id < kDate1 + 10) return CustomField{true, id - kDate1 + 1};
  return std::nullopt;
}

std::optional<std::int32_t> FieldIdOf(const std::string& name) {
  auto number = [&](std::size_t prefix) -> int {
    if (name.size() <= prefix || name.size() > prefix + 2) return 0;
    int n = 0;
    for (std::size_t i = prefix; i < name.size(); ++i) {
      if (name[i] < '0' || name[i] > '9') return 0;
      n = n * 10 + (name[i] - '0');
    }
    return n;
  };
  if (name.rfind("Zahl", 0) == 0) {
    const int n = number(4);
    if (n >= 1 && n <= 5) return kNumber1 + n - 1;
    if (n >= 6 && n <= 20) return kNumber6 + n - 6;
  } else if (name.rfind("Datum", 0) == 0) {
    const int n = number(5);
    if (n >= 1 && n <= 10) return kDate1 + n - 1;
  }
  return std::nullopt;
}

std::string ModelFieldName(const CustomField& f) {
  return (f.isDate ? "Datum" : "Zahl") + std::to_string(f.number);
}

std::string XmlFieldName(const CustomField& f) {
  return (f.isDate ? "Date" : "Number") + std::to_string(f.number);
}

std::vector<std::pair<Date, Date>> GapsFromWork(std::vector<WorkStretch> stretches) {
  std::stable_sort(stretches.begin(), stretches.end(),
                   [](const WorkStretch& a, const WorkStretch& b) { return a.start < b.start; });
  std::vector<std::pair<Date, Date>> gaps;
  bool seenWork = false;
  double workUntil = -std::numeric_limits<double>::infinity();
  bool open = false;
  Date gapStart, gapEnd;
  for (const WorkStretch& s : stretches) {
    if (s.minutes > 0) {
      if (open) {
        const Date end = std::min(gapEnd, s.start);
        if (gapStart < end) gaps.emplace_back(gapStart, end);
        open = false;
      }
      seenWork = true;
      workUntil = std::max(workUntil, s.finish.serial);
    } else if (s.minutes == 0 && seenWork) {
      const Date begin(std::max(s.start.serial, workUntil));
      if (!(begin < s.finish)) continue;
      if (!open) {
        open = true;
        gapStart = begin;
        gapEnd = s.finish;
      } else {
        gapEnd = std::max(gapEnd, s.finish);
      }
    }
  }
  return NormalisedGaps(std::move(gaps));  // a run still open at the end is no gap
}

std::vector<std::pair<Date, Date>> NormalisedGaps(std::vector<std::pair<Date, Date>> gaps) {
  std::sort(gaps.begin(), gaps.end());
  std::vector<std::pair<Date, Date>> out;
  for (const auto& g : gaps) {
    if (!out.empty() && !(out.back().second < g.first)) {
      out.back().second = std::max(out.back().second, g.second);
    } else {
      out.push_back(g);
    }
  }
  return out;
}

WorkingTimes HostDefaultTimes(int weekday) {
  return weekday >= 1 && weekday <= 5 ? DefaultWorkingTimes() : WorkingTimes{};
}

}  // namespace kx::platform::pxml
