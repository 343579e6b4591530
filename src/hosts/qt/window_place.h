#pragma once
// A top-level window's place as Vesko remembers it, and that place put back
// on a screen that may have changed since (ui::clamp_to_area).

#include <QWidget>

#include "ui/control_shape.h"

namespace korvint::hosts::qt {

/// The window's place when not maximized, in pixels.
ui::PixelRect place_of(const QWidget& window);

/// Moves and sizes `window` to `wanted`, kept inside the work area of the
/// screen under its middle (the primary one when none is) and no smaller than
/// the window's minimum.
void place_on_screen(QWidget& window, const ui::PixelRect& wanted);

}  // namespace korvint::hosts::qt
