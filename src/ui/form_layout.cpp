#include "ui/form_layout.h"

#include <algorithm>
#include <array>
#include <vector>

namespace korvint::ui {
namespace {

constexpr ControlFont kSansBold8{"MS Sans Serif", 8.25, 700};
constexpr ControlFont kSansBold10{"MS Sans Serif", 9.75, 700};

constexpr std::array kControls{
    FormControlShape{{"mStop", ControlKind::CommandButton, "STOP", 120, 2640, 3735, 375, 20, true, kSansBold8, ""}, ControlId::mStop},
    FormControlShape{{"Command9", ControlKind::CommandButton, "...", 3480, 120, 375, 285, 19, true, kSansBold10, ""}, ControlId::Command9},
    FormControlShape{{"Command8", ControlKind::CommandButton, "Vesko", 4080, 2640, 1335, 375, 18, true, std::nullopt, ""}, ControlId::Command8},
    FormControlShape{{"Command7", ControlKind::CommandButton, "&Clear", 3000, 2280, 855, 285, 17, true, std::nullopt, ""}, ControlId::Command7},
    FormControlShape{{"Command6", ControlKind::CommandButton, "...", 3480, 1440, 375, 285, 15, true, kSansBold10, ""}, ControlId::Command6},
    FormControlShape{{"Text5", ControlKind::TextBox, "Text5", 120, 1440, 3735, 285, 14, true, std::nullopt, ""}, ControlId::Text5},
    FormControlShape{{"Command5", ControlKind::CommandButton, "Scan all", 5760, 2640, 1455, 375, 12, true, std::nullopt, "Automatic naming of output files"}, ControlId::Command5},
    FormControlShape{{"Command4", ControlKind::CommandButton, "Browse for folder and add to list", 4680, 480, 2535, 315, 11, true, std::nullopt, "Browse for folder"}, ControlId::Command4},
    FormControlShape{{"List1", ControlKind::ListBox, "", 4080, 885, 3135, 1620, 10, true, std::nullopt, ""}, ControlId::List1},
    FormControlShape{{"Command3", ControlKind::CommandButton, "Add drive to scan list", 5520, 120, 1695, 315, 9, true, std::nullopt, ""}, ControlId::Command3},
    FormControlShape{{"Drive1", ControlKind::DriveListBox, "", 4080, 120, 1335, 315, 8, true, std::nullopt, ""}, ControlId::Drive1},
    FormControlShape{{"Command2", ControlKind::CommandButton, "?", 3360, 480, 495, 375, 5, true, std::nullopt, ""}, ControlId::Command2},
    FormControlShape{{"Text4", ControlKind::TextBox, "text4", 120, 2280, 2775, 285, 3, true, std::nullopt, ""}, ControlId::Text4},
    FormControlShape{{"Text1", ControlKind::TextBox, "path to scan", 1080, 120, 2775, 285, 1, true, std::nullopt, ""}, ControlId::Text1},
    FormControlShape{{"Command1", ControlKind::CommandButton, "&Scan selected", 60, 120, 975, 615, 0, true, kSansBold8, ""}, ControlId::Command1},
    FormControlShape{{"Text2", ControlKind::TextBox, "Text2", 3000, 120, 615, 375, 2, false, std::nullopt, ""}, ControlId::Text2},
    FormControlShape{{"Text3", ControlKind::TextBox, "Text3", 2520, 120, 1215, 285, 7, false, std::nullopt, ""}, ControlId::Text3},
    FormControlShape{{"Line1", ControlKind::Line, "", 3960, 120, 3960, 3000, -1, true, std::nullopt, ""}, ControlId::Line1},
    // The captions above the two boxes take the room beside them: a font wider
    // than MS Sans Serif (Wine's, a large-font setting) shows them whole.
    FormControlShape{{"Label4", ControlKind::Label, "Output name:", 120, 2040, 1935, 255, 16, true, std::nullopt, ""}, ControlId::Label4},
    FormControlShape{{"Label3", ControlKind::Label, "Output folder:", 120, 1200, 1935, 255, 13, true, std::nullopt, ""}, ControlId::Label3},
    FormControlShape{{"Label2", ControlKind::Label, "Label2", 1560, 840, 2295, 255, 6, true, std::nullopt, "", true}, ControlId::Label2},
    FormControlShape{{"Label1", ControlKind::Label, "l1", 0, 840, 1455, 255, 4, true, std::nullopt, "", true}, ControlId::Label1},
};

constexpr std::array kPopUpItems{
    MenuItemShape{MenuItemId::mnuDelete, "mnuDelete", "&Delete"},
    MenuItemShape{MenuItemId::mnuDeleteAll, "mnuDeleteAll", "Delete &all"},
};
constexpr std::array kPopUp2Items{
    MenuItemShape{MenuItemId::mnuReg, "mnuReg", "Add to right click on drives, folders (registry)"},
    MenuItemShape{MenuItemId::mnuRegRem, "mnuRegRem", "Remove from right click on drives, folders (registry)"},
};
constexpr std::array kMenus{
    MenuShape{MenuId::mnuPopUp, "mnuPopUp", "PopUp", kPopUpItems},
    MenuShape{MenuId::mnuPopUp2, "mnuPopUp2", "PopUp2", kPopUp2Items},
};

}  // namespace

std::span<const FormControlShape> form_controls() { return kControls; }

const FormControlShape& control_shape(ControlId id) {
  for (const FormControlShape& shape : kControls) {
    if (shape.id == id) return shape;
  }
  return kControls.front();  // every id is in the table; a test checks it
}

std::span<const MenuShape> form_menus() { return kMenus; }

const MenuShape& menu_shape(MenuId id) { return id == MenuId::mnuPopUp ? kMenus[0] : kMenus[1]; }

PixelRect client_pixel_rect(int dpi_x, int dpi_y, double scale) {
  return PixelRect{0, 0, scaled_pixels(kClientWidthTwips, dpi_x, scale),
                   scaled_pixels(kClientHeightTwips, dpi_y, scale)};
}

std::span<const ControlId> tab_order() {
  static const std::vector<ControlId> order = [] {
    std::vector<const FormControlShape*> focusable;
    for (const FormControlShape& shape : kControls) {
      if (shape.tab_index >= 0 && shape.kind != ControlKind::Label && shape.kind != ControlKind::Line)
        focusable.push_back(&shape);
    }
    std::sort(focusable.begin(), focusable.end(),
              [](const FormControlShape* a, const FormControlShape* b) { return a->tab_index < b->tab_index; });
    std::vector<ControlId> ids;
    for (const FormControlShape* shape : focusable) ids.push_back(shape->id);
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

}  // namespace korvint::ui
