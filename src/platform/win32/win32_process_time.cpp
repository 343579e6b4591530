#include <windows.h>

#include "platform/process_time.h"

namespace korvint::platform {
namespace {

double seconds(const FILETIME& time) {
  return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) /
         1e7;
}

}  // namespace

double process_cpu_seconds() {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  return seconds(kernel) + seconds(user);
}

MachineTime machine_processor_time() {
  MachineTime time;
  FILETIME idle{}, kernel{}, user{};
  if (!GetSystemTimes(&idle, &kernel, &user)) return time;
  // Kernel time includes the idle time.
  time.total_seconds = seconds(kernel) + seconds(user);
  time.busy_seconds = time.total_seconds - seconds(idle);
  return time;
}

}  // namespace korvint::platform
