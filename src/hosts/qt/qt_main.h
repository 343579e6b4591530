#pragma once
// korvint with its Qt window.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jobs/scan_outcome.h"

namespace korvint::hosts::qt {

/// Runs the program with its window, in the QApplication that the caller made:
/// `arguments` are the command line's arguments 1, 2, ... `stop_requested` is
/// asked during a scan, where it acts as STOP, and while the window waits,
/// where it closes the window. Returns how a batch scan (ROOT OUTPUT) ended;
/// nullopt when none ran.
std::optional<jobs::ScanOutcome> run_window(const std::vector<std::string>& arguments,
                                            std::function<bool()> stop_requested);

}  // namespace korvint::hosts::qt
