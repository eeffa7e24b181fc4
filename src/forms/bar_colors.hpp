#pragma once
// The seventeen bar colours of the colour list: position, key, German name, host colour code and
// the swatch picture drawn for each.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/image.hpp"

namespace kx::forms {

struct BarColor {
  int position;            // 1..17, the value of the setting lngColor
  const char* key;         // "c16", "c00" ... "c15": key of the list item and of its image
  const char* text;        // "Automatisch", "Schwarz", ...
  std::int32_t hostColor;  // the host's colour code, the number in the key
  const char* tag;         // tag of the image: "auto", "black", ...
  Rgb fill;                // colour of the swatch's inner square
};

// Returns the colour table in list order (position 1 first).
const std::array<BarColor, 17>& BarColors();

// How light a colour looks, from 0 (black) to 1 (white): the relative luminance of its sRGB
// values, without the gamma (yellow 0.93, aqua 0.79, lime 0.72, silver 0.75, red 0.21).
double Lightness(Rgb colour);

// Returns the entry with key `key` ("c00".."c16"), or nullptr.
const BarColor* FindBarColor(const std::string& key);

// Returns the 16x16 swatch of `colour`: background (255, 0, 128), a 12x12 square at pixels 2..13
// with a one-pixel black border around a 10x10 fill ("c00" and "c16" black throughout).
Image DrawSwatch(const BarColor& colour);

struct Swatch {
  std::string key;  // "c00".."c16"
  std::string tag;  // "black".."auto"
  Image image;
};

// Returns the seventeen swatches in key order "c00" to "c16", as the image list holds them.
std::vector<Swatch> DrawSwatches();

}  // namespace kx::forms
