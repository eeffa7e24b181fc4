#pragma once
// What a window toolkit gives the wizard: showing it modally and the information dialog.

#include "forms/frm_korvalinx.hpp"

namespace kx::wizard {

// The wizard's logic works on the form model's types throughout.
using namespace forms;  // NOLINT(google-build-using-namespace)

// Shows the wizard form modally and returns when it has closed (unloaded) or its window was
// closed. A Qt window implements it; tests implement a scripted user.
class ModalPresenter {
 public:
  virtual ~ModalPresenter() = default;
  virtual void ShowModal(frmKorvalinx& form) = 0;
};

// Opens the information dialog over the wizard; the wizard keeps its state.
class InfoPresenter {
 public:
  virtual ~InfoPresenter() = default;
  virtual void ShowInfo(frmKorvalinx& owner) = 0;
};

}  // namespace kx::wizard
