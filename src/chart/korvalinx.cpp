#include "chart/korvalinx.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "host/guarded_files.hpp"
#include "chart/chart_rows.hpp"
#include "chart/chart_view.hpp"
#include "resources/period_extraction.hpp"
#include "support/paths.hpp"
#include "support/product.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"

namespace kx::chart {
namespace {

std::string FourDigitYear(std::int32_t year) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d", static_cast<int>(year));
  return buf;
}

}  // namespace

bool ShowProgress(forms::frmKorvalinx* form, float percent, const std::string& text) {
  if (!form) return true;
  host::Resume r;
  r([&] {
    form->barProgress.SetValue(Value(static_cast<double>(std::clamp(percent, 0.0f, 100.0f))));
  });
  r([&] { form->lblProgress.SetCaption(text); });
  r([&] { form->barProgress.Repaint(); });
  r([&] { form->lblProgress.Repaint(); });
  return r.Failed();
}

clsKorvalinx::clsKorvalinx(EngineContext context) : context_(std::move(context)) {
  objResources = std::make_shared<resources::clsResources>();
  host::Resume r;
  r([&] { objProject = context_.application->GetActiveProject(); });
}

void clsKorvalinx::Enter(RunStage stage) {
  if (context_.stage) context_.stage(stage);
}

void clsKorvalinx::Progress(double percent, const std::string& text) {
  ShowProgress(context_.form, static_cast<float>(percent), text);
}

void clsKorvalinx::Wait(int milliseconds) {
  if (context_.clock) context_.clock->Wait(milliseconds);
}

std::int32_t clsKorvalinx::GetSettings(std::vector<settings::StoredProblem>* problems) {
  if (!objProject) return -1;
  RegistryStore& registry = context_.registry ? *context_.registry : DefaultRegistry();
  const Date today = context_.today ? context_.today() : settings::LocalToday();
  return settings::GetSettings(*this, *objProject, registry, today, RegionalSettings::Current(),
                               problems);
}

std::int32_t clsKorvalinx::SaveSettings() {
  if (objProject) settings::SaveSettings(*this, *objProject);
  return 0;
}

std::int32_t clsKorvalinx::GetResourceData() {
  if (objProject) {
    objResources = resources::GetResourceData(*objProject);
  } else {
    objResources = std::make_shared<resources::clsResources>();
  }
  return 0;
}

std::int32_t clsKorvalinx::CheckNullValues(bool blnUseNull, bool blnHoliday, bool blnWorkday) {
  return resources::CheckNullValues(*objResources, blnUseNull, blnHoliday, blnWorkday);
}

std::int32_t clsKorvalinx::ConfigureChartView(bool blnHoliday, bool blnWorkday) {
  return chart::ConfigureChartView(*context_.application, blnHoliday, blnWorkday);
}

std::int32_t clsKorvalinx::CreateNeutralCalendar() {
  return chart::CreateNeutralCalendar(*context_.application);
}

std::int32_t clsKorvalinx::ApplyChartProjectOptions() {
  return chart::ApplyChartProjectOptions(*context_.application);
}

std::int32_t clsKorvalinx::SetFilter(const std::string& strFilter) {
  host::Application& app = *context_.application;
  host::Resume r;
  bool prepared = r([&] { app.GetActiveView().ApplyView("Ressource: Tabelle"); });
  prepared = r([&] { app.GetActiveView().ApplyTable("&Eingabe"); }) && prepared;
  prepared = r([&] { app.GetActiveView().SelectColumn("Name"); }) && prepared;
  // The column is looked for first and added when the table does not have it yet.
  prepared = r.Tolerate([&] { app.GetActiveView().SelectColumn("Einmalige Nr."); }) && prepared;
  if (!prepared) {
    using I16 = std::int16_t;
    r([&] {
      app.GetDefinitions().EditTable({{0, std::string("&Eingabe")},
                                      {1, false},
                                      {4, std::string()},
                                      {5, std::string()},
                                      {6, std::string("Einmalige Nr.")},
                                      {7, std::string()},
                                      {8, I16{10}},
                                      {9, I16{2}},
                                      {10, true},
                                      {11, true},
                                      {12, I16{255}},
                                      {13, I16{1}},
                                      {14, I16{1}},
                                      {15, I16{1}}});
    });
  }
  r([&] { app.GetActiveView().ApplyFilter(strFilter); });

  // A resource whose number cannot be read, or that FindRow does not find, is removed.
  auto shown = [&](const std::shared_ptr<resources::clsResource>& resource) {
    bool found = false;
    r([&] {
      const std::int32_t id = resource->ProjectResource->GetResourceUniqueId();
      found = app.GetActiveView().FindRow("Einmalige Nr.", "Gleich", Value(id));
    });
    return found;
  };
  auto& model = *objResources;
  for (long i = model.colResources.Count(); i >= 1; --i) {
    if (!shown(model.colResources.Item(i))) model.colResources.Remove(i);
  }
  for (long g = model.colResourceGroups.Count(); g >= 1; --g) {
    auto group = model.colResourceGroups.Item(g);
    for (long i = group->colResources.Count(); i >= 1; --i) {
      if (!shown(group->colResources.Item(i))) group->colResources.Remove(i);
    }
    if (group->colResources.Count() == 0) model.colResourceGroups.Remove(g);
  }
  model.lngResourcesCount = static_cast<std::int32_t>(model.colResources.Count());
  return 0;
}

std::int32_t clsKorvalinx::ExportChart() {
  if (MakeChart()) SaveChart();
  return 0;
}

bool clsKorvalinx::MakeChart() {
  host::FailureJournal journal;
  const bool built = BuildChart();
  skipped_ = journal.Failures();
  return built;
}

bool clsKorvalinx::BuildChart() {
  host::Application& app = *context_.application;
  host::Resume r;
  outcome_ = RunOutcome::NotRun;
  runError_.clear();
  period_.reset();
  unnamed_ = cutNames_ = 0;
  cutTitle_ = false;
  const bool vacation = lngPlanType == settings::kPlanVacation;
  const RegionalSettings& regional = RegionalSettings::Current();

  r([&] { app.SetScreenUpdating(false); });
  Progress(10, "Speicherort des Diagramms festlegen...");

  // The target must not be a project that is open in the host.
  bool targetOpen = false;
  r([&] {
    for (const auto& project : app.GetOpenProjects()) {
      if (project && SameFile(project->GetProjectFullName(), strChartPath)) {
        targetOpen = true;
        break;
      }
    }
  });
  // Nor a file that belongs to them: an inserted project, a companion file.
  if (!targetOpen && host::FindGuardedFile(app, strChartPath)) targetOpen = true;
  if (targetOpen) {
    if (context_.boxes)
      ShowMessage(*context_.boxes, kTextTargetOpen, kProductTitle, MsgIcon::Exclamation);
    for (int percent = 20; percent <= 100; percent += 10) {
      Progress(percent, "Ausgabe wird beendet...");
      Wait(100);
    }
    outcome_ = RunOutcome::TargetOpen;
    return false;
  }

  r([&] { app.CreateNewProject(); });
  Progress(13, "Kalender wird angelegt...");
  Wait(100);
  CreateNeutralCalendar();
  Progress(15, "Ressourcenansicht wird konfiguriert...");
  Wait(100);
  ConfigureChartView(vacation, !vacation);
  host::ProjectPtr chartProject;
  r([&] { chartProject = app.GetActiveProject(); });
  Progress(17, "Optionen werden eingestellt...");
  Wait(100);
  ApplyChartProjectOptions();

  // The chart period, as date texts.
  Value periodStart, periodEnd;
  switch (lngPlanDuration) {
    case settings::kPeriodProject:
      r([&] {
        const Date start = objProject->GetProjectStart();
        r([&] { chartProject->SetProjectStart(Value(start)); });
        periodStart = FormatDate(start, regional);
      });
      r([&] { periodEnd = FormatDate(objProject->GetProjectFinish(), regional); });
      r([&] {
        const auto s = ToDate(periodStart, regional), e = ToDate(periodEnd, regional);
        if (s && e && DateOnly(*s) > DateOnly(*e)) periodEnd = periodStart;
      });
      break;
    case settings::kPeriodYear: {
      const std::string year = FourDigitYear(lngPlanDurationYear);
      const std::string sep = regional.dateSeparator;
      periodStart = "01" + sep + "01" + sep + year;
      periodEnd = "31" + sep + "12" + sep + year;
      r([&] { chartProject->SetProjectStart(periodStart); });
      break;
    }
    default:
      r([&] { chartProject->SetProjectStart(varPlanDurationStart); });
      periodStart = varPlanDurationStart;
      periodEnd = varPlanDurationFinish;
      break;
  }

  // The chart project says what it shows: "Urlaubsplan 2025 – Neubau Bürogebäude".
  r([&] {
    if (!chartProject) return;
    const std::string period =
        lngPlanDuration == settings::kPeriodYear
            ? FourDigitYear(lngPlanDurationYear)
            : ToText(periodStart, regional) + " bis " + ToText(periodEnd, regional);
    const std::string source = objProject ? objProject->GetProjectTitle() : std::string();
    const std::string title = std::string(vacation ? "Urlaubsplan " : "Ressourcenzeitplan ") +
                              period + (source.empty() ? "" : " – " + source);
    const std::string_view kept = CutToChars(title, kLongestName);
    cutTitle_ = kept.size() < title.size();
    chartProject->SetProjectTitle(std::string(kept));
  });

  // Day records of every resource.
  double progress = 20;
  const char* extracting =
      vacation ? "Urlaubstage werden berechnet..." : "Arbeitstage werden berechnet...";
  Enter(RunStage::DayRecords);
  Progress(20, extracting);
  Wait(100);
  r([&] {
    const auto s = ToDate(periodStart, regional), e = ToDate(periodEnd, regional);
    if (!s || !e || !objProject) throw host::HostError(host::kErrTypeMismatch, "Zeitraum ungültig");
    resources::PeriodOptions options;
    options.periodStart = DateOnly(*s);
    options.periodEnd = DateOnly(*e);
    period_ = ChartPeriod{options.periodStart, options.periodEnd};
    options.groupResources = blnGroupResources;
    options.calendarType = lngCalendarType;
    options.calendar = strCalendar;
    options.comparisonInstead = comparisonInstead;
    auto step = [&](double share) {
      progress += 20 * share;
      Progress(progress, extracting);
    };
    if (vacation) {
      resources::ExtractHolidays(*objResources, *objProject, options, step);
    } else {
      resources::ExtractWorkdays(*objResources, *objProject, options, step);
    }
  });
  Enter(RunStage::Rows);
  Progress(40, vacation ? "Urlaubstage berechnet." : "Arbeitstage berechnet.");
  Wait(500);

  CheckNullValues(blnUseNullValues, vacation, !vacation);

  // Chart rows.
  progress = 40;
  const char* building =
      vacation ? "Urlaubsdiagramm wird berechnet..." : "Ressourcendiagramm wird berechnet...";
  r([&] {
    if (!chartProject) throw host::HostError(host::kErrNoProject, "kein Diagrammprojekt");
    RowOptions options;
    options.vacationPlan = vacation;
    options.groupResources = blnGroupResources;
    options.colorType = lngColorType;
    options.color = lngColor;
    options.periodStart = ToText(periodStart, regional);
    options.periodEnd = ToText(periodEnd, regional);
    RowState state{lngColorCounter, varFirstHoliday, varLastHoliday};
    WriteChartRows(app, *chartProject, *objResources, options, state, [&](double share) {
      progress += 40 * share;
      Progress(progress, building);
    });
    lngColorCounter = state.lngColorCounter;
    varFirstHoliday = state.varFirstHoliday;
    varLastHoliday = state.varLastHoliday;
    unnamed_ = state.unnamed;
    cutNames_ = state.cutNames;
  });
  Progress(80, vacation ? "Urlaubsdiagramm berechnet." : "Ressourcendiagramm berechnet.");
  Wait(200);
  return true;
}

void clsKorvalinx::SaveChart() {
  host::Application& app = *context_.application;
  const bool vacation = lngPlanType == settings::kPlanVacation;

  // Save. The host writes a temporary file and renames it over the target, so an earlier file
  // at the target is replaced only by a chart that was saved.
  Enter(RunStage::Save);
  Progress(90,
           vacation ? "Urlaubsplan wird gespeichert..." : "Ressourcendiagramm wird gespeichert...");
  host::Resume save;
  if (save([&] { app.SaveProjectAs(strChartPath); })) {
    outcome_ = RunOutcome::Saved;
    Progress(100, vacation ? "Urlaubsplan wurde erstellt." : "Ressourcendiagramm wurde erstellt.");
  } else {
    outcome_ = RunOutcome::SaveFailed;
    runError_ = save.Failures().back().description;
    if (context_.boxes) {
      ShowMessage(*context_.boxes,
                  "Die Diagrammdatei \"" + strChartPath +
                      "\" konnte nicht gespeichert werden:\r\n" + runError_,
                  kProductTitle, MsgIcon::Exclamation);
    }
    Progress(100, vacation ? "Urlaubsplan konnte nicht gespeichert werden."
                           : "Ressourcendiagramm konnte nicht gespeichert werden.");
  }
}

std::string SkippedRunText(const std::vector<host::Failure>& skipped, std::size_t shown) {
  std::string text = "Diagramm geschrieben, aber unvollständig: ";
  text +=
      skipped.size() == 1 ? "1 Schritt wurde" : std::to_string(skipped.size()) + " Schritte wurden";
  text += " übersprungen.";
  for (std::size_t i = 0; i < skipped.size() && i < shown; ++i)
    text +=
        "\r\n- " + skipped[i].description + " (Fehler " + std::to_string(skipped[i].number) + ")";
  if (skipped.size() > shown)
    text += "\r\n- und " + std::to_string(skipped.size() - shown) + " weitere";
  return text;
}

}  // namespace kx::chart
