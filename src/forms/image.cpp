#include "forms/image.hpp"

#include <stdexcept>

namespace kx::forms {

Image::Image(int w, int h, Rgb fill) : width(w), height(h) {
  if (w < 0 || h < 0) throw std::invalid_argument("Bildgröße darf nicht negativ sein");
  rgb.reserve(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
  for (int i = 0; i < w * h; ++i) {
    rgb.push_back(fill.red);
    rgb.push_back(fill.green);
    rgb.push_back(fill.blue);
  }
}

Rgb Image::Pixel(int x, int y) const {
  const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)) *
                  3;
  return {rgb.at(at), rgb.at(at + 1), rgb.at(at + 2)};
}

void Image::SetPixel(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)) *
                  3;
  rgb[at] = colour.red;
  rgb[at + 1] = colour.green;
  rgb[at + 2] = colour.blue;
}

}  // namespace kx::forms
