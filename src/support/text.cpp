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

}  // namespace kx
