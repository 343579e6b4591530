#include "hosts/win32/popup_menu.h"

#include <string>

#include "platform/win32/win32_text.h"
#include "ui/form_layout.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

constexpr int kFirstMenuCommand = 1000;
constexpr int kMenuItemCount = static_cast<int>(MenuItemId::mnuRegRem) + 1;

}  // namespace

int menu_command_id(MenuItemId item) { return kFirstMenuCommand + static_cast<int>(item); }

std::optional<MenuItemId> menu_item_of_command(int command) {
  const int index = command - kFirstMenuCommand;
  if (index < 0 || index >= kMenuItemCount) return std::nullopt;
  return static_cast<MenuItemId>(index);
}

MenuHandle build_popup_menu(MenuId menu) {
  MenuHandle popup(CreatePopupMenu());
  if (popup.get() == nullptr) return popup;
  for (const MenuItemShape& item : menu_shape(menu).items) {
    const std::wstring caption = platform::win32::to_wide(item.caption);
    AppendMenuW(popup.get(), MF_STRING, static_cast<UINT_PTR>(menu_command_id(item.id)),
                caption.c_str());
  }
  return popup;
}

std::optional<MenuItemId> track_popup_menu(HWND owner, MenuId menu) {
  const MenuHandle popup = build_popup_menu(menu);
  if (popup.get() == nullptr) return std::nullopt;
  POINT at{};
  GetCursorPos(&at);
  // A menu closes properly only when its owner is the foreground window.
  SetForegroundWindow(owner);
  // The handler that opened the menu acts on the choice, so no WM_COMMAND is sent.
  const BOOL command = TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON,
                                      at.x, at.y, 0, owner, nullptr);
  return menu_item_of_command(static_cast<int>(command));
}

}  // namespace korvint::hosts::win32
