#pragma once
// Message boxes for tests: every request is recorded and answered from a queue of scripted
// answers; with the queue empty the first button answers (OK or Yes).

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/message_box.hpp"

namespace kx {

class ScriptedMessageBoxes final : public MessageBoxes {
 public:
  ScriptedMessageBoxes() = default;
  explicit ScriptedMessageBoxes(std::initializer_list<MsgAnswer> answers) : answers_(answers) {}

  // Records the request; returns the next scripted answer, else the first button's answer.
  MsgAnswer Show(const MessageRequest& request) override;

  // Queues an answer for a later request.
  void Answer(MsgAnswer answer) { answers_.push_back(answer); }
  const std::vector<MessageRequest>& Requests() const { return requests_; }
  std::size_t Count() const { return requests_.size(); }
  // The texts of all requests, in order.
  std::vector<std::string> Texts() const;
  // Returns the last request; throws std::out_of_range when none was made.
  const MessageRequest& Last() const;
  std::size_t PendingAnswers() const { return answers_.size(); }
  void Clear() {
    requests_.clear();
    answers_.clear();
  }

 private:
  std::vector<MessageRequest> requests_;
  std::deque<MsgAnswer> answers_;
};

// Returns the answer of the first button of `buttons`: Ok or Yes.
MsgAnswer FirstButtonAnswer(MsgButtons buttons);

}  // namespace kx
