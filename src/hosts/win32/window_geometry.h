#pragma once
// The window's layout in pixels: the twips of the layout table converted at
// the screen's resolution.

#include <windows.h>

#include "ui/form_layout.h"

namespace korvint::ui::win32 {

/// Dots per inch of the screen, across and down.
struct ScreenDpi {
  int x = 96;
  int y = 96;
};

/// The screen's resolution as this (DPI-aware) process sees it.
ScreenDpi screen_dpi();

/// A control's position and size in pixels within the window's client area.
/// For the line, a rectangle 2 pixels wide from its start point down to its end point.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

/// Where `shape` lies at `dpi`: each of left, top, width and height converted on its own.
PixelRect control_pixel_rect(const ControlSpec& shape, ScreenDpi dpi);

/// The client area's size in pixels at `dpi`.
SIZE client_pixel_size(ScreenDpi dpi);

/// The height in pixels of a font of `points` at `dpi` (negative: a character height).
int font_pixel_height(double points, ScreenDpi dpi);

}  // namespace korvint::ui::win32
