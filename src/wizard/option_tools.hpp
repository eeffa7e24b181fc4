#pragma once
// Reading an option-button group.

#include <cstdint>

#include "forms/form_model.hpp"

namespace kx::wizard::basOptionTools {

// Returns the index of the first button of `group` that is on (walking 0 up to its highest
// index), 0 when none is on, -1 when the group cannot be read.
std::int32_t GetSelectedOption(const forms::ControlArray& group) noexcept;

}  // namespace kx::wizard::basOptionTools
