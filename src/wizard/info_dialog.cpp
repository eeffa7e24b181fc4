#include "wizard/info_dialog.hpp"

#include "host/host.hpp"

namespace kx::wizard {

InfoDialog::InfoDialog(LinkOpener& links) : links_(links) {
  cmdOK.onClick = [this](forms::Control&) { cmdOK_Click(); };
  lblWeb.onClick = [this](forms::Control&) { lblWeb_Click(); };
  imgLogo.onClick = [this](forms::Control&) { imgLogo_Click(); };
  lblWeb.onMouseMove = [this](forms::Control&) { lblWeb_MouseMove(); };
  onMouseMove = [this](forms::Form&) { Form_MouseMove(); };
}

InfoDialog::~InfoDialog() = default;

void InfoDialog::cmdOK_Click() {
  host::Resume r;
  r([&] { Unload(); });
}

void InfoDialog::lblWeb_Click() {
  host::Resume r;
  r([&] { basMail::OpenLink(links_, lblWeb.Caption()); });
}

void InfoDialog::imgLogo_Click() {
  host::Resume r;
  r([&] { basMail::OpenLink(links_, imgLogo.Tag()); });
}

void InfoDialog::lblWeb_MouseMove() {
  host::Resume r;
  r([&] {
    if (!lblWeb.FontUnderline()) lblWeb.SetFontUnderline(true);
  });
}

void InfoDialog::Form_MouseMove() {
  host::Resume r;
  r([&] {
    if (lblWeb.FontUnderline()) lblWeb.SetFontUnderline(false);
  });
}

}  // namespace kx::wizard
