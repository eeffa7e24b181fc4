#include "projectxml/xml_source.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "host/error.hpp"
#include "support/text.hpp"

namespace kx::platform {
namespace {

using pugi::xml_node;

// Element text is kept in the element itself, which halves the nodes to build and walk.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_embed_pcdata;

[[noreturn]] void OutOfMemory(const std::string& path, std::uintmax_t size) {
  throw host::HostError(host::kErrFile, OutOfMemoryText(path, size));
}

// Whether the text is UTF-8 as far as its start tells: no byte order mark of UTF-16 or UTF-32,
// and a declaration that names no other encoding.
bool LooksLikeUtf8(std::string_view text) {
  if (text.size() >= 2 &&
      ((text[0] == '\xFE' && text[1] == '\xFF') || (text[0] == '\xFF' && text[1] == '\xFE')))
    return false;
  if (text.size() >= 2 && (text[0] == '\0' || text[1] == '\0')) return false;  // UTF-16/32
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.substr(0, 5) != "<?xml") return true;
  const std::string_view decl = text.substr(0, text.find("?>"));
  const auto at = decl.find("encoding");
  if (at == std::string_view::npos) return true;
  auto quote = decl.find_first_of("\"'", at);
  if (quote == std::string_view::npos) return true;
  const auto end = decl.find(decl[quote], quote + 1);
  std::string name(decl.substr(quote + 1, end == std::string_view::npos ? 0 : end - quote - 1));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name == "utf-8" || name == "utf8";
}

// Whether a text is to be checked for characters XML does not allow, from its first bytes: text
// that does not start as XML is left to the parser, which says it is none.
std::optional<bool> WantsCheck(std::string_view start) {
  const std::size_t first =
      start.find_first_not_of(" \t\r\n", start.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0);
  if (first == std::string_view::npos) return std::nullopt;
  return start[first] == '<' && LooksLikeUtf8(start);
}

// "U+0001" and, for control characters, their common name.
std::string CharName(std::uint32_t code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(code));
  std::string name = buf;
  if (code == 0)
    name += " (Nullzeichen)";
  else if (code < 0x20)
    name += " (Steuerzeichen)";
  return name;
}

std::string ParseProblem(pugi::xml_parse_status status) {
  switch (status) {
    case pugi::status_out_of_memory:
      return "zu wenig Speicher zum Lesen";
    case pugi::status_bad_pi:
      return "kein gültiges XML: fehlerhafte Verarbeitungsanweisung";
    case pugi::status_bad_comment:
      return "kein gültiges XML: fehlerhafter Kommentar";
    case pugi::status_bad_cdata:
      return "kein gültiges XML: fehlerhafter CDATA-Abschnitt";
    case pugi::status_bad_doctype:
      return "kein gültiges XML: fehlerhafte Dokumenttyp-Angabe";
    case pugi::status_bad_pcdata:
      return "kein gültiges XML: fehlerhafter Text";
    case pugi::status_bad_start_element:
      return "kein gültiges XML: fehlerhaftes Start-Tag";
    case pugi::status_bad_attribute:
      return "kein gültiges XML: fehlerhaftes Attribut";
    case pugi::status_bad_end_element:
      return "kein gültiges XML: fehlerhaftes End-Tag";
    case pugi::status_end_element_mismatch:
      return "kein gültiges XML: End-Tag passt nicht zum Start-Tag";
    case pugi::status_append_invalid_root:
      return "kein gültiges XML: ungültiges Wurzelelement";
    case pugi::status_no_document_element:
      return "keine XML-Datei: kein Wurzelelement gefunden";
    default:
      return "kein gültiges XML: unbekanntes Zeichen";
  }
}

// Whether the text ends with the end tag of the element it starts with, as a whole file does.
bool EndsWithClosingTag(std::string_view text) {
  std::size_t pos = 0;
  for (;;) {  // the first element's name, past the declaration, comments and a document type
    pos = text.find('<', pos);
    if (pos == std::string_view::npos || pos + 1 >= text.size()) return false;
    if (text[pos + 1] != '?' && text[pos + 1] != '!') break;
    ++pos;
  }
  std::size_t end = pos + 1;
  while (end < text.size() && text[end] != '>' && text[end] != '/' && text[end] != ' ' &&
         text[end] != '\t' && text[end] != '\r' && text[end] != '\n')
    ++end;
  const std::string_view name = text.substr(pos + 1, end - pos - 1);
  std::size_t last = text.size();
  while (last > 0 && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r' ||
                      text[last - 1] == '\n' || text[last - 1] == '\0'))
    --last;
  const std::string closing = "</" + std::string(name) + ">";
  if (last >= end && end < text.size() && text[end] == '/') {  // an empty root element
    return last >= 2 && text.substr(last - 2, 2) == "/>";
  }
  return last >= closing.size() && text.substr(last - closing.size(), closing.size()) == closing;
}

// Where text stands after the root element, which the parser passes over without a word: past
// the comments and processing instructions at the end, the text must end with a tag. npos when
// it does; called for a text that does not end with its root's end tag.
std::size_t TextAfterRoot(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  std::string_view rest = text;
  for (;;) {
    const std::size_t last = rest.find_last_not_of(kSpace);
    if (last == std::string_view::npos) return std::string_view::npos;
    rest = rest.substr(0, last + 1);
    std::size_t open = std::string_view::npos;
    if (rest.ends_with("-->"))
      open = rest.rfind("<!--");
    else if (rest.ends_with("?>"))
      open = rest.rfind("<?");
    if (open == std::string_view::npos) break;
    rest = rest.substr(0, open);
  }
  if (rest.ends_with(">")) return std::string_view::npos;
  const std::size_t tag = rest.rfind('>');
  const std::size_t from = tag == std::string_view::npos ? 0 : tag + 1;
  return rest.find_first_not_of(kSpace, from);
}

// A text parsed in parts is parsed in place: the text up to an assignment near its middle,
// closed there by the tags written over that assignment's start, and the assignments after that
// one, as a fragment of their own. The assignment written over is copied first and read as a
// third, small fragment.
constexpr std::string_view kClosedHere = "</Assignments></Project>";

// Where a text parsed in parts is divided.
struct Division {
  std::size_t middle = 0;  // an <Assignment> right after an </Assignment>: the first part ends
  std::size_t after = 0;   // the <Assignment> after that one: the second part begins
  std::size_t close = 0;   // the </Assignments> before the file's closing </Project>
};

// Nothing for text that does not end with its assignments as most files do.
std::optional<Division> DivisionOf(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  constexpr std::string_view kOpen = "<Assignment>", kClose = "</Assignment>";
  std::size_t end = text.find_last_not_of(kSpace);  // the last character of the text
  const auto endsWith = [&](std::string_view tag) {
    if (end == std::string_view::npos || end + 1 < tag.size() ||
        text.substr(end + 1 - tag.size(), tag.size()) != tag)
      return false;
    end = end + 1 == tag.size() ? std::string_view::npos
                                : text.find_last_not_of(kSpace, end - tag.size());
    return true;
  };
  if (!endsWith("</Project>")) return std::nullopt;
  if (!endsWith("</Assignments>") || end == std::string_view::npos) return std::nullopt;
  Division d;
  d.close = text.find("</Assignments>", end + 1);
  const std::size_t open = text.find("<Assignments>");
  if (open == std::string_view::npos || open >= d.close) return std::nullopt;
  // The next assignment that follows another, from `from` on; npos when there is none.
  const auto nextAfterAnother = [&](std::size_t from) {
    const std::size_t closed = text.find(kClose, from);
    if (closed == std::string_view::npos || closed >= d.close) return std::string_view::npos;
    const std::size_t at = text.find_first_not_of(kSpace, closed + kClose.size());
    if (at == std::string_view::npos || text.compare(at, kOpen.size(), kOpen) != 0)
      return std::string_view::npos;
    return at;
  };
  d.middle = nextAfterAnother(std::max(open, d.close / 2));
  if (d.middle == std::string_view::npos) return std::nullopt;
  d.after = nextAfterAnother(d.middle);
  if (d.after == std::string_view::npos || d.after - d.middle < kClosedHere.size())
    return std::nullopt;
  return d;
}

// A fragment that holds assignments (and text between them), as the assignments of a file do.
bool HoldsOnlyAssignments(const pugi::xml_document& fragment) {
  for (xml_node c = fragment.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_pcdata) continue;
    if (c.type() != pugi::node_element || std::strcmp(c.name(), "Assignment") != 0) return false;
  }
  return true;
}

// The name in the declaration's encoding="..." in lower case, empty where it names none.
std::string DeclaredEncoding(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.substr(0, 5) != "<?xml") return {};
  const std::string_view decl = text.substr(0, text.find("?>"));
  const auto at = decl.find("encoding");
  if (at == std::string_view::npos) return {};
  const auto quote = decl.find_first_of("\"'", at);
  if (quote == std::string_view::npos) return {};
  const auto end = decl.find(decl[quote], quote + 1);
  std::string name(decl.substr(quote + 1, end == std::string_view::npos ? 0 : end - quote - 1));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

void PutUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The UTF-8 text of UTF-16 bytes; nothing where they are no UTF-16 (a lone surrogate, an odd
// length), `bad` then telling the byte.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian, std::size_t& bad) {
  std::string out;
  out.reserve(bytes.size() / 2 + bytes.size() / 8);
  const auto unit = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<std::uint32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    std::uint32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00) {
      if (i + 3 >= bytes.size()) break;
      const std::uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low >= 0xE000) break;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    } else if (code >= 0xDC00 && code < 0xE000) {
      break;
    }
    PutUtf8(out, code);
  }
  if (i != bytes.size()) {
    bad = i;
    return std::nullopt;
  }
  return out;
}

// The length of the reference to one of the five entities XML knows at the start of `text`
// ("&amp;" and the like), else 0.
std::size_t NamedReferenceLength(std::string_view text) {
  for (const std::string_view known : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
    if (text.substr(0, known.size()) == known) return known.size();
  return 0;
}

// Whether `at` lies in a comment, a CDATA section or a processing instruction, where "&" is a
// character like any other; `end` is then where that ends.
bool InMarkupText(std::string_view text, std::size_t at, std::size_t& end) {
  constexpr std::pair<std::string_view, std::string_view> kSpans[] = {
      {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}};
  for (const auto& [open, close] : kSpans) {
    const std::size_t start = text.rfind(open, at);
    if (start == std::string_view::npos) continue;
    const std::size_t stop = text.find(close, start + open.size());
    if (stop != std::string_view::npos && stop + close.size() <= at) continue;
    end = stop == std::string_view::npos ? text.size() : stop + close.size();
    return true;
  }
  return false;
}

// The first element of `node`'s subtree (itself included) that has an attribute twice, and that
// attribute; empty handles when there is none. The parser keeps both. For the texts that are
// not looked at before they are parsed (UTF-16 and the like).
std::pair<xml_node, pugi::xml_attribute> DuplicateAttribute(xml_node node) {
  for (xml_node n = node; n;) {
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
      for (pugi::xml_attribute b = a.next_attribute(); b; b = b.next_attribute())
        if (std::strcmp(a.name(), b.name()) == 0) return {n, a};
    // The next node in document order below `node`.
    if (xml_node child = n.first_child()) {
      n = child;
      continue;
    }
    while (n && n != node && !n.next_sibling()) n = n.parent();
    if (!n || n == node) break;
    n = n.next_sibling();
  }
  return {};
}

// An attribute given twice in a start tag, found in the text: where the tag starts, with the
// element's and the attribute's names. Attributes are rare in most files, so only the tags
// around an "=" are looked at, which is quicker than a walk over every element parsed.
struct TwiceGiven {
  std::size_t offset = std::string_view::npos;
  std::string_view element, attribute;
};

TwiceGiven DuplicateAttributeIn(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const auto nameEnd = [&](std::size_t i) {
    const std::size_t end = text.find_first_of(" \t\r\n=/>", i);
    return end == std::string_view::npos ? text.size() : end;
  };
  for (std::size_t at = text.find('='); at != std::string_view::npos; at = text.find('=', at + 1)) {
    const std::size_t open = text.find_last_of("<>", at);
    if (open == std::string_view::npos || text[open] == '>') continue;  // "=" in text
    if (open + 1 < text.size() && (text[open + 1] == '!' || text[open + 1] == '?')) {
      // A comment, a CDATA section, a document type or a processing instruction.
      const std::string_view close = text.compare(open, 4, "<!--") == 0        ? "-->"
                                     : text.compare(open, 9, "<![CDATA[") == 0 ? "]]>"
                                     : text[open + 1] == '?'                   ? "?>"
                                                                               : ">";
      const std::size_t stop = text.find(close, at);
      if (stop == std::string_view::npos) break;
      at = stop;
      continue;
    }
    // A start tag: its attributes one by one, until something is not one (the parser judges it).
    const std::size_t nameFrom = open + 1;
    std::size_t i = nameEnd(nameFrom);
    const std::string_view element = text.substr(nameFrom, i - nameFrom);
    std::vector<std::string_view> names;
    for (;;) {
      i = text.find_first_not_of(kSpace, i);
      if (i == std::string_view::npos || text[i] == '>' || text[i] == '/') break;
      const std::size_t from = i;
      i = nameEnd(i);
      const std::string_view name = text.substr(from, i - from);
      i = text.find_first_not_of(kSpace, i);
      if (name.empty() || i == std::string_view::npos || text[i] != '=') break;
      i = text.find_first_not_of(kSpace, i + 1);
      if (i == std::string_view::npos || (text[i] != '"' && text[i] != '\'')) break;
      const std::size_t quote = text.find(text[i], i + 1);
      if (quote == std::string_view::npos) break;
      if (std::find(names.begin(), names.end(), name) != names.end()) return {open, element, name};
      names.push_back(name);
      i = quote + 1;
    }
    if (i == std::string_view::npos) break;
    at = std::max(at, i);
  }
  return {};
}

}  // namespace

std::string EncodedAs(const KeptText& kept, std::string_view text) {
  if (kept.encoding == TextEncoding::kUtf8) return std::string(text);
  std::string out;
  const bool big = kept.encoding == TextEncoding::kUtf16BE;
  const auto unit = [&](std::uint32_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += big ? hi : lo;
    out += big ? lo : hi;
  };
  if (kept.encoding != TextEncoding::kLatin1) out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size();) {
    // The text is UTF-8 throughout: what was read was, and what is written is checked.
    const auto c = static_cast<unsigned char>(text[i]);
    std::uint32_t code = c;
    std::size_t length = 1;
    if (c >= 0xF0 && i + 3 < text.size()) {
      code = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 12) |
             ((static_cast<unsigned char>(text[i + 2]) & 0x3Fu) << 6) |
             (static_cast<unsigned char>(text[i + 3]) & 0x3Fu);
      length = 4;
    } else if (c >= 0xE0 && i + 2 < text.size()) {
      code = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
             (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
      length = 3;
    } else if (c >= 0xC0 && i + 1 < text.size()) {
      code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
      length = 2;
    }
    i += length;
    if (kept.encoding == TextEncoding::kLatin1) {
      if (code < 0x100)
        out += static_cast<char>(code);
      else
        out += "&#" + std::to_string(code) + ";";
    } else if (code >= 0x10000) {
      unit(0xD800 + ((code - 0x10000) >> 10));
      unit(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      unit(code);
    }
  }
  return out;
}

std::string ByteOrderMark(const KeptText& kept) {
  if (!kept.byteOrderMark) return {};
  if (kept.encoding == TextEncoding::kUtf16LE) return "\xFF\xFE";
  if (kept.encoding == TextEncoding::kUtf16BE) return "\xFE\xFF";
  return {};
}

bool XmlSource::ParseDecoded() {
  const std::string_view bytes = file_.view();
  auto kept = std::make_shared<KeptText>();
  const auto at = [&](std::size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0x100u;
  };
  std::string_view units = bytes;
  if (at(0) == 0xFF && at(1) == 0xFE) {
    kept->encoding = TextEncoding::kUtf16LE;
  } else if (at(0) == 0xFE && at(1) == 0xFF) {
    kept->encoding = TextEncoding::kUtf16BE;
  } else if (at(0) == '<' && at(1) == 0 && at(2) != 0) {
    kept->encoding = TextEncoding::kUtf16LE;
  } else if (at(0) == 0 && at(1) == '<' && at(3) != 0) {
    kept->encoding = TextEncoding::kUtf16BE;
  } else if (const std::string name = DeclaredEncoding(bytes);
             name == "iso-8859-1" || name == "latin1" || name == "latin-1") {
    kept->encoding = TextEncoding::kLatin1;
  } else {
    return false;
  }
  if (kept->encoding == TextEncoding::kLatin1) {
    kept->utf8.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes) PutUtf8(kept->utf8, static_cast<unsigned char>(c));
  } else {
    kept->byteOrderMark = at(0) >= 0xFE;
    if (kept->byteOrderMark) units.remove_prefix(2);
    std::size_t bad = 0;
    auto utf8 = Utf16ToUtf8(units, kept->encoding == TextEncoding::kUtf16BE, bad);
    if (!utf8)
      throw host::HostError(host::kErrFile,
                            path_ + ": die Datei ist als UTF-16 geschrieben, enthält aber an Byte " +
                                std::to_string(bad + (kept->byteOrderMark ? 3 : 1)) +
                                " kein gültiges UTF-16-Zeichen");
    kept->utf8 = std::move(*utf8);
  }
  // Lines are counted in the decoded text from here on, as for a text given in memory.
  kept_ = std::move(kept);
  onDisk_ = false;
  original_ = kept_->utf8;
  CheckCharacters(original_);
  CheckAttributes(original_);
  attributesChecked_ = true;
  const bool closed = EndsWithClosingTag(original_);
  if (!closed) textAfterRoot_ = TextAfterRoot(original_);
  decodedParse_ = kept_->utf8;
  ParseWhole(decodedParse_.data(), decodedParse_.size(), bytes.size(), closed,
             pugi::encoding_utf8);
  CheckStructure();
  return true;
}

XmlSource::XmlSource(const std::string& path, std::size_t parseInPartsFrom, bool keepText)
    : path_(path), onDisk_(true), keepText_(keepText) {
  ReadFile();
  if (!LooksLikeUtf8(file_.view()) && ParseDecoded()) return;
  if (keepText_) {
    kept_ = std::make_shared<KeptText>();
    kept_->utf8.assign(file_.view());
  }
  if (file_.bad) BadCharacters(*file_.bad);
  if (file_.checked)
    CheckReferences(file_.view());
  else if (WantsCheck(file_.view()).value_or(false))
    CheckCharacters(file_.view());
  attributesChecked_ = file_.checked || WantsCheck(file_.view()).value_or(false);
  if (attributesChecked_) CheckAttributes(file_.view());
  const std::size_t size = file_.size;
  const bool closed = EndsWithClosingTag(file_.view());  // before parsing changes the text
  if (!closed) textAfterRoot_ = TextAfterRoot(file_.view());
  if (size >= parseInPartsFrom && LooksLikeUtf8(file_.view())) {
    bool changed = false;
    inParts_ = ParseInParts(changed);
    // What the two parts cannot tell (a fault, most likely) the one parse says as always.
    if (!inParts_ && changed) ReadFile();
  }
  if (!inParts_) ParseWhole(file_.data(), file_.size, size, closed);
  CheckStructure();
}

XmlSource::XmlSource(std::string& text, std::string_view original, const std::string& name,
                     bool keepText, pugi::xml_encoding encoding)
    : path_(name), original_(original), keepText_(keepText) {
  if (keepText_) {
    kept_ = std::make_shared<KeptText>();
    kept_->utf8.assign(original);
  }
  attributesChecked_ = WantsCheck(text).value_or(false);
  if (attributesChecked_) {
    CheckCharacters(text);
    CheckAttributes(text);
  }
  const bool closed = EndsWithClosingTag(text);
  if (!closed) textAfterRoot_ = TextAfterRoot(text);
  ParseWhole(text.data(), text.size(), text.size(), closed, encoding);
  CheckStructure();
}

std::array<pugi::xml_node, 2> XmlSource::LaterAssignments() const {
  if (!inParts_) return {};
  return {middle_.root(), tail_.root()};
}

std::string XmlSource::Where(xml_node node) const {
  std::ptrdiff_t offset = node ? node.offset_debug() : -1;
  if (offset < 0) return path_ + ": ";
  if (inParts_) {  // the offsets of a fragment count from its start
    const xml_node root = node.root();
    if (root == middle_.root())
      offset += static_cast<std::ptrdiff_t>(middleStart_);
    else if (root == tail_.root())
      offset += static_cast<std::ptrdiff_t>(tailStart_);
  }
  return path_ + ":" + std::to_string(LineAt(static_cast<std::size_t>(offset))) + ": ";
}

// Counted in the text as it was given, or for a file, which is parsed in place, in the file as
// it was read (the parse has changed the text in memory).
std::size_t XmlSource::LineAt(std::size_t offset) const {
  if (onDisk_) return LineOfOffset(file_, offset);
  const std::size_t end = std::min(offset, original_.size());
  return 1 + static_cast<std::size_t>(std::count(original_.begin(), original_.begin() + end, '\n'));
}

void XmlSource::ReadFile() {
  try {
    if (!ReadFileText(path_, WantsCheck, file_))
      throw host::HostError(host::kErrFile, file_.kind == FileKind::Special
                                                ? NotRegularFileText(path_)
                                                : path_ + ": Datei kann nicht gelesen werden");
  } catch (const std::bad_alloc&) {
    OutOfMemory(path_, file_.size);
  }
}

void XmlSource::CheckCharacters(std::string_view text) const {
  if (const auto bad = FindBadXmlText(text)) BadCharacters(*bad);
  CheckReferences(text);
}

void XmlSource::BadCharacters(const BadXmlText& bad) const {
  const std::string where = path_ + ":" + std::to_string(LineAt(bad.offset)) + ": ";
  if (bad.notUtf8)
    throw host::HostError(host::kErrFile,
                          where + "die Datei enthält Bytes, die kein UTF-8 sind (an Byte " +
                              std::to_string(bad.offset + 1) + "); speichern Sie sie als UTF-8");
  throw host::HostError(host::kErrFile,
                        where + "das Zeichen " + CharName(bad.code) + " ist in XML nicht erlaubt");
}

void XmlSource::CheckReferences(std::string_view text) const {
  const auto where = [&](std::size_t offset) {
    return path_ + ":" + std::to_string(LineAt(offset)) + ": ";
  };
  for (std::size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1)) {
    if (at + 1 >= text.size() || text[at + 1] != '#') {
      // A named reference: one of the five XML knows; the parser would keep any other, and a
      // bare "&", as text.
      const std::size_t length = NamedReferenceLength(text.substr(at));
      if (length != 0) continue;
      std::size_t after = 0;
      if (InMarkupText(text, at, after)) {
        at = after - 1;
        continue;
      }
      const std::size_t end = text.find_first_of(";<>&\"' \t\r\n", at + 1);
      if (end == std::string_view::npos || text[end] != ';' || end == at + 1)
        throw host::HostError(host::kErrFile,
                              where(at) +
                                  "kein gültiges XML: ein \"&\", das keinen Verweis "
                                  "beginnt (als Zeichen wird es &amp; geschrieben)");
      // Entities a document type declares are its own; the parser does not expand them either.
      if (text.find("<!ENTITY") != std::string_view::npos) continue;
      throw host::HostError(host::kErrFile,
                            where(at) + "kein gültiges XML: der Verweis " +
                                Quoted(CutToChars(text.substr(at, end + 1 - at), 40)) +
                                " ist nicht bekannt (XML kennt &amp; &lt; &gt; &quot; &apos;)");
    }
    // Character references: "&#1;" and "&#x1B;" name characters that XML 1.0 forbids as well.
    std::size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x');
    if (hex) ++i;
    std::uint64_t code = 0;
    const std::size_t first = i;
    for (; i < text.size() && i - first < 9; ++i) {
      const char c = text[i];
      int digit = -1;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (hex && c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
      if (digit < 0) break;
      code = code * (hex ? 16 : 10) + static_cast<unsigned>(digit);
    }
    std::size_t after = 0;
    if (i == first || i >= text.size() || text[i] != ';') {
      if (InMarkupText(text, at, after)) {
        at = after - 1;
        continue;
      }
      throw host::HostError(
          host::kErrFile,
          where(at) + "kein gültiges XML: der Zeichenverweis " +
              Quoted(text.substr(at, std::min<std::size_t>(i + 1, text.size()) - at)) +
              " ist unvollständig");
    }
    if ((code > 0x10FFFF || !IsXmlChar(static_cast<std::uint32_t>(code))) &&
        !InMarkupText(text, at, after))
      throw host::HostError(
          host::kErrFile,
          where(at) + "der Zeichenverweis " + Quoted(text.substr(at, i + 1 - at)) + " nennt " +
              (code > 0x10FFFF ? std::string("kein Zeichen")
                               : "das Zeichen " + CharName(static_cast<std::uint32_t>(code))) +
              ", das in XML nicht erlaubt ist");
  }
}

void XmlSource::CheckAttributes(std::string_view text) const {
  const TwiceGiven twice = DuplicateAttributeIn(text);
  if (twice.offset == std::string_view::npos) return;
  throw host::HostError(host::kErrFile, path_ + ":" + std::to_string(LineAt(twice.offset)) +
                                            ": kein gültiges XML: das Attribut " +
                                            Quoted(twice.attribute) + " steht zweimal im Element " +
                                            Quoted(twice.element));
}

void XmlSource::CheckStructure() const {
  xml_node root;
  for (xml_node n = whole_.first_child(); n; n = n.next_sibling()) {
    const auto type = n.type();
    if (type == pugi::node_element && !root) {
      root = n;
    } else if (type == pugi::node_element) {
      throw host::HostError(host::kErrFile, Where(n) +
                                                "kein gültiges XML: nach dem Wurzelelement " +
                                                Quoted(root.name()) +
                                                " folgt ein zweites Element " + Quoted(n.name()));
    } else if (type == pugi::node_pcdata || type == pugi::node_cdata) {
      throw host::HostError(host::kErrFile,
                            Where(n) + "kein gültiges XML: Text außerhalb des Wurzelelements");
    }
  }
  if (textAfterRoot_ != std::string::npos && root)
    throw host::HostError(host::kErrFile, path_ + ":" + std::to_string(LineAt(textAfterRoot_)) +
                                              ": kein gültiges XML: Text außerhalb des "
                                              "Wurzelelements");
  if (attributesChecked_) return;
  for (const pugi::xml_document* document : {&whole_, &middle_, &tail_}) {
    const auto [element, attribute] = DuplicateAttribute(document->root());
    if (element)
      throw host::HostError(host::kErrFile, Where(element) + "kein gültiges XML: das Attribut " +
                                                Quoted(attribute.name()) +
                                                " steht zweimal im Element " +
                                                Quoted(element.name()));
  }
}

bool XmlSource::ParseInParts(bool& changed) {
  const auto division = DivisionOf(file_.view());
  if (!division) return false;
  char* const data = file_.data();
  pugi::xml_parse_result headParsed, middleParsed, tailParsed;
  bool tailOutOfMemory = false;
  std::thread helper;
  try {
    helper = std::thread([&] {
      try {
        tailParsed =
            tail_.load_buffer_inplace(data + division->after, division->close - division->after,
                                      kParseOptions | pugi::parse_fragment, pugi::encoding_utf8);
      } catch (const std::bad_alloc&) {
        tailOutOfMemory = true;
      }
    });
  } catch (const std::system_error&) {
    return false;  // no second thread to be had: the text is as it was
  }
  changed = true;
  try {
    middleText_.assign(data + division->middle, division->after - division->middle);
    // The first part ends where the assignment in the middle began.
    std::memcpy(data + division->middle, kClosedHere.data(), kClosedHere.size());
    headParsed = whole_.load_buffer_inplace(data, division->middle + kClosedHere.size(),
                                            kParseOptions, pugi::encoding_auto);
    middleParsed =
        middle_.load_buffer_inplace(middleText_.data(), middleText_.size(),
                                    kParseOptions | pugi::parse_fragment, pugi::encoding_utf8);
  } catch (const std::bad_alloc&) {
    headParsed.status = pugi::status_out_of_memory;
  }
  helper.join();
  if (tailOutOfMemory || !headParsed || !middleParsed || !tailParsed ||
      !HoldsOnlyAssignments(middle_) || !HoldsOnlyAssignments(tail_)) {
    middle_.reset();
    tail_.reset();
    return false;
  }
  // The closing tags left no trace in the first part's tree: the text there is put back, so that
  // lines are counted in it as it was.
  std::memcpy(data + division->middle, middleText_.data(), kClosedHere.size());
  middleStart_ = division->middle;
  tailStart_ = division->after;
  return true;
}

void XmlSource::ParseWhole(char* data, std::size_t length, std::size_t size, bool closed,
                           pugi::xml_encoding encoding) {
  pugi::xml_parse_result parsed;
  try {
    parsed = whole_.load_buffer_inplace(data, length, kParseOptions, encoding);
  } catch (const std::bad_alloc&) {
    OutOfMemory(path_, size);
  }
  if (parsed.status == pugi::status_out_of_memory) OutOfMemory(path_, size);
  if (parsed) return;
  std::size_t offset = static_cast<std::size_t>(std::max<std::ptrdiff_t>(parsed.offset, 0));
  std::string problem = ParseProblem(parsed.status);
  if (parsed.status == pugi::status_no_document_element) {
    offset = 0;
  } else if (!closed) {
    problem = "die Datei endet mitten im XML (unvollständig oder abgeschnitten)";
  }
  throw host::HostError(host::kErrFile,
                        path_ + ":" + std::to_string(LineAt(offset)) + ": " + problem);
}

}  // namespace kx::platform
