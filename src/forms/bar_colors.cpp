#include "forms/bar_colors.hpp"

#include <algorithm>

namespace kx::forms {

const std::array<BarColor, 17>& BarColors() {
  static const std::array<BarColor, 17> kColors = {{
      {1, "c16", "Automatisch", 16, "auto", {0, 0, 0}},
      {2, "c00", "Schwarz", 0, "black", {0, 0, 0}},
      {3, "c01", "Rot", 1, "red", {255, 0, 0}},
      {4, "c02", "Gelb", 2, "yellow", {255, 255, 0}},
      {5, "c03", "Limone", 3, "lime", {0, 255, 0}},
      {6, "c04", "Aqua", 4, "aqua", {0, 255, 255}},
      {7, "c05", "Blau", 5, "blue", {0, 0, 255}},
      {8, "c06", "Fuchsie", 6, "fuchsia", {255, 0, 255}},
      {9, "c07", "Weiß", 7, "white", {255, 255, 255}},
      {10, "c08", "Kastanienbraun", 8, "maroon", {128, 0, 0}},
      {11, "c09", "Grün", 9, "green", {0, 128, 0}},
      {12, "c10", "Olivgrün", 10, "oliv", {128, 128, 0}},
      {13, "c11", "Marineblau", 11, "navy", {0, 0, 128}},
      {14, "c12", "Lila", 12, "purple", {128, 0, 128}},
      {15, "c13", "Blaugrün", 13, "teal", {0, 128, 128}},
      {16, "c14", "Grau", 14, "grey", {128, 128, 128}},
      {17, "c15", "Silber", 15, "silver", {192, 192, 192}},
  }};
  return kColors;
}

double Lightness(Rgb colour) {
  return (0.2126 * colour.red + 0.7152 * colour.green + 0.0722 * colour.blue) / 255.0;
}

const BarColor* FindBarColor(const std::string& key) {
  for (const auto& c : BarColors()) {
    if (key == c.key) return &c;
  }
  return nullptr;
}

Image DrawSwatch(const BarColor& colour) {
  constexpr Rgb kBackground{255, 0, 128};
  constexpr Rgb kBlack{0, 0, 0};
  constexpr int kFirst = 2;
  constexpr int kLast = 13;
  Image image(16, 16, kBackground);
  for (int y = kFirst; y <= kLast; ++y) {
    for (int x = kFirst; x <= kLast; ++x) {
      const bool border = x == kFirst || x == kLast || y == kFirst || y == kLast;
      image.SetPixel(x, y, border ? kBlack : colour.fill);
    }
  }
  return image;
}

std::vector<Swatch> DrawSwatches() {
  std::vector<Swatch> swatches;
  for (const auto& c : BarColors()) swatches.push_back({c.key, c.tag, DrawSwatch(c)});
  std::sort(swatches.begin(), swatches.end(),
            [](const Swatch& a, const Swatch& b) { return a.key < b.key; });
  return swatches;
}

}  // namespace kx::forms
