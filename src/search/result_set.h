#pragma once
// Search results held as positions in their catalogues: 32 bytes a result,
// names and paths read (and decoded) only for the results that are shown. A
// result whose catalogue changed since the search cannot be read any more:
// each reader then says false and gives nothing rather than another line.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/parse_lines.h"
#include "search/catalogue.h"
#include "search/name_decoder.h"

namespace korvint::search {

/// One result: where its line and its folder line stand, with the values that
/// sorting needs without reading the line again.
struct Hit {
  std::uint64_t line = 0;            ///< offset of the entry's line in its catalogue
  std::uint64_t folder = kRootFolder;  ///< offset of its folder line (files only)
  std::uint64_t size = 0;
  std::uint64_t bits = 0;            ///< time (41 bits), catalogue index (22), folder flag (1)

  static Hit make(std::uint64_t line, std::uint64_t folder, const catalogue::EntryLine& entry, std::size_t catalogue);
  [[nodiscard]] catalogue::CalendarTime time() const { return catalogue::CalendarTime::unpack(bits & ((std::uint64_t{1} << 41) - 1)); }
  [[nodiscard]] std::size_t catalogue() const { return static_cast<std::size_t>((bits >> 41) & 0x3FFFFF); }
  [[nodiscard]] bool is_folder() const { return (bits >> 63) != 0; }
};
static_assert(sizeof(Hit) == 32);

/// Readers of one result from its catalogue. Each says false, and gives
/// nothing, when the catalogue changed since the search.
/// The entry's own name as stored (a folder's last level, without "\") into `out`.
bool raw_name(const Catalogue& catalogue, const Hit& hit, std::string& out);
/// The relative path of the folder that holds the entry, as stored ("" for
/// the root), into `out`.
bool raw_folder(const Catalogue& catalogue, const Hit& hit, std::string& out);
/// The full path in UTF-8; a folder's ends with its separator.
bool full_path(const Catalogue& catalogue, const Hit& hit, NameDecoder& decoder, std::string& out);

/// The results of one search over a set of catalogues, in catalogue order and
/// then line order. Kept in the parts the search made them in, so
/// holding them never needs a second copy.
class ResultSet {
 public:
  ResultSet() = default;
  /// The results are `parts` one after the other.
  ResultSet(std::vector<std::shared_ptr<const Catalogue>> catalogues, std::vector<std::vector<Hit>> parts);

  [[nodiscard]] std::size_t size() const { return ends_.empty() ? 0 : ends_.back(); }
  [[nodiscard]] bool empty() const { return size() == 0; }
  /// Result `i` (a binary search over the parts).
  [[nodiscard]] const Hit& operator[](std::size_t i) const;
  /// Calls `visit(hit)` for every result in order.
  template <typename Visit>
  void for_each(Visit visit) const {
    for (const auto& part : parts_)
      for (const Hit& hit : part) visit(hit);
  }
  [[nodiscard]] const std::vector<std::shared_ptr<const Catalogue>>& catalogues() const { return catalogues_; }
  [[nodiscard]] const Catalogue& catalogue_of(const Hit& hit) const { return *catalogues_[hit.catalogue()]; }

  /// The readers above, for a result of this set.
  bool raw_name(const Hit& hit, std::string& out) const { return search::raw_name(catalogue_of(hit), hit, out); }
  bool raw_folder(const Hit& hit, std::string& out) const { return search::raw_folder(catalogue_of(hit), hit, out); }
  bool full_path(const Hit& hit, NameDecoder& decoder, std::string& out) const {
    return search::full_path(catalogue_of(hit), hit, decoder, out);
  }
  /// The name in UTF-8.
  bool name(const Hit& hit, NameDecoder& decoder, std::string& out) const;
  /// The full path of the folder that holds the entry, in UTF-8, ending with its separator.
  bool folder_path(const Hit& hit, NameDecoder& decoder, std::string& out) const;

 private:
  std::vector<std::shared_ptr<const Catalogue>> catalogues_;
  std::vector<std::vector<Hit>> parts_;
  std::vector<std::size_t> ends_;  // the number of results up to the end of each part
};

}  // namespace korvint::search
