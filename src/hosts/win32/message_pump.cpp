#include "hosts/win32/message_pump.h"

#include "hosts/win32/form_keyboard.h"

namespace korvint::ui::win32 {

void deliver_message(FormWindow& window, MSG& msg) {
  if (handle_keyboard(window, msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool deliver_pending_messages(FormWindow& window) {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    deliver_message(window, msg);
  }
  return true;
}

int run_message_loop(FormWindow& window) {
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 0;
    deliver_message(window, msg);
  }
}

}  // namespace korvint::ui::win32
