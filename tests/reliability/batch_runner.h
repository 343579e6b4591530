#pragma once
// Runs the korvint program as a batch in a child process, without a display.

#include <string>
#include <sys/types.h>
#include <vector>

namespace korvint::test {

struct BatchOutcome {
  int exit_status = -1;  ///< the exit code, or 128 + signal when killed
  std::string error_output;
};

/// Runs `korvint arguments...` to its end.
BatchOutcome run_batch(const std::vector<std::string>& arguments);

/// Starts `korvint arguments...` and returns its process id; stderr goes to `error_file`.
pid_t start_batch(const std::vector<std::string>& arguments, const std::string& error_file);

/// Waits for `child` and returns its exit code (128 + signal when killed).
int wait_for(pid_t child);

}  // namespace korvint::test
