#pragma once
// The shell's folder dialog, for both programs' windows.

#include <windows.h>

#include <string>
#include <string_view>

namespace korvint::hosts::win32 {

/// Initialises COM on this thread, as the shell's dialogs and path completion
/// need; it stays initialised for the life of the program.
void ensure_com();

/// Shows the folder dialog modal to `owner`, with the prompt `title` and the
/// BIF_ `flags`, opening at `start` when that is given: the chosen folder's
/// path (UTF-8), "" when the dialog was cancelled or what was chosen has no
/// file-system path.
std::string browse_for_folder(HWND owner, const wchar_t* title, UINT flags, std::string_view start = {});

}  // namespace korvint::hosts::win32
