#pragma once
// Blocking waits go through a clock, so that tests and the command line never sleep.

namespace kx {

class Clock {
 public:
  virtual ~Clock() = default;
  // Blocks the calling thread for `milliseconds`.
  virtual void Wait(int milliseconds) = 0;
};

// Really waits (the wizard's progress window).
class SystemClock final : public Clock {
 public:
  void Wait(int milliseconds) override;
};

// Returns at once and adds the time it was asked to wait.
class NoWaitClock final : public Clock {
 public:
  void Wait(int milliseconds) override { waited_ += milliseconds; }
  long long Waited() const { return waited_; }

 private:
  long long waited_ = 0;
};

}  // namespace kx
