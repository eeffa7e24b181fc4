#include "support/text.hpp"

#include <cmath>
#include <cstdlib>

namespace kx {

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string Trim(std::string_view text) {
  return std::string(TrimBlanks(text));
}

double LeadingNumber(std::string_view text) {
  std::string digits;
  bool sign = true, point = false;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    if (sign && (c == '+' || c == '-')) {
      if (c == '-') digits += '-';
      sign = false;
      continue;
    }
    sign = false;
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (c == '.' && !point) {
      digits += c;
      point = true;
    } else {
      break;
    }
  }
  if (digits.empty() || digits == "-" || digits == "." || digits == "-.") return 0.0;
  return std::strtod(digits.c_str(), nullptr);
}

double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view CutToChars(std::string_view text, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (chars++ == maxChars) return text.substr(0, i);
  }
  return text;
}

namespace {

// For each combining accent, the letters it composes with and the characters they make.
struct Composition {
  char32_t mark;
  std::string_view letters;
  std::u32string_view composed;
};
constexpr Composition kCompositions[] = {
    {0x300, "AEIOUaeiou", U"\u00C0\u00C8\u00CC\u00D2\u00D9\u00E0\u00E8\u00EC\u00F2\u00F9"},
    {0x301, "ACEILNORSUYZaceilnorsuyz",
     U"\u00C1\u0106\u00C9\u00CD\u0139\u0143\u00D3\u0154\u015A\u00DA\u00DD\u0179"
     U"\u00E1\u0107\u00E9\u00ED\u013A\u0144\u00F3\u0155\u015B\u00FA\u00FD\u017A"},
    {0x302, "ACEGHIJOSUWYaceghijosuwy",
     U"\u00C2\u0108\u00CA\u011C\u0124\u00CE\u0134\u00D4\u015C\u00DB\u0174\u0176"
     U"\u00E2\u0109\u00EA\u011D\u0125\u00EE\u0135\u00F4\u015D\u00FB\u0175\u0177"},
    {0x303, "AINOUainou", U"\u00C3\u0128\u00D1\u00D5\u0168\u00E3\u0129\u00F1\u00F5\u0169"},
    {0x304, "AEIOUaeiou", U"\u0100\u0112\u012A\u014C\u016A\u0101\u0113\u012B\u014D\u016B"},
    {0x306, "AEGIOUaegiou",
     U"\u0102\u0114\u011E\u012C\u014E\u016C\u0103\u0115\u011F\u012D\u014F\u016D"},
    {0x307, "CEGIZcegz", U"\u010A\u0116\u0120\u0130\u017B\u010B\u0117\u0121\u017C"},
    {0x308, "AEIOUYaeiouy",
     U"\u00C4\u00CB\u00CF\u00D6\u00DC\u0178\u00E4\u00EB\u00EF\u00F6\u00FC\u00FF"},
    {0x30A, "AUau", U"\u00C5\u016E\u00E5\u016F"},
    {0x30B, "OUou", U"\u0150\u0170\u0151\u0171"},
    {0x30C, "CDELNRSTZcdelnrstz",
     U"\u010C\u010E\u011A\u013D\u0147\u0158\u0160\u0164\u017D"
     U"\u010D\u010F\u011B\u013E\u0148\u0159\u0161\u0165\u017E"},
    {0x327, "CGKLNRSTcgklnrst",
     U"\u00C7\u0122\u0136\u013B\u0145\u0156\u015E\u0162"
     U"\u00E7\u0123\u0137\u013C\u0146\u0157\u015F\u0163"},
    {0x328, "AEIUaeiu", U"\u0104\u0118\u012E\u0172\u0105\u0119\u012F\u0173"},
};

// The composed character of `letter` and the two-byte accent at `at`, or 0.
char32_t ComposedOf(char letter, std::string_view text, std::size_t at) {
  if (at + 1 >= text.size() || (text[at] != '\xCC' && text[at] != '\xCD')) return 0;
  const char32_t mark = ((static_cast<unsigned char>(text[at]) & 0x1Fu) << 6) |
                        (static_cast<unsigned char>(text[at + 1]) & 0x3Fu);
  for (const Composition& c : kCompositions) {
    if (c.mark != mark) continue;
    const std::size_t i = c.letters.find(letter);
    return i == std::string_view::npos ? 0 : c.composed[i];
  }
  return 0;
}

}  // namespace

std::string ComposedLatin(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t composed = ComposedOf(text[i], text, i + 1);
    if (composed == 0) {
      out += text[i];
      continue;
    }
    out += static_cast<char>(0xC0 | (composed >> 6));  // all below U+0800: two bytes
    out += static_cast<char>(0x80 | (composed & 0x3F));
    i += 2;
  }
  return out;
}

}  // namespace kx
