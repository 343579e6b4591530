// The drives on Windows: every logical drive's root ("C:\") and volume label.

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {
namespace {

// The label of the volume at `root` ("C:\"); empty when it has none or cannot be read.
std::wstring volume_label(const wchar_t* root) {
  // A drive without a medium must not bring up the system's "insert a disk" box.
  DWORD previous_mode = 0;
  const BOOL mode_set = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_mode);
  wchar_t label[MAX_PATH + 1] = {};
  const BOOL ok = GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
  if (mode_set) SetThreadErrorMode(previous_mode, nullptr);
  return ok ? std::wstring(label) : std::wstring();
}

}  // namespace

std::vector<Drive> drives() {
  std::vector<Drive> entries;
  const DWORD needed = GetLogicalDriveStringsW(0, nullptr);
  if (needed == 0) return entries;
  std::wstring roots(needed + 1, L'\0');
  const DWORD got = GetLogicalDriveStringsW(static_cast<DWORD>(roots.size()), roots.data());
  if (got == 0 || got > roots.size()) return entries;
  // The roots come as "A:\", "C:\", ... each ended by a NUL, the list by another.
  for (const wchar_t* root = roots.c_str(); *root != L'\0'; root += std::wcslen(root) + 1) {
    entries.push_back(Drive{win32::to_utf8(root), win32::to_utf8(volume_label(root))});
  }
  return entries;
}

}  // namespace korvint::platform
