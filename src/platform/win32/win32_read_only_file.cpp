// Files read with ReadFile at an offset. Every handle shares reading, writing
// and deleting, so Korvint can rename or delete a catalogue being read; none
// is kept between uses (see worth_keeping()).

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/read_only_file.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_path.h"

namespace korvint::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<FileVersion> identity_from(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  FileVersion identity;
  identity.device = info.dwVolumeSerialNumber;
  identity.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  identity.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  identity.write_time = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                                  info.ftLastWriteTime.dwLowDateTime);
  return identity;
}

}  // namespace

ReadOnlyFile ReadOnlyFile::open(std::string_view path, OpenFailure& failure, Status& error) {
  const std::wstring system = win32::system_path(path, false);
  const DWORD attributes = GetFileAttributesW(system.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    failure = OpenFailure::NotAFile;
    error = Status::failure("Cannot read \"" + std::string(path) + "\": not a file");
    return ReadOnlyFile();
  }
  const HANDLE file = CreateFileW(system.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    failure = OpenFailure::Unreadable;
    error = win32::error_failure("Cannot open", path, GetLastError());
    return ReadOnlyFile();
  }
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    failure = OpenFailure::NotAFile;
    error = Status::failure("Cannot read \"" + std::string(path) + "\": not a file");
    return ReadOnlyFile();
  }
  failure = OpenFailure::None;
  return ReadOnlyFile(reinterpret_cast<Handle>(file));
}

std::optional<std::size_t> ReadOnlyFile::read_at(std::uint64_t offset, std::size_t size, char* out) const {
  std::size_t done = 0;
  while (done < size) {
    const std::uint64_t at = offset + done;
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(at);
    position.OffsetHigh = static_cast<DWORD>(at >> 32);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), out + done, want, &got, &position)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return std::nullopt;
    }
    if (got == 0) break;  // the file ends here
    done += got;
  }
  return done;
}

std::optional<FileVersion> ReadOnlyFile::identity() const {
  if (handle_ == kNoHandle) return std::nullopt;
  return identity_from(reinterpret_cast<HANDLE>(handle_));
}

bool ReadOnlyFile::worth_keeping() const { return false; }

void ReadOnlyFile::close() {
  if (handle_ != kNoHandle) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNoHandle;
}

std::optional<FileVersion> identity_of(std::string_view path) {
  // Attributes alone suffice for the identity; a folder opens with backup semantics.
  const HANDLE handle = CreateFileW(win32::system_path(path, false).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  auto identity = identity_from(handle);
  CloseHandle(handle);
  return identity;
}

}  // namespace korvint::platform
