// File services over user paths made full and long-form; the catalogue is
// written in the ANSI code page, as its readers expect.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/file_services.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_path.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {
namespace {

using win32::error_failure;
using win32::system_path;

class Win32OutputFile final : public OutputFile {
 public:
  Win32OutputFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~Win32OutputFile() override { (void)close(); }

  Status write(std::string_view lines) override {
    if (handle_ == INVALID_HANDLE_VALUE) return Status::failure("Cannot write \"" + path_ + "\": closed");
    // Whole lines arrive, so no character is ever split between two blocks.
    win32::to_ansi(win32::to_wide(lines), ansi_);
    const char* data = ansi_.data();
    std::size_t left = ansi_.size();
    while (left > 0) {
      const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
      DWORD written = 0;
      if (!WriteFile(handle_, data, chunk, &written, nullptr))
        return error_failure("Cannot write", path_, GetLastError());
      if (written == 0) return error_failure("Cannot write", path_, ERROR_DISK_FULL);
      data += written;
      left -= written;
    }
    return Status();
  }

  Status sync() override {
    if (handle_ != INVALID_HANDLE_VALUE && !FlushFileBuffers(handle_))
      return error_failure("Cannot write", path_, GetLastError());
    return Status();
  }

  Status close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return Status();
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) return error_failure("Cannot write", path_, GetLastError());
    return Status();
  }

 private:
  HANDLE handle_;
  std::string path_;
  std::string ansi_;  // the converted block, kept to reuse its storage
};

bool attributes_of(std::string_view path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return GetFileAttributesExW(system_path(path, false).c_str(), GetFileExInfoStandard, &data) != 0;
}

class Win32FileServices final : public FileServices {
 public:
  bool is_normal_file(std::string_view path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!attributes_of(path, data)) return false;
    constexpr DWORD kNotNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (data.dwFileAttributes & kNotNormal) == 0;
  }

  bool exists(std::string_view path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return attributes_of(path, data);
  }

  Status remove_file(std::string_view path) override {
    if (!DeleteFileW(system_path(path, false).c_str()))
      return error_failure("Cannot delete", path, GetLastError());
    return Status();
  }

  Status check_removable(std::string_view path) override {
    const std::wstring system = system_path(path, false);
    const DWORD attributes = GetFileAttributesW(system.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Status();
      return error_failure("Cannot delete", path, error);
    }
    // DeleteFileW refuses a read-only file.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
      return Status::failure("Cannot delete \"" + std::string(path) + "\": the file is read-only");
    // Opening for deletion while sharing everything fails exactly when another
    // handle does not share deletion, which would make the delete fail too.
    const HANDLE handle =
        CreateFileW(system.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return error_failure("Cannot delete", path, GetLastError());
    CloseHandle(handle);
    return Status();
  }

  Status rename_file(std::string_view from, std::string_view to) override {
    // No MOVEFILE_REPLACE_EXISTING: a file in the way is an error.
    if (!MoveFileExW(system_path(from, false).c_str(), system_path(to, false).c_str(), 0))
      return error_failure("Cannot rename \"" + std::string(from) + "\" to", to, GetLastError());
    return Status();
  }

  std::unique_ptr<OutputFile> create_output(std::string_view path, Status& error) override {
    const HANDLE handle = CreateFileW(system_path(path, false).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = error_failure("Cannot create", path, GetLastError());
      return nullptr;
    }
    return std::make_unique<Win32OutputFile>(handle, std::string(path));
  }

  std::optional<std::string> read_first_line(std::string_view path) override {
    if (!is_normal_file(path)) return std::nullopt;
    const HANDLE handle = CreateFileW(system_path(path, false).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string line;
    bool any = false;
    bool ended = false;
    char buffer[4096];
    DWORD got = 0;
    while (!ended && ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      any = true;
      for (DWORD i = 0; i < got; ++i) {
        if (buffer[i] == '\r' || buffer[i] == '\n') {
          ended = true;
          break;
        }
        line += buffer[i];
      }
    }
    CloseHandle(handle);
    if (!any) return std::nullopt;
    return win32::to_utf8(win32::ansi_to_wide(line));
  }
};

}  // namespace

FileServices& system_file_services() {
  static Win32FileServices services;
  return services;
}

}  // namespace korvint::platform
