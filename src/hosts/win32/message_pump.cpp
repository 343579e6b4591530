#include "hosts/win32/message_pump.h"

namespace korvint::hosts::win32 {

void deliver_message(TopLevelWindow& window, MSG& msg) {
  if (window.pre_translate(msg)) return;
  // The keys of the program's other windows (its view windows), each its own.
  if (TopLevelWindow* other = TopLevelWindow::holding(msg.hwnd); other != nullptr && other != &window)
    if (other->pre_translate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool deliver_pending_messages(TopLevelWindow& window) {
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

int run_message_loop(TopLevelWindow& window) {
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    deliver_message(window, msg);
  }
}

}  // namespace korvint::hosts::win32
