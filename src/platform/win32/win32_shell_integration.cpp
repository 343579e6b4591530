// The right-click entry for folders in Explorer: the verb "Korvint scan" in
// the classes that HKEY_CLASSES_ROOT shows, whose command starts Korvint.exe
// with the folder after a "/"; and starting other programs.

#include "platform/win32/win32_shell_integration.h"

#include <windows.h>

#include <string>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {
namespace win32 {
namespace {

// HKEY_CLASSES_ROOT merges the current user's classes over the machine's. A
// program writing through it writes where the key already is, otherwise to
// the machine's part, which needs administrator rights: with UAC nobody has
// them by default. So the entry is written to each part by its own name.
struct Place {
  HKEY root;
  const char* root_name;
};
const Place kForUser{HKEY_CURRENT_USER, "HKEY_CURRENT_USER"};
const Place kForAll{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"};

std::string shown(const Place& place, const char* key) { return std::string(place.root_name) + "\\" + key; }

// The outcome of removing the entry from one place.
struct Erased {
  LONG result = ERROR_FILE_NOT_FOUND;  // ERROR_SUCCESS: something was removed
  const char* key = kMenuVerbKey;      // the key that could not be deleted
};

// The command key goes first: a key that has subkeys cannot be deleted.
Erased erase_entry(Registry& registry, const Place& place) {
  Erased erased;
  for (const char* key : {kMenuCommandKey, kMenuVerbKey}) {
    const LONG result = registry.delete_key(place.root, key);
    if (result == ERROR_FILE_NOT_FOUND) continue;
    if (result != ERROR_SUCCESS) return {result, key};
    erased.result = ERROR_SUCCESS;
  }
  return erased;
}

Status write_entry(Registry& registry, const Place& place, const std::string& command) {
  LONG result = registry.create_key(place.root, kMenuVerbKey);
  if (result != ERROR_SUCCESS) return error_failure("Cannot create the registry key", shown(place, kMenuVerbKey), result);
  const char* what = "Cannot create the registry key";
  result = registry.create_key(place.root, kMenuCommandKey);
  if (result == ERROR_SUCCESS) {
    what = "Cannot set the registry key";
    result = registry.set_default_value(place.root, kMenuCommandKey, command);
  }
  if (result == ERROR_SUCCESS) return Status();
  // A verb without its command would be a menu entry that does nothing.
  (void)erase_entry(registry, place);
  return error_failure(what, shown(place, kMenuCommandKey), result);
}

}  // namespace

MenuEntryOutcome add_folder_menu_entry(Registry& registry, std::string_view program_folder) {
  const std::string command = std::string(program_folder) + "\\Korvint.exe /%1";
  // The current user's classes first: writing there needs no administrator
  // rights, and HKEY_CLASSES_ROOT shows them to the user before the machine's.
  // The machine's classes (for all users) only when the user's own are
  // refused, as a policy may do; that works only with administrator rights.
  const Status for_user = write_entry(registry, kForUser, command);
  if (for_user.ok()) return {Status(), "Right-click entry written to " + shown(kForUser, kMenuVerbKey)};
  const Status for_all = write_entry(registry, kForAll, command);
  if (for_all.ok()) {
    return {Status(), "Right-click entry written for all users to " + shown(kForAll, kMenuVerbKey) + " (" +
                          for_user.message() + ")"};
  }
  return {Status::failure("Right-click entry not written: " + for_user.message() + "; " + for_all.message()), {}};
}

MenuEntryOutcome remove_folder_menu_entry(Registry& registry) {
  std::string removed;
  std::string refused;
  for (const Place* place : {&kForUser, &kForAll}) {
    const Erased erased = erase_entry(registry, *place);
    if (erased.result == ERROR_SUCCESS) {
      removed += (removed.empty() ? "" : " and ") + shown(*place, kMenuVerbKey);
    } else if (erased.result != ERROR_FILE_NOT_FOUND) {
      if (!refused.empty()) refused += "; ";
      refused += error_failure("Cannot delete the registry key", shown(*place, erased.key), erased.result).message();
      if (place == &kForAll && erased.result == ERROR_ACCESS_DENIED)
        refused += " (the entry for all users needs administrator rights to remove)";
    }
  }
  const std::string note = removed.empty() ? std::string() : "Right-click entry removed from " + removed;
  if (!refused.empty()) return {Status::failure(note.empty() ? refused : note + "; " + refused), {}};
  return {Status(), note};
}

}  // namespace win32

MenuEntryOutcome add_folder_menu_entry(std::string_view program_folder) {
  return win32::add_folder_menu_entry(win32::system_registry(), program_folder);
}

MenuEntryOutcome remove_folder_menu_entry() { return win32::remove_folder_menu_entry(win32::system_registry()); }

Status start_program(std::string_view path) { return start_program(path, {}); }

namespace {

// `text` quoted so that the C runtime's argument splitting gives it back:
// backslashes before a quote, or before the closing quote, are doubled.
std::wstring quoted_argument(const std::wstring& text) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

}  // namespace

Status start_program(std::string_view path, const std::vector<std::string>& arguments) {
  std::wstring command_line = L"\"" + win32::to_wide(path) + L"\"";
  for (const std::string& argument : arguments) command_line += L" " + quoted_argument(win32::to_wide(argument));
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
