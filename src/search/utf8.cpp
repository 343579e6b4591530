#include "search/utf8.h"

namespace korvint::search {

bool is_valid_utf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();
  while (p != end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;   // no overlong forms
      if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (std::size_t i = 2; i < length; ++i)
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    p += length;
  }
  return true;
}

std::size_t decode_utf8(const char* p, const char* end, char32_t& point) {
  const auto lead = static_cast<unsigned char>(*p);
  const std::size_t length = utf8_sequence_length(lead);
  if (length == 1 || static_cast<std::size_t>(end - p) < length ||
      !is_valid_utf8(std::string_view(p, length))) {
    point = lead < 0x80 ? lead : 0xFFFD;
    return 1;
  }
  point = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) point = (point << 6) | (static_cast<unsigned char>(p[i]) & 0x3F);
  return length;
}

}  // namespace korvint::search
