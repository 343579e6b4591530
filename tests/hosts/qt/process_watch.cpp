#include "process_watch.h"

#include <QElapsedTimer>
#include <QThread>
#include <fstream>
#include <string>

namespace korvint::test {

bool wait_until(const std::function<bool()>& condition, int ceiling_milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > ceiling_milliseconds) return false;
    QThread::msleep(2);
  }
  return true;
}

bool catches(qint64 pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1U;
  }
  return false;
}

}  // namespace korvint::test
