#include "search/duplicate_order.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "platform/large_memory.h"

namespace korvint::search {
namespace {

constexpr std::uint64_t kIndexBits = 0xFFFFFFFF;  // a member's lower half: its file's index

// A bit a file, and how many bits are set before each word of 64: which
// group a file belongs to, in constant time, where group starts are set.
class Bits {
 public:
  explicit Bits(std::size_t size) : words_((size + 63) / 64) {}
  void set(std::size_t i) { words_[i / 64] |= std::uint64_t{1} << (i % 64); }
  [[nodiscard]] bool test(std::size_t i) const { return (words_[i / 64] >> (i % 64) & 1) != 0; }
  void clear() { std::fill(words_.begin(), words_.end(), 0); }
  /// The first bit set after `i`, or `end` when there is none before it.
  [[nodiscard]] std::size_t next(std::size_t i, std::size_t end) const {
    std::size_t w = (i + 1) / 64;
    std::uint64_t word = w < words_.size() ? words_[w] & (~std::uint64_t{0} << ((i + 1) % 64)) : 0;
    while (word == 0 && ++w < words_.size()) word = words_[w];
    return word == 0 ? end : std::min(end, w * 64 + static_cast<std::size_t>(std::countr_zero(word)));
  }
  /// Counts the bits before each word; rank() reads those counts.
  void count() {
    before_.resize(words_.size());
    std::uint32_t total = 0;
    for (std::size_t w = 0; w < words_.size(); ++w) {
      before_[w] = total;
      total += static_cast<std::uint32_t>(std::popcount(words_[w]));
    }
  }
  /// The bits set at or before `i`, once counted.
  [[nodiscard]] std::size_t rank(std::size_t i) const {
    return before_[i / 64] + static_cast<std::size_t>(std::popcount(words_[i / 64] & (~std::uint64_t{0} >> (63 - i % 64))));
  }

 private:
  std::vector<std::uint64_t> words_;
  std::vector<std::uint32_t> before_;
};

// A group while the groups are ordered: what it wastes and its first file
// among the grouped files, in 12 bytes (its number of files is where the
// next group starts).
struct Order {
  std::uint32_t wasted_high = 0;
  std::uint32_t wasted_low = 0;
  std::uint32_t start = 0;
  [[nodiscard]] std::uint64_t wasted() const { return std::uint64_t{wasted_high} << 32 | wasted_low; }
};
static_assert(sizeof(Order) == 12);

}  // namespace

std::vector<std::uint32_t> place_duplicate_groups(HitStore& hits, std::vector<std::uint64_t>& members) {
  // The members of lone files dropped; each kept member made its index
  // above its place, group after group (each in search order), and the
  // place where each group starts marked.
  const auto group_end = [&](std::size_t i) {
    std::size_t j = i + 1;
    while (j < members.size() && members[j] >> 32 == members[i] >> 32) ++j;
    return j;
  };
  Bits starts(members.size());
  std::size_t kept = 0;
  std::size_t group_count = 0;
  for (std::size_t i = 0; i < members.size();) {
    const std::size_t j = group_end(i);
    if (j - i >= 2) {
      starts.set(kept);
      ++group_count;
      for (std::size_t k = i; k < j; ++k, ++kept) members[kept] = (members[k] & kIndexBits) << 32 | kept;
    }
    i = j;
  }
  members.resize(kept);

  // The files of the groups gathered at the front of the hits (in search
  // order: each moves to its own place or before it), the rest let go, then
  // put group after group where they stand: no second copy of the hits.
  std::sort(members.begin(), members.end());
  for (std::size_t k = 0; k < members.size(); ++k) {
    hits.at(k) = hits[members[k] >> 32];
    members[k] &= kIndexBits;
  }
  hits.pop_back(hits.size() - members.size());
  for (std::size_t k = 0; k < members.size(); ++k) {
    // Each cycle of the placement followed once: every step puts one file where it belongs.
    while (members[k] != k) {
      const std::size_t to = members[k];
      std::swap(hits.at(k), hits.at(to));
      std::swap(members[k], members[to]);
    }
  }
  std::vector<std::uint64_t>().swap(members);  // (the groups' records take its room)

  // Each group's record, read from its files where they now stand, and
  // the records put in the groups' order.
  const auto group_stop = [&](std::size_t start) { return starts.next(start, hits.size()); };
  std::vector<Order> orders;
  orders.reserve(group_count);  // (grown, it would hold twice its size for a moment)
  platform::prefer_large_pages(orders.data(), group_count * sizeof(Order));
  for (std::size_t i = 0; i < hits.size();) {
    const std::size_t j = group_stop(i);
    std::uint64_t largest = 0;
    std::uint64_t bytes = 0;
    for (std::size_t k = i; k < j; ++k) {
      largest = std::max(largest, hits[k].size);
      bytes += hits[k].size;
    }
    const std::uint64_t wasted = bytes - largest;
    orders.push_back(Order{static_cast<std::uint32_t>(wasted >> 32), static_cast<std::uint32_t>(wasted),
                           static_cast<std::uint32_t>(i)});
    i = j;
  }
  // Most wasted first, then more copies, then the group whose first file comes first.
  std::sort(orders.begin(), orders.end(), [&](const Order& a, const Order& b) {
    if (a.wasted() != b.wasted()) return a.wasted() > b.wasted();
    const std::size_t a_count = group_stop(a.start) - a.start;
    const std::size_t b_count = group_stop(b.start) - b.start;
    if (a_count != b_count) return a_count > b_count;
    return a.start < b.start;  // the groups stand by their first files
  });
  // How far each group moves, by its number in the order the groups stand
  // in (the number of starts up to its first file), then how far each file
  // moves (in the records' room, once they are let go).
  starts.count();
  std::vector<std::uint32_t> group_moves(group_count);
  std::size_t place = 0;
  for (const Order& order : orders) {
    group_moves[starts.rank(order.start) - 1] = static_cast<std::uint32_t>(place - order.start);  // (modulo 2^32)
    place += group_stop(order.start) - order.start;
  }
  std::vector<Order>().swap(orders);
  // Where each group starts in the result, marked.
  Bits placed(hits.size());
  std::vector<std::uint32_t> moves(hits.size());
  for (std::size_t i = 0, g = 0; i < hits.size(); ++g) {
    const std::size_t end = group_stop(i);
    placed.set(static_cast<std::uint32_t>(i + group_moves[g]));
    std::fill(moves.begin() + static_cast<std::ptrdiff_t>(i), moves.begin() + static_cast<std::ptrdiff_t>(end), group_moves[g]);
    i = end;
  }
  std::vector<std::uint32_t>().swap(group_moves);
  // Each cycle of this placement followed once too: a file's move is made
  // 0 once it stands in its place, so a cycle's next file and whether a
  // file is placed are read together.
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (moves[i] == 0) continue;
    Hit carried = hits[i];
    std::size_t to = static_cast<std::uint32_t>(i + moves[i]);
    moves[i] = 0;
    while (to != i) {
      std::swap(carried, hits.at(to));
      const std::size_t next = static_cast<std::uint32_t>(to + moves[to]);
      moves[to] = 0;
      to = next;
    }
    hits.at(i) = carried;
  }
  std::vector<std::uint32_t>().swap(moves);
  std::vector<std::uint32_t> result;
  result.reserve(group_count);
  for (std::size_t i = 0; i < hits.size(); ++i)
    if (placed.test(i)) result.push_back(static_cast<std::uint32_t>(i));
  return result;
}

}  // namespace korvint::search
