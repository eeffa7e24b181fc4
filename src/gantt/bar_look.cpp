#include "gantt/bar_look.hpp"

#include "forms/bar_colors.hpp"

namespace kx::gantt {

MiddleShape MiddleShapeOf(int code) {
  return code >= 0 && code <= 4 ? static_cast<MiddleShape>(code) : MiddleShape::Full;
}

Pattern PatternOf(int code) {
  return code >= 0 && code <= 5 ? static_cast<Pattern>(code) : Pattern::Solid;
}

EndShape EndShapeOf(int code) {
  return code >= 0 && code <= 5 ? static_cast<EndShape>(code) : EndShape::None;
}

EndType EndTypeOf(int code) {
  return code >= 0 && code <= 2 ? static_cast<EndType>(code) : EndType::Solid;
}

std::optional<forms::Rgb> ColourOfCode(int code) {
  if (code < 0 || code >= kAutomaticColour) return std::nullopt;
  for (const auto& c : forms::BarColors()) {
    if (c.hostColor == code) return c.fill;
  }
  return std::nullopt;
}

forms::Rgb BarColour(std::optional<int> taskCode, int styleCode) {
  if (taskCode) {
    if (const auto own = ColourOfCode(*taskCode)) return *own;
  }
  return ColourOfCode(styleCode).value_or(forms::Rgb{0, 0, 0});
}

}  // namespace kx::gantt
