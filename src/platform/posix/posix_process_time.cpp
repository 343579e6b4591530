#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "platform/process_time.h"

namespace korvint::platform {

double process_cpu_seconds() {
  struct timespec used {};
  if (::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used) != 0) return 0;
  return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

MachineTime machine_processor_time() {
  MachineTime time;
#ifdef __linux__
  // The first line of /proc/stat: all processors, in clock ticks.
  std::FILE* file = std::fopen("/proc/stat", "r");
  if (file == nullptr) return time;
  unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
  const int got = std::fscanf(file, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &user, &nice, &system, &idle,
                              &iowait, &irq, &softirq, &steal);
  std::fclose(file);
  const long ticks = ::sysconf(_SC_CLK_TCK);
  if (got < 4 || ticks <= 0) return time;
  const double busy = static_cast<double>(user + nice + system + irq + softirq + steal);
  time.busy_seconds = busy / static_cast<double>(ticks);
  time.io_wait_seconds = static_cast<double>(iowait) / static_cast<double>(ticks);
  time.total_seconds = (busy + static_cast<double>(idle + iowait)) / static_cast<double>(ticks);
#endif
  return time;
}

}  // namespace korvint::platform
