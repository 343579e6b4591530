#pragma once
// The entries of the drive box.

#include <string>
#include <vector>

namespace korvint::platform {

/// Windows: one entry per drive, beginning with its lower-case letter and a
/// colon ("c: [SYSTEM]"). POSIX: the mount points of real file systems (no
/// proc, sysfs, cgroup, devpts and the like), "/" first.
std::vector<std::string> drive_box_entries();

}  // namespace korvint::platform
