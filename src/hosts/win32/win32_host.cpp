#include "hosts/win32/win32_host.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "ui/form_layout.h"
#include "hosts/win32/folder_dialog.h"
#include "hosts/win32/message_pump.h"
#include "hosts/win32/message_box.h"
#include "hosts/win32/popup_menu.h"
#include "hosts/win32/strip_nulls.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

void Win32Host::DoEvents() { deliver_pending_messages(window_); }

void Win32Host::showWindow() {
  HWND window = window_.hwnd();
  if (window == nullptr) return;
  window_.show();
  HWND focus = GetFocus();
  // The window opens with the focus on its first control, as activating it does.
  if (focus == nullptr || (focus != window && IsChild(window, focus) == FALSE)) window_.restore_focus();
}

void Win32Host::closeWindow() {
  window_.destroy();
  PostQuitMessage(0);
}

std::optional<MenuItemId> Win32Host::popupMenu(MenuId menu) {
  if (window_.hwnd() == nullptr) return std::nullopt;
  return track_popup_menu(window_.hwnd(), menu);
}

void Win32Host::messageBox(std::string_view text, std::string_view title) {
  show_message_box(window_.hwnd(), text, title);
}

std::string Win32Host::BrowseFolder() {
  // The prompt is the text "C:\"; the dialog opens at the shell's own start.
  return browse_for_folder(window_.hwnd(), L"C:\\", BIF_RETURNONLYFSDIRS);
}

void Win32Host::ClickDaMouse() {
  // A press and a release where the pointer is, without moving it.
  INPUT click[2]{};
  click[0].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  click[1].type = INPUT_MOUSE;
  click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, click, sizeof(INPUT));
}

bool Win32Host::focusInTextBox() const {
  HWND focus = GetFocus();
  if (focus == nullptr) return false;
  for (const FormControlShape& shape : form_controls()) {
    if (shape.kind == ControlKind::TextBox && window_.control(shape.id) == focus) return true;
  }
  return false;
}

void Win32Host::enablePathCompletion() {
  HWND box = window_.control(ControlId::Text5);
  if (box == nullptr) return;
  ensure_com();
  SHAutoComplete(box, SHACF_DEFAULT);
}

}  // namespace korvint::hosts::win32
