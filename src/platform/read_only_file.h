#pragma once
// A file read at any offset through its descriptor, never mapped: a file that
// another program shrinks, rewrites or replaces while it is read costs a short
// read or a changed identity, never a fault in the middle of a copy.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform {

/// What tells one version of a file from another: the file itself, its size
/// and its last write.
struct FileVersion {
  std::uint64_t device = 0;     ///< the device (POSIX) or the volume's serial number (Windows)
  std::uint64_t file = 0;       ///< the inode (POSIX) or the file index (Windows)
  std::uint64_t size = 0;
  std::int64_t write_time = 0;  ///< nanoseconds (POSIX) or 100-ns ticks (Windows) of the last write

  friend bool operator==(const FileVersion&, const FileVersion&) = default;
  /// True when both name the same file, whatever its content.
  [[nodiscard]] bool same_file(const FileVersion& other) const {
    return device == other.device && file == other.file;
  }
};

/// Why a file could not be opened for reading.
enum class OpenFailure {
  None,
  NotAFile,    ///< a folder, FIFO, device or socket
  Unreadable,  ///< missing, no permission, ... (the message says)
};

/// A regular file open for reading. Owns its descriptor (POSIX) or handle
/// (Windows): movable, not copyable.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(ReadOnlyFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }
  ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      other.handle_ = kNoHandle;
    }
    return *this;
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile() { close(); }

  /// Opens the file at `path` (following links) when it is a regular file;
  /// the open never waits for another program (a FIFO is refused, not waited
  /// on). Windows: shared for reading, writing and deleting, so Korvint can
  /// rename or delete the file meanwhile. On failure the result is closed,
  /// `failure` says why and `error` names the path and the reason.
  static ReadOnlyFile open(std::string_view path, OpenFailure& failure, Status& error);

  [[nodiscard]] bool is_open() const { return handle_ != kNoHandle; }

  /// Reads up to `size` bytes at `offset` into `out`: the number read, fewer
  /// only where the file ends; nullopt when the read failed. Any thread.
  [[nodiscard]] std::optional<std::size_t> read_at(std::uint64_t offset, std::size_t size, char* out) const;

  /// The identity of the open file now; nullopt when it cannot be read.
  [[nodiscard]] std::optional<FileVersion> identity() const;

  /// True when keeping this file open between reads costs nothing others
  /// notice: on POSIX while half the process's descriptors are free (an open
  /// file never stops a rename or delete there); never on Windows, where a
  /// deleted file's name stays until its last handle is closed.
  [[nodiscard]] bool worth_keeping() const;

  /// Closes the file; later calls do nothing.
  void close();

 private:
  using Handle = std::intptr_t;
  static constexpr Handle kNoHandle = -1;
  explicit ReadOnlyFile(Handle handle) : handle_(handle) {}

  Handle handle_ = kNoHandle;
};

/// The identity of what `path` names now (following links); nullopt when
/// nothing is there or it cannot be read.
std::optional<FileVersion> identity_of(std::string_view path);

/// The whole content of the regular file at `path`, read (never mapped);
/// nullopt when it is missing, not a regular file or cannot be read.
std::optional<std::string> read_whole_file(std::string_view path);

}  // namespace korvint::platform
