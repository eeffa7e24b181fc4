#pragma once
// Text helpers with the conversion rules the add-in's logic relies on.

#include <cstddef>
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

// The most characters of a title or a name that a project file keeps; a chart and its pictures
// cut longer ones to this length.
inline constexpr std::size_t kLongestName = 512;

// `text` cut to at most `maxChars` characters (not bytes) of UTF-8, never inside a character.
std::string_view CutToChars(std::string_view text, std::size_t maxChars);

// `text` with a Latin letter followed by a combining accent (U+0300 to U+0328: "u" and U+0308,
// as some keyboards and file names give "ü") written as the one composed character, as NFC has
// it for the letters of Latin-1 and Latin Extended-A; everything else as it is.
std::string ComposedLatin(std::string_view text);

}  // namespace kx
