#pragma once
// Paths as the user typed them (UTF-8, relative or absolute, "/" or "\") turned
// into the long-path form the wide Windows functions take without a length limit.

#include <string>
#include <string_view>

namespace korvint::platform::win32 {

/// `path` made full and prefixed with "\\?\" (or "\\?\UNC\" for a share); a bare
/// drive "X:" is that drive's root. With `as_folder` the result ends in "\".
/// Falls back to the plain wide path when the system cannot make it full.
std::wstring system_path(std::string_view path, bool as_folder);

}  // namespace korvint::platform::win32
