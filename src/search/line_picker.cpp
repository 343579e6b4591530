#include "search/line_picker.h"

#include <algorithm>
#include <cstring>

#include "search/line_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvint::search {
namespace {

// From this many wanted lines left in a part, the rest of the part is read at
// once. A read costs a system call, some microseconds (more on a virtual
// machine), while copying a whole block costs about as much again: a read
// for every line or two made a query with many scattered candidates slower
// than the scan. What is saved then is the matching, not the reading: only
// the wanted lines of what is read are looked at.
constexpr std::size_t kLinesForTheRest = 3;

#if defined(__SSE2__)
// The LF bytes of the 64 at `p`, one bit each.
std::uint64_t lf_mask(const char* p) {
  const __m128i lf = _mm_set1_epi8('\n');
  auto lanes = [&](int at) {
    return static_cast<std::uint64_t>(static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), lf))));
  };
  return lanes(0) | lanes(16) << 16 | lanes(32) << 32 | lanes(48) << 48;
}
#endif

// Passes at most `n` line ends of [p, end), counting 64 bytes at a step
// (lines are short: a call a line would cost more); returns the byte after
// the last one passed (`p` when none), and in `n` how many were.
const char* pass_lines(const char* p, const char* end, std::uint64_t& n) {
  std::uint64_t left = n;
  const char* after = p;
#if defined(__SSE2__)
  while (left > 0 && end - p >= 64) {
    // A few line ends in 64 bytes: passed one by one (no popcount instruction is assumed).
    for (std::uint64_t mask = lf_mask(p); mask != 0 && left > 0; mask &= mask - 1, --left)
      after = p + __builtin_ctzll(mask) + 1;
    if (left == 0) break;
    p += 64;
  }
#endif
  while (left > 0 && p < end) {
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (lf == nullptr) break;
    --left;
    after = p = lf + 1;
  }
  n -= left;
  return after;
}

// The `n`th line end of [begin, end) counted back from its end (n >= 1);
// nullptr when there are fewer, and then in `n` how many there are.
const char* nth_line_end_back(const char* begin, const char* end, std::uint64_t& n) {
  std::uint64_t left = n;
  const char* p = end;
#if defined(__SSE2__)
  while (end - begin >= 64 && p - begin >= 64) {
    p -= 64;
    for (std::uint64_t mask = lf_mask(p); mask != 0; mask &= ~(std::uint64_t{1} << (63 - __builtin_clzll(mask))))
      if (--left == 0) return p + (63 - __builtin_clzll(mask));
  }
#endif
  while (left > 0) {
    const char* lf = find_last_byte(begin, p, '\n');
    if (lf == nullptr) break;
    if (--left == 0) return lf;
    p = lf;
  }
  n -= left;
  return nullptr;
}

}  // namespace

LinePicker::LinePicker(const Catalogue& catalogue, const ChunkLines& lines, std::vector<char>& buffer)
    : catalogue_(catalogue), lines_(lines), buffer_(buffer) {
  enter(0);
}

void LinePicker::enter(std::size_t part) {
  part_ = part;
  if (part_ == lines_.parts.size()) return;
  const LinePart& p = lines_.parts[part_];
  chunk_ = p.bytes;
  total_ = p.total;
  wanted_ = &p.wanted;
  at_ = chunk_.begin;
  line_ = 0;
  next_ = 0;
}

std::uint64_t LinePicker::guess(std::uint64_t lines) const {
  const std::uint64_t bytes = chunk_.end - chunk_.begin;
  const std::uint64_t total = std::max<std::uint64_t>(total_, 1);
  return lines * bytes / total + lines * bytes / total / 4 + 512;
}

bool LinePicker::next(Block& block, std::vector<std::size_t>& starts) {
  starts.clear();
  while (part_ < lines_.parts.size() && next_ == wanted_->size()) enter(part_ + 1);
  if (failed_ || part_ == lines_.parts.size()) return false;
  const std::uint32_t want = (*wanted_)[next_];
  if (want < line_ || want >= total_) return fail();
  // From the nearer end: lines before it counted forward, or after it back from the part's end.
  if (want - line_ <= total_ - want) return forward(block, starts);
  return backward(block, starts);
}

bool LinePicker::forward(Block& block, std::vector<std::size_t>& starts) {
  const std::vector<std::uint32_t>& wanted = *wanted_;
  std::uint64_t length =
      wanted.size() - next_ >= kLinesForTheRest ? chunk_.end - at_ : guess(wanted[next_] - line_ + 1);
  for (;;) {
    const std::uint64_t left = chunk_.end - at_;
    if (left == 0) return fail();  // fewer lines than counted
    const auto size = static_cast<std::size_t>(std::min(length, left));
    if (buffer_.size() < size) buffer_.resize(size);
    if (!catalogue_.read(at_, size, buffer_.data(), false)) return false;
    const char* const begin = buffer_.data();
    const char* const end = begin + size;
    const char* p = begin;  // where line `line_` starts
    // Passes the lines before each wanted one read, and gives it when it is read whole.
    while (next_ < wanted.size()) {
      std::uint64_t skip = wanted[next_] - line_;
      p = pass_lines(p, end, skip);
      line_ += static_cast<std::uint32_t>(skip);
      if (line_ != wanted[next_]) break;
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      if (lf == nullptr) break;
      starts.push_back(static_cast<std::size_t>(p - begin));
      ++next_;
      ++line_;
      p = lf + 1;
    }
    if (p == begin && size == left) return fail();  // the part does not end with a line end
    const std::uint64_t offset = at_;
    at_ += static_cast<std::uint64_t>(p - begin);
    if (!starts.empty()) {
      block = Block{begin, static_cast<std::size_t>(p - begin), offset};
      return true;
    }
    // Not as far as the wanted line yet: read on from the first line not passed.
    if (p == begin) length *= 2;
    else length = guess(wanted[next_] - line_ + 1);
  }
}

bool LinePicker::backward(Block& block, std::vector<std::size_t>& starts) {
  const std::vector<std::uint32_t>& wanted = *wanted_;
  const std::uint32_t want = wanted[next_];
  const std::uint64_t after = total_ - want;  // lines from the wanted one to the part's end
  std::uint64_t length = guess(after);
  for (;;) {
    const std::uint64_t left = chunk_.end - at_;
    const auto size = static_cast<std::size_t>(std::min(length, left));
    if (buffer_.size() < size) buffer_.resize(size);
    const std::uint64_t offset = chunk_.end - size;
    if (!catalogue_.read(offset, size, buffer_.data(), false)) return false;
    const char* const begin = buffer_.data();
    const char* const end = begin + size;
    if (size == 0 || end[-1] != '\n') return fail();
    // The line end of the line before the wanted one is the (after + 1)th from the end.
    std::uint64_t found = after + 1;
    const char* before = nth_line_end_back(begin, end, found);
    const char* start = nullptr;
    if (before != nullptr) start = before + 1;
    else if (size == left && found == after && want == line_) start = begin;  // the first line not passed
    else if (size == left) return fail();
    if (start == nullptr) {
      length *= 2;
      continue;
    }
    const char* p = start;
    std::uint32_t line = want;
    for (; next_ < wanted.size(); ++next_) {
      std::uint64_t skip = wanted[next_] - line;
      p = pass_lines(p, end, skip);
      line += static_cast<std::uint32_t>(skip);
      if (line != wanted[next_] || p == end) return fail();  // a wanted line past the count
      starts.push_back(static_cast<std::size_t>(p - start));
    }
    line_ = total_;
    at_ = chunk_.end;
    // From the wanted line's start: what was read before it may begin inside a line.
    block = Block{start, static_cast<std::size_t>(end - start), offset + static_cast<std::uint64_t>(start - begin)};
    return true;
  }
}

}  // namespace korvint::search
