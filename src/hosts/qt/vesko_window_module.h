#pragma once
// The entry of vesko's window module. The Qt window is built as a module
// (lib/korvint/vesko-window.so beside the program's bin/) that the program
// loads only when its window opens, so that a search on the terminal never
// maps or relocates the window toolkit. No Qt here: the program includes this.

#include "hosts/qt/window_module.h"

extern "C" {

/// Runs vesko's window until it is closed. `program` is the program's argv[0];
/// `folders` are the --catalogues folders (`folder_count` of them, none: the
/// folder of Vesko.ini), `encoding` the --encoding name or nullptr.
/// `stop_requested` returns non-zero once SIGINT or SIGTERM arrived: the
/// window closes. Returns the exit status: 0 once the window closed;
/// korvint::hosts::qt::kNoWindow when no display could be reached (nothing ran).
int vesko_window_main(const char* program, const char* const* folders, int folder_count, const char* encoding,
                      int (*stop_requested)());
}

namespace korvint::hosts::qt {

/// The name the program looks the entry up by, and its type.
inline constexpr const char* kVeskoWindowMainName = "vesko_window_main";
using VeskoWindowMain = int (*)(const char*, const char* const*, int, const char*, int (*)());

}  // namespace korvint::hosts::qt
