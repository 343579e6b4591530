#pragma once
// Runs part of a test in a child process, so that a crash (a SIGBUS from a
// file cut short under a mapping, say) fails the test instead of ending it.

#include <functional>
#include <string>

namespace korvint::test {

/// Runs `body` in a child process and says how it ended: "exit 0" when it
/// recorded no test failure, "exit 1" when it did, or "signal N (name)".
/// Where processes cannot be forked (Windows) `body` runs here, and a crash
/// ends the test program.
std::string run_in_child(const std::function<void()>& body);

}  // namespace korvint::test
