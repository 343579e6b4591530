#pragma once
// Builds trees for tests in a fresh temporary folder, with known sizes and
// last-write times, and reads back what the file system reports.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace korvint::test {

/// A temporary folder, removed with everything in it when the object goes.
class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  /// The folder's path, without a trailing separator.
  [[nodiscard]] const std::filesystem::path& root() const { return root_; }

  /// The folder's path as text with a trailing separator, as a scan root.
  [[nodiscard]] std::string root_text() const;

  /// Creates the folder `relative` (and any missing parents).
  std::filesystem::path folder(std::string_view relative);

  /// Creates the file `relative` of `size` bytes (sparse where the system allows)
  /// and sets its last-write time to `write_time` (seconds since 1970 UTC).
  std::filesystem::path file(std::string_view relative, std::uint64_t size,
                             std::int64_t write_time);

  /// Creates the file `relative` holding exactly `content`.
  std::filesystem::path text_file(std::string_view relative, std::string_view content);

 private:
  std::filesystem::path root_;
};

/// `files` files of one byte in the folder `relative`, then its sub-folder
/// "sub" with one: a walk of it takes its first progress step (at 500 files)
/// before it enters "sub".
void files_before_a_sub_folder(TempTree& tree, std::string_view relative, int files);

/// Sets the last-write time of `path` (seconds since 1970 UTC).
void set_write_time(const std::filesystem::path& path, std::int64_t write_time);

/// The creation time the file system reports for `path` (its birth time where it
/// keeps one, else its last-write time), seconds since 1970 UTC.
std::int64_t reported_creation_time(const std::filesystem::path& path);

/// Seconds since 1970 UTC of a UTC calendar time.
std::int64_t utc_seconds(int year, int month, int day, int hour, int minute, int second);

/// The whole content of the file at `path`.
std::string read_file(const std::filesystem::path& path);

/// Writes `content` to `path`, replacing it.
void write_file(const std::filesystem::path& path, std::string_view content);

/// The path as UTF-8 text (Windows) or bytes (POSIX), the form the program uses.
std::string path_text(const std::filesystem::path& path);

}  // namespace korvint::test
