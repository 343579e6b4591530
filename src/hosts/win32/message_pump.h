#pragma once
// Delivering the thread's messages to a window: the main loop and the drain
// that serves DoEvents, both with the window's keyboard handling first.

#include <windows.h>

#include "hosts/win32/top_level_window.h"

namespace korvint::hosts::win32 {

/// Hands one message on: the keyboard handling of `window`, then of the
/// program's window that holds the message's, then translation and dispatch.
void deliver_message(TopLevelWindow& window, MSG& msg);

/// Delivers every pending message and returns. False when the quit message
/// came; it is posted again so the main loop sees it too.
bool deliver_pending_messages(TopLevelWindow& window);

/// Delivers messages until the quit message; returns its exit code, or 1
/// when the loop fails.
int run_message_loop(TopLevelWindow& window);

}  // namespace korvint::hosts::win32
