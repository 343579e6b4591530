#pragma once
// A search's results kept in one list that grows without copying what it
// holds (32-byte hits in large blocks), for the passes that look at every result
// more than once: duplicates and the comparison of two catalogues.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "search/parallel_tasks.h"
#include "search/result_sink.h"
#include "search/searcher.h"

namespace korvint::search {

/// Hits in blocks of a million (32 MiB) that are never copied to grow: a
/// block's pages are touched only as it fills, and a block let go goes back to
/// the system at once (it is a mapping of its own), so a pass
/// that copies what it keeps out of them in order needs no room for both.
class HitStore {
 public:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  /// The bytes of the first block kept on ordinary pages.
  static constexpr std::size_t kSmallHead = std::size_t{2} << 20;

  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] const Hit& operator[](std::size_t i) const { return blocks_[i / kBlock].get()[i % kBlock]; }
  /// The hit at `i`, to be changed or moved (grouping in place).
  [[nodiscard]] Hit& at(std::size_t i) { return blocks_[i / kBlock].get()[i % kBlock]; }
  void push_back(const Hit& hit);
  /// Drops the last `count` hits.
  void pop_back(std::size_t count);
  /// Lets go of the blocks that hold only hits before `i`: they are not read again.
  void release_before(std::size_t i);
  void clear();

 private:
  struct Free {
    void operator()(Hit* block) const;
  };
  std::vector<std::unique_ptr<Hit, Free>> blocks_;
  std::size_t size_ = 0;
};

/// Keeps every hit a search hands over, in catalogue and line order; what is
/// withdrawn is dropped again.
class HitList final : public ResultSink {
 public:
  /// For a search of `catalogues`, as given to run_search().
  explicit HitList(const std::vector<std::shared_ptr<Catalogue>>& catalogues);
  bool take(const std::shared_ptr<const Catalogue>& catalogue, std::vector<Hit> hits) override;
  bool withdraw(std::size_t index, std::size_t count) override;

  [[nodiscard]] HitStore& hits() { return hits_; }
  /// The catalogues the hits were read from: one searched again is its file opened afresh.
  [[nodiscard]] std::vector<std::shared_ptr<const Catalogue>>& catalogues() { return catalogues_; }

 private:
  std::vector<std::shared_ptr<const Catalogue>> catalogues_;
  HitStore hits_;
};

/// Runs `matcher` over `catalogues` and keeps every result in `hits`, and in
/// `searched` the catalogues they were read from (see HitList::catalogues()).
SearchOutcome collect_hits(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                           const SearchOptions& options, HitStore& hits,
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

