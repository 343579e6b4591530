#pragma once
// Processor time, for the read-ahead to tell a walk bound by the processors
// from one that waits for its medium.

namespace korvint::platform {

/// Seconds of processor time used by all threads of the process so far (user
/// and system); 0 where the system cannot tell.
double process_cpu_seconds();

/// Processor time of the whole machine since it started, summed over its
/// processors: how much of it was busy (with any process) and how much passed.
/// Both 0 where the system cannot tell.
struct MachineTime {
  double busy_seconds = 0;
  double io_wait_seconds = 0;  ///< idle while input or output was pending (where the system tells)
  double total_seconds = 0;
};
MachineTime machine_processor_time();

}  // namespace korvint::platform
