#pragma once
// The chart engine: the chart settings of one chart, the resource model of the source project,
// and the run that turns them into a chart project.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "forms/frm_korvalinx.hpp"
#include "resources/resource_model.hpp"
#include "settings/chart_settings.hpp"
#include "support/clock.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"

namespace kx::chart {

// What the engine works with. The application is the one whose active project is charted; the
// form shows the run's progress (may be null); waits go through the clock.
// The stages of a chart run, in their order, as the run enters each.
enum class RunStage {
  DayRecords,  // the day records of every resource
  Rows,        // the chart rows
  Save,        // the chart file
};

struct EngineContext {
  host::Application* application = nullptr;
  forms::frmKorvalinx* form = nullptr;
  MessageBoxes* boxes = nullptr;
  Clock* clock = nullptr;
  RegistryStore* registry = nullptr;  // null: the default registry
  std::function<Date()> today;        // null: the computer's date
  std::function<void(RunStage)> stage;  // told as the run enters each stage; may be empty
};

// How the last chart run ended.
enum class RunOutcome { NotRun, Saved, TargetOpen, SaveFailed };

// The first and the last day of a chart run's period.
struct ChartPeriod {
  Date first;
  Date last;
};

// Sets the form's progress bar to `percent` and its status label to `text`, and redraws both.
// Returns true when a step failed.
bool ShowProgress(forms::frmKorvalinx* form, float percent, const std::string& text);

class clsKorvalinx : public settings::ChartSettings {
 public:
  // Takes the application's active project as the source project.
  explicit clsKorvalinx(EngineContext context);

  host::ProjectPtr objProject;
  std::shared_ptr<resources::clsResources> objResources;
  // With each resource's base calendar as the comparison: the calendar compared with in place
  // of a base calendar, by name (not a stored setting; the job's holidays set it).
  std::map<std::string, std::string> comparisonInstead;
  std::int32_t lngColorCounter = 0;
  Value varFirstHoliday;
  Value varLastHoliday;

  // Fills the settings from the source project's properties, else the user's defaults; the
  // values of the project that were not taken are added to `problems` when given.
  std::int32_t GetSettings(std::vector<settings::StoredProblem>* problems = nullptr);
  // Stores the settings as properties of the source project.
  std::int32_t SaveSettings();
  // Reads the resource model anew from the source project and its inserted projects.
  std::int32_t GetResourceData();
  std::int32_t CheckNullValues(bool blnUseNull, bool blnHoliday, bool blnWorkday);
  // Applies `strFilter` in the source project and drops the resources it hides.
  std::int32_t SetFilter(const std::string& strFilter);
  std::int32_t ConfigureChartView(bool blnHoliday, bool blnWorkday);
  std::int32_t CreateNeutralCalendar();
  std::int32_t ApplyChartProjectOptions();
  // Makes the chart project and saves it at strChartPath. Returns 0.
  std::int32_t ExportChart();
  // ExportChart in two steps, for a caller that looks at the chart before it is saved:
  // MakeChart makes the chart project (false when the run ended early: the target is open),
  // SaveChart saves it.
  bool MakeChart();
  void SaveChart();
  std::int32_t Formprep();  // fills the wizard's lists and controls; -1 when a step failed

  RunOutcome LastRunOutcome() const { return outcome_; }
  // The reason of a failed save, empty otherwise.
  const std::string& LastRunError() const { return runError_; }
  // The period that the last run fixed; empty before a run and when the target was open.
  const std::optional<ChartPeriod>& LastRunPeriod() const { return period_; }
  // What the last run passed over while it made the chart (a field, a split, a bar format or a
  // definition the host refused, a day it could not read); empty after a clean run. A failed
  // save is not among them (see LastRunOutcome).
  const std::vector<host::Failure>& LastRunSkipped() const { return skipped_; }
  // What the last run changed of the texts it put into the chart: the resources without a name
  // (blanks only), shown as resources::kNoName; the names and whether the title were cut to
  // kLongestName characters.
  long LastRunUnnamed() const { return unnamed_; }
  long LastRunCutNames() const { return cutNames_; }
  bool LastRunCutTitle() const { return cutTitle_; }
  const EngineContext& Context() const { return context_; }
  void SetForm(forms::frmKorvalinx* form) { context_.form = form; }

 private:
  // The run up to the save; false when it ended early (the target is open in the host).
  bool BuildChart();
  void Progress(double percent, const std::string& text);
  void Enter(RunStage stage);
  void Wait(int milliseconds);

  EngineContext context_;
  RunOutcome outcome_ = RunOutcome::NotRun;
  std::string runError_;
  std::optional<ChartPeriod> period_;
  std::vector<host::Failure> skipped_;
  long unnamed_ = 0;
  long cutNames_ = 0;
  bool cutTitle_ = false;
};

// The German message after a run that passed over `skipped`: that the chart is incomplete, how
// many steps were passed over and the first `shown` of them.
std::string SkippedRunText(const std::vector<host::Failure>& skipped, std::size_t shown = 5);

// Text shown when the chart target is open in the host (three lines).
inline constexpr const char* kTextTargetOpen =
    "Ein Projekt mit dem gewählten Dateinamen ist      \r\n"
    "momentan in Project geöffnet. Bitte schließen       \r\n"
    "Sie zuerst die Projektdatei.";

}  // namespace kx::chart
