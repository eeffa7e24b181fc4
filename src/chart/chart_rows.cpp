#include "chart/chart_rows.hpp"

#include <vector>

#include "forms/bar_colors.hpp"
#include "resources/period_extraction.hpp"
#include "support/regional.hpp"

namespace kx::chart {

int ChangingColourCode(std::int32_t counter) {
  // A colour this light or lighter is lost on the white grid of a chart.
  constexpr double kTooLight = 0.85;
  static const std::vector<int> kCodes = [] {
    std::vector<int> codes;
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0})
      for (const forms::BarColor& c : forms::BarColors())
        if (c.hostColor == code && forms::Lightness(c.fill) < kTooLight) codes.push_back(code);
    return codes;
  }();
  const auto n = static_cast<std::int32_t>(kCodes.size());
  return kCodes[static_cast<std::size_t>(((counter - 1) % n + n) % n)];
}

namespace {

constexpr double kChartDayMinutes = 480.0;
constexpr double kGapHour = 8.0 / 24.0;  // 08:00 as a fraction of the day

struct DayRecord {
  std::string date;
  bool marked = false;
  double hours = 0.0;
};

std::vector<DayRecord> DaysOf(resources::clsResource& resource, bool vacationPlan) {
  std::vector<DayRecord> days;
  days.reserve(static_cast<std::size_t>(vacationPlan ? resource.colHolidays.Count()
                                                     : resource.colWorkdays.Count()));
  if (vacationPlan) {
    for (long i = 1; i <= resource.colHolidays.Count(); ++i) {
      const auto& h = resource.colHolidays.Item(i);
      days.push_back({ToText(h->varDate), h->blnIsHoliday, 0.0});
    }
  } else {
    for (long i = 1; i <= resource.colWorkdays.Count(); ++i) {
      const auto& w = resource.colWorkdays.Item(i);
      days.push_back({ToText(w->varDate), w->blnIsWorkday, w->dblHours});
    }
  }
  return days;
}

void WriteResourceRow(host::Application& app, host::Project& chart,
                      resources::clsResource& resource, long row, const RowOptions& options,
                      RowState& state, double share,
                      const std::function<void(double share)>& step) {
  host::Resume r;
  const RegionalSettings& regional = RegionalSettings::Current();
  ++state.lngColorCounter;
  if (step) step(share);
  auto& view = app.GetActiveView();
  auto field = [&](const char* name, const std::string& value) {
    r([&] { app.GetActiveView().SetTaskField(name, value); });
  };
  r([&] { view.SelectTaskCell(row, "Name", false); });
  r([&] {
    const std::string name = resource.ProjectResource->GetResourceName();
    bool cut = false;
    view.SetTaskField("Name", resources::ChartName(name, &cut));
    if (resources::IsUnnamed(name)) ++state.unnamed;
    if (cut) ++state.cutNames;
  });
  field("Rollup", "Ja");

  const std::vector<DayRecord> days = DaysOf(resource, options.vacationPlan);
  const long n = static_cast<long>(days.size());
  std::string duration = "0";
  if (n >= 1) {
    state.varFirstHoliday = days.front().date;
    state.varLastHoliday = days.back().date;
    r([&] {
      const auto first = ToDate(state.varFirstHoliday);
      const auto last = ToDate(state.varLastHoliday);
      if (!first || !last) throw host::HostError(host::kErrTypeMismatch, "Datum ungültig");
      const long span = static_cast<long>(DateOnly(*last).serial - DateOnly(*first).serial) + 1;
      duration = std::to_string(span) + " " + regional.dayUnit;
    });
    field("Anfang", ToText(state.varFirstHoliday));
  }
  field("Dauer", duration);
  field("Datum7", options.periodStart);
  field("Datum8", options.periodEnd);
  if (n == 0) {
    field("Balken ausblenden", "Ja");
  } else if (options.colorType != 0) {
    r([&] { view.FormatTaskBar(row, ChangingColourCode(state.lngColorCounter)); });
  } else {
    r([&] { view.FormatTaskBar(row, SingleColourCode(options.color)); });
  }

  long dayCount = n;
  double hours = 0.0;  // the exact sum of the day hours
  // The row's task is fetched once for all its gaps: cutting them keeps it the same task. Should
  // the fetch fail, each gap asks again and fails on its own, as it always did.
  host::TaskPtr rowTask;
  if (n > 0) {
    try {
      rowTask = chart.GetProjectTasks().Item(row);
    } catch (const host::HostError&) {
      rowTask = nullptr;
    }
  }
  const auto task = [&] { return rowTask ? rowTask : chart.GetProjectTasks().Item(row); };
  for (const DayRecord& day : days) {
    if (day.marked) {
      hours += day.hours;
      continue;
    }
    --dayCount;
    r([&] {
      const auto date = ParseDate(day.date, regional);
      if (!date) throw host::HostError(host::kErrTypeMismatch, "Datum ungültig: " + day.date);
      // The gap runs from 08:00 of the day to 08:00 of the next, handed over as moments.
      const double d = DateOnly(*date).serial;
      if (regional.timeSeparator == ":") {
        task()->SplitTask(Value(Date(d + kGapHour)), Value(Date(d + 1 + kGapHour)));
      } else {
        task()->SplitTask(Value(FormatDate(Date(d)) + " 08:00"),
                          Value(FormatDate(Date(d + 1)) + " 08:00"));
      }
    });
    r([&] {
      const auto t = task();
      t->SetTaskDuration(t->GetTaskDuration() - kChartDayMinutes);
    });
  }

  const bool grouped = options.groupResources;
  if (options.vacationPlan) {
    if (grouped) field("Gliederungsebene", "2");
    field("Zahl14", std::to_string(dayCount));
  } else {
    field("Zahl15", std::to_string(dayCount));
    field("Zahl16", FormatNumber(hours, 1, regional));
    if (grouped) field("Gliederungsebene", "2");
  }
  r([&] { view.CompleteTaskRow(); });
}

}  // namespace

void WriteChartRows(host::Application& app, host::Project& chart, resources::clsResources& model,
                    const RowOptions& options, RowState& state,
                    const std::function<void(double share)>& step) {
  state.lngColorCounter = 0;
  const auto order = resources::ChartOrder(model, options.groupResources);
  if (!options.groupResources) {
    long row = 0;
    for (const auto& item : order) {
      ++row;
      if (item.resource)
        WriteResourceRow(app, chart, *item.resource, row, options, state, item.share, step);
    }
    return;
  }
  long chartRow = 0;
  std::size_t next = 0;
  for (long g = 1; g <= model.colResourceGroups.Count(); ++g) {
    const auto group = model.colResourceGroups.Item(g);
    host::Resume r;
    ++chartRow;
    r([&] { app.GetActiveView().SelectTaskCell(chartRow, "Name", false); });
    r([&] {
      bool cut = false;
      app.GetActiveView().SetTaskField("Name", resources::ChartName(group->strName, &cut));
      if (cut) ++state.cutNames;
    });
    r([&] { app.GetActiveView().SetTaskField("Datum7", options.periodStart); });
    r([&] { app.GetActiveView().SetTaskField("Datum8", options.periodEnd); });
    r([&] { app.GetActiveView().SetTaskField("Gliederungsebene", "1"); });
    const long n = group->colResources.Count();
    for (long i = 1; i <= n && next < order.size(); ++i, ++next) {
      WriteResourceRow(app, chart, *order[next].resource, chartRow + i, options, state,
                       order[next].share, step);
    }
    chartRow += n;
  }
}

}  // namespace kx::chart
