#pragma once
// What the controls and the form of the form model share inside the library.

#include <cstdint>
#include <string>

#include "forms/form_model.hpp"

namespace kx::forms::detail {

// Raises the form model's error `number` with its German description.
[[noreturn]] void Fail(std::int32_t number, std::string description);
// Whether a control of this kind has a place in the tab order.
bool HasTabIndex(ControlKind kind);

}  // namespace kx::forms::detail
