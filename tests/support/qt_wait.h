#pragma once
// Waits in Qt window tests: the event loop turns until a condition holds.

#include <QApplication>
#include <QElapsedTimer>
#include <functional>

namespace korvint::test {

/// Turns the event loop until `condition` holds; false after 30 seconds.
inline bool wait_for(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > 30000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace korvint::test
