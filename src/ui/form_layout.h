#pragma once
// The window's layout, written once for every host: each control's kind,
// caption, position and size in twips, tab index, font and tooltip, and the
// popup menus with their items; and what every host derives from it the same
// way: pixel geometry (the line included), the tab order, the tooltips.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/form_ids.h"

namespace korvint::ui {

/// Twips per pixel at 96 dots per inch.
constexpr int kTwipsPerPixel = 15;

/// The window's client area in twips.
constexpr int kClientWidthTwips = 7320;
constexpr int kClientHeightTwips = 3090;

/// The window's caption when it opens.
constexpr std::string_view kFormCaption = "KorvintVB";

enum class ControlKind { CommandButton, TextBox, ListBox, DriveListBox, Label, Line };

/// A font of its own (the others use the window's default font).
struct ControlFont {
  std::string_view face;
  double points;
  int weight;
};

/// One control as the window creates it. For the line, left/top are its start
/// point and width/height its end point.
struct ControlSpec {
  ControlId id;
  std::string_view name;
  ControlKind kind;
  std::string_view caption;
  int left;
  int top;
  int width;
  int height;
  int tab_index;  ///< -1: takes no place in the tab order
  bool shown;     ///< false for the hidden text boxes
  std::optional<ControlFont> font;
  std::string_view tooltip;
  /// True for the status labels: their tooltip shows their whole current
  /// caption, since a failure message is often longer than the label is wide.
  bool tooltip_shows_caption = false;
};

/// Every control, in creation order: where two overlap, the earlier lies on top.
std::span<const ControlSpec> form_controls();

/// The layout of one control.
const ControlSpec& control_spec(ControlId id);

/// One item of a popup menu.
struct MenuItemSpec {
  MenuItemId id;
  std::string_view name;
  std::string_view caption;
};

/// One popup menu.
struct MenuSpec {
  MenuId id;
  std::string_view name;
  std::string_view caption;
  std::span<const MenuItemSpec> items;
};

/// The two popup menus.
std::span<const MenuSpec> form_menus();

/// The layout of one menu.
const MenuSpec& menu_spec(MenuId id);

/// Pixels for `twips` at `dpi` dots per inch, rounded to the nearest pixel.
int twips_to_pixels(int twips, int dpi);

/// Pixels for `twips` at `dpi` with the whole layout scaled by `scale` (1: as drawn).
int scaled_pixels(int twips, int dpi, double scale);

/// A rectangle in pixels within the window's client area.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

/// The drawn width of the window's line, in pixels.
constexpr int kLineWidthPixels = 2;

/// Where `shape` lies at `dpi_x` by `dpi_y` dots per inch, the layout scaled
/// by `scale`: left, top, width and height each converted on its own. The
/// line is a rectangle kLineWidthPixels wide from its start point down to its end point.
PixelRect control_pixel_rect(const ControlSpec& shape, int dpi_x, int dpi_y, double scale = 1.0);

/// The client area's width and height in pixels, as a rectangle at (0, 0).
PixelRect client_pixel_rect(int dpi_x, int dpi_y, double scale = 1.0);

/// The height in pixels of a font of `points` at `dpi` (72 points make an inch).
int font_pixel_height(double points, int dpi);

/// False for a control the mouse passes through (the line): a press or release
/// over it is one on the window's own surface.
bool takes_mouse_events(const ControlSpec& shape);

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

/// What the tooltip of `shape` shows while its caption is `caption`: the
/// table's tooltip, or the whole caption for a status label; "" for none.
std::string tooltip_text(const ControlSpec& shape, std::string_view caption);

}  // namespace korvint::ui
