#include <windows.h>

#include "platform/cache_folder.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {

std::string index_cache_folder() {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH * 2);
  if (length == 0 || length >= MAX_PATH * 2) return {};
  return win32::to_utf8(std::wstring_view(buffer, length)) + "\\Korvint\\index";
}

std::vector<std::string> file_names_in(std::string_view folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((win32::to_wide(folder) + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(win32::to_utf8(found.cFileName));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

}  // namespace korvint::platform
