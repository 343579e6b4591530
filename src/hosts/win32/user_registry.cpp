#include "hosts/win32/user_registry.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {

std::optional<std::string> read_user_text(const wchar_t* key, const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  text.resize(wcsnlen(text.c_str(), text.size()));
  return platform::win32::to_utf8(text);
}

bool write_user_text(const wchar_t* key, const wchar_t* name, std::string_view text) {
  const std::wstring wide = platform::win32::to_wide(text);
  HKEY opened = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG written = RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                      static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
  return written == ERROR_SUCCESS;
}

}  // namespace korvint::hosts::win32
