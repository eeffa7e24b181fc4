#include "support/console_message_boxes.hpp"

#include <istream>
#include <ostream>

#include "support/text.hpp"

namespace kx {
namespace {

const char* IconWord(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return "Fehler";
    case MsgIcon::Question:
      return "Frage";
    case MsgIcon::Exclamation:
      return "Warnung";
    case MsgIcon::Information:
      return "Hinweis";
    case MsgIcon::None:
      break;
  }
  return nullptr;
}

const char* AnswerWord(MsgAnswer a) {
  switch (a) {
    case MsgAnswer::Ok:
      return "OK";
    case MsgAnswer::Cancel:
      return "Abbrechen";
    case MsgAnswer::Yes:
      return "Ja";
    case MsgAnswer::No:
      return "Nein";
  }
  return "";
}

bool IsQuestion(MsgButtons b) {
  return b != MsgButtons::Ok;
}

MsgAnswer Accept(MsgButtons b) {
  return b == MsgButtons::OkCancel ? MsgAnswer::Ok : MsgAnswer::Yes;
}

// The answer of nobody: No where there is no Cancel.
MsgAnswer Decline(MsgButtons b) {
  return b == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
}

// The answer "no": Cancel where there is no No.
MsgAnswer Deny(MsgButtons b) {
  return b == MsgButtons::OkCancel ? MsgAnswer::Cancel : MsgAnswer::No;
}

}  // namespace

std::string ConsoleLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

ConsoleMessageBoxes::ConsoleMessageBoxes(std::ostream& out, std::optional<bool> preset,
                                         std::istream* input)
    : out_(out), preset_(preset), input_(input) {}

MsgAnswer ConsoleMessageBoxes::Show(const MessageRequest& request) {
  out_ << request.title;
  if (const char* word = IconWord(request.icon)) out_ << " (" << word << ")";
  out_ << ":\n" << ConsoleLines(request.text) << "\n";
  if (!IsQuestion(request.buttons)) {
    out_.flush();
    return MsgAnswer::Ok;
  }
  MsgAnswer answer = Decline(request.buttons);
  if (preset_) {
    answer = *preset_ ? Accept(request.buttons) : Deny(request.buttons);
  } else if (input_ != nullptr) {
    out_ << (request.buttons == MsgButtons::OkCancel ? "[OK = j / Abbrechen = n] "
                                                     : "[Ja = j / Nein = n] ")
         << std::flush;
    std::string line;
    if (std::getline(*input_, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string reply = AsciiLower(Trim(line));
      if (reply == "j" || reply == "ja" || reply == "y" || reply == "yes") {
        answer = Accept(request.buttons);
      } else if (reply == "n" || reply == "nein" || reply == "no") {
        answer = Deny(request.buttons);
      }
    }
  } else {
    out_ << "(keine Antwort möglich) ";
  }
  out_ << "-> " << AnswerWord(answer) << "\n" << std::flush;
  return answer;
}

}  // namespace kx
