#include "search/candidate_finder.h"

#include <algorithm>
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

// What the scans compare: at each possible needle start, its two rare bytes at
// their offsets (made lowercase by the masks), the high bit, and the stop byte.
struct ScanBytes {
  std::size_t offset1, offset2;
  unsigned char byte1, byte2, mask1, mask2, stop;
};

#if defined(KORVINT_AVX2_DISPATCH)
// The scan 32 bytes at a step, on processors that have AVX2 (chosen at run
// time: the program itself is built for any x86-64).
bool has_avx2() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}

template <bool kStop>
__attribute__((target("avx2"))) inline unsigned scan_step(const char* at, const ScanBytes& s, __m256i b1, __m256i b2,
                                                          __m256i m1, __m256i m2, __m256i stop) {
  const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i x = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + s.offset1)), m1);
  const __m256i y = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + s.offset2)), m2);
  __m256i hits = _mm256_or_si256(_mm256_and_si256(_mm256_cmpeq_epi8(x, b1), _mm256_cmpeq_epi8(y, b2)), here);
  if constexpr (kStop) hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(here, stop));
  return static_cast<unsigned>(_mm256_movemask_epi8(hits));
}

// Moves `p` to the first candidate, or as far as whole steps go.
template <bool kStop>
__attribute__((target("avx2"))) bool scan_avx2(const char*& p, const char* end, const ScanBytes& s) {
  const std::size_t reach = std::max(s.offset1, s.offset2);
  const __m256i b1 = _mm256_set1_epi8(static_cast<char>(s.byte1));
  const __m256i b2 = _mm256_set1_epi8(static_cast<char>(s.byte2));
  const __m256i m1 = _mm256_set1_epi8(static_cast<char>(s.mask1));
  const __m256i m2 = _mm256_set1_epi8(static_cast<char>(s.mask2));
  const __m256i stop = _mm256_set1_epi8(static_cast<char>(s.stop));
  const char* at = p;
  while (static_cast<std::size_t>(end - at) >= 64 + reach) {
    const unsigned low = scan_step<kStop>(at, s, b1, b2, m1, m2, stop);
    const unsigned high = scan_step<kStop>(at + 32, s, b1, b2, m1, m2, stop);
    if ((low | high) != 0) {
      p = at + (low != 0 ? ctz(low) : 32 + ctz(high));
      return true;
    }
    at += 64;
  }
  p = at;
  return false;
}
#endif

#if defined(__SSE2__)
// The same 16 bytes at a step, on any x86-64.
bool scan_sse2(const char*& p, const char* end, const ScanBytes& s) {
  const std::size_t reach = std::max(s.offset1, s.offset2);
  const __m128i b1 = _mm_set1_epi8(static_cast<char>(s.byte1));
  const __m128i b2 = _mm_set1_epi8(static_cast<char>(s.byte2));
  const __m128i m1 = _mm_set1_epi8(static_cast<char>(s.mask1));
  const __m128i m2 = _mm_set1_epi8(static_cast<char>(s.mask2));
  const __m128i stop = _mm_set1_epi8(static_cast<char>(s.stop != 0 ? s.stop : 0x80));
  const char* at = p;
  while (static_cast<std::size_t>(end - at) >= 16 + reach) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i x = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + s.offset1)), m1);
    const __m128i y = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + s.offset2)), m2);
    const __m128i pair = _mm_and_si128(_mm_cmpeq_epi8(x, b1), _mm_cmpeq_epi8(y, b2));
    const __m128i hits = _mm_or_si128(_mm_or_si128(pair, here), _mm_cmpeq_epi8(here, stop));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) {
      p = at + ctz(mask);
      return true;
    }
    at += 16;
  }
  p = at;
  return false;
}
#endif

}  // namespace

int CandidateFinder::rarity(std::string_view needle) {
  int best = 256;
  for (const char c : needle) best = std::min(best, frequency(static_cast<unsigned char>(c)));
  return best;
}

CandidateFinder::CandidateFinder(std::string_view needle, char stop) {
  stop_ = static_cast<unsigned char>(stop);
  needle_ = std::string(needle);
  if (needle.empty() && stop_ == 0) return;
  mode_ = Mode::Scan;
  ascii_ = std::none_of(needle.begin(), needle.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  byte1_ = byte2_ = 0x80;  // no pair: only high bytes (and the stop byte)
  if (!ascii_ || needle.empty()) return;
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

const char* CandidateFinder::find(const char* p, const char* end) const {
  if (mode_ == Mode::EveryLine) return p;
  const ScanBytes s{offset1_, offset2_, byte1_, byte2_, mask1_, mask2_, stop_};
#if defined(KORVINT_AVX2_DISPATCH)
  if (has_avx2()) {
    if (stop_ != 0 ? scan_avx2<true>(p, end, s) : scan_avx2<false>(p, end, s)) return p;
  }
#endif
#if defined(__SSE2__)
  if (scan_sse2(p, end, s)) return p;
#endif
  // The tail, where the needle's bytes would reach past the end.
  const std::size_t reach = std::max(offset1_, offset2_);
  for (; p != end; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c >= 0x80 || (stop_ != 0 && c == stop_)) return p;
    if (static_cast<std::size_t>(end - p) > reach &&
        (static_cast<unsigned char>(p[offset1_]) | mask1_) == byte1_ &&
        (static_cast<unsigned char>(p[offset2_]) | mask2_) == byte2_)
      return p;
  }
  return end;
}

}  // namespace korvint::search
