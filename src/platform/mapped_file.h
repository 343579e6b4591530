#pragma once
// A whole file mapped read-only into memory, so a catalogue is searched in place
// without copying it, and read in blocks where that costs less than the mapping.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform {

/// A read-only view of a whole file. Owns the mapping: movable, not copyable.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(MappedFile&& other) noexcept : data_(other.data_), size_(other.size_), handle_(other.handle_) {
    other.data_ = nullptr;
    other.size_ = 0;
    other.handle_ = kNoHandle;
  }
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() { unmap(); }

  /// Maps the file at `path`; an empty file gives an empty view. On failure the
  /// result is empty and `error` names the path and the reason. The file stays
  /// open for others to read, rename and delete (Korvint may be rewriting it).
  static MappedFile open(std::string_view path, Status& error);

  /// The file's bytes, valid while this object lives.
  [[nodiscard]] std::string_view bytes() const { return {data_, size_}; }

  /// Copies the `size` bytes at `offset` of bytes() (a range inside it) into
  /// `out`. Read from the file while it is held open, which costs far less than
  /// touching mapped pages for the first time; copied from the mapping otherwise.
  void copy(std::uint64_t offset, std::size_t size, char* out) const;

 private:
  // A descriptor (POSIX) or HANDLE (Windows) kept open for copy(), or kNoHandle.
  using Handle = std::intptr_t;
  static constexpr Handle kNoHandle = -1;

  MappedFile(const char* data, std::size_t size, Handle handle) : data_(data), size_(size), handle_(handle) {}
  void unmap();

  const char* data_ = nullptr;
  std::size_t size_ = 0;
  Handle handle_ = kNoHandle;
};

inline MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    unmap();
    data_ = other.data_;
    size_ = other.size_;
    handle_ = other.handle_;
    other.data_ = nullptr;
    other.size_ = 0;
    other.handle_ = kNoHandle;
  }
  return *this;
}

}  // namespace korvint::platform
