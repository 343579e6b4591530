#pragma once
// Playing the user on Vesko's Win32 windows: its messages delivered until
// something holds, the texts of its windows and list views read back.

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <functional>
#include <string>

#include "hosts/win32/message_pump.h"
#include "hosts/win32/vesko_win32_form.h"
#include "platform/win32/win32_text.h"

namespace korvint::test {

/// Delivers `window`'s messages until `condition` holds; false when it did not within a minute.
inline bool pump_until(hosts::win32::VeskoWin32Form& window, const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    hosts::win32::deliver_pending_messages(window.window);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

/// The text of a list view's cell.
inline std::string item_text(HWND list, int item, int column) {
  wchar_t text[512] = {};
  ListView_GetItemText(list, item, column, text, 512);
  return platform::win32::to_utf8(text);
}

/// A window's title or a control's text.
inline std::string title_of(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return platform::win32::to_utf8(text);
}

}  // namespace korvint::test
