#pragma once
// Sorted lists of distinct numbers (blocks, entries of an index) joined,
// met and taken apart, as the index's planners combine them. Each result is
// given its largest size before it is written: growing it an element at a
// time copies it over and over, and every larger copy is fresh memory the
// system must map page by page (on some virtual machines a page fault costs
// tens of microseconds, more than the join itself).

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

namespace korvint::search::index {

using SortedList = std::vector<std::uint32_t>;

/// The numbers in `a` or `b`.
inline SortedList joined(const SortedList& a, const SortedList& b) {
  SortedList out;
  out.reserve(a.size() + b.size());
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

/// The numbers in both `a` and `b`.
inline SortedList common(const SortedList& a, const SortedList& b) {
  SortedList out;
  out.reserve(std::min(a.size(), b.size()));
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

/// The numbers of `a` not in `b`.
inline SortedList without(const SortedList& a, const SortedList& b) {
  SortedList out;
  out.reserve(a.size());
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

/// Adds the numbers of `more` to `into`; `scratch` is working space kept
/// between calls, so a list joined with many others is not made anew each time.
inline void join_into(SortedList& into, const SortedList& more, SortedList& scratch) {
  scratch.clear();
  scratch.reserve(into.size() + more.size());
  std::set_union(into.begin(), into.end(), more.begin(), more.end(), std::back_inserter(scratch));
  into.swap(scratch);
}

}  // namespace korvint::search::index
