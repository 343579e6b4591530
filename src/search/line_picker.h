#pragma once
// Reads only the lines of a chunk a search needs, when an index names them
// by their places among the lines of its parts (its blocks) and every line
// of those is an entry: each wanted line is reached by counting line ends
// from the nearer of its part's two ends, so a few lines of a block cost a
// few kilobytes read, not the block.

#include <cstdint>
#include <vector>

#include "search/block_reader.h"
#include "search/catalogue.h"
#include "search/chunk_plan.h"

namespace korvint::search {

class LinePicker {
 public:
  /// Picks the wanted lines of each part of `lines` (each line ending in an
  /// LF, as many as the part's total); reads into `buffer`.
  LinePicker(const Catalogue& catalogue, const ChunkLines& lines, std::vector<char>& buffer);

  /// The next span of whole lines read (from a line's start), and in `starts` where the wanted
  /// lines in it begin (from block.data, in order). False after the last
  /// wanted line, when a read fails (Catalogue::changed()), or when the
  /// lines of a part do not add up to its count (failed()).
  bool next(Block& block, std::vector<std::size_t>& starts);

  /// True when a part's lines were found not to be as counted (then
  /// nothing can be told of them: the chunk must be read whole). Found only
  /// where the reading meets a part's end: the index's check of the
  /// catalogue's version is what makes the counts true.
  [[nodiscard]] bool failed() const { return failed_; }

 private:
  bool forward(Block& block, std::vector<std::size_t>& starts);
  bool backward(Block& block, std::vector<std::size_t>& starts);
  // Bytes to read first for `lines` lines: their share of the part and some more.
  [[nodiscard]] std::uint64_t guess(std::uint64_t lines) const;
  bool fail() {
    failed_ = true;
    return false;
  }

  // Moves on to part `part`.
  void enter(std::size_t part);

  const Catalogue& catalogue_;
  const ChunkLines& lines_;
  std::vector<char>& buffer_;
  std::size_t part_ = 0;
  Chunk chunk_;              // of the part
  std::uint32_t total_ = 0;  // its lines
  const std::vector<std::uint32_t>* wanted_ = nullptr;
  std::uint64_t at_ = 0;     // where line `line_` starts
  std::uint32_t line_ = 0;   // the first line of the part not passed yet
  std::size_t next_ = 0;     // the first of its wanted lines not given yet
  bool failed_ = false;
};

}  // namespace korvint::search
