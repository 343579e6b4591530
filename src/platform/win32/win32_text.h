#pragma once
// Text at the edges of the Windows functions: the core speaks UTF-8, the
// system speaks UTF-16, and the catalogue on disk is in the ANSI code page.

#include <string>
#include <string_view>

namespace korvint::platform::win32 {

/// UTF-8 -> UTF-16; malformed bytes become U+FFFD.
std::wstring to_wide(std::string_view utf8);

/// UTF-16 -> UTF-8; unpaired surrogates become U+FFFD.
std::string to_utf8(std::wstring_view wide);

/// UTF-16 -> UTF-8 into `out` (replaced), reusing its storage.
void to_utf8(std::wstring_view wide, std::string& out);

/// UTF-16 -> the ANSI code page into `out` (replaced), with the system's default
/// character for what that code page cannot represent.
void to_ansi(std::wstring_view wide, std::string& out);

/// The ANSI code page -> UTF-16.
std::wstring ansi_to_wide(std::string_view ansi);

}  // namespace korvint::platform::win32
