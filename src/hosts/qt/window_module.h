#pragma once
// The entry of korvint's window module. The Qt window is built as a module
// (lib/korvint/korvint-window.so beside the program's bin/) that the program
// loads only when a window opens, so that a batch run without a display never
// maps or relocates the window toolkit. No Qt here: the program includes this.

extern "C" {

/// Runs korvint with its window. `program` is the program's argv[0];
/// `operands` are ROOT and OUTPUT as far as given (already checked: at most
/// two, none empty). `stop_requested` returns non-zero once SIGINT or SIGTERM
/// arrived: a scan stops, a waiting window closes. Returns the exit status: a
/// batch scan's exit code, with its report on stderr; 0 once the window closed;
/// korvint::hosts::qt::kNoWindow when no display could be reached (nothing ran).
int korvint_window_main(const char* program, const char* const* operands, int operand_count,
                        int (*stop_requested)());
}

namespace korvint::hosts::qt {

/// What korvint_window_main returns when the window cannot open because no
/// display answers: the program goes on as without a display.
inline constexpr int kNoWindow = -1;

/// The name the program looks the entry up by, and its type.
inline constexpr const char* kWindowMainName = "korvint_window_main";
using WindowMain = int (*)(const char*, const char* const*, int, int (*)());

}  // namespace korvint::hosts::qt
