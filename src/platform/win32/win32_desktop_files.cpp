#include "platform/desktop_files.h"

#include <windows.h>

#include <string>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_time.h"

namespace korvint::platform {

Status show_in_file_manager(std::string_view path) {
  std::wstring item = win32::to_wide(path);
  // Explorer selects a folder only when its path has no trailing backslash (a drive root keeps it).
  while (item.size() > 3 && item.back() == L'\\') item.pop_back();
  std::wstring command_line = L"explorer.exe /select,\"" + item + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return win32::error_failure("Cannot open the folder of", path, GetLastError());
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return Status();
}

std::optional<std::int64_t> local_write_time(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA facts{};
  if (!GetFileAttributesExW(win32::to_wide(path).c_str(), GetFileExInfoStandard, &facts)) return std::nullopt;
  FILETIME local{};
  if (!FileTimeToLocalFileTime(&facts.ftLastWriteTime, &local)) return std::nullopt;
  return win32::file_time_to_unix_seconds(local.dwHighDateTime, local.dwLowDateTime);
}

}  // namespace korvint::platform
