#pragma once
// A batch scan without a window, for POSIX machines with no display.

#include <string>
#include <vector>

namespace korvint::app {

/// Runs `korvint ROOT OUTPUT` on a headless form: the running count on stderr
/// when it is a terminal, Ctrl+C, SIGINT and SIGTERM act as STOP, the reason of
/// a failure on stderr. Returns 0 for a completed scan, 1 otherwise.
int run_batch_without_window(const std::vector<std::string>& arguments);

/// Makes SIGINT and SIGTERM request a stop instead of ending the process.
void install_stop_signals();

/// True once SIGINT or SIGTERM arrived since install_stop_signals.
bool stop_signal_received();

/// Writes the outcome of a batch scan to stderr and returns its exit status.
int report_batch_outcome(bool completed, const std::string& problem, const std::string& note);

}  // namespace korvint::app
