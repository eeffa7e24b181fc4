#include "views/message_boxes.hpp"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <memory>
#include <vector>

#include "views/qt_text.hpp"

namespace kx::views {
namespace {

QMessageBox::Icon IconOf(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

std::vector<QMessageBox::StandardButton> ButtonsOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return {QMessageBox::Ok};
    case MsgButtons::OkCancel:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case MsgButtons::YesNo:
      return {QMessageBox::Yes, QMessageBox::No};
    case MsgButtons::YesNoCancel:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
  }
  return {QMessageBox::Ok};
}

QWidget* Owner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

}  // namespace

MsgAnswer AnswerOf(int standardButton) {
  switch (standardButton) {
    case QMessageBox::Ok:
      return MsgAnswer::Ok;
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    default:
      return MsgAnswer::Cancel;
  }
}

QMessageBox* MakeMessageBox(const MessageRequest& request) {
  auto* box = new QMessageBox(Owner());
  box->setWindowTitle(ToQt(request.title));
  box->setIcon(IconOf(request.icon));
  box->setTextFormat(Qt::PlainText);
  box->setText(DisplayText(request.text));
  const std::vector<QMessageBox::StandardButton> buttons = ButtonsOf(request.buttons);
  QMessageBox::StandardButtons all;
  for (const auto b : buttons) all |= b;
  box->setStandardButtons(all);
  const int position = request.defaultButton;
  const std::size_t at =
      position >= 1 && static_cast<std::size_t>(position) <= buttons.size()
          ? static_cast<std::size_t>(position - 1)
          : 0;
  box->setDefaultButton(buttons[at]);
  // What the Escape key and the close button answer: the "no" of the box.
  QMessageBox::StandardButton escape = buttons.front();
  for (const auto b : buttons) {
    if (b == QMessageBox::Cancel) escape = b;
  }
  if (escape == buttons.front() && request.buttons == MsgButtons::YesNo) escape = QMessageBox::No;
  box->setEscapeButton(escape);
  return box;
}

MsgAnswer QtMessageBoxes::Show(const MessageRequest& request) {
  std::unique_ptr<QMessageBox> box(MakeMessageBox(request));
  box->exec();
  const QAbstractButton* clicked = box->clickedButton();
  if (clicked == nullptr) return AnswerOf(box->standardButton(box->escapeButton()));
  return AnswerOf(box->standardButton(const_cast<QAbstractButton*>(clicked)));
}

}  // namespace kx::views
