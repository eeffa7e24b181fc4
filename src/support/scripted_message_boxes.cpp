#include "support/scripted_message_boxes.hpp"

#include <stdexcept>

namespace kx {

MsgAnswer FirstButtonAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
      return MsgAnswer::Yes;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
      break;
  }
  return MsgAnswer::Ok;
}

MsgAnswer ScriptedMessageBoxes::Show(const MessageRequest& request) {
  requests_.push_back(request);
  if (answers_.empty()) return FirstButtonAnswer(request.buttons);
  const MsgAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::vector<std::string> ScriptedMessageBoxes::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(requests_.size());
  for (const auto& r : requests_) texts.push_back(r.text);
  return texts;
}

const MessageRequest& ScriptedMessageBoxes::Last() const {
  if (requests_.empty()) throw std::out_of_range("no message was shown");
  return requests_.back();
}

}  // namespace kx
