#pragma once
// What the desktop window's tests share: the texts of a menu's or toolbar's entries, and a
// wizard presenter that counts its launches and closes the wizard at once.

#include <QAction>
#include <QList>
#include <QStringList>

#include "forms/frm_korvalinx.hpp"
#include "wizard/presenters.hpp"

namespace kx::testing {

// The entries' texts in order, "-" for a separator.
inline QStringList Texts(const QList<QAction*>& actions) {
  QStringList out;
  for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

class CountingPresenter final : public wizard::ModalPresenter {
 public:
  int shown = 0;
  void ShowModal(forms::frmKorvalinx& form) override {
    ++shown;
    form.Unload();
  }
};

}  // namespace kx::testing
