#include <time.h>

#include "platform/process_time.h"

namespace korvint::platform {

double process_cpu_seconds() {
  struct timespec used {};
  if (::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used) != 0) return 0;
  return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

}  // namespace korvint::platform
