#include "search/text_match.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "platform/per_thread.h"
#include "search/utf8.h"

namespace korvint::search {

bool equals_caseless(std::string_view text, std::string_view other) {
  if (text.size() != other.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (ascii_lower(text[i]) != ascii_lower(other[i])) return false;
  return true;
}

namespace {

// Wildcard patterns are matched a "*"-free segment at a time: the first
// segment at the name's start, the last at its end, each one between at the
// leftmost place after the one before. Every segment has one length, so the
// leftmost place is the right one and no segment is ever tried again: with a
// linear search for each segment, the whole match is linear in the name's
// length (and in the pattern's).
//
// The text is compared byte by byte (ASCII letters in lower case), or where
// the pattern holds a "?", unit by unit: a unit is a whole UTF-8 sequence,
// packed into a number, and "?" matches any one.

using Unit = std::uint64_t;
constexpr Unit kAnyUnit = ~Unit{0};  // "?"

template <typename T>
using Text = std::span<const T>;

bool same(char text, char pattern) { return ascii_lower(text) == pattern; }
bool same(Unit text, Unit pattern) { return pattern == kAnyUnit || pattern == text; }
bool is_star(char c) { return c == '*'; }
bool is_star(Unit u) { return u == static_cast<Unit>('*'); }

// Splits `text` into units; with `wildcards` a "?" becomes kAnyUnit.
void to_units(std::string_view text, bool wildcards, std::vector<Unit>& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = std::min(utf8_sequence_length(static_cast<unsigned char>(text[i])), text.size() - i);
    if (wildcards && text[i] == '?') {
      out.push_back(kAnyUnit);
    } else if (length == 1) {
      out.push_back(static_cast<unsigned char>(ascii_lower(text[i])));
    } else {
      Unit packed = Unit{1} << 40;
      for (std::size_t k = 0; k < length; ++k) packed |= Unit{static_cast<unsigned char>(text[i + k])} << (8 * k);
      out.push_back(packed);
    }
    i += length;
  }
}

// True when `segment` matches `text` at `at` (room for it assumed).
template <typename T>
bool matches_at(Text<T> text, std::size_t at, Text<T> segment) {
  for (std::size_t k = 0; k < segment.size(); ++k)
    if (!same(text[at + k], segment[k])) return false;
  return true;
}

// The leftmost place from `from` on where `segment` (without "?") matches, by
// Knuth, Morris and Pratt: each unit of text is passed once. npos when none.
template <typename T>
std::size_t find_literal(Text<T> text, std::size_t from, Text<T> segment) {
  thread_local platform::PerThread<std::vector<std::size_t>> border_slot;
  std::vector<std::size_t>& border = border_slot.get();
  border.assign(segment.size() + 1, 0);
  for (std::size_t i = 1, k = 0; i < segment.size(); ++i) {
    while (k > 0 && segment[i] != segment[k]) k = border[k];
    if (segment[i] == segment[k]) ++k;
    border[i + 1] = k;
  }
  for (std::size_t i = from, k = 0; i < text.size(); ++i) {
    while (k > 0 && !same(text[i], segment[k])) k = border[k];
    if (same(text[i], segment[k])) ++k;
    if (k == segment.size()) return i + 1 - segment.size();
  }
  return std::string_view::npos;
}

// The same for a segment with "?": the bit-parallel shift-and search, one bit
// for each unit of the segment, 64 to a word.
std::size_t find_with_any(Text<Unit> text, std::size_t from, Text<Unit> segment) {
  const std::size_t words = (segment.size() + 63) / 64;
  // For each unit of the segment, the bit that says where it stands.
  std::vector<std::uint64_t> any(words, 0);
  std::vector<std::pair<Unit, std::vector<std::uint64_t>>> literals;
  for (std::size_t k = 0; k < segment.size(); ++k) {
    const std::uint64_t bit = std::uint64_t{1} << (k % 64);
    if (segment[k] == kAnyUnit) {
      any[k / 64] |= bit;
      continue;
    }
    auto it = std::find_if(literals.begin(), literals.end(), [&](const auto& l) { return l.first == segment[k]; });
    if (it == literals.end()) it = literals.insert(literals.end(), {segment[k], std::vector<std::uint64_t>(words, 0)});
    it->second[k / 64] |= bit;
  }
  std::vector<std::uint64_t> state(words, 0);
  const std::uint64_t last = std::uint64_t{1} << ((segment.size() - 1) % 64);
  for (std::size_t i = from; i < text.size(); ++i) {
    const auto it = std::find_if(literals.begin(), literals.end(), [&](const auto& l) { return l.first == text[i]; });
    std::uint64_t carry = 1;  // a match may start at every unit
    for (std::size_t w = 0; w < words; ++w) {
      const std::uint64_t next_carry = state[w] >> 63;
      state[w] = ((state[w] << 1) | carry) & (any[w] | (it == literals.end() ? 0 : it->second[w]));
      carry = next_carry;
    }
    if ((state[words - 1] & last) != 0) return i + 1 - segment.size();
  }
  return std::string_view::npos;
}

}  // namespace

bool contains_caseless(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  if (text.size() < needle.size()) return false;
  const char first = needle[0];
  const char first_upper = first >= 'a' && first <= 'z' ? static_cast<char>(first - 32) : first;
  const std::size_t last = text.size() - needle.size();
  // Comparing at each place where the first letter stands is fastest for the
  // names people have; a name and word made to repeat themselves ("aaaa…b")
  // would make it quadratic, so past a budget of comparisons the rest of the
  // name is searched in linear time.
  std::size_t budget = 4 * text.size() + 64;
  for (std::size_t i = 0; i <= last; ++i) {
    if (text[i] != first && text[i] != first_upper) continue;
    std::size_t k = 1;
    while (k < needle.size() && ascii_lower(text[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return true;
    if (k > budget) return find_literal(Text<char>(text.data(), text.size()), i + 1,
                                        Text<char>(needle.data(), needle.size())) != std::string_view::npos;
    budget -= k;
  }
  return false;
}

namespace {

std::size_t find_segment(Text<char> text, std::size_t from, Text<char> segment) {
  return find_literal(text, from, segment);
}

std::size_t find_segment(Text<Unit> text, std::size_t from, Text<Unit> segment) {
  return std::find(segment.begin(), segment.end(), kAnyUnit) == segment.end() ? find_literal(text, from, segment)
                                                                               : find_with_any(text, from, segment);
}

template <typename T>
bool match_segments(Text<T> text, Text<T> pattern) {
  const auto star = std::find_if(pattern.begin(), pattern.end(), [](T c) { return is_star(c); });
  if (star == pattern.end()) return text.size() == pattern.size() && matches_at(text, 0, pattern);
  const auto last_star = std::find_if(pattern.rbegin(), pattern.rend(), [](T c) { return is_star(c); }).base() - 1;
  const Text<T> first = pattern.first(static_cast<std::size_t>(star - pattern.begin()));
  const Text<T> last = pattern.subspan(static_cast<std::size_t>(last_star - pattern.begin()) + 1);
  if (text.size() < first.size() + last.size() || !matches_at(text, 0, first) ||
      !matches_at(text, text.size() - last.size(), last))
    return false;
  const Text<T> between = text.first(text.size() - last.size());
  std::size_t at = first.size();
  for (auto start = star + 1; start < last_star;) {
    const auto end = std::find_if(start, last_star, [](T c) { return is_star(c); });
    const Text<T> segment(start, end);
    if (!segment.empty()) {
      const std::size_t found = find_segment(between, at, segment);
      if (found == std::string_view::npos) return false;
      at = found + segment.size();
    }
    start = end + 1;
  }
  return true;
}

}  // namespace

bool wildcard_match(std::string_view text, std::string_view pattern) {
  if (pattern.find('?') == std::string_view::npos)
    return match_segments(Text<char>(text.data(), text.size()), Text<char>(pattern.data(), pattern.size()));
  thread_local platform::PerThread<std::vector<Unit>> text_units_slot;
  thread_local platform::PerThread<std::vector<Unit>> pattern_units_slot;
  std::vector<Unit>& text_units = text_units_slot.get();
  std::vector<Unit>& pattern_units = pattern_units_slot.get();
  to_units(text, false, text_units);
  to_units(pattern, true, pattern_units);
  return match_segments(Text<Unit>(text_units), Text<Unit>(pattern_units));
}

}  // namespace korvint::search
