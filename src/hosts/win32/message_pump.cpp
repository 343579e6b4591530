#include "hosts/win32/message_pump.h"

namespace korvint::ui::win32 {

void deliver_message(MSG& msg, const KeyboardHandling& keyboard) {
  if (keyboard(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool deliver_pending_messages(const KeyboardHandling& keyboard) {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    deliver_message(msg, keyboard);
  }
  return true;
}

int run_message_loop(const KeyboardHandling& keyboard) {
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    deliver_message(msg, keyboard);
  }
}

}  // namespace korvint::ui::win32
