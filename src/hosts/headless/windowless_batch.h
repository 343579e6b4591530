#pragma once
// A batch scan without a window: no display (Linux), or a window that cannot
// be created (Windows, in a session without a usable desktop).

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jobs/scan_outcome.h"

namespace korvint::hosts::headless {

/// Runs a batch scan (the command line's two arguments) on a headless form and
/// returns how the scan ended. The running count goes to stderr when
/// `show_count` (stderr is a terminal); `interrupted`, when given, is asked at
/// each step of the walk and acts as STOP.
std::optional<jobs::ScanOutcome> run_batch_without_window(const std::vector<std::string>& arguments,
                                                          std::function<bool()> interrupted, bool show_count);

}  // namespace korvint::hosts::headless
