#pragma once
// Korvint's window, written once for every host: each control's kind,
// caption, position and size in twips, tab index, font and tooltip, and the
// popup menus with their items; and what every host derives from it the same
// way: the client area's size, the tab order.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/control_shape.h"
#include "ui/form_ids.h"

namespace korvint::ui {

/// The window's client area in twips.
constexpr int kClientWidthTwips = 7320;
constexpr int kClientHeightTwips = 3090;

/// The window's caption when it opens.
constexpr std::string_view kFormCaption = "KorvintVB";

/// A control of Korvint's window.
using FormControlShape = ControlShapeOf<ControlId>;

/// Every control, in creation order: where two overlap, the earlier lies on top.
std::span<const FormControlShape> form_controls();

/// The layout of one control.
const FormControlShape& control_shape(ControlId id);

/// One item of a popup menu.
struct MenuItemShape {
  MenuItemId id;
  std::string_view name;
  std::string_view caption;
};

/// One popup menu.
struct MenuShape {
  MenuId id;
  std::string_view name;
  std::string_view caption;
  std::span<const MenuItemShape> items;
};

/// The two popup menus.
std::span<const MenuShape> form_menus();

/// The layout of one menu.
const MenuShape& menu_shape(MenuId id);

/// The client area's width and height in pixels, as a rectangle at (0, 0).
PixelRect client_pixel_rect(int dpi_x, int dpi_y, double scale = 1.0);

/// The controls that can take the keyboard focus, in tab-index order. Labels
/// and the line take none; the hidden boxes are in it, and a host skips what
/// cannot take the focus at the moment (hidden or disabled).
std::span<const ControlId> tab_order();

/// The control the focus moves to from `from` (nullopt: from before the first,
/// or after the last when `backwards`) on TAB, or Shift+TAB when `backwards`:
/// the next in tab order that `can_take_focus`, going round at the ends;
/// nullopt when none can.
std::optional<ControlId> next_tab_stop(std::optional<ControlId> from, bool backwards,
                                       const std::function<bool(ControlId)>& can_take_focus);

}  // namespace korvint::ui
