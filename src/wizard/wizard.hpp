#pragma once
// The chart wizard's logic: the form with its chart engine and the event handlers of every
// control. Steps, checks, the option binding, the defaults and the chart run live here; a window
// toolkit only mirrors the form and forwards the user's clicks, picks and typing.
//
// Every handler works in skip-and-continue mode: a statement that fails is passed over and the
// next one runs; no failure leaves a handler.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/host.hpp"
#include "chart/korvalinx.hpp"
#include "forms/frm_korvalinx.hpp"
#include "support/clock.hpp"
#include "support/file_dialog.hpp"
#include "support/message_box.hpp"
#include "support/registry.hpp"
#include "wizard/presenters.hpp"

namespace kx::wizard {

// The two references the launch publishes for the whole add-in: the host application and the
// one wizard form.
struct SharedReferences {
  host::Application* gobjApplication = nullptr;
  frmKorvalinx* gfrmKorvalinx = nullptr;
};

// The services the wizard and its chart engine use. Only `boxes` is needed for the messages;
// without `dialogs` "Speichern..." does nothing, without `info` the information button does
// nothing, without `clock` the run does not wait, without `registry` the default store is used.
struct WizardServices {
  MessageBoxes* boxes = nullptr;
  PlatformFileDialogs* dialogs = nullptr;
  Clock* clock = nullptr;
  RegistryStore* registry = nullptr;
  std::function<Date()> today;  // null: the computer's date
  InfoPresenter* info = nullptr;
};

inline constexpr const char* kToolTipClose = "Klicken Sie hier, um den Assistenten zu schließen.";
inline constexpr const char* kTextDefaultsSaved =
    "Die aktuellen Diagrammeinstellungen wurden gespeichert.    ";
inline constexpr const char* kFinishedTag = "Exit";

// How a step was reached; the tab order of steps 1, 3 and 5 depends on it.
enum class StepDirection { Forward, Back };

class KorvalinxWizard : public frmKorvalinx {
 public:
  // `shared` must outlive the wizard; the engine is made from it on first use.
  KorvalinxWizard(SharedReferences& shared, WizardServices services);
  ~KorvalinxWizard() override;

  // The chart engine, made on first use with the published application and form; throws
  // host::HostError when no application has been published.
  chart::clsKorvalinx& objKorvalinx();
  bool HasEngine() const { return engine_ != nullptr; }

  // The current step (1..7) from the tag of "Weiter >"; 0 when the tag names none.
  int CurrentStep() const;

  // Event handlers.
  void Form_Load();
  void Form_Unload();
  void cmdNext_Click();
  void cmdBack_Click();
  void cmdFinish_Click();
  void cmdCancel_Click();
  void cmdInfo_Click();
  void cmdSave_Click();
  void cmdSetDefaults_Click();
  void optPlan_Click(int index);
  void optCalendar_Click(int index);
  void optDate_Click(int index);
  void optResources_Click(int index);
  void optColor_Click(int index);
  void chkGroup_Click();
  void cboFilter_Click();

  // Copies every option control into the engine's settings and refreshes the resource count;
  // a value that cannot be read leaves its field as it was. Returns -1 when a step failed.
  std::int32_t ReadControls();
  // Enables and disables the dependent controls by the options chosen. Returns -1 when a step
  // failed.
  std::int32_t SetControls();

 private:
  void Connect();
  // Moves the frames, sets the tag, the buttons, the tab order and the focus for step `step`.
  void ShowStep(int step, StepDirection direction);
  // Gives the listed controls tab stops and tab indexes from 0, after every control but the
  // first lost its tab stop.
  void SetTabOrder(const std::vector<Control*>& order);
  std::vector<Control*> TabOrderOf(int step, StepDirection direction);
  // Each shows its message and returns false when its entries fail.
  bool PathPasses(bool atFinish);
  bool DatePasses();
  bool ResourcesPass();
  void Message(const std::string& text, const std::string& title, MsgIcon icon);
  RegistryStore& Registry();

  SharedReferences& shared_;
  WizardServices services_;
  std::unique_ptr<chart::clsKorvalinx> engine_;
};

}  // namespace kx::wizard
