#pragma once
// What a batch scan (two command-line arguments) tells whoever started it:
// its exit code and the lines for the error stream.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "jobs/scan_outcome.h"

namespace korvint::app {

/// Exit codes of a batch scan.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitNotCompleted = 1;  ///< failed or stopped; the earlier catalogue is back
inline constexpr int kExitUsage = 2;  ///< wrong command line (or no window to open); nothing touched
inline constexpr int kExitUnreadableFolders = 3;  ///< completed, some folders listed empty

/// The exit code of a batch scan that ended with `outcome`; nullopt (no scan
/// ran) counts as not completed.
int batch_exit_code(const std::optional<jobs::ScanOutcome>& outcome);

/// The lines a batch run writes to its error stream: the folders that could not
/// be read, a complete scan's note, then why the scan did not complete. None
/// for a complete scan that has nothing to tell.
std::vector<std::string> batch_report(const std::optional<jobs::ScanOutcome>& outcome);

/// Writes the lines of batch_report to `err`, each after "korvint: ", and
/// returns the exit code.
int finish_batch(const std::optional<jobs::ScanOutcome>& outcome, std::ostream& err);

}  // namespace korvint::app
