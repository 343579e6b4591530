#pragma once
// The signals that ask a running program to stop, for the POSIX programs.

namespace korvint::hosts {

/// Makes SIGINT, SIGTERM, SIGHUP (a closed terminal, a lost ssh session) and
/// SIGQUIT request a stop instead of ending the process, so that a scan puts
/// the earlier catalogue back. SIGPIPE is ignored: a program whose error
/// stream is a closed pipe ends with its own exit status.
void install_stop_signals();

/// True once one of those signals arrived since install_stop_signals.
bool stop_signal_received();

}  // namespace korvint::hosts
