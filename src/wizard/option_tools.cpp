#include "wizard/option_tools.hpp"

namespace kx::wizard::basOptionTools {

std::int32_t GetSelectedOption(const forms::ControlArray& group) noexcept {
  try {
    for (int index = 0; index <= group.UBound(); ++index) {
      if (group[index].IsOn()) return index;
    }
    return 0;
  } catch (...) {
    return -1;
  }
}

}  // namespace kx::wizard::basOptionTools
