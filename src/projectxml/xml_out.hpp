#pragma once
// The XML emitter of the Project XML writer: indented elements, escaped text and the values of
// the format (dates, durations, numbers) written in place, into a string or in pieces to a sink.

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "model/model.hpp"
#include "projectxml/xml_values.hpp"

namespace kx::platform::pxml {

// Streams indented XML text: into a string, or in pieces to a sink as it grows.
class XmlOut {
 public:
  // Without a sink the whole text stays in the string that Take() returns.
  explicit XmlOut(std::function<void(std::string_view)> sink = nullptr) : sink_(std::move(sink)) {
    Reserve(sink_ ? kPiece + (1 << 12) : 1 << 16);
  }
  void Open(std::string_view name) {
    char* p = Grow(static_cast<std::size_t>(depth_) + name.size() + 3);
    p = Tabs(p);
    *p++ = '<';
    p = Put(p, name);
    *p++ = '>';
    *p = '\n';
    ++depth_;
  }
  void Close(std::string_view name) {
    --depth_;
    char* p = Grow(static_cast<std::size_t>(depth_) + name.size() + 4);
    p = Tabs(p);
    *p++ = '<';
    *p++ = '/';
    p = Put(p, name);
    *p++ = '>';
    *p = '\n';
    if (sink_ && size_ >= kPiece) Flush();
  }
  void Leaf(std::string_view name, std::string_view text) {
    char* p = Grow(static_cast<std::size_t>(depth_) + name.size() + 2);
    p = Tabs(p);
    *p++ = '<';
    p = Put(p, name);
    *p = '>';
    Escape(text);
    p = Grow(name.size() + 4);
    *p++ = '<';
    *p++ = '/';
    p = Put(p, name);
    *p++ = '>';
    *p = '\n';
  }
  void Leaf(std::string_view name, long long v) {
    char buf[24];
    Plain(name, std::string_view(buf, static_cast<std::size_t>(
                                          std::to_chars(buf, buf + sizeof buf, v).ptr - buf)));
  }
  void Leaf(std::string_view name, int v) { Leaf(name, static_cast<long long>(v)); }
  void Flag(std::string_view name, bool v) { Plain(name, v ? "1" : "0"); }
  // FormatXmlDateTime(d) and FormatXmlDuration(minutes), written in place.
  void DateTime(std::string_view name, Date d) {
    char buf[kIsoDateTimeMax + 1];
    Plain(name, std::string_view(buf, WriteXmlDateTime(d, buf)));
  }
  void Duration(std::string_view name, double minutes) {
    char buf[kXmlDurationMax];
    Plain(name, std::string_view(buf, WriteXmlDuration(minutes, buf)));
  }
  // A stretch of timephased work: its type (1 planned, 2 actual work), the UID, start and finish,
  // its unit and the minutes as its Value (none without them), each element on its line as Leaf
  // writes it.
  void Stretch(std::int32_t uid, Date start, Date finish, TimeUnit unit, const double* minutes,
               std::uint8_t type = 1) {
    if (stretchDepth_ != depth_) MakeStretchParts();
    char number[24];
    char startBuf[kIsoDateTimeMax + 1], finishBuf[kIsoDateTimeMax + 1];
    const std::string_view uidText(
        number, static_cast<std::size_t>(std::to_chars(number, number + sizeof number,
                                                       static_cast<long long>(uid)).ptr - number));
    // Stretches follow each other: a start is mostly the finish before it, and the minutes of
    // one stretch mostly those of the one before. Those texts are taken from the last stretch.
    const std::uint64_t startBits = std::bit_cast<std::uint64_t>(start.serial);
    const std::uint64_t finishBits = std::bit_cast<std::uint64_t>(finish.serial);
    std::string_view startText;
    if (lastFinish_.size > 0 && startBits == lastFinish_.bits) {
      startText = std::string_view(lastFinish_.text, lastFinish_.size);
    } else {
      startText = std::string_view(startBuf, WriteXmlDateTime(start, startBuf));
    }
    const std::string_view finishText(finishBuf, WriteXmlDateTime(finish, finishBuf));
    std::string_view valueText;
    if (minutes) {
      const std::uint64_t minuteBits = std::bit_cast<std::uint64_t>(*minutes);
      if (lastValue_.size == 0 || minuteBits != lastValue_.bits) {
        lastValue_.size = WriteXmlDuration(*minutes, lastValue_.text);
        lastValue_.bits = minuteBits;
      }
      valueText = std::string_view(lastValue_.text, lastValue_.size);
    }
    const auto& k = stretchParts_;
    char* p =
        Grow(k[0].size() + 1 + k[6].size() + uidText.size() + k[1].size() + startText.size() +
             k[2].size() +
             finishText.size() + k[3].size() + 1 +
             (minutes ? k[4].size() + valueText.size() + k[5].size() : stretchPartsEmpty_.size()));
    p = Put(p, k[0]);
    *p++ = static_cast<char>('0' + type % 10);  // the format's types are single digits
    p = Put(p, k[6]);
    p = Put(p, uidText);
    p = Put(p, k[1]);
    p = Put(p, startText);
    p = Put(p, k[2]);
    p = Put(p, finishText);
    p = Put(p, k[3]);
    *p++ = static_cast<char>('0' + static_cast<int>(unit));  // each unit is one digit
    if (minutes) {
      p = Put(p, k[4]);
      p = Put(p, valueText);
      Put(p, k[5]);
    } else {
      Put(p, stretchPartsEmpty_);
    }
    // Kept once written: the start may be the kept text itself.
    std::memcpy(lastFinish_.text, finishText.data(), finishText.size());
    lastFinish_.size = finishText.size();
    lastFinish_.bits = finishBits;
    if (sink_ && size_ >= kPiece) Flush();
  }
  void Empty(std::string_view name) {
    char* p = Grow(static_cast<std::size_t>(depth_) + name.size() + 4);
    p = Tabs(p);
    *p++ = '<';
    p = Put(p, name);
    *p++ = '/';
    *p++ = '>';
    *p = '\n';
  }
  void Raw(std::string_view text) { Append(text); }
  void Enter() { ++depth_; }
  void Leave() { --depth_; }
  // Hands what is left to the sink; without one returns the whole text.
  std::string Take() {
    if (sink_) Flush();
    std::string text(buf_.get(), size_);
    size_ = 0;
    return text;
  }

 private:
  static constexpr std::size_t kPiece = 1 << 20;

  // A leaf whose text needs no escaping: digits, dates and durations that we write ourselves.
  void Plain(std::string_view name, std::string_view text) {
    char* p = Grow(static_cast<std::size_t>(depth_) + 2 * name.size() + text.size() + 6);
    p = Tabs(p);
    *p++ = '<';
    p = Put(p, name);
    *p++ = '>';
    p = Put(p, text);
    *p++ = '<';
    *p++ = '/';
    p = Put(p, name);
    *p++ = '>';
    *p = '\n';
  }
  void Reserve(std::size_t capacity) {
    auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
    if (size_ > 0) std::memcpy(bigger.get(), buf_.get(), size_);
    buf_ = std::move(bigger);
    capacity_ = capacity;
  }
  // Makes room for `n` more characters at the end and returns where they go.
  char* Grow(std::size_t n) {
    if (size_ + n > capacity_) Reserve(std::max(capacity_ * 2, size_ + n));
    char* at = buf_.get() + size_;
    size_ += n;
    return at;
  }
  void Append(std::string_view text) { Put(Grow(text.size()), text); }
  void Push(char ch) { *Grow(1) = ch; }
  char* Tabs(char* p) const {
    std::memset(p, '\t', static_cast<std::size_t>(depth_));
    return p + depth_;
  }
  static char* Put(char* p, std::string_view text) {
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    return p + text.size();
  }
  // The fixed text between the values of a stretch at the current depth.
  void MakeStretchParts() {
    const std::string outer(static_cast<std::size_t>(depth_), '\t');
    const std::string inner = outer + '\t';
    stretchParts_[0] = outer + "<TimephasedData>\n" + inner + "<Type>";
    stretchParts_[6] = "</Type>\n" + inner + "<UID>";
    stretchParts_[1] = "</UID>\n" + inner + "<Start>";
    stretchParts_[2] = "</Start>\n" + inner + "<Finish>";
    stretchParts_[3] = "</Finish>\n" + inner + "<Unit>";
    stretchParts_[4] = "</Unit>\n" + inner + "<Value>";
    stretchParts_[5] = "</Value>\n" + outer + "</TimephasedData>\n";
    // Without a value the stretch ends after its unit.
    stretchPartsEmpty_ = "</Unit>\n" + outer + "</TimephasedData>\n";
    stretchDepth_ = depth_;
  }
  void Flush() {
    if (size_ == 0) return;
    sink_(std::string_view(buf_.get(), size_));
    size_ = 0;
  }
  void Escape(std::string_view text) {
    // Whatever the model holds, the file stays well-formed: bytes that are no UTF-8 and
    // characters that XML does not allow become U+FFFD.
    std::string safe;
    if (FindBadXmlText(text)) {
      safe = XmlSafeText(text);
      text = safe;
    }
    for (const char ch : text) {
      switch (ch) {
        case '&':
          Append("&amp;");
          break;
        case '<':
          Append("&lt;");
          break;
        case '>':
          Append("&gt;");
          break;
        case '\r':
          Append("&#13;");  // a reference, so that reading gives it back unchanged
          break;
        default:
          Push(ch);
      }
    }
  }
  std::function<void(std::string_view)> sink_;
  int stretchDepth_ = -1;
  // A value's bits and its text as the last stretch wrote it; size 0: none yet.
  struct KeptText {
    std::uint64_t bits = 0;
    std::size_t size = 0;
    char text[static_cast<std::size_t>(kIsoDateTimeMax) + kXmlDurationMax];
  };
  KeptText lastFinish_, lastValue_;
  std::string stretchParts_[7];
  std::string stretchPartsEmpty_;
  std::unique_ptr<char[]> buf_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  int depth_ = 0;
};

}  // namespace kx::platform::pxml
