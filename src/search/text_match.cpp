#include "search/text_match.h"

#include <cstring>

#include "search/utf8.h"

namespace korvint::search {

bool contains_caseless(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  if (text.size() < needle.size()) return false;
  const char first = needle[0];
  const char first_upper = first >= 'a' && first <= 'z' ? static_cast<char>(first - 32) : first;
  const std::size_t last = text.size() - needle.size();
  for (std::size_t i = 0; i <= last; ++i) {
    if (text[i] != first && text[i] != first_upper) continue;
    std::size_t k = 1;
    while (k < needle.size() && ascii_lower(text[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

bool equals_caseless(std::string_view text, std::string_view other) {
  if (text.size() != other.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (ascii_lower(text[i]) != ascii_lower(other[i])) return false;
  return true;
}

bool wildcard_match(std::string_view text, std::string_view pattern) {
  // Greedy matching with one backtrack point: the last "*" seen and where its
  // run began. Linear in practice, never exponential.
  std::size_t t = 0, p = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == '?') {
      t += utf8_sequence_length(static_cast<unsigned char>(text[t]));
      ++p;
    } else if (p < pattern.size() && ascii_lower(text[t]) == pattern[p]) {
      ++t;
      ++p;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      resume += utf8_sequence_length(static_cast<unsigned char>(text[resume]));
      t = resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size() && t == text.size();
}

}  // namespace korvint::search
