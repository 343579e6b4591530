#pragma once
// Runs part of a test in a child process, so that a crash (a SIGBUS from a
// file cut short under a mapping, say) fails the test instead of ending it;
// on Windows, runs a program and takes what it writes.

#include <functional>
#include <string>

namespace korvint::test {

/// Runs `body` in a child process and says how it ended: "exit 0" when it
/// recorded no test failure, "exit 1" when it did, or "signal N (name)".
/// Where processes cannot be forked (Windows) `body` runs here, and a crash
/// ends the test program.
std::string run_in_child(const std::function<void()>& body);

#ifdef _WIN32
/// How a program run to its end ended: its exit code (99 when it did not
/// start) and what it wrote to its output and error streams, together.
struct ProgramRun {
  unsigned long code = 99;
  std::string output;
};

/// Runs the command line `command` (no console window), its output and
/// errors into one pipe, and waits up to a minute for it to end.
ProgramRun run_program(std::wstring command);
#endif

}  // namespace korvint::test
