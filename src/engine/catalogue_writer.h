#pragma once
// Buffers catalogue lines and hands them to the output file in large blocks;
// the first failed write ends all writing and is kept for the caller.

#include <cstddef>
#include <string>
#include <string_view>

#include "catalogue/format_lines.h"
#include "platform/file_services.h"
#include "platform/status.h"

namespace korvint::engine {

class CatalogueWriter {
 public:
  /// Writes into `file`, which must outlive the writer.
  explicit CatalogueWriter(platform::OutputFile& file, std::size_t block_size = 256 * 1024);

  /// Adds the header line.
  void header(std::string_view root);

  /// Adds a file line.
  void file_line(std::string_view name, std::uint64_t size, const catalogue::CalendarTime& written);

  /// Adds a folder line; `relative_path` ends in "\".
  void folder_line(std::string_view relative_path, const catalogue::CalendarTime& created);

  /// Writes out what is buffered; returns the first failure so far.
  platform::Status flush();

  /// True once a write has failed; lines added after that are dropped.
  [[nodiscard]] bool failed() const { return !status_.ok(); }

  /// The first failure, or success.
  [[nodiscard]] const platform::Status& status() const { return status_; }

 private:
  void flush_if_full();

  platform::OutputFile& file_;
  std::size_t block_size_;
  std::string buffer_;
  platform::Status status_;
};

}  // namespace korvint::engine
