#include "forms/frm_info.hpp"

#include <string>

#include "support/product.hpp"

namespace kx::forms {

namespace {

using K = ControlKind;

constexpr int kTextLeft = 1080;
constexpr int kTextWidth = 5100;

}  // namespace

frmInfo::frmInfo()
    : Form("frmInfo", kInfoCaption, kInfoWidth, kInfoHeight),
      imgTop(Add({K::Image, "imgTop", nullptr, {0, 0, kInfoWidth, 840}, "", ""})),
      fraSeparatorTop(
          Add({K::Frame, "fraSeparatorTop", nullptr, {0, 840, kInfoWidth, 30}, "", ""})),
      Frame1(Add({K::Frame, "Frame1", nullptr, {240, 1080, 6420, 2040}, "", ""})),
      imgLogo(Add({K::Image, "imgLogo", &Frame1, {120, 120, 720, 720}, "", ""})),
      lblInfo1(Add({K::Label,
                    "lblInfo1",
                    &Frame1,
                    {kTextLeft - 240, 120, kTextWidth, 255},
                    std::string(kProductTitle) + " (Version " + kProductVersion + ")",
                    ""})),
      lblInfo2(Add({K::Label,
                    "lblInfo2",
                    &Frame1,
                    {kTextLeft - 240, 480, kTextWidth, 480},
                    "COM Addin zur Erstellung von Ressourcendiagrammen und Urlaubsplänen",
                    ""})),
      lblInfo3(Add({K::Label,
                    "lblInfo3",
                    &Frame1,
                    {kTextLeft - 240, 1080, kTextWidth, 480},
                    "Alle Rechte vorbehalten. Weitergabe nur mit Zustimmung des Herstellers.",
                    ""})),
      lblInfo4(Add({K::Label, "lblInfo4", &Frame1, {kTextLeft - 240, 1680, kTextWidth, 255}, "",
                    ""})),
      lblInfo6(Add({K::Label,
                    "lblInfo6",
                    nullptr,
                    {kTextLeft, 3300, kTextWidth, 255},
                    "Eine Beschreibung dieses Addins finden Sie unter",
                    ""})),
      lblWeb(Add({K::Label, "lblWeb", nullptr, {kTextLeft, 3600, 3900, 255}, kProductPage,
                  kProductPage})),
      cmdOK(Add({K::Button,
                 "cmdOK",
                 nullptr,
                 {5460, 4200, 1200, 375},
                 "OK",
                 "Klicken Sie hier, um den Dialog zu verlassen."})) {
  imgLogo.SetTag(kMakerPage);
  CommitDesign(imgLogo);
}

frmInfo::~frmInfo() = default;

}  // namespace kx::forms
