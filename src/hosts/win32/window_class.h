#pragma once
// What both programs' top-level windows need alike: their window class, and
// the object a window procedure serves.

#include <windows.h>

namespace korvint::ui::win32 {

/// Registers the window class `name` served by `procedure`, with the arrow
/// pointer, the dialog background and the application icon; once per process.
void register_window_class(HINSTANCE instance, const wchar_t* name, WNDPROC procedure);

/// For a window procedure: the object whose address the window was created
/// with (CreateWindowExW's last argument), kept with the window from
/// WM_NCCREATE on; nullptr before that and after forget_window_object().
void* window_object(HWND window, UINT message, LPARAM lparam);

/// Forgets the object of `window` (at WM_NCDESTROY): no message reaches it any more.
void forget_window_object(HWND window);

}  // namespace korvint::ui::win32
