#pragma once
// "Scan all": one scan job per scan-list entry, each named automatically.

#include <string>
#include <vector>

#include "ui/form1.h"

namespace korvint::jobs {

/// "Scan all". Runs the scan job for every entry of the scan list with the
/// name the naming rule gives it; a name already written in this run for a
/// different root becomes "Name (2).lst", "Name (3).lst"... (names and roots
/// compared as the file system compares them: without case on Windows). Scans
/// the entries the list holds when it starts, none added meanwhile, and ends
/// at the list's new end when entries are removed meanwhile. A job that fails
/// ends only itself. Shows the total seconds and "Many files", followed by the
/// number of failed jobs and the first one's reason when any failed. Turned
/// away while a scan runs.
void Command5_Click(ui::Form1& form);

/// Texts of "Scan all".
inline constexpr const char* kTotalSecondsItTook = "Seconds it took:";
inline constexpr const char* kManyFiles = "Many files";

}  // namespace korvint::jobs
