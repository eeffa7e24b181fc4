#pragma once
// The text of an XML file and its parse: read from the file or given in memory, refused with the
// line named when it holds what XML does not allow or does not parse, and parsed in place. A
// large file that ends with its assignments, as most do, is parsed in two parts at once; what
// the parts cannot tell (a fault, most likely) one parse of the whole text says as always. Every
// message reads "<file>:<line>: <what is wrong>", the line counted in the text as it was read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "projectxml/file_text.hpp"

namespace kx::platform {

// How a file's text was encoded. Text in UTF-16 or Latin-1 is read as its UTF-8 text.
enum class TextEncoding : std::uint8_t { kUtf8, kUtf16LE, kUtf16BE, kLatin1 };

// The text of a file as it was read, before the parse changed it: its UTF-8 text, and how the
// file itself was encoded, so that it can be written back as it came.
struct KeptText {
  std::string utf8;
  TextEncoding encoding = TextEncoding::kUtf8;
  bool byteOrderMark = false;  // of UTF-16; a UTF-8 one stays in `utf8`
};

// Returns UTF-8 `text` (whole characters) in the encoding the kept text came in: Latin-1 with
// character references for what Latin-1 cannot hold. A byte order mark is the caller's.
std::string EncodedAs(const KeptText& kept, std::string_view text);
// The byte order mark that a file of the kept text begins with, empty for none.
std::string ByteOrderMark(const KeptText& kept);

class XmlSource {
 public:
  // Reads and parses the file `path`; a file of `parseInPartsFrom` bytes or more in two parts at
  // once. Throws host::HostError (kErrFile) when the file cannot be read, is a named pipe, socket
  // or device, holds what XML does not allow, does not parse or does not fit into memory.
  // With `keepText` the text as read stays available through Kept().
  XmlSource(const std::string& path, std::size_t parseInPartsFrom, bool keepText = false);
  // Parses `text` in place, `original` being that text as it was given (its lines are counted
  // there) and `name` standing for the file in messages. Throws as the above.
  // `encoding` tells how the text is encoded where its start and declaration are not to say it.
  XmlSource(std::string& text, std::string_view original, const std::string& name,
            bool keepText = false, pugi::xml_encoding encoding = pugi::encoding_auto);
  XmlSource(const XmlSource&) = delete;
  XmlSource& operator=(const XmlSource&) = delete;

  // The document element.
  pugi::xml_node Root() const { return whole_.document_element(); }
  // Of a text parsed in two parts: the two fragments that hold the assignments after those below
  // the root, in the file's order. Empty nodes for a text parsed whole.
  std::array<pugi::xml_node, 2> LaterAssignments() const;
  // "<file>:<line>: " for a node of the parse, "<file>: " for an empty node. May be called on
  // several threads at once.
  std::string Where(pugi::xml_node node) const;
  // The line (from 1) of a byte offset of the text as it was read.
  std::size_t LineAt(std::size_t offset) const;
  // The text as it was read, where it was to be kept; null otherwise.
  std::shared_ptr<const KeptText> Kept() const { return keepText_ ? kept_ : nullptr; }

 private:
  // Reads the file into `file_`, again after a parse in parts that could not be had.
  void ReadFile();
  // Refuses text that XML does not allow, naming the line: bytes that are no UTF-8, characters
  // and character references to characters outside XML's.
  void CheckCharacters(std::string_view text) const;
  [[noreturn]] void BadCharacters(const BadXmlText& bad) const;
  // Refuses references XML does not allow: a bare "&", a named reference other than XML's five,
  // a character reference that is cut off or names a character outside XML's.
  void CheckReferences(std::string_view text) const;
  // Refuses a start tag that gives an attribute twice, found in the text before it is parsed.
  void CheckAttributes(std::string_view text) const;
  // Refuses what the parser takes although XML does not: anything but comments and processing
  // instructions after the root element, and of a text not looked at before, an attribute twice.
  void CheckStructure() const;
  // Parses the text in parts, two of them at once, when it ends as most files do. Returns whether
  // it could; when it could not, `changed` tells whether the attempt changed the text.
  bool ParseInParts(bool& changed);
  // Parses the `length` bytes at `data` whole. `size` is what a message names when memory runs
  // out; `closed` tells whether the text ended with its root's end tag before it was parsed.
  void ParseWhole(char* data, std::size_t length, std::size_t size, bool closed,
                  pugi::xml_encoding encoding = pugi::encoding_auto);
  // Reads a text in UTF-16 or Latin-1 as its UTF-8 text. Returns false for any other text.
  bool ParseDecoded();

  std::string path_;
  std::string_view original_;  // the text given in memory, as it was given
  bool onDisk_ = false;
  FileText file_;                // a file's text, parsed in place: the documents point into it
  pugi::xml_document whole_;     // the text, or of a text parsed in parts, its first part
  pugi::xml_document middle_;    // of a text parsed in parts: the assignment between the parts
  pugi::xml_document tail_;      // of a text parsed in parts: the assignments of the second part
  std::string middleText_;       // the text of `middle_`, copied before the first part is closed
  std::size_t middleStart_ = 0;  // where `middle_` and `tail_` begin in the text
  std::size_t tailStart_ = 0;
  bool inParts_ = false;
  bool keepText_ = false;
  std::shared_ptr<KeptText> kept_;  // the text as read; of a decoded text, its UTF-8 text
  std::string decodedParse_;         // of a decoded text: the copy that is parsed in place
  std::size_t textAfterRoot_ = std::string::npos;  // where the text holds text after the root
  bool attributesChecked_ = false;                 // CheckAttributes has looked at the text
};

}  // namespace kx::platform
