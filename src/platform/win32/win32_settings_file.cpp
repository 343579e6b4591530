// Settings files: temporary file, FlushFileBuffers, MoveFileEx with write-through.

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/mapped_file.h"
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

}  // namespace

std::optional<std::string> read_settings_bytes(std::string_view path) {
  Status error;
  const MappedFile file = MappedFile::open(path, error);
  if (!error.ok()) return std::nullopt;
  return std::string(file.bytes());
}

std::string encode_settings_text(std::string_view utf8) {
  std::string ansi;
  win32::to_ansi(win32::to_wide(utf8), ansi);
  return ansi;
}

Status write_settings_atomically(std::string_view path, std::string_view bytes) {
  const std::wstring target = win32::system_path(path, false);
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
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
    DeleteFileW(temporary.c_str());
    return win32::error_failure("Cannot replace", path, error);
  }
  return Status();
}

}  // namespace korvint::platform
