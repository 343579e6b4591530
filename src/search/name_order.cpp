#include "search/name_order.h"

#include <cstring>

#include "platform/case_folding.h"
#include "platform/per_thread.h"
#include "search/text_match.h"

namespace korvint::search {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int sign(std::ptrdiff_t value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

}  // namespace

void append_sort_key(std::string_view utf8, std::string& out) {
  thread_local platform::PerThread<std::string> without_marks_slot;
  std::string& without_marks = without_marks_slot.get();
  thread_local platform::PerThread<std::string> with_marks_slot;
  std::string& with_marks = with_marks_slot.get();
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
  for (;;) {
    // The same bytes without ASCII case, digits among them, as fast as it
    // goes: names often share a long beginning written alike.
    const std::size_t from = i;
    while (i + 8 <= a.size() && j + 8 <= b.size() && std::memcmp(a.data() + i, b.data() + j, 8) == 0) {
      i += 8;
      j += 8;
    }
    while (i < a.size() && j < b.size() && (a[i] == b[j] || ascii_lower(a[i]) == ascii_lower(b[j]))) {
      ++i;
      ++j;
    }
    const bool a_digit = i < a.size() && is_digit(a[i]);
    const bool b_digit = j < b.size() && is_digit(b[j]);
    // Where the texts part inside a number, the numbers decide: from the
    // start of the digits both share.
    std::size_t shared = 0;
    while (i - shared > from && is_digit(a[i - shared - 1])) ++shared;
    if (!(a_digit && b_digit) && !(shared > 0 && (a_digit || b_digit))) {
      if (i < a.size() && j < b.size()) {
        const auto x = static_cast<unsigned char>(ascii_lower(a[i]));
        const auto y = static_cast<unsigned char>(ascii_lower(b[j]));
        return x < y ? -1 : 1;
      }
      if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
      return zeros;
    }
    i -= shared;
    j -= shared;
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
  }
}

}  // namespace korvint::search
