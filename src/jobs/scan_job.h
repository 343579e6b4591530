#pragma once
// The scan job: catalogues the root in the path box into the output folder and
// name, shows its progress and result, and handles STOP.

#include <optional>

#include "jobs/scan_outcome.h"
#include "ui/form1.h"

namespace korvint::jobs {

/// "&Scan selected": runs one complete scan job on the window's thread, shows
/// how it ended in the labels and returns that. A job asked for while another
/// runs, or after the window closed, is turned away: nullopt.
std::optional<ScanOutcome> Command1_Click(ui::Form1& form);

/// "STOP": sets the stop flag and hides the button.
void mStop_Click(ui::Form1& form);

/// Closing asked for by the user: a running scan is stopped first (the earlier
/// catalogue goes back), then the window closes.
void request_close(ui::Form1& form);

/// The texts the job shows.
inline constexpr const char* kFilesRunning = "Files ~:";
inline constexpr const char* kSecondsItTook = "seconds it took:";
inline constexpr const char* kLessThan500 = "Less than 500 files found";
inline constexpr const char* kFilesFound = " files found.";
inline constexpr const char* kStopped = "Stopped! Output deleted!";
inline constexpr const char* kFinished = "Finished!";
/// Shown in Label1 when the job could not write its catalogue; Label2 then holds the reason.
inline constexpr const char* kScanFailed = "Scan failed:";
/// The reasons when a box names nothing; nothing is scanned.
inline constexpr const char* kNoRoot = "Nothing to scan: the path box is empty";
inline constexpr const char* kNoName = "No name for the catalogue: the name box is empty";
/// The reason when memory ran out during a job.
inline constexpr const char* kOutOfMemory = "out of memory";

}  // namespace korvint::jobs
