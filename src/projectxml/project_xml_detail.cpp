#include "projectxml/project_xml_detail.hpp"

#include <algorithm>
#include <limits>

namespace kx::platform::pxml {
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
