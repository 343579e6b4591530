#pragma once
// The window's popup menus as Win32 menus, and the command ids of their items.

#include <windows.h>

#include <optional>

#include "ui/form_ids.h"
#include "hosts/win32/win32_handles.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The command id of a menu item (above every child-window id).
int menu_command_id(MenuItemId item);

/// The item with command id `command`; nullopt for any other id.
std::optional<MenuItemId> menu_item_of_command(int command);

/// A popup menu holding the items of `menu` with their captions, in order.
MenuHandle build_popup_menu(MenuId menu);

/// Pops `menu` up at the mouse pointer, owned by `owner`, and waits until it
/// closes; the chosen item, or nullopt when it was dismissed.
std::optional<MenuItemId> track_popup_menu(HWND owner, MenuId menu);

}  // namespace korvint::hosts::win32
