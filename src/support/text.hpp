#pragma once
// Text helpers with the conversion rules the add-in's logic relies on.

#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

// Returns the text without leading and trailing blanks (spaces only, as the add-in trims).
std::string_view TrimBlanks(std::string_view text);
std::string Trim(std::string_view text);

// Returns the number at the start of the text: blanks are skipped, then an optional sign,
// digits, optionally a point and further digits; reading stops at the first other character.
// A comma is no decimal mark here. A text without leading digits gives 0.
double LeadingNumber(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// Lower-cases ASCII letters (the add-in only folds ASCII names).
std::string AsciiLower(std::string_view text);

// The text in double quotes, as messages name files and values: "\"text\"".
inline std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace kx
