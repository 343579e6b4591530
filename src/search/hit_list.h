#pragma once
// A search's results kept in one list that grows without copying what it
// holds (a deque of 32-byte hits), for the passes that look at every result
// more than once: duplicates and the comparison of two catalogues.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "search/parallel_tasks.h"
#include "search/result_sink.h"
#include "search/searcher.h"

namespace korvint::search {

/// Keeps every hit a search hands over, in catalogue and line order; what is
/// withdrawn is dropped again.
class HitList final : public ResultSink {
 public:
  /// For a search of `catalogues`, as given to run_search().
  explicit HitList(const std::vector<std::shared_ptr<Catalogue>>& catalogues);
  bool take(const std::shared_ptr<const Catalogue>& catalogue, std::vector<Hit> hits) override;
  bool withdraw(std::size_t index, std::size_t count) override;

  [[nodiscard]] std::deque<Hit>& hits() { return hits_; }
  /// The catalogues the hits were read from: one searched again is its file opened afresh.
  [[nodiscard]] std::vector<std::shared_ptr<const Catalogue>>& catalogues() { return catalogues_; }

 private:
  std::vector<std::shared_ptr<const Catalogue>> catalogues_;
  std::deque<Hit> hits_;
};

/// Runs `matcher` over `catalogues` and keeps every result in `hits`, and in
/// `searched` the catalogues they were read from (see HitList::catalogues()).
SearchOutcome collect_hits(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                           const SearchOptions& options, std::deque<Hit>& hits,
                           std::vector<std::shared_ptr<const Catalogue>>& searched, const std::atomic<bool>* cancel);

/// 64 bits of `value` mixed so that nearby values land far apart (splitmix64's finaliser).
inline std::uint64_t mix_bits(std::uint64_t value) {
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}

/// The name of a file `hit` as stored, read from its line into `line`: the
/// text before its first TAB (the search found the line well formed, and a
/// name holds no TAB). Empty, false, when the catalogue changed since.
bool stored_file_name(const Catalogue& catalogue, const Hit& hit, std::string& line, std::string_view& name);

/// A 64-bit hash of `text`, `seed` mixed in first.
std::uint64_t hash_text(std::string_view text, std::uint64_t seed = 0);

/// The hash duplicates and comparisons key names and paths by: hash_text
/// unless set_key_hash() put another in its place. Equal hashes only make
/// candidates: names and paths are compared before two files are taken as
/// one, so a hash that collides (a test's) changes the time, never the result.
using KeyHash = std::uint64_t (*)(std::string_view text, std::uint64_t seed);
KeyHash key_hash();
/// Puts `hash` in hash_text's place (nullptr: hash_text again); for tests,
/// while no search runs.
void set_key_hash(KeyHash hash);

}  // namespace korvint::search

