#include "ui/form_layout.h"

#include <array>

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
    ControlSpec{ControlId::Label2, "Label2", ControlKind::Label, "Label2", 1560, 840, 2295, 255, 6, true, std::nullopt, ""},
    ControlSpec{ControlId::Label1, "Label1", ControlKind::Label, "l1", 0, 840, 1455, 255, 4, true, std::nullopt, ""},
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

}  // namespace korvint::ui
