#include "hosts/win32/message_box.h"

#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {

void show_message_box(HWND owner, std::string_view text, std::string_view title) {
  MessageBoxW(owner, platform::win32::to_wide(text).c_str(), platform::win32::to_wide(title).c_str(), MB_OK);
}

}  // namespace korvint::hosts::win32
