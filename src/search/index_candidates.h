#pragma once
// The entries of one catalogue that may match a query, as its index's words
// tell them (search/index_words.h): some known to match, some that may, and
// whole blocks any entry of which may (where a rare token, or text the index
// cannot read, may hold a word).

#include <cstdint>
#include <vector>

#include "search/index_words.h"

namespace korvint::search::index {

struct Candidates {
  std::vector<std::uint32_t> certain;    ///< entries that match, in order
  std::vector<std::uint32_t> uncertain;  ///< entries that may, in order, none of them certain
  std::vector<std::uint32_t> blocks;     ///< blocks whose every entry may, in order

  /// The blocks that must be read to settle what is not certain: those of the uncertain entries and `blocks`.
  [[nodiscard]] std::vector<std::uint32_t> unsettled(const WordTable& table) const;
  /// Every entry that may match, certain or not, in order.
  [[nodiscard]] std::vector<std::uint32_t> all_entries() const;
  /// The blocks of every entry that may match, certain or not.
  [[nodiscard]] std::vector<std::uint32_t> all_blocks(const WordTable& table) const;
  /// The certain entries that lie outside `blocks` (in order).
  [[nodiscard]] std::uint64_t certain_outside(const std::vector<std::uint32_t>& blocks, const WordTable& table) const;
};

/// How one block is read: whole, or only some of its entries.
struct BlockLines {
  std::uint32_t block = 0;
  std::uint32_t entries = 0;          ///< the block's entries
  std::vector<std::uint32_t> wanted;  ///< places among them of those to read; empty: the whole block
};

/// For each block of `read` (in order): the entries of `visit` (in order) in
/// it, unless the block is one of `whole` (in order) or they are too many for
/// reading one by one to pay.
std::vector<BlockLines> lines_to_read(const std::vector<std::uint32_t>& read, const std::vector<std::uint32_t>& whole,
                                      const std::vector<std::uint32_t>& visit, const WordTable& table);

/// The entries that may match both `a` and `b`: certain where both are.
Candidates both(const Candidates& a, const Candidates& b, const WordTable& table);

}  // namespace korvint::search::index
