#pragma once
// The wizard form with all its controls as they stand before the form is loaded: names,
// captions, tooltips, containers and positions (twips). The wizard logic derives from it to add
// the chart engine and the event handlers; the chart engine fills its lists and drives the
// progress controls.

#include <initializer_list>

#include "forms/form_model.hpp"
#include "support/product.hpp"

namespace kx::forms {

// Positions the wizard moves its frames and controls to.
inline constexpr int kFormWidth = 11100;
inline constexpr int kFormHeight = 7680;
inline constexpr int kStepLeft = 360;  // a shown step frame
inline constexpr int kStepTop = 1920;
inline constexpr int kOffForm = -20000;   // left (and top) of a control moved off the form
inline constexpr int kFinishLeft = 9600;  // "Ende" / "Fertig"
inline constexpr int kProgressLeft = 1920;
inline constexpr int kProgressLabelTop = 2720;
inline constexpr int kProgressBarTop = 3000;
inline constexpr int kStepCount = 7;

class frmKorvalinx : public Form {
 public:
  frmKorvalinx();
  ~frmKorvalinx() override;

  // Returns the frame of step `step` (1..7); throws FormError(kErrNoSuchArrayElement) otherwise.
  Control& StepFrame(int step) const;

  // The controls, in the form's control order (declaration order is the creation order).
  Control& cmdInfo;
  Control& cmdCancel;
  Control& cmdBack;
  Control& cmdNext;
  Control& cmdFinish;
  Control& imgTop;
  Control& fraSeparatorTop;
  Control& fraSeparatorBottom;

  Control& fraStep1;
  Control& lblStep1;
  Control& lblStep101;
  Control& lblStep102;
  Control& lblStep103;
  Control& txtChartPath;
  Control& cmdSave;

  Control& fraStep2;
  Control& lblStep2;
  Control& lblStep201;
  Control& lblStep202;
  Control& lblStep203;
  Control& lblStep204;
  ControlArray& optPlan;
  ControlArray& optCalendar;
  Control& cboCalendar;

  Control& fraStep3;
  Control& lblStep3;
  Control& lblStep301;
  Control& lblStep302;
  ControlArray& optDate;
  Control& cboYear;
  Control& lblDateFrom;
  Control& dtpDateFrom;
  Control& lblDateTo;
  Control& dtpDateTo;

  Control& fraStep4;
  Control& lblStep4;
  Control& lblStep401;
  Control& lblStep402;
  Control& lblStep403;
  ControlArray& optResources;
  Control& lblFilter;
  Control& cboFilter;

  Control& fraStep5;
  Control& lblStep5;
  Control& lblStep501;
  Control& lblStep502;
  Control& lblStep503;
  ControlArray& optColor;
  Control& imcColor;

  Control& fraStep6;
  Control& lblStep6;
  Control& lblStep601;
  Control& lblStep602;
  Control& lblStep603;
  Control& chkGroup;
  Control& chkNull;

  Control& fraStep7;
  Control& lblStep7;
  Control& lblStep701;
  Control& lblStep702;
  Control& cmdSetDefaults;

  Control& lblProgress;
  Control& barProgress;
  Control& imlKorvalinx;

 private:
  struct OptionDesign {
    const char* caption;
    const char* toolTip;
    Geometry geometry;
  };
  ControlArray& AddOptions(const char* name, Control& frame,
                           std::initializer_list<OptionDesign> options);
  Control& AddFrame(int step);
  Control& AddLabel(const char* name, Control& frame, Geometry geometry, const char* caption);
};

}  // namespace kx::forms
