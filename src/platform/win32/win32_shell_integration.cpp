// The right-click entry for folders in Explorer: the verb "Korvint scan" below
// HKEY_CLASSES_ROOT\Folder\shell, whose command starts Korvint.exe with the
// folder after a "/"; and starting other programs.

#include <windows.h>

#include <string>

#include "platform/shell_integration.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {
namespace {

constexpr const char* kVerbKey = "Folder\\shell\\Korvint scan";
constexpr const char* kCommandKey = "Folder\\shell\\Korvint scan\\command";

std::string shown_key(const char* key) { return std::string("HKEY_CLASSES_ROOT\\") + key; }

Status delete_key(const char* key) {
  const LONG result = RegDeleteKeyW(HKEY_CLASSES_ROOT, win32::to_wide(key).c_str());
  if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return Status();
  return win32::error_failure("Cannot delete the registry key", shown_key(key), static_cast<DWORD>(result));
}

}  // namespace

Status add_folder_menu_entry(std::string_view program_folder) {
  using win32::CreateKey;
  using win32::SetKeyValue;
  if (!CreateKey(kVerbKey, HKEY_CLASSES_ROOT))
    return win32::error_failure("Cannot create the registry key", shown_key(kVerbKey), GetLastError());
  if (!CreateKey(kCommandKey, HKEY_CLASSES_ROOT))
    return win32::error_failure("Cannot create the registry key", shown_key(kCommandKey), GetLastError());
  const std::string command = std::string(program_folder) + "\\Korvint.exe /%1";
  if (!SetKeyValue(HKEY_CLASSES_ROOT, kCommandKey, "", command))
    return win32::error_failure("Cannot set the registry key", shown_key(kCommandKey), GetLastError());
  return Status();
}

Status remove_folder_menu_entry() {
  if (Status removed = delete_key(kCommandKey); !removed.ok()) return removed;
  return delete_key(kVerbKey);
}

Status start_program(std::string_view path) {
  std::wstring command_line = L"\"" + win32::to_wide(path) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return win32::error_failure("Cannot start", path, GetLastError());
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return Status();
}

}  // namespace korvint::platform
