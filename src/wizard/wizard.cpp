#include "wizard/wizard.hpp"

#include <limits>
#include <utility>
#include <vector>

#include "settings/chart_settings.hpp"
#include "support/product.hpp"
#include "support/regional.hpp"
#include "support/text.hpp"
#include "chart/checks.hpp"
#include "wizard/option_tools.hpp"

namespace kx::wizard {
namespace {

using basOptionTools::GetSelectedOption;

constexpr const char* kSaveTitle = "Ressourcendiagramm speichern";
constexpr const char* kProposedName = "Ressourcendiagramm für ";
constexpr const char* kChartExtension = "xml";
constexpr const char* kChartFilter = "Projekte (*.xml)";
constexpr const char* kFinishCaption = "Fertig";

MessageBoxes& Silent() {
  static SilentMessageBoxes boxes;
  return boxes;
}

// Returns the index of the selected option of `group`; throws when the group cannot be read.
std::int32_t SelectedOption(const ControlArray& group) {
  const std::int32_t index = GetSelectedOption(group);
  if (index < 0) {
    throw FormError(kErrInvalidValue, "Die Optionsgruppe " + group.Name() + " ist nicht lesbar.");
  }
  return index;
}

}  // namespace

KorvalinxWizard::KorvalinxWizard(SharedReferences& shared, WizardServices services)
    : shared_(shared), services_(std::move(services)) {
  Connect();
}

KorvalinxWizard::~KorvalinxWizard() = default;

void KorvalinxWizard::Connect() {
  onLoad = [this](Form&) { Form_Load(); };
  onUnload = [this](Form&) { Form_Unload(); };
  cmdNext.onClick = [this](Control&) { cmdNext_Click(); };
  cmdBack.onClick = [this](Control&) { cmdBack_Click(); };
  cmdFinish.onClick = [this](Control&) { cmdFinish_Click(); };
  cmdCancel.onClick = [this](Control&) { cmdCancel_Click(); };
  cmdInfo.onClick = [this](Control&) { cmdInfo_Click(); };
  cmdSave.onClick = [this](Control&) { cmdSave_Click(); };
  cmdSetDefaults.onClick = [this](Control&) { cmdSetDefaults_Click(); };
  chkGroup.onClick = [this](Control&) { chkGroup_Click(); };
  cboFilter.onClick = [this](Control&) { cboFilter_Click(); };
  const auto each = [](ControlArray& group, auto handler) {
    for (Control* option : group.Members()) {
      option->onClick = [handler](Control& c) { handler(c.Index()); };
    }
  };
  each(optPlan, [this](int i) { optPlan_Click(i); });
  each(optCalendar, [this](int i) { optCalendar_Click(i); });
  each(optDate, [this](int i) { optDate_Click(i); });
  each(optResources, [this](int i) { optResources_Click(i); });
  each(optColor, [this](int i) { optColor_Click(i); });
}

chart::clsKorvalinx& KorvalinxWizard::objKorvalinx() {
  if (!engine_) {
    if (shared_.gobjApplication == nullptr) {
      throw host::HostError(host::kErrNoProject, "Es ist keine Projektanwendung bekannt.");
    }
    chart::EngineContext context;
    context.application = shared_.gobjApplication;
    context.form = shared_.gfrmKorvalinx != nullptr ? shared_.gfrmKorvalinx : this;
    context.boxes = services_.boxes;
    context.clock = services_.clock;
    context.registry = services_.registry;
    context.today = services_.today;
    engine_ = std::make_unique<chart::clsKorvalinx>(std::move(context));
  }
  return *engine_;
}

int KorvalinxWizard::CurrentStep() const {
  const std::string& tag = cmdNext.Tag();
  if (tag.size() != 5 || tag.compare(0, 4, "Step") != 0) return 0;
  const int step = tag[4] - '0';
  return step >= 1 && step <= kStepCount ? step : 0;
}

void KorvalinxWizard::Message(const std::string& text, const std::string& title, MsgIcon icon) {
  MessageBoxes& boxes = services_.boxes != nullptr ? *services_.boxes : Silent();
  host::Resume r;
  r([&] { ShowMessage(boxes, text, title, icon); });
}

RegistryStore& KorvalinxWizard::Registry() {
  return services_.registry != nullptr ? *services_.registry : DefaultRegistry();
}

// ---------------------------------------------------------------------------------------------
// Steps

std::vector<Control*> KorvalinxWizard::TabOrderOf(int step, StepDirection direction) {
  const bool back = direction == StepDirection::Back;
  std::vector<Control*> order{&cmdNext, &cmdFinish};
  switch (step) {
    case 1:
      if (back) order.push_back(&txtChartPath);
      order.push_back(&cmdSave);
      break;
    case 2:
      order.insert(order.end(),
                   {&optPlan[0], &optPlan[1], &optCalendar[0], &optCalendar[1], &cboCalendar});
      break;
    case 3:
      if (back) {
        order.insert(order.end(), {&optDate[0], &optDate[1], &cboYear, &optDate[2]});
      } else {
        order.insert(order.end(), {&optDate[0], &optDate[1], &optDate[2], &cboYear});
      }
      order.insert(order.end(), {&dtpDateFrom, &dtpDateTo});
      break;
    case 4:
      order.insert(order.end(), {&optResources[0], &optResources[1], &cboFilter});
      break;
    case 5:
      if (back) {
        order.insert(order.end(), {&optColor[0], &imcColor, &optColor[1]});
      } else {
        order.insert(order.end(), {&optColor[0], &optColor[1], &imcColor});
      }
      break;
    case 6:
      order.insert(order.end(), {&chkGroup, &chkNull});
      break;
    case 7:
      order.push_back(&cmdSetDefaults);
      break;
    default:
      break;
  }
  order.insert(order.end(), {&cmdCancel, &cmdBack});
  return order;
}

void KorvalinxWizard::SetTabOrder(const std::vector<Control*>& order) {
  host::Resume r;
  const std::vector<Control*>& controls = Controls();
  // The first control of the form (the information button) keeps its tab stop.
  for (std::size_t i = 1; i < controls.size(); ++i) {
    Control* control = controls[i];
    if (control->Supports(Property::TabStop)) r([&] { control->SetTabStop(false); });
  }
  int index = 0;
  for (Control* control : order) {
    r([&] { control->SetTabStop(true); });
    r([&] { control->SetTabIndex(index); });
    ++index;
    if (control->Supports(Property::SelStart)) {
      r([&] { control->SetSelStart(0); });
      r([&] { control->SetSelLength(0); });
    }
  }
}

void KorvalinxWizard::ShowStep(int step, StepDirection direction) {
  host::Resume r;
  const int leaving = CurrentStep();
  if (leaving != 0 && leaving != step) r([&] { StepFrame(leaving).Move(kOffForm, kOffForm); });
  r([&] { StepFrame(step).Move(kStepLeft, kStepTop); });
  r([&] { cmdNext.SetTag("Step" + std::to_string(step)); });
  r([&] { cmdBack.SetEnabled(step != 1); });
  r([&] { cmdNext.SetEnabled(step != kStepCount); });
  SetTabOrder(TabOrderOf(step, direction));
  // In the last step "Weiter >" is disabled: the focus goes to "Ende" instead.
  if (!r([&] { cmdNext.SetFocus(); })) r([&] { cmdFinish.SetFocus(); });
}

// ---------------------------------------------------------------------------------------------
// Checks

bool KorvalinxWizard::PathPasses(bool atFinish) {
  host::Resume r;
  std::optional<chart::CheckProblem> problem;
  r([&] { problem = chart::CheckChartPath(shared_.gobjApplication, txtChartPath.Text(), atFinish); });
  if (!problem) return true;
  Message(problem->text, problem->title, MsgIcon::Exclamation);
  return false;
}

bool KorvalinxWizard::DatePasses() {
  host::Resume r;
  std::optional<chart::CheckProblem> problem;
  r([&] { problem = chart::CheckDateRange(dtpDateFrom.DateValue(), dtpDateTo.DateValue()); });
  if (!problem) return true;
  Message(problem->text, problem->title, MsgIcon::Exclamation);
  return false;
}

bool KorvalinxWizard::ResourcesPass() {
  host::Resume r;
  // A count that cannot be read counts as no resources.
  const std::int32_t count =
      r.Get([&] { return objKorvalinx().objResources->lngResourcesCount; }, std::int32_t{0});
  const std::optional<chart::CheckProblem> problem = chart::CheckResourceCount(count);
  if (!problem) return true;
  Message(problem->text, problem->title, MsgIcon::Exclamation);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Handlers

void KorvalinxWizard::Form_Load() {
  host::Resume r;
  r([&] { SetWidth(kFormWidth); });
  r([&] { SetHeight(kFormHeight); });
  r([&] { cmdNext.SetTag("Step1"); });
  r([&] { cmdBack.SetEnabled(false); });
  r([&] { fraStep1.Move(kStepLeft, kStepTop); });
  r([&] { barProgress.SetLeft(kOffForm); });
  r([&] { lblProgress.SetLeft(kOffForm); });
  SetTabOrder(TabOrderOf(1, StepDirection::Forward));
  r([&] { cmdNext.SetFocus(); });
}

void KorvalinxWizard::Form_Unload() {
  engine_.reset();
}

void KorvalinxWizard::cmdNext_Click() {
  ReadControls();
  switch (CurrentStep()) {
    case 1:
      if (PathPasses(false)) ShowStep(2, StepDirection::Forward);
      break;
    case 2:
      ShowStep(3, StepDirection::Forward);
      break;
    case 3:
      if (DatePasses()) ShowStep(4, StepDirection::Forward);
      break;
    case 4:
      if (ResourcesPass()) ShowStep(5, StepDirection::Forward);
      break;
    case 5:
      ShowStep(6, StepDirection::Forward);
      break;
    case 6:
      ShowStep(7, StepDirection::Forward);
      break;
    default:
      break;
  }
}

void KorvalinxWizard::cmdBack_Click() {
  ReadControls();
  const int step = CurrentStep();
  if (step >= 2) ShowStep(step - 1, StepDirection::Back);
}

void KorvalinxWizard::cmdFinish_Click() {
  host::Resume r;
  host::Application* app = shared_.gobjApplication;
  const auto screenUpdatingOn = [&] {
    r([&] {
      if (app == nullptr) throw host::HostError(host::kErrNoProject, "keine Projektanwendung");
      app->SetScreenUpdating(true);
    });
  };

  if (r.Get([&] { return cmdFinish.Tag() == kFinishedTag; }, false)) {
    screenUpdatingOn();
    r([&] { Unload(); });
    return;
  }

  if (!PathPasses(true)) return;
  // A failed check shows its step as "Weiter >" from the step before does.
  const auto jumpTo = [&](int step) {
    for (int s = 1; s <= kStepCount; ++s) r([&] { StepFrame(s).SetLeft(kOffForm); });
    r([&] { cmdNext.SetTag("Step" + std::to_string(step - 1)); });
    cmdNext_Click();
  };
  if (!DatePasses()) {
    jumpTo(3);
    return;
  }
  if (!ResourcesPass()) {
    jumpTo(4);
    return;
  }

  // The run shows only the status label and the progress bar.
  for (int s = 1; s <= kStepCount; ++s) r([&] { StepFrame(s).SetLeft(kOffForm); });
  for (Control* button : {&cmdInfo, &cmdBack, &cmdNext, &cmdCancel, &cmdFinish}) {
    r([&] { button->SetLeft(kOffForm); });
  }
  r([&] { lblProgress.Move(kProgressLeft, kProgressLabelTop); });
  r([&] { barProgress.Move(kProgressLeft, kProgressBarTop); });

  ReadControls();
  r([&] { objKorvalinx().SaveSettings(); });
  r([&] { objKorvalinx().ExportChart(); });
  // A chart made with gaps in its content is no clean success: say what the run passed over.
  r([&] {
    chart::clsKorvalinx& engine = objKorvalinx();
    if (engine.LastRunOutcome() == chart::RunOutcome::Saved && !engine.LastRunSkipped().empty())
      Message(chart::SkippedRunText(engine.LastRunSkipped()), kProductTitle, MsgIcon::Exclamation);
  });

  // Done: "Ende" comes back as "Fertig", which closes the wizard.
  r([&] { cmdFinish.SetTag(kFinishedTag); });
  r([&] { cmdFinish.SetLeft(kFinishLeft); });
  r([&] { cmdFinish.SetCaption(kFinishCaption); });
  r([&] { cmdFinish.SetToolTip(kToolTipClose); });
  r([&] { cmdFinish.SetFocus(); });
  screenUpdatingOn();
}

void KorvalinxWizard::cmdCancel_Click() {
  host::Resume r;
  r([&] { Unload(); });
}

void KorvalinxWizard::cmdInfo_Click() {
  if (services_.info == nullptr) return;
  host::Resume r;
  r([&] { services_.info->ShowInfo(*this); });
}

void KorvalinxWizard::cmdSave_Click() {
  host::Resume r;
  host::ProjectPtr project;
  std::string name;
  std::string folder;
  r([&] {
    if (shared_.gobjApplication == nullptr) {
      throw host::HostError(host::kErrNoProject, "keine Projektanwendung");
    }
    project = shared_.gobjApplication->GetActiveProject();
  });
  if (project) {
    r([&] { name = project->GetProjectName(); });
    r([&] { folder = project->GetProjectFolder(); });
  }
  if (services_.dialogs == nullptr) return;
  MessageBoxes& boxes = services_.boxes != nullptr ? *services_.boxes : Silent();
  const std::string path = r.Get(
      [&] {
        return basFileDialog::FileDialog(*services_.dialogs, boxes, kSaveTitle, "Save", folder,
                                         kProposedName + name, kChartExtension, kChartFilter);
      },
      std::string());
  if (path.empty()) return;
  // Choosing a file changes nothing on the disk: a file there is replaced only by a saved chart.
  r([&] { txtChartPath.SetText(path); });
}

void KorvalinxWizard::cmdSetDefaults_Click() {
  host::Resume r;
  RegistryStore& store = Registry();
  const auto write = [&](settings::StoredSetting setting, auto&& text) {
    r([&] {
      std::string data = text();
      SetRegString(store, HKEY_CURRENT_USER, settings::kSettingsKey,
                   settings::kStoredNames[setting].registry, data);
    });
  };
  const auto option = [](const ControlArray& group) {
    return [&group] { return std::to_string(GetSelectedOption(group)); };
  };
  write(settings::kGroupResources, [&] { return BoolToText(chkGroup.CheckValue() == kChecked); });
  write(settings::kUseNullValues, [&] { return BoolToText(chkNull.CheckValue() == kChecked); });
  write(settings::kPlanType, option(optPlan));
  write(settings::kPlanDuration, option(optDate));
  write(settings::kPlanDurationYear, [&] { return cboYear.Text(); });
  write(settings::kPlanDurationStart, [&] { return FormatDateTime(dtpDateFrom.DateValue()); });
  write(settings::kPlanDurationFinish, [&] { return FormatDateTime(dtpDateTo.DateValue()); });
  write(settings::kColorType, option(optColor));
  // The position (1 to 17) of the selected colour; nothing is written when none is selected.
  write(settings::kColor, [&] {
    imcColor.SelectedItem();
    return std::to_string(imcColor.ListIndex() + 1);
  });
  write(settings::kResourceType, option(optResources));
  write(settings::kResourceFilter, [&] { return cboFilter.Text(); });
  write(settings::kCalendarType, option(optCalendar));
  write(settings::kCalendar, [&] { return cboCalendar.Text(); });
  Message(kTextDefaultsSaved, kWizardCaption, MsgIcon::Information);
}

void KorvalinxWizard::optPlan_Click(int /*index*/) {
  SetControls();
}

void KorvalinxWizard::optCalendar_Click(int /*index*/) {
  SetControls();
}

void KorvalinxWizard::optDate_Click(int /*index*/) {
  SetControls();
}

void KorvalinxWizard::optColor_Click(int /*index*/) {
  SetControls();
}

void KorvalinxWizard::chkGroup_Click() {
  SetControls();
}

void KorvalinxWizard::optResources_Click(int /*index*/) {
  host::Resume r;
  // While the wizard is prepared (not yet shown) the model holds all resources already.
  if (Visible()) {
    r([&] {
      if (optResources[0].IsOn()) {
        objKorvalinx().GetResourceData();
        objKorvalinx().SetFilter(kAllResourcesFilter);
      } else if (optResources[1].IsOn()) {
        objKorvalinx().GetResourceData();
        objKorvalinx().SetFilter(cboFilter.Text());
      }
    });
  }
  SetControls();
}

void KorvalinxWizard::cboFilter_Click() {
  if (!Visible()) return;
  host::Resume r;
  r([&] { objKorvalinx().GetResourceData(); });
  r([&] { objKorvalinx().SetFilter(cboFilter.Text()); });
}

// ---------------------------------------------------------------------------------------------
// Options

std::int32_t KorvalinxWizard::ReadControls() {
  host::Resume r;
  chart::clsKorvalinx* e = nullptr;
  r([&] { e = &objKorvalinx(); });
  if (e == nullptr) return r.ResultCode();

  r([&] { e->blnGroupResources = chkGroup.CheckValue() == kChecked; });
  r([&] { e->blnUseNullValues = chkNull.CheckValue() == kChecked; });
  r([&] {
    imcColor.SelectedItem();  // throws when no colour is selected
    e->lngColor = imcColor.ListIndex() + 1;
  });
  r([&] { e->lngColorType = SelectedOption(optColor); });
  r([&] { e->lngPlanDuration = SelectedOption(optDate); });
  r([&] {
    const double year = RoundHalfEven(LeadingNumber(cboYear.Text()));
    if (!(year >= std::numeric_limits<std::int32_t>::min() &&
          year <= std::numeric_limits<std::int32_t>::max())) {
      throw FormError(kErrInvalidValue, "Das Jahr " + cboYear.Text() + " ist zu groß.");
    }
    e->lngPlanDurationYear = static_cast<std::int32_t>(year);
  });
  r([&] { e->lngPlanType = SelectedOption(optPlan); });
  r([&] { e->lngResourceType = SelectedOption(optResources); });
  r([&] { e->lngCalendarType = SelectedOption(optCalendar); });
  r([&] { e->strCalendar = cboCalendar.Text(); });
  r([&] { e->strResourceFilter = cboFilter.Text(); });
  r([&] { e->strChartPath = txtChartPath.Text(); });
  r([&] { e->varPlanDurationFinish = Value(FormatDate(dtpDateTo.DateValue())); });
  r([&] { e->varPlanDurationStart = Value(FormatDate(dtpDateFrom.DateValue())); });
  r([&] {
    auto& model = *e->objResources;
    model.lngResourcesCount = static_cast<std::int32_t>(model.colResources.Count());
  });
  return r.ResultCode();
}

std::int32_t KorvalinxWizard::SetControls() {
  host::Resume r;
  const auto enable = [&](Control& control, bool on) { r([&] { control.SetEnabled(on); }); };
  const auto isOn = [&](Control& option) { return r.Get([&] { return option.IsOn(); }, false); };

  r([&] { chkNull.SetEnabled(chkGroup.CheckValue() == kChecked); });

  if (isOn(optPlan[0])) {
    enable(optCalendar[0], false);
    enable(optCalendar[1], false);
    enable(cboCalendar, false);
  } else if (isOn(optPlan[1])) {
    enable(optCalendar[0], true);
    enable(optCalendar[1], true);
    if (isOn(optCalendar[1])) {
      enable(cboCalendar, true);
    } else if (isOn(optCalendar[0])) {
      enable(cboCalendar, false);
    }
  }

  if (isOn(optDate[0])) {
    enable(cboYear, false);
    enable(dtpDateFrom, false);
    enable(dtpDateTo, false);
  } else if (isOn(optDate[1])) {
    enable(cboYear, true);
    enable(dtpDateFrom, false);
    enable(dtpDateTo, false);
  } else if (isOn(optDate[2])) {
    enable(cboYear, false);
    enable(dtpDateFrom, true);
    enable(dtpDateTo, true);
  }

  if (isOn(optResources[0])) {
    enable(cboFilter, false);
  } else if (isOn(optResources[1])) {
    enable(cboFilter, true);
  }

  if (isOn(optColor[0])) {
    enable(imcColor, true);
  } else if (isOn(optColor[1])) {
    enable(imcColor, false);
  }
  return r.ResultCode();
}

}  // namespace kx::wizard
