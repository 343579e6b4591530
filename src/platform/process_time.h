#pragma once
// Processor time the process has used, for the read-ahead to tell a walk
// bound by the processors from one that waits for its medium.

namespace korvint::platform {

/// Seconds of processor time used by all threads of the process so far (user
/// and system); 0 where the system cannot tell.
double process_cpu_seconds();

}  // namespace korvint::platform
