#include "hosts/win32/form_keyboard.h"

#include "app/form_events.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

bool key_down(int virtual_key) { return GetKeyState(virtual_key) < 0; }

}  // namespace

std::int16_t shift_state(const MSG& msg) {
  // A system key message carries the Alt state itself (bit 29, the context code).
  const bool alt_in_message =
      (msg.message == WM_SYSKEYUP || msg.message == WM_SYSKEYDOWN) && (msg.lParam & (1L << 29)) != 0;
  return ui::shift_state(key_down(VK_SHIFT), key_down(VK_CONTROL), key_down(VK_MENU) || alt_in_message);
}

bool handle_keyboard(FormWindow& window, MSG& msg) {
  HWND main = window.hwnd();
  if (main == nullptr || msg.hwnd == nullptr) return false;
  if (msg.hwnd != main && IsChild(main, msg.hwnd) == FALSE) return false;

  if ((msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) && window.form() != nullptr) {
    // Key preview: the form sees the key before the control does.
    app::on_key_up(*window.form(), static_cast<std::int16_t>(msg.wParam), shift_state(msg));
    if (window.hwnd() == nullptr || IsWindow(msg.hwnd) == FALSE) return true;
  }

  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !key_down(VK_CONTROL) && !key_down(VK_MENU)) {
    // The dialog manager would follow the z-order, which differs from the tab order.
    HWND focus = GetFocus();
    window.move_focus(focus == main ? nullptr : focus, key_down(VK_SHIFT));
    return true;
  }
  if (msg.message == WM_CHAR && msg.wParam == L'\t') return true;

  return IsDialogMessageW(main, &msg) != FALSE;
}

}  // namespace korvint::hosts::win32
