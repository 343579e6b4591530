#pragma once
// Comparing a name with a needle, both case-folded: ASCII letters compare
// without case (a raw ASCII name needs no folding), every other byte exactly.

#include <string_view>

namespace korvint::search {

/// ASCII lowercase of `c`; other bytes unchanged.
inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

/// True when `text` contains `needle` (`needle` already in ASCII lowercase).
bool contains_caseless(std::string_view text, std::string_view needle);

/// True when `text` equals `other`, ASCII letters compared without case.
bool equals_caseless(std::string_view text, std::string_view other);

/// True when the whole of `text` matches `pattern` (ASCII lowercase), where "*"
/// stands for any run of characters and "?" for one character (one UTF-8 sequence).
bool wildcard_match(std::string_view text, std::string_view pattern);

}  // namespace korvint::search
