#pragma once
// The keyboard before a message reaches its control: the form's key preview,
// TAB in tab-index order, and the dialog keys (access keys, Enter, arrows).

#include <windows.h>

#include <cstdint>

#include "hosts/win32/form_window.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The modifier bits (1 Shift, 2 Ctrl, 4 Alt) held while `msg` was generated.
std::int16_t shift_state(const MSG& msg);

/// Handles `msg` before it is dispatched when it belongs to `window` or one of
/// its controls: a released key goes to the key-up handler first, TAB and
/// Shift+TAB move the focus, the dialog keys are processed. True when the
/// message was dealt with in full and must not be dispatched again.
bool handle_keyboard(FormWindow& window, MSG& msg);

}  // namespace korvint::hosts::win32
