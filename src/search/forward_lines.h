#pragma once
// The lines of results read again in the order they stand in their
// catalogues: each read a large block at a time into one buffer, so a pass
// over many results of a catalogue costs about one read of the stretch of the
// file that holds them, not a look-up and a copy a line.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/catalogue.h"
#include "search/name_decoder.h"
#include "search/result_set.h"

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

/// The lines append_result_line() makes, for many results met in catalogue
/// and line order (a batch of them sorted so): their catalogue lines read
/// through ForwardLines, each folder's path read once for the files after it
/// in it. One a thread.
class ForwardResultLines {
 public:
  /// `code_page` decodes the catalogues that are not UTF-8.
  explicit ForwardResultLines(std::string code_page) : decoder_(std::move(code_page)) {}

  /// Appends "CATALOGUE<TAB>FULL PATH<TAB>SIZE<TAB>YYYY-MM-DD HH:MM:SS" and a
  /// line end for `hit` of `catalogue`, as append_result_line() does. Appends
  /// nothing and says false when its lines cannot be read (the catalogue changed).
  bool append(std::string& out, const Catalogue& catalogue, const Hit& hit);

 private:
  ForwardLines lines_;
  NameDecoder decoder_;
  const Catalogue* folder_catalogue_ = nullptr;  // the catalogue and line of the folder path kept
  std::uint64_t folder_line_ = kRootFolder;
  std::string folder_;  // that folder's relative path as stored
  std::string raw_;
  std::string path_;
};

}  // namespace korvint::search
