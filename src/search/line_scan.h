#pragma once
// Walks the lines of a span of text by their LF bytes, 64 bytes at a step.

#include <string.h>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvint::search {

/// The position of the last `byte` in [begin, end), or nullptr.
inline const char* find_last_byte(const char* begin, const char* end, char byte) {
#if defined(__GLIBC__)
  return static_cast<const char*>(::memrchr(begin, byte, static_cast<std::size_t>(end - begin)));
#else
  while (end != begin) {
    --end;
    if (*end == byte) return end;
  }
  return nullptr;
#endif
}

/// Calls `on_line(start, lf)` for each line of [begin, end), `lf` pointing at
/// its LF; a last line without one comes as `on_line(start, nullptr)`. Stops
/// early when `on_line` returns false.
template <typename OnLine>
void for_each_line(const char* begin, const char* end, OnLine on_line) {
  const char* start = begin;
  const char* p = begin;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  while (end - p >= 64) {
    auto lanes = [&](int at) {
      return static_cast<unsigned long long>(static_cast<unsigned>(
          _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), lf))));
    };
    unsigned long long mask = lanes(0) | lanes(16) << 16 | lanes(32) << 32 | lanes(48) << 48;
    while (mask != 0) {
      const char* at = p + __builtin_ctzll(mask);
      if (!on_line(start, at)) return;
      start = at + 1;
      mask &= mask - 1;
    }
    p += 64;
  }
#endif
  while (p < end) {
    const auto* at = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (at == nullptr) break;
    if (!on_line(start, at)) return;
    start = p = at + 1;
  }
  if (start < end) on_line(start, nullptr);
}

}  // namespace korvint::search
