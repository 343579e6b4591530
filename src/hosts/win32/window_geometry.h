#pragma once
// The screen's resolution, at which the layout's twips become pixels
// (ui::control_pixel_rect).

#include <windows.h>

#include "ui/form_layout.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// Dots per inch of the screen, across and down.
struct ScreenDpi {
  int x = 96;
  int y = 96;
};

/// The screen's resolution as this (DPI-aware) process sees it.
ScreenDpi screen_dpi();

/// The resolution of the monitor `window` is on, as a per-monitor aware
/// program sees it (Windows 10 1607 and later); else the screen's.
int window_dpi(HWND window);

/// The font dialogs and messages use on this system, at `dpi` (the caller deletes it).
HFONT message_font(int dpi);

/// The new resolution and the window rectangle Windows suggests for it, from
/// WM_DPICHANGED's parameters.
struct DpiChange {
  int dpi;
  RECT suggested;
};
inline DpiChange dpi_change(WPARAM wparam, LPARAM lparam) {
  return {LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam)};
}

/// Answers WM_DPICHANGED (`lparam`) after the window's contents were scaled:
/// the window takes the place Windows suggests at its new resolution.
inline void take_suggested_place(HWND window, LPARAM lparam) {
  const RECT& at = *reinterpret_cast<const RECT*>(lparam);
  SetWindowPos(window, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

/// `pixels` laid out at `from` dots per inch, at `to` instead.
inline int rescale(int pixels, int from, int to) { return from > 0 ? MulDiv(pixels, to, from) : pixels; }

/// Where `shape` lies at `dpi`; the Windows fonts are the layout's own, so it is not scaled.
inline PixelRect control_pixel_rect(const FormControlShape& shape, ScreenDpi dpi) {
  return ui::control_pixel_rect(shape, dpi.x, dpi.y);
}

/// The client area's size in pixels at `dpi`.
inline SIZE client_pixel_size(ScreenDpi dpi) {
  const PixelRect client = client_pixel_rect(dpi.x, dpi.y);
  return SIZE{client.width, client.height};
}

}  // namespace korvint::hosts::win32
