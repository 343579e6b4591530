#pragma once
// Sorted lists of distinct numbers (blocks, entries of an index) joined,
// met and taken apart, as the index's planners combine them.

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

namespace korvint::search::index {

using SortedList = std::vector<std::uint32_t>;

/// The numbers in `a` or `b`.
inline SortedList joined(const SortedList& a, const SortedList& b) {
  SortedList out;
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

/// The numbers in both `a` and `b`.
inline SortedList common(const SortedList& a, const SortedList& b) {
  SortedList out;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

/// The numbers of `a` not in `b`.
inline SortedList without(const SortedList& a, const SortedList& b) {
  SortedList out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

}  // namespace korvint::search::index
