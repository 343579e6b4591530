#pragma once
// The window's layout, written once for every host: each control's kind,
// caption, position and size in twips, tab index, font and tooltip, and the
// popup menus with their items.

#include <optional>
#include <span>
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

/// The program's title, shown on its message boxes.
constexpr std::string_view kProgramTitle = "Korvint";

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

}  // namespace korvint::ui
