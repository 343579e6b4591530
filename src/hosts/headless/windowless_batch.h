#pragma once
// A batch scan without a window, for machines with no display.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jobs/scan_outcome.h"

namespace korvint::ui::headless {

/// Runs `korvint ROOT OUTPUT` on a headless form and returns how the scan
/// ended. The running count goes to stderr when it is a terminal;
/// `interrupted` is asked at each step of the walk and acts as STOP.
std::optional<jobs::ScanOutcome> run_batch_without_window(const std::vector<std::string>& arguments,
                                                          std::function<bool()> interrupted);

}  // namespace korvint::ui::headless
