#pragma once
// The keyboard of Vesko's window before a message reaches its control: the
// window's keys (Ctrl+F, Alt+D, Esc, Down, Enter, F5, Ctrl+R) and the dialog
// keys (Tab between the controls).

#include <windows.h>

#include "hosts/win32/vesko_form_window.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// Handles `msg` before it is dispatched when it belongs to `window` or one of
/// its controls; true when it was dealt with in full.
bool handle_vesko_keyboard(VeskoFormWindow& window, MSG& msg);

}  // namespace korvint::hosts::win32
