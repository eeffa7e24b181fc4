#pragma once
// Message boxes as Qt shows them: title, icon, buttons (with Qt's German captions), the default
// button and the exact text, over the window that is active at the time.

#include <functional>

#include "support/message_box.hpp"

class QMessageBox;

namespace kx::views {

class QtMessageBoxes final : public MessageBoxes {
 public:
  MsgAnswer Show(const MessageRequest& request) override;
};

// Builds the box for `request` without showing it (the caller owns it). The Escape key and the
// window's close button give Cancel where there is one, else No, else OK.
QMessageBox* MakeMessageBox(const MessageRequest& request);

// Returns the answer that the standard button `standardButton` of a box stands for.
MsgAnswer AnswerOf(int standardButton);

}  // namespace kx::views
