#include "hosts/win32/folder_dialog.h"

#include <objbase.h>
#include <shlobj.h>

#include "hosts/win32/strip_nulls.h"
#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {
namespace {

// Opens the dialog at the folder it was given.
int CALLBACK select_start(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

}  // namespace

void ensure_com() {
  static const HRESULT initialised = CoInitialize(nullptr);
  (void)initialised;
}

std::string browse_for_folder(HWND owner, const wchar_t* title, UINT flags, std::string_view start) {
  ensure_com();
  const std::wstring from = platform::win32::to_wide(start);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = title;
  browse.ulFlags = flags;
  if (!from.empty()) {
    browse.lpfn = &select_start;
    browse.lParam = reinterpret_cast<LPARAM>(from.c_str());
  }
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
  if (chosen == nullptr) return std::string();
  // An item without a file-system path leaves the buffer as it was: all NULs.
  std::wstring path(MAX_PATH, L'\0');
  SHGetPathFromIDListW(chosen, path.data());
  CoTaskMemFree(chosen);
  StripNulls(path);
  return platform::win32::to_utf8(path);
}

}  // namespace korvint::hosts::win32
