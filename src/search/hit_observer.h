#pragma once
// A seam in the search of a chunk: each hit is shown, with the text the
// search holds for it, to a recorder as it is found, so a pass that needs
// more of every hit (a key of its path) does not read the catalogue again.

#include <cstdint>
#include <memory>
#include <string_view>

#include "catalogue/parse_lines.h"
#include "search/catalogue.h"
#include "search/result_set.h"

namespace korvint::search {

/// Sees the hits of one search over one chunk, on the thread searching it.
class HitRecorder {
 public:
  virtual ~HitRecorder() = default;
  /// `hit` was just verified: `entry` is its line parsed, `folder` the
  /// relative path of its folder as stored (files; "" for the root).
  /// `stands` is false while its verdict or its text waits for the
  /// catalogue's encoding (the search may verify it again, and a recorder
  /// then sees it again). False leaves the hit out of the results.
  virtual bool found(const Hit& hit, const catalogue::EntryLine& entry, std::string_view folder, bool stands) = 0;
};

/// Makes a recorder for each search of a chunk (a chunk may be searched
/// again: its lines whose verdict waited for the encoding, or the whole of a
/// catalogue opened afresh). Called from any worker thread.
class HitObserver {
 public:
  virtual ~HitObserver() = default;
  /// A recorder for chunk `chunk_index` ([begin, end)) of `catalogue`.
  virtual std::unique_ptr<HitRecorder> open(const Catalogue& catalogue, std::size_t chunk_index,
                                            const Chunk& chunk) const = 0;
};

}  // namespace korvint::search
