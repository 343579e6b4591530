#pragma once
// A top-level window's place as Vesko remembers it, and that place put back
// on a screen that may have changed since (ui::clamp_to_area); its place at a
// first start.

#include <QWidget>

#include "ui/control_shape.h"

namespace korvint::hosts::qt {

/// The window's place when not maximized, in pixels.
ui::PixelRect place_of(const QWidget& window);

/// Moves and sizes `window` to `wanted`, kept inside the work area of the
/// screen under its middle (the primary one when none is) and no smaller than
/// the window's minimum.
void place_on_screen(QWidget& window, const ui::PixelRect& wanted);

/// Sizes `window` to `width` x `height` and centres it on the work area of
/// its screen (the primary one when it has none), no larger than that area
/// less `margin` on every side (ui::first_place): its place when it
/// remembers none.
void place_first(QWidget& window, int width, int height, int margin);

}  // namespace korvint::hosts::qt
