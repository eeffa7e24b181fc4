#pragma once
// The information dialog's logic: "OK" closes it, the link and the logo open their web pages,
// and the link is underlined while the pointer is over it.

#include "forms/frm_info.hpp"
#include "support/links.hpp"

namespace kx::wizard {

class InfoDialog : public forms::frmInfo {
 public:
  // `links` must outlive the dialog.
  explicit InfoDialog(LinkOpener& links);
  ~InfoDialog() override;

  // Event handlers; each passes its own failures over.
  void cmdOK_Click();
  void lblWeb_Click();
  void imgLogo_Click();
  void lblWeb_MouseMove();
  void Form_MouseMove();

 private:
  LinkOpener& links_;
};

}  // namespace kx::wizard
