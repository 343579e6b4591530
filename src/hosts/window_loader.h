#pragma once
// Whether a display is named, and the loading of a program's window module
// (hosts/qt/window_module.h, hosts/qt/vesko_window_module.h): the programs
// map the window toolkit only when a window opens.

#include <string>
#include <string_view>

namespace korvint::hosts {

/// True when the environment names a display for a window (DISPLAY,
/// WAYLAND_DISPLAY or QT_QPA_PLATFORM is set).
bool display_named();

/// "no display answers", with the DISPLAY named when it is set.
std::string no_display_reason();

/// Where the window module `file_name` lies: "../lib/korvint/" from the
/// program's own folder, the same in the build tree, an install prefix and
/// the Debian package.
std::string window_module_path(std::string_view file_name);

/// Loads the window module `file_name` (it stays loaded, its symbols its own)
/// and returns its entry `entry_name`; nullptr with the reason in `error`
/// (naming the path) when it cannot be loaded.
void* load_window_entry(std::string_view file_name, const char* entry_name, std::string& error);

}  // namespace korvint::hosts
