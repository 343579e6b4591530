#pragma once
// A batch scan without a window: no display (Linux), or a window that cannot
// be created (Windows, in a session without a usable desktop).

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jobs/scan_outcome.h"

namespace korvint::hosts::headless {

/// Runs the batch scan the command line's two arguments ask for
/// (app::batch_request) and returns how it ended; nullopt when they ask for
/// none. `interrupted`, when given, is asked at every step of the scan and
/// acts as STOP. When `count_to` is given (a terminal) the running count is
/// written there at every turn ("\rFiles ~: N "), and the outcome's two texts
/// on a line of their own at the end.
std::optional<jobs::ScanOutcome> run_batch_without_window(const std::vector<std::string>& arguments,
                                                          std::function<bool()> interrupted,
                                                          std::FILE* count_to);

}  // namespace korvint::hosts::headless
