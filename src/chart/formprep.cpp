// The wizard's lists and controls, filled from the source project and the loaded settings.

#include <cstdint>
#include <string>
#include <vector>

#include "chart/korvalinx.hpp"
#include "forms/bar_colors.hpp"
#include "settings/chart_settings.hpp"
#include "support/product.hpp"

namespace kx::chart {
namespace {

constexpr const char* kDefaultCalendar = "Standard";

// Switches on member `index` of the option group, which raises its click as a user's click.
void SelectOption(forms::ControlArray& group, std::int32_t index) {
  group[index].SetValue(Value(true));
}

}  // namespace

std::int32_t clsKorvalinx::Formprep() {
  forms::frmKorvalinx* form = context_.form;
  if (form == nullptr) return -1;
  forms::frmKorvalinx& f = *form;
  host::Resume r;

  // Check boxes raise their click only when their value changes.
  r([&] { f.chkGroup.SetValue(Value(std::int32_t{blnGroupResources ? 1 : 0})); });
  r([&] { f.chkNull.SetValue(Value(std::int32_t{blnUseNullValues ? 1 : 0})); });

  r([&] { SelectOption(f.optPlan, lngPlanType); });
  r([&] { SelectOption(f.optCalendar, lngCalendarType); });

  // Base calendars in the host's order; a name the list holds already is skipped.
  r([&] { f.cboCalendar.Clear(); });
  std::vector<host::CalendarPtr> calendars;
  r([&] {
    if (!objProject) throw host::HostError(host::kErrNoProject, "Es ist kein Quellprojekt da.");
    calendars = objProject->GetBaseCalendars();
  });
  for (const auto& calendar : calendars) {
    r([&] {
      if (!calendar) throw host::HostError(host::kErrNotFound, "leerer Kalendereintrag");
      const std::string name = calendar->GetCalendarName();
      f.cboCalendar.AddItem(forms::ListItem{name, name, {}});
    });
  }
  r([&] { f.cboCalendar.SetText(strCalendar.empty() ? kDefaultCalendar : strCalendar); });

  r([&] { SelectOption(f.optDate, lngPlanDuration); });

  r([&] { f.cboYear.Clear(); });
  for (int year = settings::kFirstYear; year <= settings::kLastYear; ++year) {
    r([&] { f.cboYear.AddItem(std::to_string(year)); });
  }
  r([&] { f.cboYear.SetText(std::to_string(lngPlanDurationYear)); });

  r([&] { f.dtpDateFrom.SetValue(varPlanDurationStart); });
  r([&] { f.dtpDateTo.SetValue(varPlanDurationFinish); });

  // The model holds all resources now, so the wizard opens on "Alle Ressourcen".
  r([&] { SelectOption(f.optResources, 0); });

  r([&] { f.cboFilter.Clear(); });
  std::vector<std::string> filters;
  r([&] {
    if (!objProject) throw host::HostError(host::kErrNoProject, "Es ist kein Quellprojekt da.");
    filters = objProject->GetResourceFilters();
  });
  for (const auto& filter : filters) {
    r([&] { f.cboFilter.AddItem(filter); });
  }
  r([&] {
    f.cboFilter.SetText(strResourceFilter.empty() ? kAllResourcesFilter : strResourceFilter);
  });

  r([&] { SelectOption(f.optColor, lngColorType); });

  r([&] { f.imcColor.SetImageList(f.imlKorvalinx.Name()); });
  r([&] { f.imcColor.Clear(); });
  for (const forms::BarColor& colour : forms::BarColors()) {
    r([&] { f.imcColor.AddItem(forms::ListItem{colour.text, colour.key, colour.key}); });
  }
  r([&] {
    const std::int64_t index = std::int64_t{lngColor} - 1;
    if (index < 0 || index >= f.imcColor.ListCount()) {
      throw forms::FormError(forms::kErrInvalidIndex,
                             "Die Farbe " + std::to_string(lngColor) + " gibt es nicht.");
    }
    f.imcColor.SetListIndex(static_cast<int>(index));
  });

  return r.ResultCode();
}

}  // namespace kx::chart
