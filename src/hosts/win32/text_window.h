#pragma once
// A read-only text in a window of its own, in a fixed-width font: for texts
// that line their examples up in columns with spaces (the query language).

#include <windows.h>

#include <string_view>

namespace korvint::hosts::win32 {

/// The child-window id of the text window's text box.
inline constexpr int kTextWindowTextId = 100;

/// Shows `text` (UTF-8, lines ending in "\n") modal to `owner`, titled
/// `title`, in a fixed-width font at `dpi`, with an OK button; waits until
/// OK, Esc or the close box ends it.
void show_text_window(HWND owner, std::string_view title, std::string_view text, int dpi);

}  // namespace korvint::hosts::win32
