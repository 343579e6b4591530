#pragma once
// The few UTF-8 facts the search needs.

#include <cstddef>
#include <string_view>

namespace korvint::search {

/// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or
/// code points above U+10FFFF).
bool is_valid_utf8(std::string_view text);

/// The length of the UTF-8 sequence that starts with `lead`, 1 for a byte that
/// starts none (so a walk over damaged text always moves on).
inline std::size_t utf8_sequence_length(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return lead < 0xF8 ? 4 : 1;
}

/// Decodes the code point at `p` (before `end`) into `point` and returns its
/// length; a malformed sequence gives U+FFFD and length 1.
std::size_t decode_utf8(const char* p, const char* end, char32_t& point);

}  // namespace korvint::search
