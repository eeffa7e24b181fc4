#include "connect/connect.hpp"

#include "addin/error_report.hpp"
#include "addin/project_tools.hpp"
#include "support/product.hpp"
#include "support/registry.hpp"
#include "support/text.hpp"

namespace kx::addin {
namespace {

// Built-in controls of the "Tools" menu before which the entry goes.
bool InsertsBefore(std::int32_t id) {
  return id == 2131 || id == 40085 || id == 40196 || id == 40092;
}

std::string Action(host::AddInInstance* addIn) {
  return "!<" + (addIn != nullptr ? addIn->GetProgId() : std::string()) + ">";
}

}  // namespace

Connect::Connect(wizard::ModalPresenter* presenter, wizard::WizardServices services)
    : presenter_(presenter), services_(std::move(services)) {}

Connect::~Connect() {
  host::Resume r;
  if (objMenuButton) r([&] { objMenuButton->RemoveClickHandler(menuHandler_); });
  if (objToolbarButton) r([&] { objToolbarButton->RemoveClickHandler(toolbarHandler_); });
}

void Connect::ReportError(const host::HostError& e) {
  SilentMessageBoxes silent;
  host::Resume r;
  r([&] { AddInErr(e, services_.boxes != nullptr ? *services_.boxes : silent); });
}

void Connect::Listen(host::ControlPtr& member, int& handler, host::ControlPtr button) {
  host::Resume r;
  if (member) r([&] { member->RemoveClickHandler(handler); });
  member = std::move(button);
  handler = -1;
  if (!member) return;
  // Clicks start the wizard and nothing else; the host's flag is left as it is.
  r([&] {
    handler = member->AddClickHandler([this](host::CommandBarControl&, bool&) { Show(); });
  });
}

void Connect::OnConnection(host::Application* application, int connectMode,
                           host::AddInInstance* addIn) {
  objApplication = application;
  if (connectMode == kConnectExternal) {
    Show();
    return;
  }
  try {
    if (application == nullptr)
      throw host::HostError(host::kErrNoProject, "Das Add-In wurde ohne Anwendung verbunden.");
    host::ControlPtr menu = CreateMenuButton(kMenuBar, kEntryCaption, kMenuTag, addIn);
    Listen(objMenuButton, menuHandler_, menu);
    const host::CommandBarPtr toolbar = CreateToolbar(*application, addIn, kToolbarName, true);
    if (!toolbar) throw host::HostError(host::kErrNotFound, "Die Symbolleiste fehlt.");
    const std::string name = toolbar->GetName();
    host::ControlPtr button = CreateToolbarButton(
        *application, addIn, name, kToolbarTag, kEntryCaption, host::kButtonIconAndCaption, false);
    Listen(objToolbarButton, toolbarHandler_, button);
    if (connectMode == kConnectAfterStartup) {
      RegistryStore& store =
          services_.registry != nullptr ? *services_.registry : DefaultRegistry();
      if (GetSetting(store, kProductTitle, "Settings", "DisplayOnConnect", "0") == "1") Show();
    }
  } catch (const host::HostError& e) {
    ReportError(e);
  } catch (const std::exception& e) {
    ReportError(host::HostError(host::kErrUnexpected, e.what()));
  }
}

host::ControlPtr Connect::CreateMenuButton(const std::string& barName, const std::string& caption,
                                           const std::string& tag, host::AddInInstance* addIn) {
  host::ControlPtr entry;
  try {
    const host::CommandBarPtr bar = objApplication->GetCommandBars().Item(barName);
    if (!bar) return nullptr;
    // The entry begins a group unless an entry of this add-in or its sibling is there already.
    bool group = true;
    long position = 0;
    const long count = bar->GetControlCount();
    for (long i = 1; i <= count; ++i) {
      ++position;
      const host::ControlPtr control = bar->GetControl(i);
      const std::string lower = AsciiLower(control->GetCaption());
      if (lower.find("korvalinx") != std::string::npos ||
          lower.find("quillmesh") != std::string::npos)
        group = false;
      if (InsertsBefore(control->GetId())) break;
    }
    entry = bar->FindControl(tag);
    if (!entry) {
      entry = bar->AddControl(host::kControlButton, position, std::string());
      entry->SetBeginGroup(group);
    }
    entry->SetCaption(caption);
    entry->SetTag(tag);
    entry->SetFaceId(kEntryFaceId);
    entry->SetOnAction(Action(addIn));
  } catch (const host::HostError& e) {
    ReportError(e);
  }
  return entry;
}

host::CommandBarPtr Connect::CreateToolbar(host::Application& application,
                                           host::AddInInstance* /*addIn*/, const std::string& name,
                                           bool visible) {
  try {
    host::CommandBars& bars = application.GetCommandBars();
    bool found = false;
    const long count = bars.Count();
    for (long i = 1; i <= count; ++i) {
      if (bars.Item(i)->GetName() == name) found = true;
    }
    if (!found) {
      const host::CommandBarPtr bar = bars.Add(name, host::kBarTop);
      bar->SetVisible(visible);
    }
    return bars.Item(name);
  } catch (const host::HostError& e) {
    ReportError(e);
  }
  return nullptr;
}

host::ControlPtr Connect::CreateToolbarButton(host::Application& application,
                                              host::AddInInstance* addIn,
                                              const std::string& toolbar, const std::string& tag,
                                              const std::string& caption, std::int32_t style,
                                              bool beginGroup) {
  host::ControlPtr button;
  try {
    const host::CommandBarPtr bar = application.GetCommandBars().Item(toolbar);
    if (!bar)
      throw host::HostError(host::kErrNotFound,
                            "Die Symbolleiste \"" + toolbar + "\" ist nicht vorhanden.");
    button = bar->FindControl(tag);
    if (button) return button;
    button = bar->AddControl(host::kControlButton, std::nullopt, tag);
    button->SetCaption(caption);
    button->SetTag(tag);
    button->SetStyle(style);
    button->SetFaceId(kEntryFaceId);
    button->SetOnAction(Action(addIn));
    button->SetBeginGroup(beginGroup);
  } catch (const host::HostError& e) {
    ReportError(e);
  }
  return button;
}

void Connect::OnDisconnection(int removeMode) {
  host::Resume r;
  r([&] { RemoveCommandBarEntries(removeMode); });
  Listen(objMenuButton, menuHandler_, nullptr);
  Listen(objToolbarButton, toolbarHandler_, nullptr);
  if (objWizard) r([&] { objWizard->Unload(); });
  objWizard.reset();
  shared.gfrmKorvalinx = nullptr;
}

void Connect::RemoveCommandBarEntries(int removeMode) {
  if (removeMode != kRemoveUserClosed || objApplication == nullptr) return;
  host::Resume r;
  host::CommandBars* bars = nullptr;
  if (!r([&] { bars = &objApplication->GetCommandBars(); })) return;
  r([&] {
    if (const host::ControlPtr button = bars->FindControl(kToolbarTag)) button->Delete();
  });
  r([&] {
    const host::CommandBarPtr bar = bars->Item(kToolbarName);
    if (bar && bar->GetControlCount() == 0) bar->Delete();
  });
  r([&] {
    if (const host::ControlPtr entry = bars->FindControl(kMenuTag)) entry->Delete();
  });
}

void Connect::Show() {
  host::Resume r;
  SilentMessageBoxes silent;
  MessageBoxes& boxes = services_.boxes != nullptr ? *services_.boxes : silent;

  r([&] {
    if (!objWizard) objWizard = std::make_unique<wizard::KorvalinxWizard>(shared, services_);
  });
  shared.gobjApplication = objApplication;
  shared.gfrmKorvalinx = objWizard.get();
  if (objWizard == nullptr) return;

  // Without an application there is no project either.
  if (objApplication == nullptr) {
    r([&] { ShowMessage(boxes, kTextNoProject, kProductTitle); });
    return;
  }
  const bool go = PassLaunchChecks(*objApplication, kProductTitle, boxes, [&] {
    return boxes.Show({kTextDuplicateQuestion, kProductTitle, MsgButtons::YesNo, MsgIcon::Question,
                       1}) == MsgAnswer::Yes;
  });
  if (!go) return;

  // The form loads on its first use, so its load handler runs before the settings below.
  wizard::KorvalinxWizard& form = *objWizard;
  r([&] { form.Load(); });
  r([&] { form.cmdNext.SetTag("Step1"); });
  r([&] { form.cmdBack.SetEnabled(false); });
  for (forms::Control* control : form.Controls()) {
    if (control->Supports(forms::Property::TabStop)) r([&] { control->SetTabStop(false); });
  }
  int index = 0;
  for (forms::Control* button :
       {&form.cmdNext, &form.cmdFinish, &form.cmdSave, &form.cmdCancel, &form.cmdBack}) {
    r([&] { button->SetTabStop(true); });
    r([&] { button->SetTabIndex(index); });
    ++index;
  }
  r([&] { form.cmdFinish.SetTag(""); });
  r([&] { form.cmdNext.SetFocus(); });

  r([&] { form.objKorvalinx().GetSettings(); });
  r([&] { form.objKorvalinx().GetResourceData(); });
  r([&] { form.objKorvalinx().Formprep(); });

  if (presenter_ != nullptr) r([&] { presenter_->ShowModal(form); });
  // A wizard whose window was closed without unloading is unloaded now, so that the next
  // launch starts afresh with a new engine.
  r([&] { form.Unload(); });
}

}  // namespace kx::addin
