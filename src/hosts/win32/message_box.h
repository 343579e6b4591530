#pragma once
// A message box of either program's window.

#include <windows.h>

#include <string_view>

namespace korvint::hosts::win32 {

/// Shows `text` (UTF-8) in a message box modal to `owner`, titled `title`,
/// with one OK button and no icon, and waits until it is closed.
void show_message_box(HWND owner, std::string_view text, std::string_view title);

}  // namespace korvint::hosts::win32
