#pragma once
// The notifications of a window's list of rows (a virtual list view): rows
// filled as they are drawn, a header click, a row opened by double-click or
// Enter, Ctrl+C and Ctrl+A, Escape closing the window.

#include <windows.h>

#include <functional>

#include "hosts/win32/vesko_win32_controls.h"

namespace korvint::hosts::win32 {

/// What the list's user asks of the window that holds it.
struct RowListActions {
  std::function<void(int column)> header_click;
  std::function<void()> open;
  std::function<void()> copy;
};

/// Answers the WM_NOTIFY `header` (with its `lparam`) of `list`, whose rows
/// `rows` shows in `window`; always 0, as a list view's notifications want.
LRESULT on_row_list_notify(HWND window, HWND list, const VeskoListView& rows, const NMHDR& header, LPARAM lparam,
                           const RowListActions& actions);

}  // namespace korvint::hosts::win32
