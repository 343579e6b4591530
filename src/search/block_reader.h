#pragma once
// Reads a chunk of a catalogue into one buffer a block at a time, each block
// holding whole lines, so the search runs over a few hundred kilobytes that stay
// in the processor's cache.

#include <cstdint>
#include <vector>

#include "search/catalogue.h"

namespace korvint::search {

/// A block of whole lines: `size` bytes at `data`, standing at `offset` of the catalogue.
struct Block {
  const char* data = nullptr;
  std::size_t size = 0;
  std::uint64_t offset = 0;
};

class BlockReader {
 public:
  /// Reads `chunk` of `catalogue` in blocks of about `block_bytes` into `buffer`
  /// (which keeps its memory for the next reader of the same thread).
  BlockReader(const Catalogue& catalogue, const Chunk& chunk, std::size_t block_bytes, std::vector<char>& buffer);

  /// The next block, false after the chunk's last or when the file was cut
  /// short (Catalogue::changed(); a file rewritten in place is seen by
  /// Catalogue::still_as_opened() after the reading). Every block ends after an LF,
  /// except a last one that ends where the file ends. A line too long to be an
  /// entry may be passed over instead; each one is counted in overlong().
  bool next(Block& block);

  /// Lines passed over for their length so far.
  [[nodiscard]] std::uint64_t overlong() const { return overlong_; }

 private:
  const Catalogue& catalogue_;
  std::uint64_t position_;
  std::uint64_t end_;
  std::size_t block_bytes_;
  std::vector<char>& buffer_;
  std::uint64_t overlong_ = 0;
};

}  // namespace korvint::search
