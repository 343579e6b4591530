#pragma once
// The order in which TAB moves the keyboard focus: the model's tab order
// (ui::next_tab_stop), which differs from the z-order the dialog manager would follow.

#include <windows.h>

#include "hosts/win32/control_creation.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// True when `control` can take the keyboard focus now: a focusable kind, visible and enabled.
bool can_take_focus(const FormControlShape& shape, HWND control);

/// The control after `current` in tab-index order (before it when `backwards`),
/// going round at the ends and skipping what cannot take the focus. A `current`
/// that is no control starts at the first (last) control. nullptr when none can take it.
HWND next_tab_stop(const ControlWindows& controls, HWND current, bool backwards);

}  // namespace korvint::hosts::win32
