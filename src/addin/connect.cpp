#include "addin/connect.hpp"

#include "addin/project_tools.hpp"

namespace kx::addin {

Connect::Connect(wizard::ModalPresenter* presenter, wizard::WizardServices services)
    : presenter_(presenter), services_(std::move(services)) {}

Connect::~Connect() = default;

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
