#pragma once
// The lines of results read again in the order they stand in their
// catalogues: each read a large block at a time into one buffer, so a pass
// over many results of a catalogue costs about one read of the stretch of the
// file that holds them, not a look-up and a copy a line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/catalogue.h"

namespace korvint::search {

/// Reads lines at growing offsets of one catalogue at a time (another
/// catalogue, or an offset behind the buffer, is read as Catalogue::line_at()
/// reads it). One reader a thread, for one pass: the catalogues it read must
/// live while it does.
class ForwardLines {
 public:
  /// Reads `block_bytes` at a time (a line longer than that is read as line_at() reads it).
  explicit ForwardLines(std::size_t block_bytes = std::size_t{256} << 10) : block_bytes_(block_bytes) {}

  /// The line of `catalogue` that starts at `offset`, as Catalogue::line_at()
  /// gives it (without its LF and the CR before it), into `out`: a view valid
  /// until the next call. False when it cannot be read (the catalogue changed).
  bool line_at(const Catalogue& catalogue, std::uint64_t offset, std::string_view& out);

  /// The text of the line at `offset` before its first TAB (a file's name, a
  /// folder's path) into `out`, the rest of the line not looked at. False as
  /// line_at(), or when the line holds no TAB.
  bool first_field_at(const Catalogue& catalogue, std::uint64_t offset, std::string_view& out);

 private:
  // The line at `offset` when the buffer holds it whole.
  bool from_buffer(std::uint64_t offset, std::string_view& out) const;
  // Makes the buffer start at `offset` (ahead of it); false when it cannot be read.
  bool fill(const Catalogue& catalogue, std::uint64_t offset);

  std::size_t block_bytes_;
  const Catalogue* catalogue_ = nullptr;
  std::vector<char> buffer_;
  std::uint64_t begin_ = 0;  // the offset of the buffer's first byte
  std::size_t size_ = 0;     // the bytes it holds
  std::string single_;       // a line read alone
};

}  // namespace korvint::search
