#pragma once
// A small 24-bit RGB picture, as the form's image list holds it.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx::forms {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top to bottom, three bytes (red, green, blue) a pixel

  Image() = default;
  // Returns a picture of `w` by `h` pixels filled with `fill`.
  Image(int w, int h, Rgb fill);
  // Returns the pixel at column `x`, row `y` (both from 0); the position must lie inside.
  Rgb Pixel(int x, int y) const;
  void SetPixel(int x, int y, Rgb colour);
};

}  // namespace kx::forms
