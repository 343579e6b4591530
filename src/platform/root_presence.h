#pragma once
// Whether the medium a catalogue describes is attached now, told from its
// root path alone.

#include <string_view>

namespace korvint::platform {

/// What stands at a catalogue's root now.
enum class RootPresence {
  Absent,        ///< nothing, not a folder, or a path of the other system ("D:\" on Linux, "/mnt/" on Windows)
  Folder,        ///< the root is a folder: the medium is online
  DrivePresent,  ///< Windows: the root is a drive ("D:\") that is there, but its volume may not be the one scanned
};

/// What stands at `root` (a catalogue's header: an absolute path ending in
/// its separator, UTF-8 on Windows, bytes on POSIX). Never fails: any error
/// gives Absent. Never asks the user (no "insert a disk" box on Windows).
RootPresence root_presence(std::string_view root);

}  // namespace korvint::platform
