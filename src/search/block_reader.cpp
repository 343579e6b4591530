#include "search/block_reader.h"

#include <algorithm>
#include <cstring>

#include "catalogue/parse_lines.h"
#include "search/line_scan.h"

namespace korvint::search {
BlockReader::BlockReader(const Catalogue& catalogue, const Chunk& chunk, std::size_t block_bytes,
                         std::vector<char>& buffer)
    : catalogue_(catalogue),
      position_(chunk.begin),
      end_(chunk.end),
      block_bytes_(std::max<std::size_t>(block_bytes, 1)),
      buffer_(buffer) {}

bool BlockReader::next(Block& block) {
  // A line that can be an entry is at most catalogue::kMaxLineBytes and its CR LF.
  constexpr std::size_t kLongestLine = catalogue::kMaxLineBytes + 2;
  while (position_ < end_) {
    const std::uint64_t left = end_ - position_;
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, block_bytes_));
    if (buffer_.size() < want) buffer_.resize(want);
    if (!catalogue_.read(position_, want, buffer_.data(), false)) return false;
    const char* lf = want == left ? buffer_.data() + want - 1 : find_last_byte(buffer_.data(), buffer_.data() + want, '\n');
    if (lf == nullptr && want < left) {
      // No line ends in the block: read on as far as the longest entry line.
      const std::size_t more = static_cast<std::size_t>(std::min<std::uint64_t>(left, kLongestLine));
      if (more > want) {
        if (buffer_.size() < more) buffer_.resize(more);
        if (!catalogue_.read(position_ + want, more - want, buffer_.data() + want, false)) return false;
        lf = static_cast<const char*>(std::memchr(buffer_.data() + want, '\n', more - want));
        want = more;
        if (lf == nullptr && want == left) lf = buffer_.data() + want - 1;
      }
    }
    if (lf == nullptr) {
      // Longer than any entry: pass over it to its LF (or the chunk's end).
      ++overlong_;
      std::uint64_t at = position_ + want;
      while (at < end_) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(end_ - at, block_bytes_));
        if (buffer_.size() < step) buffer_.resize(step);
        if (!catalogue_.read(at, step, buffer_.data(), false)) return false;
        const auto* found = static_cast<const char*>(std::memchr(buffer_.data(), '\n', step));
        if (found != nullptr) {
          at += static_cast<std::uint64_t>(found - buffer_.data()) + 1;
          break;
        }
        at += step;
      }
      position_ = at;
      continue;
    }
    block.data = buffer_.data();
    block.size = static_cast<std::size_t>(lf - buffer_.data()) + 1;
    block.offset = position_;
    position_ += block.size;
    return true;
  }
  return false;
}

}  // namespace korvint::search
