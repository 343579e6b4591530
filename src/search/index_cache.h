#pragma once
// The indexes of a set of catalogues, kept fresh in the cache folder: which
// are fresh, building the rest on a few threads (the most recently written
// catalogue first), and deleting those of catalogues that are gone.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/catalogue.h"

namespace korvint::search::index {

class IndexPool;

/// True when `cache_folder` holds an index of `catalogue` as opened (asked
/// through `pool` when given, which keeps it open).
bool has_fresh_index(std::string_view cache_folder, const Catalogue& catalogue, IndexPool* pool = nullptr);

/// Gives each of `catalogues` without counts those of its fresh index in
/// `cache_folder`: exact, and they decide its encoding, so it need not be read
/// whole to learn them. Through `pool` when given, which then keeps them open
/// for the searches.
void take_counts_from_indexes(std::string_view cache_folder, const std::vector<std::shared_ptr<Catalogue>>& catalogues,
                              IndexPool* pool = nullptr);

/// What refresh_indexes() did.
struct RefreshOutcome {
  std::size_t built = 0;
  std::size_t fresh = 0;            ///< fresh already
  std::vector<std::string> errors;  ///< "a.lst: the reason", one a catalogue that could not be indexed
};

/// Builds the index of every catalogue of `catalogues` that has no fresh one,
/// the most recently written first, on `threads` threads (0: one a core).
/// `progress(done, total)` is called (one thread at a time) before each build
/// and after the last, `total` counting the catalogues to build. A catalogue
/// still being written is left alone: its index would be stale at once.
RefreshOutcome refresh_indexes(std::string_view cache_folder, const std::vector<std::shared_ptr<Catalogue>>& catalogues,
                               unsigned threads, const std::function<void(std::size_t, std::size_t)>& progress = {},
                               const std::atomic<bool>* cancel = nullptr);

/// Deletes from `cache_folder` the indexes of catalogues of `folder` whose
/// catalogue file is gone, and those of its catalogues that cannot be read as
/// an index of this version; the indexes of other folders are not touched.
/// Returns how many it deleted.
std::size_t remove_vanished_indexes(std::string_view cache_folder, std::string_view folder);

/// Deletes from `cache_folder` the temporary files of index builds that were
/// killed before their rename (whatever the catalogue's folder): those whose
/// writing process has ended; a running build's is never touched. Returns how
/// many it deleted.
std::size_t remove_dead_builds(std::string_view cache_folder);

}  // namespace korvint::search::index
