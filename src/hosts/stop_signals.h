#pragma once
// SIGINT and SIGTERM as a request to stop, for the POSIX program.

namespace korvint::hosts {

/// Makes SIGINT and SIGTERM request a stop instead of ending the process.
void install_stop_signals();

/// True once SIGINT or SIGTERM arrived since install_stop_signals.
bool stop_signal_received();

}  // namespace korvint::hosts
