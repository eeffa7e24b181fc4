#pragma once
// The information dialog with its controls as they stand before it is loaded: product name and
// version, what the add-in does, the rights notice and the link to the product's web page.
// The logic (wizard/info_dialog) adds the event handlers.

#include "forms/form_model.hpp"

namespace kx::forms {

inline constexpr const char* kInfoCaption = "Korvalinx Info";
inline constexpr int kInfoWidth = 6900;
inline constexpr int kInfoHeight = 4920;
// The information dialog opens this far right of and below the wizard's top-left corner.
inline constexpr int kInfoOffset = 300;
// The product's web page (the link) and the maker's page (behind the logo).
inline constexpr const char* kProductPage = "http://www.korvalinx.de/assistent/";
inline constexpr const char* kMakerPage = "http://www.korvalinx.de/";

class frmInfo : public Form {
 public:
  frmInfo();
  ~frmInfo() override;

  Control& imgTop;
  Control& fraSeparatorTop;
  Control& Frame1;
  Control& imgLogo;
  Control& lblInfo1;
  Control& lblInfo2;
  Control& lblInfo3;
  Control& lblInfo4;
  Control& lblInfo6;
  Control& lblWeb;
  Control& cmdOK;
};

}  // namespace kx::forms
