#include "views/event_clock.hpp"

#include <QEventLoop>
#include <QTimer>

namespace kx::views {

void DrawingClock::Wait(int milliseconds) {
  if (milliseconds <= 0) return;
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace kx::views
