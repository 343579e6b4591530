#pragma once
// Reads a stored search index (see search/index_format.h) through reads at
// an offset, never a map: a file another process cuts short or rewrites
// gives a failed read, never a fault. Nothing in it is trusted unchecked:
// the header's checksum, the file's size, each table's checksum; anything
// damaged, foreign or of another version reads as no index at all.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "search/catalogue.h"
#include "search/index_format.h"

namespace korvint::search::index {

/// Reads `size` bytes at `offset` into `out`; false unless all were read.
using ReadAt = std::function<bool(std::uint64_t offset, std::size_t size, char* out)>;

class IndexFile {
 public:
  /// The index read through `read` from a file of `file_size` bytes;
  /// nullopt when its header is not a whole, sound header of this version
  /// for a file of that size.
  static std::optional<IndexFile> open(ReadAt read, std::uint64_t file_size);

  /// The index stored at `path`, read through the file; nullopt as open() gives it.
  static std::optional<IndexFile> open_file(const std::string& path);

  /// The index stored at `path`, when it is the index of `catalogue` as
  /// opened (path, identity, size); nullopt otherwise.
  static std::optional<IndexFile> open_for(const std::string& path, const Catalogue& catalogue);

  [[nodiscard]] const Header& header() const { return header_; }
  /// The counts the index was built with (those of the catalogue as indexed).
  [[nodiscard]] const LineCounts& counts() const { return header_.counts; }

  /// The blocks listed under `trigram`, in order (empty when none); nullopt
  /// when the index is damaged.
  [[nodiscard]] std::optional<std::vector<std::uint32_t>> blocks_of(Trigram trigram) const;
  /// The block table; nullopt when it is damaged.
  [[nodiscard]] std::optional<std::vector<BlockInfo>> blocks() const;
  /// Reads `size` bytes at `offset` into `out`; false unless they lie in the file and were read.
  bool read(std::uint64_t offset, std::size_t size, std::string& out) const;

 private:
  IndexFile(ReadAt read, Header header) : read_(std::move(read)), header_(std::move(header)) {}

  ReadAt read_;
  Header header_;
};

/// True when the index of `header` was built from `catalogue` as it was opened.
bool indexes(const Header& header, const Catalogue& catalogue);

}  // namespace korvint::search::index
