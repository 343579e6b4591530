#pragma once
// Finds and loads korvint's window module (see hosts/qt/window_module.h).

#include <string>

#include "hosts/qt/window_module.h"

namespace korvint::hosts {

/// Where the window module lies: "../lib/korvint/korvint-window.so" from the
/// program's own folder, the same in the build tree, an install prefix and the
/// Debian package.
std::string window_module_path();

/// Loads the module once and returns its entry; nullptr with the reason in
/// `error` (naming the path) when it cannot be loaded.
ui::qt::WindowMain load_window_module(std::string& error);

}  // namespace korvint::hosts
