#pragma once
// What the codes of a bar style mean when a chart is drawn. The host keeps the codes as numbers;
// these are the planner's own meanings of them.

#include <cstdint>
#include <optional>

#include "forms/image.hpp"

namespace kx::gantt {

// Middle of a bar.
enum class MiddleShape {
  None = 0,       // no middle: only the ends are drawn
  Full = 1,       // the full height of the bar band
  ThinTop = 2,    // a third of the height at the top (summary bars)
  ThinMiddle = 3, // a third of the height in the middle (progress)
  ThinBottom = 4, // a third of the height at the bottom
};

// Fill of a bar's middle.
enum class Pattern {
  Hollow = 0,  // the outline only
  Solid = 1,   // filled with the colour
  Light = 2,   // the colour at half strength
  Framed = 3,  // filled with the colour inside a darker outline
  Dark = 4,    // the colour darkened by a third
  Hatched = 5, // diagonal lines in the colour
};

// End marks of a bar (start and end).
enum class EndShape {
  None = 0,
  Triangle = 1,  // a triangle pointing down, above the bar
  Bracket = 2,   // a point below the bar's end, as summary bars have
  Diamond = 3,   // a diamond as high as the bar band (milestones)
  Circle = 4,
  Line = 5,      // a vertical line across the bar band
};

// How an end mark is painted.
enum class EndType {
  Solid = 0,
  Framed = 1,  // outline only
  Dashed = 2,  // dashed outline
};

// Host colour code that lets the bar style's own colour stand ("Automatisch").
inline constexpr int kAutomaticColour = 16;

// Returns the shape of a middle code; unknown codes draw the full bar.
MiddleShape MiddleShapeOf(int code);
// Returns the pattern of a code; unknown codes fill solid.
Pattern PatternOf(int code);
// Returns the shape of an end code; unknown codes draw nothing.
EndShape EndShapeOf(int code);
// Returns the type of an end type code; unknown codes paint solid.
EndType EndTypeOf(int code);

// Returns the colour of a host colour code 0 to 15 (the colour list's fills), nullopt for
// "Automatisch" (16) and for codes outside the list.
std::optional<forms::Rgb> ColourOfCode(int code);

// Returns the colour a bar is painted in: the task's own colour code when it names a colour,
// else the style's code, else black.
forms::Rgb BarColour(std::optional<int> taskCode, int styleCode);

}  // namespace kx::gantt
