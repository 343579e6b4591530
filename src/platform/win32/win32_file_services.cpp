// File services over user paths made full and long-form; the catalogue is
// written in the ANSI code page, as its readers expect.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/file_services.h"
#include "platform/lock_note.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_path.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {
namespace {

using win32::error_failure;
using win32::system_path;

std::optional<FileIdentity> identity_of_handle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

class Win32OutputFile final : public OutputFile {
 public:
  Win32OutputFile(HANDLE handle, std::string path)
      : handle_(handle), path_(std::move(path)), identity_(identity_of_handle(handle)) {}
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

  std::optional<FileIdentity> identity() override { return identity_; }

 private:
  HANDLE handle_;
  std::string path_;
  std::optional<FileIdentity> identity_;
  std::string ansi_;  // the converted block, kept to reuse its storage
};

// Replaces the whole content of the open file `handle` with `text`.
bool replace_content(HANDLE handle, const std::string& text) {
  DWORD written = 0;
  return SetFilePointer(handle, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
         WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && SetEndOfFile(handle);
}

// A lock file opened without any sharing. Letting go marks it for deletion
// and closes it; a holder that is killed leaves it, with its note.
class Win32FileLock final : public FileLock {
 public:
  Win32FileLock(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  ~Win32FileLock() override {
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    // A file that cannot be deleted keeps no note that could pass for a killed holder's.
    if (!SetFileInformationByHandle(handle_, FileDispositionInfo, &dispose, sizeof dispose))
      (void)replace_content(handle_, std::string());
    CloseHandle(handle_);
  }

  Status write_note(std::string_view note) override {
    if (!replace_content(handle_, lock_note_text(note)) || !FlushFileBuffers(handle_))
      return error_failure("Cannot write the lock file", path_, GetLastError());
    return Status();
  }

 private:
  HANDLE handle_;
  std::string path_;
};

// The note in the lock file open at `handle`; nullopt when it is no lock file of ours.
std::optional<std::string> read_lock_note(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
      info.nFileSizeHigh != 0 || info.nFileSizeLow > kLockFileMost)
    return std::nullopt;
  std::string text(info.nFileSizeLow, '\0');
  DWORD got = 0;
  if (!text.empty() && (!ReadFile(handle, text.data(), static_cast<DWORD>(text.size()), &got, nullptr) ||
                        got != text.size()))
    return std::nullopt;
  return lock_note_of(text);
}

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

  std::optional<FileIdentity> identity_of(std::string_view path) override {
    // Attributes only, sharing everything: an open by whoever holds the file never fails for it.
    const HANDLE handle = CreateFileW(system_path(path, false).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<FileIdentity> identity = identity_of_handle(handle);
    CloseHandle(handle);
    return identity;
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
    // CREATE_NEW: a file, or a link planted in a folder others can write to,
    // is never opened, cut or written through; the caller learns that it is
    // there. The reparse-point flag keeps a planted link itself in view.
    const HANDLE handle =
        CreateFileW(system_path(path, false).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = error_failure("Cannot create", path, GetLastError());
      return nullptr;
    }
    return std::make_unique<Win32OutputFile>(handle, std::string(path));
  }

  // The lock is the open lock file itself: opened without sharing, so every
  // other open fails with a sharing violation while it is held. Creating it
  // with CREATE_NEW and opening one that is there are each one step in the
  // file system, so two processes can never both hold it. A holder that is
  // killed leaves the file, unheld, with its note: it is taken over as it
  // stands. Its holder deletes it when letting go; while that deletion is
  // pending, opens fail with "access denied" for a moment.
  LockAttempt lock_file(std::string_view path) override {
    const std::wstring system = system_path(path, false);
    LockAttempt attempt;
    for (int tries = 0; tries < 100; ++tries) {
      const HANDLE handle = CreateFileW(system.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        attempt.lock = std::make_unique<Win32FileLock>(handle, std::string(path));
        return attempt;
      }
      const DWORD create_error = GetLastError();
      if (create_error == ERROR_SHARING_VIOLATION) {
        attempt.busy = true;
        return attempt;
      }
      if (create_error != ERROR_FILE_EXISTS && create_error != ERROR_ALREADY_EXISTS &&
          create_error != ERROR_ACCESS_DENIED) {
        attempt.error = error_failure("Cannot create the lock file", path, create_error);
        return attempt;
      }
      // Something stands there: a held lock file, one being deleted, or one left behind.
      const HANDLE other = CreateFileW(system.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                       nullptr);
      if (other == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION) {
          attempt.busy = true;
          return attempt;
        }
        if (error == ERROR_FILE_NOT_FOUND && create_error == ERROR_ACCESS_DENIED) {
          attempt.error = error_failure("Cannot create the lock file", path, create_error);
          return attempt;
        }
        // Gone meanwhile, or still being deleted by its holder: try again.
        if (error == ERROR_FILE_NOT_FOUND || (error == ERROR_ACCESS_DENIED && tries < 50)) {
          Sleep(error == ERROR_ACCESS_DENIED ? 10 : 0);
          continue;
        }
        attempt.error = error_failure("Cannot lock", path, error);
        return attempt;
      }
      std::optional<std::string> note = read_lock_note(other);
      if (!note) {
        CloseHandle(other);
        attempt.error = Status::failure("Cannot use the lock file \"" + std::string(path) +
                                        "\": something else is in its place (not a lock file)");
        return attempt;
      }
      attempt.left_note = std::move(note);
      attempt.lock = std::make_unique<Win32FileLock>(other, std::string(path));
      return attempt;
    }
    attempt.error = Status::failure("Cannot lock \"" + std::string(path) + "\": the lock file keeps being replaced");
    return attempt;
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
    // A byte-order mark says the text is UTF-8, whatever the code page.
    constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    if (line.rfind(kUtf8Mark, 0) == 0) return line.substr(kUtf8Mark.size());
    return win32::to_utf8(win32::ansi_to_wide(line));
  }
};

}  // namespace

FileServices& system_file_services() {
  static Win32FileServices services;
  return services;
}

// lock_file() holds its file open without sharing: any other open for reading
// fails with a sharing violation exactly while the lock is held. An open that
// succeeds is closed at once; a lock file being deleted by its holder answers
// "access denied" and counts as gone.
LockProbe probe_lock(std::string_view path) {
  const HANDLE handle = CreateFileW(system_path(path, false).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return {GetLastError() == ERROR_SHARING_VIOLATION ? LockState::Held : LockState::Absent, {}};
  const std::optional<std::string> note = read_lock_note(handle);
  CloseHandle(handle);
  return {LockState::NotHeld, note.value_or(std::string())};
}

}  // namespace korvint::platform
