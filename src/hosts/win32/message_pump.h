#pragma once
// Delivering the thread's messages to the window: the main loop and the
// drain that serves DoEvents, both with the same keyboard handling.

#include <windows.h>

#include "hosts/win32/form_window.h"

namespace korvint::ui::win32 {

/// Hands one message on: the window's keyboard handling first, then translation and dispatch.
void deliver_message(FormWindow& window, MSG& msg);

/// Delivers every pending message and returns. False when the quit message
/// came; it is posted again so the main loop sees it too.
bool deliver_pending_messages(FormWindow& window);

/// Delivers messages until the quit message; returns its exit code.
int run_message_loop(FormWindow& window);

}  // namespace korvint::ui::win32
