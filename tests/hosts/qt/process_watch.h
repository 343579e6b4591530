#pragma once
// Watching a program started as a process: waiting for a condition, and
// whether it has installed its handler for a signal.

#include <QtGlobal>
#include <functional>

namespace korvint::test {

/// Waits until `condition` holds, asking it every few milliseconds; false
/// when that took longer than `ceiling_milliseconds`.
bool wait_until(const std::function<bool()>& condition, int ceiling_milliseconds = 120000);

/// True once process `pid` catches `signal` (it has installed its handler).
bool catches(qint64 pid, int signal);

}  // namespace korvint::test
