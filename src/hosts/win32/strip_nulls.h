#pragma once
// Turns a fixed-size, NUL-terminated text field of a Windows call into a plain string.

#include <string>

namespace korvint::hosts::win32 {

/// Cuts `OriginalStr` just before its first NUL, stores the result back and returns it.
std::wstring StripNulls(std::wstring& OriginalStr);

}  // namespace korvint::hosts::win32
