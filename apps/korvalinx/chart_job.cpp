#include "chart_job.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "addin/project_tools.hpp"
#include "chart/korvalinx.hpp"
#include "platform/planning_host.hpp"
#include "platform/project_xml.hpp"
#include "support/clock.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"
#include "wizard/checks.hpp"

namespace kx::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTitle = "Korvalinx";

int BadInput(MessageBoxes& boxes, const std::string& text) {
  ShowMessage(boxes, text, kTitle, MsgIcon::Exclamation);
  return kExitBadInput;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Draws the run's status texts and percentages as a bar on a terminal line.
void DrawProgress(std::ostream& out, double percent, const std::string& text) {
  constexpr int kWidth = 30;
  const int filled = static_cast<int>(std::clamp(percent, 0.0, 100.0) * kWidth / 100.0 + 0.5);
  char head[16];
  std::snprintf(head, sizeof head, "%3.0f%% ", percent);
  out << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] " << head
      << text << "\x1b[K" << std::flush;
}

}  // namespace

std::optional<Date> ParseCommandLineDate(const std::string& text) {
  if (auto iso = ParseIsoDateTime(text)) return DateOnly(*iso);
  if (auto german = ParseDate(text, RegionalSettings::German())) return DateOnly(*german);
  return std::nullopt;
}

int RunChartJob(const ChartJobOptions& options, MessageBoxes& boxes, RegistryStore& registry,
                std::ostream& out, std::ostream* progress) {
  // What can be judged without the project.
  if (options.plan && *options.plan != "schedule" && *options.plan != "vacation")
    return BadInput(boxes, "Unbekannte Diagrammart \"" + *options.plan +
                               "\": erlaubt sind schedule (Ressourcenzeitplan) und vacation "
                               "(Urlaubsplan).");
  if (options.year && (*options.year < settings::kFirstYear || *options.year > settings::kLastYear))
    return BadInput(boxes, "Das Jahr " + std::to_string(*options.year) +
                               " liegt nicht zwischen 1984 und 2049.");
  if (options.colour && (*options.colour < 1 || *options.colour > settings::kColorCount))
    return BadInput(boxes, "Die Farbposition " + std::to_string(*options.colour) +
                               " liegt nicht zwischen 1 und 17.");
  std::optional<Date> from, to;
  if (options.from && !(from = ParseCommandLineDate(*options.from)))
    return BadInput(boxes, "Das Anfangsdatum \"" + *options.from +
                               "\" ist kein Datum (z. B. 15.03.2024 oder 2024-03-15).");
  if (options.to && !(to = ParseCommandLineDate(*options.to)))
    return BadInput(boxes, "Das Enddatum \"" + *options.to +
                               "\" ist kein Datum (z. B. 31.12.2024 oder 2024-12-31).");
  if (from.has_value() != to.has_value())
    return BadInput(boxes, "Ein Zeitraum braucht --from und --to.");
  if (from) {
    if (const auto problem = wizard::CheckDateRange(*from, *to))
      return BadInput(boxes, problem->text);
  }
  if (const auto problem = wizard::CheckChartPath(nullptr, options.output))
    return BadInput(boxes, problem->detail);

  std::error_code ec;
  if (!fs::exists(options.source, ec))
    return BadInput(boxes, "Die Quelldatei \"" + options.source + "\" ist nicht vorhanden.");
  if (fs::is_directory(options.source, ec))
    return BadInput(boxes, "Die Quelldatei \"" + options.source + "\" ist ein Ordner.");

  auto format = std::make_shared<platform::ProjectXmlFormat>();
  platform::PlanningHost host(format);
  host::Resume open;
  if (!open([&] { host.OpenProject(options.source); }))
    return BadInput(boxes, "Die Quelldatei kann nicht gelesen werden:\r\n" +
                               open.Failures().back().description);
  for (const auto& warning : format->LastWarnings())
    ShowMessage(boxes, warning, kTitle, MsgIcon::Information);

  // The launch checks.
  if (!addin::CheckActiveProject(host, true, kTitle, boxes) ||
      !addin::CheckResources(host, true, kTitle, boxes))
    return kExitBadInput;
  if (addin::HasDuplicateResourceNames(host, false, kTitle, boxes)) {
    const MsgAnswer answer = options.yes ? MsgAnswer::Yes
                                         : boxes.Show({addin::kTextDuplicateQuestion, kTitle,
                                                       MsgButtons::YesNo, MsgIcon::Question, 1});
    if (answer != MsgAnswer::Yes) return kExitBadInput;
  }

  forms::frmKorvalinx form;
  NoWaitClock clock;
  chart::clsKorvalinx engine({&host, &form, &boxes, &clock, &registry, nullptr});
  engine.GetSettings();
  host::Project& source = *engine.objProject;

  // The options override the stored settings.
  if (options.plan) engine.lngPlanType = *options.plan == "vacation" ? 1 : 0;
  if (options.wholeProject) engine.lngPlanDuration = 0;
  if (options.year) {
    engine.lngPlanDuration = 1;
    engine.lngPlanDurationYear = *options.year;
  }
  if (from) {
    engine.lngPlanDuration = 2;
    engine.varPlanDurationStart = FormatDate(*from);
    engine.varPlanDurationFinish = FormatDate(*to);
  }
  if (options.calendar) {
    engine.lngCalendarType = 1;
    engine.strCalendar = *options.calendar;
  }
  if (options.filter) {
    engine.lngResourceType = 1;
    engine.strResourceFilter = *options.filter;
  }
  if (options.group) engine.blnGroupResources = *options.group;
  if (options.keepEmpty) engine.blnUseNullValues = *options.keepEmpty;
  if (options.colour) {
    engine.lngColorType = 0;
    engine.lngColor = *options.colour;
  }
  if (options.colours) engine.lngColorType = 1;
  engine.strChartPath = fs::absolute(options.output).lexically_normal().string();
  if (const auto problem = wizard::CheckChartPath(&host, engine.strChartPath))
    return BadInput(boxes, problem->detail);

  // Names the project must have.
  if (engine.lngPlanType == 1 && engine.lngCalendarType != 0) {
    std::vector<std::string> calendars;
    host::Resume r;
    r([&] {
      for (const auto& c : source.GetBaseCalendars()) calendars.push_back(c->GetCalendarName());
    });
    if (!Contains(calendars, engine.strCalendar))
      return BadInput(boxes,
                      "Das Projekt hat keinen Basiskalender \"" + engine.strCalendar + "\".");
  }
  const std::string filter =
      engine.lngResourceType == 1 ? engine.strResourceFilter : std::string("Alle Ressourcen");
  {
    host::Resume r;
    const auto filters =
        r.Get([&] { return source.GetResourceFilters(); }, std::vector<std::string>());
    if (!Contains(filters, filter))
      return BadInput(boxes, "Das Projekt hat keinen Ressourcenfilter \"" + filter + "\".");
  }
  if (engine.lngPlanDuration == 2) {
    const auto s = ToDate(engine.varPlanDurationStart), e = ToDate(engine.varPlanDurationFinish);
    if (!s || !e) return BadInput(boxes, "Der gespeicherte Zeitraum ist ungültig.");
    if (const auto problem = wizard::CheckDateRange(*s, *e)) return BadInput(boxes, problem->text);
  }

  engine.GetResourceData();
  engine.SetFilter(filter);
  engine.objResources->lngResourcesCount =
      static_cast<std::int32_t>(engine.objResources->colResources.Count());
  if (const auto problem = wizard::CheckResourceCount(engine.objResources->lngResourcesCount))
    return BadInput(boxes, problem->text);

  if (options.saveSettings) {
    engine.SaveSettings();
    host::Resume r;
    if (!r([&] {
          platform::SaveCompanionOnly(*platform::PlanningHost::DataOf(engine.objProject),
                                      options.source);
        }))
      ShowMessage(boxes,
                  "Die Einstellungen konnten nicht gespeichert werden:\r\n" +
                      r.Failures().back().description,
                  kTitle, MsgIcon::Exclamation);
  }

  int subscription = -1;
  if (progress) {
    subscription = form.Subscribe([&](const forms::Control* c, forms::Property p) {
      if (c == &form.lblProgress && p == forms::Property::Repaint)
        DrawProgress(*progress, ToNumber(form.barProgress.Value()).value_or(0),
                     form.lblProgress.Caption());
    });
  }
  engine.ExportChart();
  if (progress) {
    form.Unsubscribe(subscription);
    *progress << "\n" << std::flush;
  }

  const bool vacation = engine.lngPlanType == 1;
  switch (engine.LastRunOutcome()) {
    case chart::RunOutcome::Saved:
      out << (vacation ? "Urlaubsplan" : "Ressourcenzeitplan")
          << " gespeichert: " << engine.strChartPath << "\n";
      return kExitOk;
    case chart::RunOutcome::TargetOpen:
      return kExitBadInput;
    default:
      return kExitSaveFailed;
  }
}

}  // namespace kx::app
