#pragma once
// The chart project's own view: the table with the chart's columns, the custom field titles,
// the view over that table and the five bar styles; and the neutral seven-day calendar with the
// chart project's options. All calls go to the active project, which is the new chart project.

#include <cstdint>

#include "host/host.hpp"

namespace kx::chart {

// Host field ids of the chart's custom task fields.
inline constexpr std::int32_t kFieldNumber14 = 188743990;  // "Zahl14"
inline constexpr std::int32_t kFieldNumber15 = 188743991;  // "Zahl15"
inline constexpr std::int32_t kFieldNumber16 = 188743992;  // "Zahl16"
inline constexpr std::int32_t kFieldDate7 = 188743951;     // "Datum7"
inline constexpr std::int32_t kFieldDate8 = 188743952;     // "Datum8"

inline constexpr const char* kNeutralCalendar = "KXNeutral";

// Builds table, view, field titles and bar styles for a vacation plan (`blnHoliday`) or a
// resource schedule (`blnWorkday`). Every step is attempted; returns 0.
std::int32_t ConfigureChartView(host::Application& app, bool blnHoliday, bool blnWorkday);

// Makes the base calendar "KXNeutral" with Saturday and Sunday working too. Returns 0.
std::int32_t CreateNeutralCalendar(host::Application& app);

// Makes "KXNeutral" the chart project's calendar and sets the chart's fixed options. Returns 0.
std::int32_t ApplyChartProjectOptions(host::Application& app);

}  // namespace kx::chart
