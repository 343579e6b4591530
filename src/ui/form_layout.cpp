#include "ui/form_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace korvint::ui {
namespace {

constexpr ControlFont kSansBold8{"MS Sans Serif", 8.25, 700};
constexpr ControlFont kSansBold10{"MS Sans Serif", 9.75, 700};

constexpr std::array kControls{
    ControlSpec{ControlId::mStop, "mStop", ControlKind::CommandButton, "STOP", 120, 2640, 3735, 375, 20, true, kSansBold8, ""},
    ControlSpec{ControlId::Command9, "Command9", ControlKind::CommandButton, "...", 3480, 120, 375, 285, 19, true, kSansBold10, ""},
    ControlSpec{ControlId::Command8, "Command8", ControlKind::CommandButton, "Vesko", 4080, 2640, 1335, 375, 18, true, std::nullopt, ""},
    ControlSpec{ControlId::Command7, "Command7", ControlKind::CommandButton, "&Clear", 3000, 2280, 855, 285, 17, true, std::nullopt, ""},
    ControlSpec{ControlId::Command6, "Command6", ControlKind::CommandButton, "...", 3480, 1440, 375, 285, 15, true, kSansBold10, ""},
    ControlSpec{ControlId::Text5, "Text5", ControlKind::TextBox, "Text5", 120, 1440, 3735, 285, 14, true, std::nullopt, ""},
    ControlSpec{ControlId::Command5, "Command5", ControlKind::CommandButton, "Scan all", 5760, 2640, 1455, 375, 12, true, std::nullopt, "Automatic naming of output files"},
    ControlSpec{ControlId::Command4, "Command4", ControlKind::CommandButton, "Browse for folder and add to list", 4680, 480, 2535, 315, 11, true, std::nullopt, "Browse for folder"},
    ControlSpec{ControlId::List1, "List1", ControlKind::ListBox, "", 4080, 885, 3135, 1620, 10, true, std::nullopt, ""},
    ControlSpec{ControlId::Command3, "Command3", ControlKind::CommandButton, "Add drive to scan list", 5520, 120, 1695, 315, 9, true, std::nullopt, ""},
    ControlSpec{ControlId::Drive1, "Drive1", ControlKind::DriveListBox, "", 4080, 120, 1335, 315, 8, true, std::nullopt, ""},
    ControlSpec{ControlId::Command2, "Command2", ControlKind::CommandButton, "?", 3360, 480, 495, 375, 5, true, std::nullopt, ""},
    ControlSpec{ControlId::Text4, "Text4", ControlKind::TextBox, "text4", 120, 2280, 2775, 285, 3, true, std::nullopt, ""},
    ControlSpec{ControlId::Text1, "Text1", ControlKind::TextBox, "path to scan", 1080, 120, 2775, 285, 1, true, std::nullopt, ""},
    ControlSpec{ControlId::Command1, "Command1", ControlKind::CommandButton, "&Scan selected", 60, 120, 975, 615, 0, true, kSansBold8, ""},
    ControlSpec{ControlId::Text2, "Text2", ControlKind::TextBox, "Text2", 3000, 120, 615, 375, 2, false, std::nullopt, ""},
    ControlSpec{ControlId::Text3, "Text3", ControlKind::TextBox, "Text3", 2520, 120, 1215, 285, 7, false, std::nullopt, ""},
    ControlSpec{ControlId::Line1, "Line1", ControlKind::Line, "", 3960, 120, 3960, 3000, -1, true, std::nullopt, ""},
    ControlSpec{ControlId::Label4, "Label4", ControlKind::Label, "Output name:", 120, 2040, 1095, 255, 16, true, std::nullopt, ""},
    ControlSpec{ControlId::Label3, "Label3", ControlKind::Label, "Output folder:", 120, 1200, 975, 255, 13, true, std::nullopt, ""},
    ControlSpec{ControlId::Label2, "Label2", ControlKind::Label, "Label2", 1560, 840, 2295, 255, 6, true, std::nullopt, "", true},
    ControlSpec{ControlId::Label1, "Label1", ControlKind::Label, "l1", 0, 840, 1455, 255, 4, true, std::nullopt, "", true},
};

constexpr std::array kPopUpItems{
    MenuItemSpec{MenuItemId::mnuDelete, "mnuDelete", "&Delete"},
    MenuItemSpec{MenuItemId::mnuDeleteAll, "mnuDeleteAll", "Delete &all"},
};
constexpr std::array kPopUp2Items{
    MenuItemSpec{MenuItemId::mnuReg, "mnuReg", "Add to right click on drives, folders (registry)"},
    MenuItemSpec{MenuItemId::mnuRegRem, "mnuRegRem", "Remove from right click on drives, folders (registry)"},
};
constexpr std::array kMenus{
    MenuSpec{MenuId::mnuPopUp, "mnuPopUp", "PopUp", kPopUpItems},
    MenuSpec{MenuId::mnuPopUp2, "mnuPopUp2", "PopUp2", kPopUp2Items},
};

}  // namespace

std::span<const ControlSpec> form_controls() { return kControls; }

const ControlSpec& control_spec(ControlId id) {
  for (const ControlSpec& shape : kControls) {
    if (shape.id == id) return shape;
  }
  return kControls.front();  // every id is in the table; a test checks it
}

std::span<const MenuSpec> form_menus() { return kMenus; }

const MenuSpec& menu_spec(MenuId id) { return id == MenuId::mnuPopUp ? kMenus[0] : kMenus[1]; }

int twips_to_pixels(int twips, int dpi) {
  // 1440 twips make an inch.
  return (twips * dpi + 720) / 1440;
}

int scaled_pixels(int twips, int dpi, double scale) {
  if (scale == 1.0) return twips_to_pixels(twips, dpi);
  return static_cast<int>(std::lround(twips * scale * dpi / 1440.0));
}

PixelRect control_pixel_rect(const ControlSpec& shape, int dpi_x, int dpi_y, double scale) {
  auto x = [&](int twips) { return scaled_pixels(twips, dpi_x, scale); };
  auto y = [&](int twips) { return scaled_pixels(twips, dpi_y, scale); };
  if (shape.kind == ControlKind::Line) {
    // left/top is the start point, width/height the end point; this line is vertical.
    const int top = std::min(y(shape.top), y(shape.height));
    return PixelRect{std::min(x(shape.left), x(shape.width)), top, kLineWidthPixels,
                     std::max(y(shape.top), y(shape.height)) - top};
  }
  return PixelRect{x(shape.left), y(shape.top), x(shape.width), y(shape.height)};
}

PixelRect client_pixel_rect(int dpi_x, int dpi_y, double scale) {
  return PixelRect{0, 0, scaled_pixels(kClientWidthTwips, dpi_x, scale),
                   scaled_pixels(kClientHeightTwips, dpi_y, scale)};
}

int font_pixel_height(double points, int dpi) { return static_cast<int>(std::lround(points * dpi / 72.0)); }

bool takes_mouse_events(const ControlSpec& shape) { return shape.kind != ControlKind::Line; }

std::span<const ControlId> tab_order() {
  static const std::vector<ControlId> order = [] {
    std::vector<const ControlSpec*> focusable;
    for (const ControlSpec& shape : kControls) {
      if (shape.tab_index >= 0 && shape.kind != ControlKind::Label && shape.kind != ControlKind::Line)
        focusable.push_back(&shape);
    }
    std::sort(focusable.begin(), focusable.end(),
              [](const ControlSpec* a, const ControlSpec* b) { return a->tab_index < b->tab_index; });
    std::vector<ControlId> ids;
    for (const ControlSpec* shape : focusable) ids.push_back(shape->id);
    return ids;
  }();
  return order;
}

std::optional<ControlId> next_tab_stop(std::optional<ControlId> from, bool backwards,
                                       const std::function<bool(ControlId)>& can_take_focus) {
  const std::span<const ControlId> order = tab_order();
  const int count = static_cast<int>(order.size());
  int at = backwards ? count : -1;
  for (int i = 0; i < count; ++i) {
    if (from && order[static_cast<std::size_t>(i)] == *from) at = i;
  }
  const int step = backwards ? -1 : 1;
  for (int moved = 1; moved <= count; ++moved) {
    const ControlId candidate = order[static_cast<std::size_t>(((at + step * moved) % count + count) % count)];
    if (can_take_focus(candidate)) return candidate;
  }
  return std::nullopt;
}

std::string tooltip_text(const ControlSpec& shape, std::string_view caption) {
  return std::string(shape.tooltip_shows_caption ? caption : shape.tooltip);
}

}  // namespace korvint::ui
