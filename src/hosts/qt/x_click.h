#pragma once
// A left click at the mouse pointer, injected through the X server.

namespace korvint::hosts::qt {

/// Presses and releases the left mouse button wherever the pointer is, through
/// the X server's test extension. Does nothing off X11, where the extension is
/// missing, or in builds without it.
void inject_left_click();

}  // namespace korvint::hosts::qt
