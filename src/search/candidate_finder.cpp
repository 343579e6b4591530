#include "search/candidate_finder.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#include <immintrin.h>
#define KORVINT_AVX2_DISPATCH 1
#endif

namespace korvint::search {
namespace {

// How common a byte is in catalogue lines, higher is more common: digits and
// the field punctuation fill every line, then letters by their frequency in
// names, then the punctuation names use.
int frequency(unsigned char c) {
  if (c == '\t' || c == ' ' || c == '.' || c == ':' || c == '\r' || c == '\n') return 255;
  if (c >= '0' && c <= '9') return 240;
  if (c >= 'a' && c <= 'z') {
    static constexpr std::string_view kLetters = "etaoisrnlcdpmuhgbfykwvxjqz";
    return 220 - 6 * static_cast<int>(kLetters.find(static_cast<char>(c)));
  }
  if (c == '_' || c == '-') return 160;
  if (c >= 0x80) return 100;
  return 40;
}

bool is_letter(unsigned char c) { return c >= 'a' && c <= 'z'; }

int ctz(unsigned mask) { return __builtin_ctz(mask); }

#if defined(KORVINT_AVX2_DISPATCH)
// The same scans 32 bytes at a step, on processors that have AVX2 (chosen at
// run time: the program itself is built for any x86-64).
bool has_avx2() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}

// Moves `p` to the first high byte, or as far as whole 128-byte steps go.
__attribute__((target("avx2"))) bool high_byte_avx2(const char*& p, const char* end) {
  while (end - p >= 128) {
    const auto* v = reinterpret_cast<const __m256i*>(p);
    const __m256i any = _mm256_or_si256(_mm256_or_si256(_mm256_loadu_si256(v), _mm256_loadu_si256(v + 1)),
                                        _mm256_or_si256(_mm256_loadu_si256(v + 2), _mm256_loadu_si256(v + 3)));
    if (_mm256_movemask_epi8(any) != 0) break;
    p += 128;
  }
  while (end - p >= 32) {
    const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))));
    if (mask != 0) {
      p += ctz(mask);
      return true;
    }
    p += 32;
  }
  return false;
}

// The candidates among the 32 needle starts at `at`: the pair, or a high byte.
__attribute__((target("avx2"))) inline unsigned pair_step(const char* at, std::size_t offset1, std::size_t offset2,
                                                          __m256i b1, __m256i b2, __m256i m1, __m256i m2) {
  const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i x = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + offset1)), m1);
  const __m256i y = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + offset2)), m2);
  const __m256i pair = _mm256_and_si256(_mm256_cmpeq_epi8(x, b1), _mm256_cmpeq_epi8(y, b2));
  return static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(pair, here)));
}

// Moves `p` to the first candidate of the byte pair, or as far as whole steps go.
__attribute__((target("avx2"))) bool pair_avx2(const char*& p, const char* end, std::size_t offset1,
                                               std::size_t offset2, unsigned char byte1, unsigned char byte2,
                                               unsigned char mask1, unsigned char mask2) {
  const std::size_t reach = offset1 > offset2 ? offset1 : offset2;
  const __m256i b1 = _mm256_set1_epi8(static_cast<char>(byte1));
  const __m256i b2 = _mm256_set1_epi8(static_cast<char>(byte2));
  const __m256i m1 = _mm256_set1_epi8(static_cast<char>(mask1));
  const __m256i m2 = _mm256_set1_epi8(static_cast<char>(mask2));
  while (static_cast<std::size_t>(end - p) >= 64 + reach) {
    const unsigned low = pair_step(p, offset1, offset2, b1, b2, m1, m2);
    const unsigned high = pair_step(p + 32, offset1, offset2, b1, b2, m1, m2);
    if ((low | high) != 0) {
      p += low != 0 ? ctz(low) : 32 + ctz(high);
      return true;
    }
    p += 64;
  }
  return false;
}
#endif

}  // namespace

int CandidateFinder::rarity(std::string_view needle) {
  int best = 256;
  for (const char c : needle) best = std::min(best, frequency(static_cast<unsigned char>(c)));
  return best;
}

CandidateFinder::CandidateFinder(std::string_view needle) {
  if (needle.empty()) return;
  for (const char c : needle) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      mode_ = Mode::HighBytes;
      return;
    }
  }
  mode_ = Mode::AsciiPair;
  length_ = needle.size();
  std::size_t first = 0;
  for (std::size_t i = 1; i < needle.size(); ++i)
    if (frequency(static_cast<unsigned char>(needle[i])) < frequency(static_cast<unsigned char>(needle[first])))
      first = i;
  std::size_t second = first;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if (i == first) continue;
    if (second == first ||
        frequency(static_cast<unsigned char>(needle[i])) < frequency(static_cast<unsigned char>(needle[second])))
      second = i;
  }
  offset1_ = first;
  offset2_ = second;
  byte1_ = static_cast<unsigned char>(needle[first]);
  byte2_ = static_cast<unsigned char>(needle[second]);
  mask1_ = is_letter(byte1_) ? 0x20 : 0;
  mask2_ = is_letter(byte2_) ? 0x20 : 0;
}

const char* CandidateFinder::find(const char* from, const char* end) const {
  switch (mode_) {
    case Mode::EveryLine:
      return from;
    case Mode::HighBytes:
      return find_high_byte(from, end);
    case Mode::AsciiPair:
      break;
  }
  return find_pair(from, end);
}

const char* CandidateFinder::find_high_byte(const char* p, const char* end) const {
#if defined(KORVINT_AVX2_DISPATCH)
  if (has_avx2() && high_byte_avx2(p, end)) return p;
#endif
#if defined(__SSE2__)
  while (end - p >= 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0) break;
    p += 64;
  }
  while (end - p >= 16) {
    const unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
    if (mask != 0) return p + ctz(mask);
    p += 16;
  }
#endif
  for (; p != end; ++p)
    if (static_cast<unsigned char>(*p) >= 0x80) return p;
  return end;
}

const char* CandidateFinder::find_pair(const char* p, const char* end) const {
  const std::size_t reach = offset1_ > offset2_ ? offset1_ : offset2_;
#if defined(KORVINT_AVX2_DISPATCH)
  if (has_avx2() && pair_avx2(p, end, offset1_, offset2_, byte1_, byte2_, mask1_, mask2_)) return p;
#endif
#if defined(__SSE2__)
  const __m128i byte1 = _mm_set1_epi8(static_cast<char>(byte1_));
  const __m128i byte2 = _mm_set1_epi8(static_cast<char>(byte2_));
  const __m128i mask1 = _mm_set1_epi8(static_cast<char>(mask1_));
  const __m128i mask2 = _mm_set1_epi8(static_cast<char>(mask2_));
  // Each step looks at 16 possible needle starts: the two rare bytes at their
  // distance, and the high bit of every byte.
  while (static_cast<std::size_t>(end - p) >= 16 + reach) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i at1 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + offset1_)), mask1);
    const __m128i at2 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + offset2_)), mask2);
    const __m128i pair = _mm_and_si128(_mm_cmpeq_epi8(at1, byte1), _mm_cmpeq_epi8(at2, byte2));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(pair) | _mm_movemask_epi8(here));
    if (mask != 0) return p + ctz(mask);
    p += 16;
  }
#endif
  for (; p != end; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return p;
    if (static_cast<std::size_t>(end - p) >= length_ &&
        (static_cast<unsigned char>(p[offset1_]) | mask1_) == byte1_ &&
        (static_cast<unsigned char>(p[offset2_]) | mask2_) == byte2_)
      return p;
  }
  return end;
}

}  // namespace korvint::search
