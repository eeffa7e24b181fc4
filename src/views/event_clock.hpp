#pragma once
// The chart run's waits in a window: the time passes in a local event loop that draws the
// windows and runs timers but takes no keyboard or mouse input, so the wizard stays drawn while
// the run keeps the thread and the user cannot start anything else meanwhile.

#include "support/clock.hpp"

namespace kx::views {

class DrawingClock final : public Clock {
 public:
  void Wait(int milliseconds) override;
};

}  // namespace kx::views
