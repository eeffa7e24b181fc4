#include "support/clock.hpp"

#include <chrono>
#include <thread>

namespace kx {

void SystemClock::Wait(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace kx
