#include "search/name_order.h"

#include "platform/case_folding.h"
#include "search/text_match.h"

namespace korvint::search {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int sign(std::ptrdiff_t value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

}  // namespace

void append_sort_key(std::string_view utf8, std::string& out) {
  thread_local std::string without_marks;
  thread_local std::string with_marks;
  platform::fold_for_search(utf8, without_marks, platform::Marks::Drop);
  platform::fold_for_search(utf8, with_marks, platform::Marks::Keep);
  out += without_marks;
  if (with_marks != without_marks) {
    out += '\0';
    out += with_marks;
  }
}

int compare_natural(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  int zeros = 0;  // of equal numbers, the one with fewer leading zeros first
  while (i < a.size() && j < b.size()) {
    if (is_digit(a[i]) && is_digit(b[j])) {
      const std::size_t a_start = i;
      const std::size_t b_start = j;
      while (i < a.size() && a[i] == '0') ++i;
      while (j < b.size() && b[j] == '0') ++j;
      const std::size_t a_value = i;
      const std::size_t b_value = j;
      while (i < a.size() && is_digit(a[i])) ++i;
      while (j < b.size() && is_digit(b[j])) ++j;
      if (i - a_value != j - b_value) return i - a_value < j - b_value ? -1 : 1;
      const int digits = a.substr(a_value, i - a_value).compare(b.substr(b_value, j - b_value));
      if (digits != 0) return digits < 0 ? -1 : 1;
      if (zeros == 0)
        zeros = sign(static_cast<std::ptrdiff_t>(a_value - a_start) - static_cast<std::ptrdiff_t>(b_value - b_start));
      continue;
    }
    const auto x = static_cast<unsigned char>(ascii_lower(a[i]));
    const auto y = static_cast<unsigned char>(ascii_lower(b[j]));
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return zeros;
}

}  // namespace korvint::search
