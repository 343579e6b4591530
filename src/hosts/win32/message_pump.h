#pragma once
// Delivering the thread's messages to a window: the main loop and the drain
// that serves DoEvents, both with the window's own keyboard handling first.

#include <windows.h>

#include <functional>

namespace korvint::ui::win32 {

/// What a window does with a message before it is translated and dispatched:
/// true when it dealt with the message in full.
using KeyboardHandling = std::function<bool(MSG&)>;

/// Hands one message on: `keyboard` first, then translation and dispatch.
void deliver_message(MSG& msg, const KeyboardHandling& keyboard);

/// Delivers every pending message and returns. False when the quit message
/// came; it is posted again so the main loop sees it too.
bool deliver_pending_messages(const KeyboardHandling& keyboard);

/// Delivers messages until the quit message; returns its exit code, or 1
/// when the loop fails.
int run_message_loop(const KeyboardHandling& keyboard);

}  // namespace korvint::ui::win32
