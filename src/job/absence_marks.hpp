#pragma once
// Marks a chart picture with who is away and where work meets a vacation day: the counts of a
// vacation plan's group rows (from the rows below them, or from a computed report) and red day
// marks on a schedule's resource rows.

#include <optional>

#include "chart/absence.hpp"
#include "gantt/chart_model.hpp"

namespace kx::job {

// Each group row of a grouped vacation plan gets, per day, the number of rows below it whose
// bar marks the day; the rows below it are the group's size for a limit in percent. Returns the
// number of group rows marked.
std::size_t MarkPresenceFromRows(gantt::ChartModel& model,
                                 const std::optional<chart::AbsenceLimit>& limit);

// Group rows get the report's counts of people away (by the group's name); resource rows its
// conflicts as red days (by group and name). Returns the number of rows marked.
std::size_t MarkFromReport(gantt::ChartModel& model, const chart::AbsenceReport& report,
                           bool presence, bool conflicts);

}  // namespace kx::job
