#pragma once
// Names of the window's controls and menu items, shared by the hosts and the
// event dispatch.

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

}  // namespace korvint::ui
