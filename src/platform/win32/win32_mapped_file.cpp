// Catalogues mapped with CreateFileMapping; the mapping handle is closed at once,
// the view keeps the mapping. The file handle stays open for copy(): reading a
// block costs less than touching freshly mapped pages. Shared for reading,
// writing and deleting, so Korvint can rename or remove a catalogue that is
// being searched.

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/mapped_file.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_path.h"

namespace korvint::platform {

MappedFile MappedFile::open(std::string_view path, Status& error) {
  const HANDLE file = CreateFileW(win32::system_path(path, false).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = win32::error_failure("Cannot open", path, GetLastError());
    return MappedFile();
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    error = win32::error_failure("Cannot open", path, GetLastError());
    CloseHandle(file);
    return MappedFile();
  }
  if (size.QuadPart == 0) {
    CloseHandle(file);
    return MappedFile();
  }
  const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const DWORD mapping_error = GetLastError();
  if (mapping == nullptr) {
    CloseHandle(file);
    error = win32::error_failure("Cannot read", path, mapping_error);
    return MappedFile();
  }
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  const DWORD view_error = GetLastError();
  CloseHandle(mapping);
  if (view == nullptr) {
    CloseHandle(file);
    error = win32::error_failure("Cannot read", path, view_error);
    return MappedFile();
  }
  return MappedFile(static_cast<const char*>(view), static_cast<std::size_t>(size.QuadPart),
                    reinterpret_cast<Handle>(file));
}

void MappedFile::copy(std::uint64_t offset, std::size_t size, char* out) const {
  std::size_t done = 0;
  if (handle_ != kNoHandle) {
    while (done < size) {
      const std::uint64_t at = offset + done;
      OVERLAPPED position{};
      position.Offset = static_cast<DWORD>(at);
      position.OffsetHigh = static_cast<DWORD>(at >> 32);
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(reinterpret_cast<HANDLE>(handle_), out + done, want, &got, &position) || got == 0) break;
      done += got;
    }
  }
  if (done < size) std::memcpy(out + done, data_ + offset + done, size - done);
}

void MappedFile::unmap() {
  if (data_ != nullptr) UnmapViewOfFile(data_);
  if (handle_ != kNoHandle) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  data_ = nullptr;
  size_ = 0;
  handle_ = kNoHandle;
}

}  // namespace korvint::platform
