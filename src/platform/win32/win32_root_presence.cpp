#include <windows.h>

#include <string>

#include "platform/root_presence.h"
#include "platform/win32/win32_path.h"

namespace korvint::platform {
namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// "X:\" alone: the root of a drive, which any medium in that drive has.
bool is_drive_root(std::string_view root) {
  const bool letter = root.size() >= 2 && ((root[0] >= 'A' && root[0] <= 'Z') || (root[0] >= 'a' && root[0] <= 'z')) &&
                      root[1] == ':';
  return letter && (root.size() == 2 || (root.size() == 3 && is_separator(root[2])));
}

// True when a folder answers at `path`; a drive without a medium must not
// bring up the system's "insert a disk" box.
bool folder_answers(const std::wstring& path) {
  DWORD previous_mode = 0;
  const BOOL mode_set = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_mode);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (mode_set) SetThreadErrorMode(previous_mode, nullptr);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

RootPresence root_presence(std::string_view root) {
  // A POSIX root ("/home/ann/") is no path of this system: here it would name the current drive's folder.
  if (root.empty() || root.front() == '/') return RootPresence::Absent;
  if (is_drive_root(root)) {
    const wchar_t drive[] = {static_cast<wchar_t>(root[0]), L':', L'\\', L'\0'};
    const UINT type = GetDriveTypeW(drive);
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) return RootPresence::Absent;
    // Some medium is in the drive: whether it is the one scanned cannot be told from its root.
    return folder_answers(drive) ? RootPresence::DrivePresent : RootPresence::Absent;
  }
  return folder_answers(win32::system_path(root, true)) ? RootPresence::Folder : RootPresence::Absent;
}

}  // namespace korvint::platform
