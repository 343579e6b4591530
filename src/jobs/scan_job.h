#pragma once
// The scan job in the window: catalogues the root in the path box into the
// output folder and name, shows its progress and result, and handles STOP.

#include <optional>

#include "jobs/scan_outcome.h"
#include "jobs/scan_request.h"
#include "jobs/scan_run.h"
#include "ui/form1.h"

namespace korvint::jobs {

/// "&Scan selected": scans the root of the path box into the output folder
/// and name of their boxes (see scan_in_window).
std::optional<ScanOutcome> Command1_Click(ui::Form1& form);

/// Runs `request` as the window's scan job, on the window's thread: the boxes
/// show the root and the name as the scan completes them, the labels its
/// count and then how it ended (which it returns), STOP is shown while it
/// runs. A job asked for while another runs, or after the window closed, is
/// turned away: nullopt.
std::optional<ScanOutcome> scan_in_window(ui::Form1& form, const ScanRequest& request);

/// "STOP": sets the stop flag and hides the button.
void mStop_Click(ui::Form1& form);

/// Closing asked for by the user: a running scan is stopped first (the earlier
/// catalogue goes back), then the window closes.
void request_close(ui::Form1& form);

/// The caption after every job.
inline constexpr const char* kFinished = "Finished!";

}  // namespace korvint::jobs
