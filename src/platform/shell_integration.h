#pragma once
// The file manager's right-click entry for folders, and starting other programs.

#include <string>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform {

/// Adds the "Korvint scan" entry to the file manager's right-click menu for
/// folders, starting the program in `program_folder` with the folder as its one
/// argument. Windows: the registry keys below HKEY_CLASSES_ROOT; elsewhere a
/// desktop entry for inode/directory.
Status add_folder_menu_entry(std::string_view program_folder);

/// Removes that entry; removing an absent entry does nothing.
Status remove_folder_menu_entry();

/// Starts the program at `path` without arguments and without waiting for it.
Status start_program(std::string_view path);

}  // namespace korvint::platform
