#pragma once
// The file manager's right-click entry for folders, and starting other programs.

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace korvint::platform {

/// What adding or removing the menu entry did: a failure, or on success a
/// note for the user saying where (empty when there is nothing to say).
struct MenuEntryOutcome {
  Status status;
  std::string note;
};

/// Adds the "Korvint scan" entry to the file manager's right-click menu for
/// folders, starting the program in `program_folder` with the folder as its one
/// argument. Windows: the registry keys that HKEY_CLASSES_ROOT shows, written
/// for the current user (for all users only when that fails); the note names
/// the key written. Elsewhere: a desktop entry for inode/directory, no note.
MenuEntryOutcome add_folder_menu_entry(std::string_view program_folder);

/// Removes that entry, on Windows from both places; removing an absent entry
/// does nothing and says nothing.
MenuEntryOutcome remove_folder_menu_entry();

/// Starts the program at `path` without arguments and without waiting for it.
Status start_program(std::string_view path);

/// Starts `program` with `arguments` without waiting for it. On POSIX a
/// `program` without a "/" is looked for on the search path.
Status start_program(std::string_view program, const std::vector<std::string>& arguments);

}  // namespace korvint::platform
