#pragma once
// Icons of the command bars' controls: a control's icon number (face) or, for the host's own
// controls, its built-in identifier, drawn as the window shows it.

#include <QIcon>
#include <cstdint>

namespace kx::desktop {

// Icon number of the chart entries that the Korvalinx add-in makes.
inline constexpr std::int32_t kChartFace = 2145;

// The icon of a control; a null icon where the number is not one the host draws.
QIcon ControlIcon(std::int32_t faceId, std::int32_t builtInId);

}  // namespace kx::desktop
