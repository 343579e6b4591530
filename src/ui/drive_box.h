#pragma once
// What the drive box (Drive1) offers: an entry for each of the machine's drives.

#include <string>
#include <vector>

#include "platform/drives.h"

namespace korvint::ui {

/// The entries of the drive box for `drives`: a drive letter's root as its
/// lower-case letter and a colon, with the volume label in brackets where it
/// has one ("c: [SYSTEM]", "d:"), as the Windows drive box shows drives; any
/// other root (a POSIX mount point) as it is.
std::vector<std::string> drive_box_entries(const std::vector<platform::Drive>& drives);

/// The entries for this machine's drives (platform::drives()).
std::vector<std::string> drive_box_entries();

}  // namespace korvint::ui
