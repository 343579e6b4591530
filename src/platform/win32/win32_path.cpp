#include "platform/win32/win32_path.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace korvint::platform::win32 {
namespace {

bool starts_with(const std::wstring& text, std::wstring_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The full path of `path` as GetFullPathNameW makes it; empty when it cannot.
std::wstring full_path(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (got == 0) return std::wstring();
    if (got < full.size()) {
      full.resize(got);
      return full;
    }
    full.resize(got);  // `got` counts the terminating NUL when the buffer was too small
  }
}

}  // namespace

std::wstring system_path(std::string_view path, bool as_folder) {
  std::wstring wide = to_wide(path);
  if (wide.empty()) wide = L".";
  // A bare drive letter means that drive's root, not its current folder.
  if (wide.size() == 2 && wide[1] == L':') wide += L'\\';

  std::wstring result;
  if (starts_with(wide, L"\\\\?\\")) {
    result = wide;  // already in long form: the system takes it literally
  } else if (std::wstring full = full_path(wide); full.empty()) {
    result = wide;
  } else if (starts_with(full, L"\\\\.\\")) {
    result = full;  // a device path
  } else if (starts_with(full, L"\\\\")) {
    result = L"\\\\?\\UNC\\" + full.substr(2);
  } else {
    result = L"\\\\?\\" + full;
  }
  if (as_folder && result.back() != L'\\') result += L'\\';
  return result;
}

}  // namespace korvint::platform::win32
