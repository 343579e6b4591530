#pragma once
// Runs the korvint program as a batch in a child process, without a display.

#include <string>
#include <sys/types.h>
#include <vector>

namespace korvint::test {

struct BatchOutcome {
  int exit_status = -1;  ///< the exit code, or 128 + signal when killed
  std::string error_output;
  std::string output;  ///< what it wrote to stdout
};

/// Runs `korvint arguments...` to its end, in `working_folder` when one is given.
BatchOutcome run_batch(const std::vector<std::string>& arguments, const std::string& working_folder = "");

/// Starts `korvint arguments...` and returns its process id; stderr goes to
/// `error_file`, stdout to `output_file` when one is given.
pid_t start_batch(const std::vector<std::string>& arguments, const std::string& error_file,
                  const std::string& output_file = "", const std::string& working_folder = "");

/// Waits for `child` and returns its exit code (128 + signal when killed).
int wait_for(pid_t child);

}  // namespace korvint::test
