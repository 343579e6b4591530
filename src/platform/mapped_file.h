#pragma once
// A whole file mapped read-only into memory, so a catalogue is searched in place
// without copying it.

#include <cstddef>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform {

/// A read-only view of a whole file. Owns the mapping: movable, not copyable.
class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(MappedFile&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
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

 private:
  MappedFile(const char* data, std::size_t size) : data_(data), size_(size) {}
  void unmap();

  const char* data_ = nullptr;
  std::size_t size_ = 0;
};

inline MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    unmap();
    data_ = other.data_;
    size_ = other.size_;
    other.data_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

}  // namespace korvint::platform
