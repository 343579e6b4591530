#pragma once
// The machine's drives: on Windows its logical drives, elsewhere the mount
// points of real file systems.

#include <string>
#include <vector>

namespace korvint::platform {

/// A drive, or on POSIX a mounted file system.
struct Drive {
  std::string root;   ///< "C:\" on Windows; the mount point elsewhere
  std::string label;  ///< the volume label; "" when it has none (always on POSIX)
};

/// Windows: every logical drive, in letter order. POSIX: the mount points of
/// real file systems (no proc, sysfs, cgroup, devpts and the like), "/" first.
std::vector<Drive> drives();

}  // namespace korvint::platform
