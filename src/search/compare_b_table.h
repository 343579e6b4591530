#pragma once
// B's side of a comparison: what its search records of each entry (its
// hashes and its key's text) and, after the search, the table A's entries
// are looked up in. Internal to the comparison; the table's look-ups are
// inline, for A's search makes one for every entry it finds.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/catalogue.h"
#include "search/compare_keys.h"
#include "search/compare_runs.h"
#include "search/hit_list.h"
#include "search/hit_observer.h"
#include "search/result_set.h"
#include "search/searcher.h"
#include "search/zeroed_array.h"

namespace korvint::search::compare_detail {

/// B's keys: each entry's hashes and where its key's text is kept.
struct KeyB {
  compare_keys::PathHashes hashes;
  std::uint32_t run = 0;  // the text it is kept in
  std::uint32_t folder = kNoText;
  std::uint32_t name = kNoText;
};

/// What A's search looks B's entries up in.
struct TableOfB {
  const HitStore* hits = nullptr;
  // B's keys as its search recorded them, a run a stretch of its hits from
  // `starts[run]` on, when every hit has its record there (then `keys` is
  // empty); else each hit's key copied into `keys`.
  std::vector<std::unique_ptr<Run>> runs;
  std::vector<std::size_t> starts;
  ZeroedArray<KeyB> keys;
  std::size_t count = 0;  // B's hits

  [[nodiscard]] std::size_t size() const { return count; }
  /// The key of B's hit `i`.
  [[nodiscard]] KeyB key(std::size_t i) const {
    if (starts.empty()) return keys[i];
    const auto r = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), i) - starts.begin() - 1);
    const Record& record = runs[r]->records[i - starts[r]];
    return KeyB{record.hashes, static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(record.extra >> 32),
                static_cast<std::uint32_t>(record.extra)};
  }
  std::vector<const KeptTexts*> texts;  // a run's (in its lane), or one of late_texts
  std::vector<KeptTexts> late_texts;    // of the keys made after the search, one a stretch of hits
  // Index + 1 (0: empty) and, above, the hash's upper half; `mask` + 1 of them.
  ZeroedArray<std::uint64_t> slots;
  std::size_t mask = 0;
  ZeroedArray<unsigned char> shared_hash;  // another of B's entries has its hash
  ZeroedArray<unsigned char> in_a;         // A holds it

  static std::uint64_t tag(std::uint64_t path) { return path & ~std::uint64_t{0xFFFFFFFF}; }

  /// True when B's entry `b` has the key `key` (below the compared folder).
  [[nodiscard]] bool holds(std::size_t b, std::string_view key) const {
    const KeyB entry = this->key(b);
    const std::string_view folder = kept_text(*texts[entry.run], entry.folder);
    const std::string_view name = kept_text(*texts[entry.run], entry.name);
    return key.size() == folder.size() + name.size() && key.starts_with(folder) && key.ends_with(name);
  }

  /// B's entry `guess` when it has the key `key` and no other has its hash (so
  /// none other has its key), marked as held by A and `guess` moved on; else kNone.
  /// Unless `mark`, it is left unmarked (for a key that may not stand).
  std::size_t guessed(std::string_view key, std::size_t& guess, bool mark = true) const {
    if (guess >= size() || this->key(guess).hashes.path == compare_keys::kOutside ||
        shared(shared_hash[guess]).load(std::memory_order_relaxed) != 0 || !holds(guess, key))
      return kNone;
    if (mark) shared(in_a[guess]).store(1, std::memory_order_relaxed);
    return guess++;
  }

  /// The first of B's entries at the path `key` of hash `path`, kNone when
  /// none; marks each as held by A. `guess` (B's entry after the one matched
  /// last) is tried first: a backup lists its entries in the order it copied
  /// them; it is moved on.
  std::size_t match(std::uint64_t path, std::string_view key, std::size_t& guess) const {
    if (guess < size() && this->key(guess).hashes.path == path && shared(shared_hash[guess]).load(std::memory_order_relaxed) == 0 &&
        holds(guess, key)) {
      shared(in_a[guess]).store(1, std::memory_order_relaxed);
      return guess++;
    }
    std::size_t first = kNone;
    for (std::size_t slot = mix_bits(path) & mask;; slot = (slot + 1) & mask) {
      const std::uint64_t held = shared(slots[slot]).load(std::memory_order_relaxed);
      if (held == 0) break;
      if (tag(held) != tag(path)) continue;
      const std::size_t in_b = (held & 0xFFFFFFFF) - 1;
      if (this->key(in_b).hashes.path != path || !holds(in_b, key)) continue;
      first = std::min(first, in_b);
      shared(in_a[in_b]).store(1, std::memory_order_relaxed);
      guess = in_b + 1;
    }
    return first;
  }
};

/// Records B's entries as its search finds them: their hashes and their keys' text.
class ObserverB final : public HitObserver {
 public:
  /// For a search on `workers` threads.
  ObserverB(std::string_view prefix, bool ignore_case, const std::string& code_page, unsigned workers)
      : prefix_(prefix), ignore_case_(ignore_case), code_page_(code_page), workers_(workers == 0 ? 1 : workers) {}

  std::unique_ptr<HitRecorder> open(const Catalogue& catalogue, std::size_t, const Chunk& chunk) const override;

  mutable Runs runs;
  mutable FoundBelow below;

 private:
  class Recorder;

  std::string prefix_;
  bool ignore_case_;
  std::string code_page_;
  unsigned workers_;
};

/// The keys of B's hits (`side`, as its search left it) from its search's
/// records: the records themselves when each hit has its own, else copied to
/// the hits' places, those without one made here; then B's open hash table
/// over them, into `table`. Sets side.anything_below. On every core.
void make_table(Side& side, ObserverB& observer, bool ignore_case, const SearchOptions& options, TableOfB& table);

}  // namespace korvint::search::compare_detail
