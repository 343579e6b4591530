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

/// Calls `work(begin, end, worker)` for `threads` slices of [0, count) at once
/// (at least one, none when `count` is 0), each on its own thread but the last,
/// which runs on the calling one; returns once all are done.
template <typename Work>
void for_slices(std::size_t count, unsigned threads, Work work);

/// The number of workers for `options.threads` (0: one per core).
unsigned worker_count(const SearchOptions& options);

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

/// "512 bytes", "3.1 KB", "3.1 GB": a size in units of 1,024, for people.
std::string size_text(std::uint64_t bytes);

}  // namespace korvint::search

#include <thread>

namespace korvint::search {

template <typename Work>
void for_slices(std::size_t count, unsigned threads, Work work) {
  if (count == 0) return;
  if (threads == 0) threads = 1;
  if (threads > count) threads = static_cast<unsigned>(count);
  std::vector<std::thread> workers;
  const std::size_t step = count / threads;
  for (unsigned t = 0; t + 1 < threads; ++t)
    workers.emplace_back([&work, t, step] { work(t * step, (t + 1) * step, t); });
  work((threads - 1) * step, count, threads - 1);
  for (std::thread& worker : workers) worker.join();
}

}  // namespace korvint::search
