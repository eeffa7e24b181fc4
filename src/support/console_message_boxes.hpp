#pragma once
// Message boxes on the command line: title and text go to an output stream (standard error),
// "\r\n" becomes a line break. A question is answered by a preset answer (for instance from
// "--yes"), else read from an input stream when one is given, else refused (No / Cancel).

#include <iostream>
#include <optional>
#include <string>

#include "support/message_box.hpp"

namespace kx {

class ConsoleMessageBoxes final : public MessageBoxes {
 public:
  // `preset`: true answers every question with Yes (OK), false with No (Cancel where there is
  // no No); empty: ask `input` when given (a line per question, "j"/"ja"/"y"/"yes" or
  // "n"/"nein"/"no"), else refuse (No, or Cancel where there is one).
  explicit ConsoleMessageBoxes(std::ostream& out = std::cerr,
                               std::optional<bool> preset = std::nullopt,
                               std::istream* input = nullptr);

  MsgAnswer Show(const MessageRequest& request) override;

  void SetPreset(std::optional<bool> preset) { preset_ = preset; }

 private:
  std::ostream& out_;
  std::optional<bool> preset_;
  std::istream* input_;
};

// Returns the text with every "\r\n" (and a lone "\r") turned into "\n".
std::string ConsoleLines(const std::string& text);

}  // namespace kx
