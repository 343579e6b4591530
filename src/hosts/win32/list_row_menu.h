#pragma once
// The right-click on a list view's row, as Explorer takes it: a row clicked
// outside the selection becomes the selection, a row inside it keeps it.

#include <windows.h>

namespace korvint::hosts::win32 {

/// Prepares `list` for the menu WM_CONTEXTMENU asks for at `lparam` (screen
/// coordinates; -1 when the keyboard asked, which changes nothing): false
/// when the point lies beside the rows, and there is no menu.
bool select_row_for_menu(HWND list, LPARAM lparam);

}  // namespace korvint::hosts::win32
