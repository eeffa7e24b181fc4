#pragma once
// Writes the chart project's task sheet: one summary row per group when grouped, and one row per
// resource whose bar runs from its first to its last marked day with a gap for every unmarked
// day in between, with the period, the day count and, for a resource schedule, the hours.

#include <cstdint>
#include <functional>
#include <string>

#include "host/host.hpp"
#include "resources/resource_model.hpp"

namespace kx::chart {

struct RowOptions {
  bool vacationPlan = true;  // else a resource schedule
  bool groupResources = false;
  std::int32_t colorType = 0;  // 0 one colour for all bars, else a colour per resource
  std::int32_t color = 1;      // position 1 to 17 in the colour list
  std::string periodStart;     // date texts written into "Datum7" and "Datum8"
  std::string periodEnd;
};

// The engine's running values that the rows change.
struct RowState {
  std::int32_t lngColorCounter = 0;
  Value varFirstHoliday;
  Value varLastHoliday;
  long unnamed = 0;   // resource rows without a name, shown as resources::kNoName
  long cutNames = 0;  // names cut to kLongestName characters
};

// Colour code of a bar in one colour: position 1 ("Automatisch") gives 16, position k gives k-2.
inline int SingleColourCode(std::int32_t color) { return (color + 15) % 17; }
// Colour code of the n-th resource row (from 1) with a colour per resource: the codes 1 to 14
// and 0 in turn, passing over the colours that hardly show on white paper (white and yellow).
int ChangingColourCode(std::int32_t counter);

// Writes all rows into the active project. `step` is called before each resource row with its
// share of the stage. Every host call that fails is skipped.
void WriteChartRows(host::Application& app, host::Project& chart, resources::clsResources& model,
                    const RowOptions& options, RowState& state,
                    const std::function<void(double share)>& step);

}  // namespace kx::chart
