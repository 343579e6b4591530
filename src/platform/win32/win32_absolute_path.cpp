#include <windows.h>

#include <string>

#include "platform/absolute_path.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {

std::string absolute_path(std::string_view path) {
  // Absolute: a drive and its root ("c:\", "c:/"), or a share or device ("\\...").
  const bool drive_rooted = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const bool share = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
  if (path.empty() || drive_rooted || share) return std::string(path);
  const std::wstring wide = win32::to_wide(path);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::string(path);
  std::wstring full(needed, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (got == 0 || got >= needed) return std::string(path);
  full.resize(got);
  return win32::to_utf8(full);
}

}  // namespace korvint::platform
