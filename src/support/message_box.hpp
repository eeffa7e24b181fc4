#pragma once
// Message boxes as a service: the add-in's logic says what to show and gets the answer back;
// the console, the Qt windows and the tests each give their own implementation.

#include <string>

namespace kx {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
  std::string text;  // lines joined by "\r\n"
  std::string title;
  MsgButtons buttons = MsgButtons::Ok;
  MsgIcon icon = MsgIcon::None;
  int defaultButton = 1;  // 1-based position of the default button
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the message modally and returns the user's answer.
  virtual MsgAnswer Show(const MessageRequest& request) = 0;
};

// Answers every message with its first button (Ok or Yes) without showing anything.
class SilentMessageBoxes final : public MessageBoxes {
 public:
  MsgAnswer Show(const MessageRequest& request) override {
    return request.buttons == MsgButtons::YesNo || request.buttons == MsgButtons::YesNoCancel
               ? MsgAnswer::Yes
               : MsgAnswer::Ok;
  }
};

// Convenience: shows `text` with an OK button.
inline MsgAnswer ShowMessage(MessageBoxes& boxes, std::string text, std::string title,
                             MsgIcon icon = MsgIcon::Exclamation) {
  return boxes.Show({std::move(text), std::move(title), MsgButtons::Ok, icon, 1});
}

}  // namespace kx
