#pragma once
// Names of the window's controls and menu items, and the codes of mouse
// buttons and modifier keys as the handlers receive them, shared by the hosts
// and the event dispatch.

#include <cstdint>

namespace korvint::ui {

/// Every control of the window, in the order in which the window creates them.
enum class ControlId {
  mStop,
  Command9,
  Command8,
  Command7,
  Command6,
  Text5,
  Command5,
  Command4,
  List1,
  Command3,
  Drive1,
  Command2,
  Text4,
  Text1,
  Command1,
  Text2,
  Text3,
  Line1,
  Label4,
  Label3,
  Label2,
  Label1,
};

/// The two popup menus.
enum class MenuId { mnuPopUp, mnuPopUp2 };

/// The items of the popup menus.
enum class MenuItemId { mnuDelete, mnuDeleteAll, mnuReg, mnuRegRem };

/// Mouse buttons as the handlers receive them.
enum MouseButton : short { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };

/// Modifier bits of a key event.
enum ShiftState : short { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

/// A mouse button as a toolkit names it.
enum class PointerButton { left, right, middle, other };

/// The code the handlers receive for `button`; 0 for buttons they do not know.
constexpr std::int16_t mouse_button_code(PointerButton button) {
  switch (button) {
    case PointerButton::left: return vbLeftButton;
    case PointerButton::right: return vbRightButton;
    case PointerButton::middle: return vbMiddleButton;
    case PointerButton::other: break;
  }
  return 0;
}

/// The modifier bits of a key event from the keys held down.
constexpr std::int16_t shift_state(bool shift, bool ctrl, bool alt) {
  return static_cast<std::int16_t>((shift ? vbShiftMask : 0) | (ctrl ? vbCtrlMask : 0) |
                                   (alt ? vbAltMask : 0));
}

}  // namespace korvint::ui
