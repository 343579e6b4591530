// Settings files: temporary file, FlushFileBuffers, MoveFileEx with write-through;
// a symbolic link is followed to the file it leads to.

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/read_only_file.h"
#include "platform/settings_file.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_path.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {
namespace {

// Creates every missing folder above `path` (a long-form wide path).
void create_parent_folders(const std::wstring& path) {
  const auto cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos || cut == 0) return;
  const std::wstring parent = path.substr(0, cut);
  if (GetFileAttributesW(parent.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  create_parent_folders(parent);
  CreateDirectoryW(parent.c_str(), nullptr);
}

// The file a symbolic link at `path` (a long-form wide path) leads to, in
// long form; `path` itself when it is no link or leads nowhere.
std::wstring link_target(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
  const HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring target(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, target.data(), static_cast<DWORD>(target.size()), 0);
  if (length >= target.size()) {
    target.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, target.data(), static_cast<DWORD>(target.size()), 0);
  }
  CloseHandle(handle);
  if (length == 0 || length >= target.size()) return path;
  target.resize(length);
  return target;
}

}  // namespace

std::optional<std::string> read_settings_bytes(std::string_view path) { return read_whole_file(path); }

std::string encode_settings_text(std::string_view utf8) {
  std::string ansi;
  win32::to_ansi(win32::to_wide(utf8), ansi);
  return ansi;
}

Status write_settings_atomically(std::string_view path, std::string_view bytes) {
  // A link stays a link: the file it leads to is the one replaced.
  const std::wstring target = link_target(win32::system_path(path, false));
  const std::wstring temporary = target + L".tmp" + std::to_wstring(GetCurrentProcessId());
  const std::string temporary_text = std::string(path) + ".tmp";
  create_parent_folders(target);
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return win32::error_failure("Cannot create", temporary_text, GetLastError());
  std::size_t done = 0;
  DWORD error = 0;
  while (done < bytes.size() && error == 0) {
    DWORD written = 0;
    const DWORD block = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!WriteFile(file, bytes.data() + done, block, &written, nullptr)) error = GetLastError();
    else if (written == 0) error = ERROR_DISK_FULL;
    done += written;
  }
  if (error == 0 && !FlushFileBuffers(file)) error = GetLastError();
  if (!CloseHandle(file) && error == 0) error = GetLastError();
  if (error != 0) {
    DeleteFileW(temporary.c_str());
    return win32::error_failure("Cannot write", temporary_text, error);
  }
  // A file another program reads (a search reading the index, a virus
  // scanner) cannot be replaced until it lets go, which takes moments: wait
  // for that a second at most before giving up.
  bool moved = false;
  for (int attempt = 0; attempt < 20; ++attempt) {
    moved = MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (moved) break;
    error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
    Sleep(50);
  }
  if (!moved) {
    DeleteFileW(temporary.c_str());
    return win32::error_failure("Cannot replace", path, error);
  }
  return Status();
}

bool process_has_ended(std::uint64_t process) {
  if (process == 0 || process > 0xFFFFFFFFu || process == GetCurrentProcessId()) return false;
  const HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(process));
  if (handle == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  // A process that ended while another still holds its handle keeps its number until then.
  const bool ended = WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  CloseHandle(handle);
  return ended;
}

}  // namespace korvint::platform
