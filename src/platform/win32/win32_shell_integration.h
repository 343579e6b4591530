#pragma once
// Explorer's "Korvint scan" entry for folders, over a registry that tests can
// make refuse.

#include <string_view>

#include "platform/shell_integration.h"
#include "platform/win32/win32_registry.h"

namespace korvint::platform::win32 {

/// The entry's verb key and its command key, below a root's classes.
inline constexpr const char* kMenuVerbKey = "Software\\Classes\\Folder\\shell\\Korvint scan";
inline constexpr const char* kMenuCommandKey = "Software\\Classes\\Folder\\shell\\Korvint scan\\command";

/// Writes the entry for the current user (HKEY_CURRENT_USER), or, when that is
/// refused, for all users (HKEY_LOCAL_MACHINE); the note names the key written.
MenuEntryOutcome add_folder_menu_entry(Registry& registry, std::string_view program_folder);

/// Removes the entry for the current user and, where it is there, for all
/// users; the note names what was removed, and a place that refused names why.
MenuEntryOutcome remove_folder_menu_entry(Registry& registry);

}  // namespace korvint::platform::win32
