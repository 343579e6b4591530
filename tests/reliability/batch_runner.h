#pragma once
// Runs the korvint program as a batch in a child process, without a display.

#include <filesystem>
#include <functional>
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
/// `error_file`, stdout to `output_file` when one is given. `in_child` runs in
/// the new process just before korvint starts there (limits, other streams).
pid_t start_batch(const std::vector<std::string>& arguments, const std::string& error_file,
                  const std::string& output_file = "", const std::string& working_folder = "",
                  const std::function<void()>& in_child = {});

/// Waits for `child` and returns its exit code (128 + signal when killed).
int wait_for(pid_t child);

/// True when process `pid` holds `path` open.
bool holds_open(pid_t pid, const std::filesystem::path& path);

/// A terminal whose output is suspended (as by Ctrl+S): a program that writes
/// to it waits until the output is resumed. A batch korvint shows its count
/// there at every turn of its walk, so it stands still at its first turn, with
/// its output created, for as long as the test wants.
class SuspendedTerminal {
 public:
  SuspendedTerminal();
  ~SuspendedTerminal();
  SuspendedTerminal(const SuspendedTerminal&) = delete;
  SuspendedTerminal& operator=(const SuspendedTerminal&) = delete;

  /// False when this machine gives no terminal.
  [[nodiscard]] bool ok() const { return slave_ >= 0; }
  /// The terminal's device, to be a program's stderr.
  [[nodiscard]] const std::string& name() const { return name_; }
  void resume();
  /// What was written to the terminal so far and not read yet.
  std::string output();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string name_;
};

}  // namespace korvint::test
