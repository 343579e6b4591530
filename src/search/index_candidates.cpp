#include "search/index_candidates.h"

#include <algorithm>
#include <iterator>

#include "search/sorted_lists.h"

namespace korvint::search::index {
namespace {

using List = SortedList;

// Walks the blocks of sorted entries in one pass over the blocks' first entries.
class BlockCursor {
 public:
  explicit BlockCursor(const WordTable& table) : first_(table.first_entry) {}
  // The block of `entry`, which is not before the one asked before.
  std::uint32_t block_of(std::uint32_t entry) {
    while (block_ + 1 < first_.size() && first_[block_ + 1] <= entry) ++block_;
    return block_;
  }

 private:
  const std::vector<std::uint32_t>& first_;
  std::uint32_t block_ = 0;
};

// The entries of `entries` whose block is one of `blocks`.
List in_blocks(const List& entries, const List& blocks, const WordTable& table) {
  List out;
  if (blocks.empty()) return out;
  BlockCursor cursor(table);
  auto block = blocks.begin();
  for (const std::uint32_t e : entries) {
    const std::uint32_t b = cursor.block_of(e);
    while (block != blocks.end() && *block < b) ++block;
    if (block == blocks.end()) break;
    if (*block == b) out.push_back(e);
  }
  return out;
}

// The blocks of `entries` (in order, each once).
List blocks_of(const List& entries, const WordTable& table) {
  List out;
  BlockCursor cursor(table);
  for (const std::uint32_t e : entries) {
    const std::uint32_t b = cursor.block_of(e);
    if (out.empty() || out.back() != b) out.push_back(b);
  }
  return out;
}

}  // namespace

std::vector<std::uint32_t> Candidates::unsettled(const WordTable& table) const {
  return joined(blocks_of(uncertain, table), blocks);
}

std::vector<std::uint32_t> Candidates::all_entries() const { return joined(certain, uncertain); }

std::vector<std::uint32_t> Candidates::all_blocks(const WordTable& table) const {
  return joined(blocks_of(all_entries(), table), blocks);
}

std::uint64_t Candidates::certain_outside(const std::vector<std::uint32_t>& read, const WordTable& table) const {
  return certain.size() - in_blocks(certain, read, table).size();
}

std::vector<BlockLines> lines_to_read(const List& read, const List& whole, const List& visit, const WordTable& table) {
  // One line in this many of a block, or fewer, is read one by one.
  constexpr std::uint32_t kSparse = 8;
  std::vector<BlockLines> out;
  out.reserve(read.size());
  auto w = whole.begin();
  auto e = visit.begin();
  for (const std::uint32_t b : read) {
    BlockLines lines;
    lines.block = b;
    const std::uint32_t first = table.first_entry[b];
    const std::uint32_t last = b + 1 < table.first_entry.size() ? table.first_entry[b + 1] : table.entries;
    lines.entries = last - first;
    while (w != whole.end() && *w < b) ++w;
    const bool listed_whole = w != whole.end() && *w == b;
    e = std::lower_bound(e, visit.end(), first);
    for (; e != visit.end() && *e < last; ++e)
      if (!listed_whole) lines.wanted.push_back(*e - first);
    if (lines.wanted.size() > lines.entries / kSparse) lines.wanted.clear();
    out.push_back(std::move(lines));
  }
  return out;
}

Candidates both(const Candidates& a, const Candidates& b, const WordTable& table) {
  Candidates out;
  out.certain = common(a.certain, b.certain);
  const List a_entries = joined(a.certain, a.uncertain);
  const List b_entries = joined(b.certain, b.uncertain);
  List may = common(a_entries, b_entries);
  may = joined(may, in_blocks(a_entries, b.blocks, table));
  may = joined(may, in_blocks(b_entries, a.blocks, table));
  out.uncertain = without(may, out.certain);
  out.blocks = common(a.blocks, b.blocks);
  return out;
}

}  // namespace korvint::search::index
