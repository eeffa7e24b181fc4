#pragma once
// Chart runs over March 2024 (Friday 1st to Sunday 31st) in the planning host, whose tables
// the export tests write and read back.

#include <string>

#include "chart/chart_fixture.hpp"
#include "exports/chart_table.hpp"

namespace kx::exports::testing {

using chart::testing::DaysOff;

inline std::shared_ptr<platform::AssignmentData> Work(Date day, double minutes) {
  auto a = std::make_shared<platform::AssignmentData>();
  a->start = Date(day.serial + 8.0 / 24);
  a->finish = Date(day.serial + 17.0 / 24);
  a->workMinutes = minutes;
  a->timephased = {{a->start, a->finish, minutes}};
  return a;
}

inline Date March(int day) { return DateSerial(2024, 3, day); }

class ExportTest : public chart::testing::ChartTest {
 protected:
  // Makes the engine, runs a chart of March 2024 and reads its table.
  ChartTable Run(bool vacation, bool grouped = false, bool keepEmpty = true) {
    auto& e = Engine();
    e.lngPlanType = vacation ? 1 : 0;
    e.lngPlanDuration = 2;
    e.varPlanDurationStart = std::string("01.03.2024");
    e.varPlanDurationFinish = std::string("31.03.2024");
    e.blnGroupResources = grouped;
    e.blnUseNullValues = keepEmpty;
    e.ExportChart();
    return ReadChartTable(e, "Bau", e.strChartPath);
  }
  std::string File(const std::string& name) const { return (dir / name).string(); }
};

}  // namespace kx::exports::testing
