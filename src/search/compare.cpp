#include "search/compare.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <mutex>
#include <unordered_map>

#include "platform/per_thread.h"
#include "search/compare_keys.h"
#include "search/compare_runs.h"
#include "search/compare_key_maker.h"
#include "search/hit_list.h"
#include "search/hit_observer.h"
#include "search/name_decoder.h"
#include "search/quantity_text.h"

namespace korvint::search {
namespace {

using compare_detail::FoundBelow;
using compare_detail::KeyMaker;
using compare_detail::Record;
using compare_detail::Run;
using compare_detail::Runs;
using compare_detail::Side;
using compare_detail::Stretch;
using compare_detail::assumed_right;
using compare_detail::fits;
using compare_detail::kAssumed;
using compare_detail::kAssumedCodePage;
using compare_detail::kAssumedUtf8;
using compare_detail::kFoundInB;
using compare_detail::kLineBits;
using compare_detail::kNoText;
using compare_detail::kNone;
using compare_detail::keep_text;
using compare_detail::kept_text;
using compare_detail::merge_records;
using compare_detail::stretches;
using compare_keys::append_key;
using compare_keys::KeyReader;
using compare_keys::key_below;
using compare_keys::kLater;
using compare_keys::kOutside;
using compare_keys::parent_of;
using compare_keys::PathHashes;

bool is_windows_root(std::string_view root) {
  const bool drive = root.size() >= 2 && ((root[0] >= 'A' && root[0] <= 'Z') || (root[0] >= 'a' && root[0] <= 'z')) &&
                     root[1] == ':';
  const bool unc = root.size() >= 2 && (root[0] == '\\' || root[0] == '/') && (root[1] == '\\' || root[1] == '/');
  return drive || unc;
}

// The relative path of `hit` as stored (a folder's ends with "\"), undecoded, into `out`.
bool raw_relative_path(const Catalogue& catalogue, const Hit& hit, std::string& folder, std::string& name,
                       std::string& out) {
  if (!raw_folder(catalogue, hit, folder) || !raw_name(catalogue, hit, name)) return false;
  out.assign(folder);
  out += name;
  if (hit.is_folder()) out += '\\';
  return true;
}

// An array of `size` T in memory the system hands out zeroed (calloc), T a
// type whose bytes all zero are a value: its pages are taken as they are
// first written, on whichever thread writes them, not all at once by one.
template <typename T>
class ZeroedArray {
 public:
  ZeroedArray() = default;
  explicit ZeroedArray(std::size_t size) : data_(static_cast<T*>(std::calloc(size + 1, sizeof(T)))), size_(size) {
    if (!data_) throw std::bad_alloc();
  }
  [[nodiscard]] std::size_t size() const { return size_; }
  T& operator[](std::size_t i) const { return data_.get()[i]; }

 private:
  struct Free {
    void operator()(T* data) const { std::free(data); }
  };
  std::unique_ptr<T, Free> data_;
  std::size_t size_ = 0;
};

// A byte or a word of a ZeroedArray read or written by many threads.
template <typename T>
std::atomic_ref<T> shared(T& value) {
  return std::atomic_ref<T>(value);
}

// B's keys: each entry's hashes and where its key's text is kept.
struct KeyB {
  PathHashes hashes;
  std::uint32_t run = 0;  // the text it is kept in
  std::uint32_t folder = kNoText;
  std::uint32_t name = kNoText;
};

// What A's search looks B's entries up in.
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
  // The key of B's hit `i`.
  [[nodiscard]] KeyB key(std::size_t i) const {
    if (starts.empty()) return keys[i];
    const auto r = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), i) - starts.begin() - 1);
    const Record& record = runs[r]->records[i - starts[r]];
    return KeyB{record.hashes, static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(record.extra >> 32),
                static_cast<std::uint32_t>(record.extra)};
  }
  std::vector<std::string> texts;  // one a run, and one for the keys made after the search
  // Index + 1 (0: empty) and, above, the hash's upper half; `mask` + 1 of them.
  ZeroedArray<std::uint64_t> slots;
  std::size_t mask = 0;
  ZeroedArray<unsigned char> shared_hash;  // another of B's entries has its hash
  ZeroedArray<unsigned char> in_a;         // A holds it

  static std::uint64_t tag(std::uint64_t path) { return path & ~std::uint64_t{0xFFFFFFFF}; }

  // True when B's entry `b` has the key `key` (below the compared folder).
  [[nodiscard]] bool holds(std::size_t b, std::string_view key) const {
    const KeyB entry = this->key(b);
    const std::string_view folder = kept_text(texts[entry.run], entry.folder);
    const std::string_view name = kept_text(texts[entry.run], entry.name);
    return key.size() == folder.size() + name.size() && key.starts_with(folder) && key.ends_with(name);
  }

  // B's entry `guess` when it has the key `key` and no other has its hash (so
  // none other has its key), marked as held by A and `guess` moved on; else kNone.
  // Unless `mark`, it is left unmarked (for a key that may not stand).
  std::size_t guessed(std::string_view key, std::size_t& guess, bool mark = true) const {
    if (guess >= size() || this->key(guess).hashes.path == kOutside ||
        shared(shared_hash[guess]).load(std::memory_order_relaxed) != 0 || !holds(guess, key))
      return kNone;
    if (mark) shared(in_a[guess]).store(1, std::memory_order_relaxed);
    return guess++;
  }

  // The first of B's entries at the path `key` of hash `path`, kNone when
  // none; marks each as held by A. `guess` (B's entry after the one matched
  // last) is tried first: a backup lists its entries in the order it copied
  // them; it is moved on.
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

// Records B's entries as its search finds them: their hashes and their keys' text.
class ObserverB final : public HitObserver {
 public:
  ObserverB(std::string_view prefix, bool ignore_case, const std::string& code_page)
      : prefix_(prefix), ignore_case_(ignore_case), code_page_(code_page) {}

  std::unique_ptr<HitRecorder> open(const Catalogue& catalogue, std::size_t, const Chunk& chunk) const override {
    if (runs.start(catalogue)) below.clear();
    return std::make_unique<Recorder>(*this, catalogue, chunk);
  }

  mutable Runs runs;
  mutable FoundBelow below;

 private:
  class Recorder final : public HitRecorder {
   public:
    Recorder(const ObserverB& observer, const Catalogue& catalogue, const Chunk& chunk)
        : observer_(observer), keys_(catalogue, observer.prefix_, observer.ignore_case_, observer.code_page_),
          run_(std::make_unique<Run>()) {
      run_->catalogue = &catalogue;
      run_->chunk = chunk;
      // Room for a record a line of 16 bytes and its text, never copied to
      // grow: only the pages written are taken.
      const auto bytes = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.end - chunk.begin, std::uint64_t{1} << 30));
      run_->records.reserve(bytes / 16);
      run_->text.reserve(bytes);
    }
    ~Recorder() override { observer_.runs.add(std::move(run_)); }

    bool found(const Hit& hit, const catalogue::EntryLine& entry, std::string_view folder, bool stands) override {
      std::uint64_t assumed = 0;
      const TextEncoding encoding = keys_.encoding_for(hit, entry, folder, stands, assumed);
      Record record{hit.line | assumed, PathHashes{kLater, 0}, 0};
      bool below = false;
      if (!keys_.make(hit, entry, folder, encoding, below)) {
        record.hashes.path = kOutside;
      } else {
        const std::string_view key = keys_.below();
        const std::size_t folder_part = keys_.folder_part();
        std::string& text = run_->text;
        if (fits(text, key)) {
          // A folder's key (all of it its folder's part) is kept once, for it
          // and the files after it (the key maker forgets where when the folder changes).
          std::uint32_t& kept = keys_.kept_folder();
          if (kept == kNoText) kept = keep_text(text, key.substr(0, folder_part));
          const std::uint32_t name = keep_text(text, key.substr(folder_part));
          record.hashes = keys_.hashes();
          record.extra = std::uint64_t{kept} << 32 | name;
        }
      }
      if (below) observer_.below.note(assumed);
      run_->records.push_back(record);
      return true;
    }

   private:
    const ObserverB& observer_;
    KeyMaker keys_;
    std::unique_ptr<Run> run_;
  };

  std::string prefix_;
  bool ignore_case_;
  std::string code_page_;
};

// Looks A's entries up in B's table as its search finds them: one that B
// holds alike is left out of A's hits (it makes no line); the others are
// kept with their hashes and their match.
class ObserverA final : public HitObserver {
 public:
  using Differs = bool (*)(const Hit&, const Hit&, bool ignore_date);
  ObserverA(std::string_view prefix, bool ignore_case, const std::string& code_page, const TableOfB& table,
            bool ignore_date)
      : prefix_(prefix), ignore_case_(ignore_case), code_page_(code_page), table_(table), ignore_date_(ignore_date) {}

  std::unique_ptr<HitRecorder> open(const Catalogue& catalogue, std::size_t, const Chunk& chunk) const override {
    if (runs.start(catalogue)) {
      // A catalogue opened afresh (it changed) is searched from its start:
      // what the version before found and marked in B stands for nothing.
      below.clear();
      for (std::size_t i = 0; i < table_.in_a.size(); ++i) shared(table_.in_a[i]).store(0, std::memory_order_relaxed);
    }
    return std::make_unique<Recorder>(*this, catalogue, chunk);
  }

  mutable Runs runs;
  mutable FoundBelow below;

  // True when files `a` and `b` differ by size (or date).
  [[nodiscard]] bool differs(const Hit& a, const Hit& b) const {
    constexpr std::uint64_t kTime = (std::uint64_t{1} << 41) - 1;
    return a.size != b.size || (!ignore_date_ && (a.bits & kTime) != (b.bits & kTime));
  }

 private:
  class Recorder final : public HitRecorder {
   public:
    Recorder(const ObserverA& observer, const Catalogue& catalogue, const Chunk& chunk)
        : observer_(observer), keys_(catalogue, observer.prefix_, observer.ignore_case_, observer.code_page_),
          run_(std::make_unique<Run>()) {
      run_->catalogue = &catalogue;
      run_->chunk = chunk;
    }
    ~Recorder() override { observer_.runs.add(std::move(run_)); }

    bool found(const Hit& hit, const catalogue::EntryLine& entry, std::string_view folder, bool stands) override {
      std::uint64_t assumed = 0;
      const TextEncoding encoding = keys_.encoding_for(hit, entry, folder, stands, assumed);
      bool below = false;
      const bool keyed = keys_.make(hit, entry, folder, encoding, below);
      if (below) observer_.below.note(assumed);
      if (assumed != 0) {
        // Kept, its key with it, until the encoding tells whether the key stands.
        Record record{hit.line | assumed, PathHashes{kOutside, 0}, 0};
        std::string& text = run_->text;
        if (!keyed) {
          run_->records.push_back(record);
        } else if (const std::size_t in_b = observer_.table_.guessed(keys_.below(), guess_, false); in_b != kNone) {
          record.line |= kFoundInB;
          record.hashes = keys_.hashes();
          record.extra = in_b;
          run_->records.push_back(record);
        } else if (fits(text, keys_.below())) {
          const std::uint32_t folder_at = keep_text(text, keys_.below().substr(0, keys_.folder_part()));
          const std::uint32_t name_at = keep_text(text, keys_.below().substr(keys_.folder_part()));
          record.hashes = keys_.hashes();
          record.extra = std::uint64_t{folder_at} << 32 | name_at;
          run_->records.push_back(record);
        }
        return true;
      }
      if (!keyed) return false;  // outside the compared folder: no line
      // The entry after B's last matched is tried by its text first: only when it is not that one is the key hashed.
      std::size_t in_b = observer_.table_.guessed(keys_.below(), guess_);
      if (in_b == kNone) in_b = observer_.table_.match(keys_.hashes().path, keys_.below(), guess_);
      if (in_b != kNone && (hit.is_folder() || !observer_.differs(hit, (*observer_.table_.hits)[in_b]))) return false;
      run_->records.push_back(Record{hit.line, keys_.hashes(), in_b});
      return true;
    }

   private:
    const ObserverA& observer_;
    KeyMaker keys_;
    std::unique_ptr<Run> run_;
    std::size_t guess_ = 0;
  };

  std::string prefix_;
  bool ignore_case_;
  std::string code_page_;
  const TableOfB& table_;
  bool ignore_date_;
};

// Fills B's open hash table over its keys: twice as many slots as B has
// entries, placed by the hash mixed again (its lowest bit is always set).
void fill_table(TableOfB& table, const SearchOptions& options) {
  std::size_t slots = 2;
  while (slots < 2 * table.size()) slots *= 2;
  table.slots = ZeroedArray<std::uint64_t>(slots);
  table.mask = slots - 1;
  table.shared_hash = ZeroedArray<unsigned char>(table.size());
  table.in_a = ZeroedArray<unsigned char>(table.size());
  // Filled on every core: a slot is taken by compare-and-swap, so whichever
  // of two entries of one hash comes second passes the first's slot and marks both.
  for_slices(table.size(), threads_or_cores(options.threads), [&](std::size_t begin, std::size_t end, unsigned) {
    constexpr std::size_t kAhead = 8;  // the slot of the entry this far ahead is fetched meanwhile
    for (std::size_t i = begin; i < end; ++i) {
      if (i + kAhead < end) __builtin_prefetch(&table.slots[mix_bits(table.key(i + kAhead).hashes.path) & table.mask]);
      const std::uint64_t path = table.key(i).hashes.path;
      if (path == kOutside) continue;
      const std::uint64_t mine = TableOfB::tag(path) | (i + 1);
      for (std::size_t slot = mix_bits(path) & table.mask;; slot = (slot + 1) & table.mask) {
        std::uint64_t held = shared(table.slots[slot]).load(std::memory_order_relaxed);
        if (held == 0 && shared(table.slots[slot]).compare_exchange_strong(held, mine, std::memory_order_relaxed)) break;
        // The slot's tag tells another path without a look at B's keys.
        if (TableOfB::tag(held) != TableOfB::tag(path)) continue;
        const std::size_t other = (held & 0xFFFFFFFF) - 1;
        if (table.key(other).hashes.path == path) {
          shared(table.shared_hash[other]).store(1, std::memory_order_relaxed);
          shared(table.shared_hash[i]).store(1, std::memory_order_relaxed);
        }
      }
    }
  });
}

// The keys of B's hits from its search's records: the records themselves
// when each hit has its own, else copied to the hits' places, those without
// one made here; then B's open hash table over them. On every core.
void make_table(Side& side, ObserverB& observer, bool ignore_case, const SearchOptions& options, TableOfB& table) {
  std::vector<std::unique_ptr<Run>> runs = observer.runs.take(side.catalogue.get());
  const std::vector<Stretch> parts = stretches(runs, side.hits);
  table.hits = &side.hits;
  table.count = side.hits.size();
  const TextEncoding encoding = side.catalogue->encoding();
  // Mostly every hit has its record, and the records are its keys as they stand.
  std::atomic<bool> whole{true};
  run_tasks(parts.size(), threads_or_cores(options.threads), [] { return 0; }, [&](std::size_t p, int) {
    const Stretch& part = parts[p];
    if (part.run == kNone || runs[part.run]->records.size() != part.end - part.begin) {
      whole.store(false);
      return;
    }
    const std::vector<Record>& records = runs[part.run]->records;
    for (std::size_t i = part.begin; i < part.end && whole.load(std::memory_order_relaxed); ++i) {
      const Record& record = records[i - part.begin];
      if ((record.line & kLineBits) != side.hits[i].line || record.hashes.path == kLater ||
          !assumed_right(record.line & kAssumed, encoding))
        whole.store(false);
    }
  });
  if (whole.load() && !runs.empty()) {
    for (std::size_t r = 0; r < runs.size(); ++r) {
      table.starts.push_back(parts[r].begin);
      table.texts.push_back(std::move(runs[r]->text));
    }
    table.runs = std::move(runs);
    side.anything_below = observer.below.in(encoding);
    fill_table(table, options);
    return;
  }
  table.keys = ZeroedArray<KeyB>(side.hits.size());
  // One text a run, and one a stretch for the keys made here.
  table.texts.resize(runs.size() + parts.size());
  Catalogue::Hold hold(*side.catalogue);
  run_tasks(parts.size(), threads_or_cores(options.threads), [&] { return std::make_unique<KeyReader>(options.code_page); },
            [&](std::size_t p, std::unique_ptr<KeyReader>& reader) {
    const Stretch& part = parts[p];
    const auto late = static_cast<std::uint32_t>(runs.size() + p);
    const Record* records = part.run == kNone ? nullptr : runs[part.run]->records.data();
    const std::size_t count = part.run == kNone ? 0 : runs[part.run]->records.size();
    std::size_t at = 0;
    std::string key;
    for (std::size_t i = part.begin; i < part.end; ++i) {
      KeyB& entry = table.keys[i];
      entry = KeyB{};
      const Hit& hit = side.hits[i];
      while (at < count && (records[at].line & kLineBits) < hit.line) ++at;
      if (at < count && (records[at].line & kLineBits) == hit.line && records[at].hashes.path != kLater &&
          assumed_right(records[at].line & kAssumed, encoding)) {
        entry.hashes = records[at].hashes;
        entry.run = static_cast<std::uint32_t>(part.run);
        entry.folder = static_cast<std::uint32_t>(records[at].extra >> 32);
        entry.name = static_cast<std::uint32_t>(records[at].extra);
        continue;
      }
      // Its key waited for the encoding (or its chunk was searched twice): read it now.
      std::size_t folder_size = 0;
      if (!compare_keys::read_key(*side.catalogue, hit, ignore_case, *reader, key, folder_size)) continue;
      if (key.compare(0, side.prefix.size(), side.prefix) != 0) continue;
      observer.below.note(0);
      if (key.size() == side.prefix.size()) continue;
      const std::uint64_t folder_part_hash = compare_keys::folder_hash(key, folder_size, side.prefix);
      const std::string_view below = std::string_view(key).substr(side.prefix.size());
      const std::size_t folder_part = folder_size > side.prefix.size() ? folder_size - side.prefix.size() : 0;
      std::string& text = table.texts[late];
      if (!fits(text, below)) continue;  // beyond 4 GiB of such keys: left out
      entry.hashes = compare_keys::path_hashes(key, folder_size, folder_part_hash, hit.is_folder(), side.prefix);
      entry.run = late;
      entry.folder = keep_text(text, below.substr(0, folder_part));
      entry.name = keep_text(text, below.substr(folder_part));
    }
    if (part.run != kNone) {
      std::vector<Record>().swap(runs[part.run]->records);
      table.texts[part.run] = std::move(runs[part.run]->text);
    }
  });
  side.anything_below = observer.below.in(encoding);

  fill_table(table, options);
}

// The hashes and matches of A's hits (those its search kept) from its
// records, those without one made and looked up here.
void match_a(Side& side, ObserverA& observer, bool ignore_case, const std::string& code_page, const TableOfB& table,
             std::vector<PathHashes>& keys, std::vector<std::size_t>& in_b) {
  std::vector<std::unique_ptr<Run>> runs = observer.runs.take(side.catalogue.get());
  keys.assign(side.hits.size(), PathHashes{});
  in_b.assign(side.hits.size(), kNone);
  KeyReader reader(code_page);
  std::string key;
  std::size_t guess = 0;
  Catalogue::Hold hold(*side.catalogue);
  merge_records(runs, side.hits, side.catalogue->encoding(), [&](std::size_t i, const Record* record, std::size_t r) {
    if (record != nullptr && (record->line & kAssumed) == 0) {
      keys[i] = record->hashes;
      in_b[i] = static_cast<std::size_t>(record->extra);
      return;
    }
    if (record != nullptr) {
      // Its key was made in the encoding the catalogue turned out to have: looked up now.
      keys[i] = record->hashes;
      if (keys[i].path == kOutside) return;
      if ((record->line & kFoundInB) != 0) {
        in_b[i] = static_cast<std::size_t>(record->extra);
        shared(table.in_a[in_b[i]]).store(1, std::memory_order_relaxed);
        return;
      }
      const std::string& text = runs[r]->text;
      key.assign(kept_text(text, static_cast<std::uint32_t>(record->extra >> 32)));
      key += kept_text(text, static_cast<std::uint32_t>(record->extra));
      in_b[i] = table.match(keys[i].path, key, guess);
      return;
    }
    std::size_t folder_size = 0;
    const Hit& hit = side.hits[i];
    if (!compare_keys::read_key(*side.catalogue, hit, ignore_case, reader, key, folder_size)) return;
    if (key.compare(0, side.prefix.size(), side.prefix) != 0) return;
    observer.below.note(0);
    if (key.size() == side.prefix.size()) return;
    keys[i] = compare_keys::path_hashes(key, folder_size, compare_keys::folder_hash(key, folder_size, side.prefix),
                                        hit.is_folder(), side.prefix);
    in_b[i] = table.match(keys[i].path, std::string_view(key).substr(side.prefix.size()), guess);
  });
  side.anything_below = observer.below.in(side.catalogue->encoding());
}

// The lines of one side's entries in its order. `in_other(i)` says which
// entry the other side holds too (kNone when none); `changed(i, j)` says when
// the pair differs. Entries below a folder of this side alone go to that
// folder's line unless `all`: found by the hash of the folder's path, and
// told apart by the paths themselves.
template <typename KeysOf, typename InOther, typename Differs>
void add_lines(const Side& side, KeysOf keys_of, DifferenceKind kind, bool all, bool ignore_case, const std::string& code_page,
               InOther in_other, Differs differs, std::vector<Difference>& out, std::uint64_t& count,
               std::uint64_t& bytes, std::uint64_t& changed, const HitStore& other_hits) {
  struct MissingFolder {
    std::size_t entry;   // its index in side.hits
    std::size_t line;    // its difference, kNone when it has none
    std::size_t parent;  // the missing folder it stands in, kNone when none
  };
  std::vector<MissingFolder> folders;
  std::unordered_multimap<std::uint64_t, std::size_t> missing;  // path hash -> index in folders
  KeyReader reader(code_page);
  std::string key, folder_key;
  // The folder line of the files last looked at, and the missing folder it is (kNone: none).
  std::uint64_t last_folder_line = kRootFolder - 1;
  std::size_t last_parent = kNone;
  // The missing folder whose path is the folder of entry `i`, kNone when none.
  auto missing_parent = [&](std::size_t i) {
    const Hit& hit = side.hits[i];
    if (!hit.is_folder() && hit.folder == last_folder_line) return last_parent;
    std::size_t found = kNone;
    const auto [first, last] = missing.equal_range(keys_of(i).parent);
    bool read = false;
    for (auto candidate = first; candidate != last; ++candidate) {
      const Hit& folder = side.hits[folders[candidate->second].entry];
      bool same = !hit.is_folder() && hit.folder == folder.line;
      if (!same) {
        if (!read && !key_below(*side.catalogue, hit, side.prefix, ignore_case, reader, key)) break;
        read = true;
        same = key_below(*side.catalogue, folder, side.prefix, ignore_case, reader, folder_key) &&
               parent_of(key) == folder_key;
      }
      if (same) found = std::min(found, candidate->second);
    }
    if (!hit.is_folder()) {
      last_folder_line = hit.folder;
      last_parent = found;
    }
    return found;
  };
  for (std::size_t i = 0; i < side.hits.size(); ++i) {
    const PathHashes keys = keys_of(i);
    if (keys.path == kOutside) continue;
    const Hit& hit = side.hits[i];
    const std::size_t other = in_other(i);
    if (other != kNone) {
      if (!hit.is_folder() && differs(hit, other_hits[other])) {
        Difference difference;
        difference.kind = DifferenceKind::Changed;
        difference.entry = hit;
        difference.other = other_hits[other];
        difference.bytes = hit.size;
        out.push_back(difference);
        ++changed;
      }
      continue;
    }
    const std::size_t parent_folder = missing.empty() ? kNone : missing_parent(i);
    const bool shown = all || parent_folder == kNone;
    if (shown) {
      Difference difference;
      difference.kind = kind;
      difference.entry = hit;
      difference.bytes = hit.is_folder() ? 0 : hit.size;
      difference.whole = hit.is_folder() && !all;
      out.push_back(difference);
      ++count;
    }
    if (hit.is_folder()) {
      folders.push_back(MissingFolder{i, shown ? out.size() - 1 : kNone, parent_folder});
      missing.emplace(keys.path, folders.size() - 1);
      last_folder_line = kRootFolder - 1;  // the files after it may be in it
    } else {
      bytes += hit.size;
      for (std::size_t f = parent_folder; f != kNone; f = folders[f].parent)
        if (folders[f].line != kNone) out[folders[f].line].bytes += hit.size;
    }
  }
}

}  // namespace

bool paths_ignore_case(std::string_view root_a, std::string_view root_b) {
  return is_windows_root(root_a) || is_windows_root(root_b);
}

bool Comparison::relative_path(const Hit& entry, bool side_b, NameDecoder& decoder, std::string& out) const {
  const Catalogue& catalogue = side_b ? *b : *a;
  thread_local platform::PerThread<std::string> folder_slot;
  thread_local platform::PerThread<std::string> name_slot;
  thread_local platform::PerThread<std::string> raw_slot;
  std::string& folder = folder_slot.get();
  std::string& name = name_slot.get();
  std::string& raw = raw_slot.get();
  out.clear();
  if (!raw_relative_path(catalogue, entry, folder, name, raw)) return false;
  std::size_t start = 0;
  for (std::size_t level = 0; level < (side_b ? b_levels : a_levels) && start != std::string::npos; ++level) {
    start = raw.find('\\', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos) start = raw.size();
  decoder.decode(catalogue.encoding(), std::string_view(raw).substr(start), out);
  if (catalogue.posix_root()) std::replace(out.begin(), out.end(), '\\', '/');
  return true;
}

Comparison compare_catalogues(const CompareSide& a, const CompareSide& b, Query query, const CompareOptions& options,
                              const std::atomic<bool>* cancel) {
  Comparison result;
  result.a = a.catalogue;
  result.b = b.catalogue;
  const bool ignore_case = paths_ignore_case(a.catalogue->root(), b.catalogue->root());
  const bool whole_catalogues = query.terms.empty();
  if (whole_catalogues) {
    // Every entry: a date term of every date reads every line, as size: and date: searches do.
    Term every;
    every.kind = TermKind::Date;
    every.word = "date:*";
    query.terms.push_back(std::move(every));
  }
  const Matcher matcher(std::move(query));
  const std::string& code_page = options.search.code_page;
  Side sides[2];
  const CompareSide* given[2] = {&a, &b};
  for (int s = 0; s < 2; ++s) {
    sides[s].prefix = compare_keys::folder_prefix(given[s]->folder, ignore_case);
    (s == 0 ? result.a_levels : result.b_levels) =
        static_cast<std::size_t>(std::count(sides[s].prefix.begin(), sides[s].prefix.end(), '\\'));
  }
  auto cancelled = [&] { return cancel != nullptr && cancel->load(); };
  // Each side searched once, on every core (a catalogue that changes is
  // searched again by the search), its keys made as its entries are found:
  // B first, kept, then A, looked up in B's table as it is searched.
  SearchOutcome outcomes[2];
  auto search = [&](int s, const HitObserver& observer) {
    SearchOptions search_options = options.search;
    search_options.observer = &observer;
    std::vector<std::shared_ptr<const Catalogue>> searched;
    outcomes[s] = collect_hits({given[s]->catalogue}, matcher, search_options, sides[s].hits, searched, cancel);
    sides[s].catalogue = searched.front();
    return !outcomes[s].cancelled && !cancelled();
  };
  auto finish = [&] {
    for (const SearchOutcome& outcome : outcomes) {
      result.notes.insert(result.notes.end(), outcome.notes.begin(), outcome.notes.end());
      result.errors.insert(result.errors.end(), outcome.errors.begin(), outcome.errors.end());
    }
  };
  Side& side_a = sides[0];
  Side& side_b = sides[1];
  ObserverB observer_b(side_b.prefix, ignore_case, code_page);
  TableOfB table;
  if (!search(1, observer_b)) {
    finish();
    result.cancelled = true;
    return result;
  }
  make_table(side_b, observer_b, ignore_case, options.search, table);
  ObserverA observer_a(side_a.prefix, ignore_case, code_page, table, options.ignore_date);
  const bool searched_a = !cancelled() && search(0, observer_a);
  finish();
  if (!searched_a) {
    result.cancelled = true;
    return result;
  }
  std::vector<PathHashes> keys_a;
  std::vector<std::size_t> a_in_b;
  match_a(side_a, observer_a, ignore_case, code_page, table, keys_a, a_in_b);
  if (cancelled()) {
    result.cancelled = true;
    return result;
  }
  for (int s = 0; s < 2; ++s) {
    const Side& side = sides[s];
    if (side.catalogue->changed()) {
      result.errors.push_back(side.catalogue->source().file_name + " changed while it was compared");
      return result;
    }
    if (!side.prefix.empty() && whole_catalogues && !side.anything_below)
      result.errors.push_back(side.catalogue->name() + " has no folder \"" + given[s]->folder + "\"");
  }
  if (!result.errors.empty()) return result;

  // A folder of one side and a file of the other at one path cannot both be
  // there: their keys differ by the folder's last separator.
  add_lines(
      side_a, [&](std::size_t i) { return keys_a[i]; }, DifferenceKind::OnlyInA, options.all, ignore_case, code_page,
      [&](std::size_t i) { return a_in_b[i]; },
      [&](const Hit& x, const Hit& y) { return observer_a.differs(x, y); }, result.differences, result.only_in_a,
      result.only_in_a_bytes, result.changed, side_b.hits);
  std::uint64_t none = 0;
  add_lines(
      side_b, [&](std::size_t i) { return table.key(i).hashes; }, DifferenceKind::OnlyInB, options.all, ignore_case,
      code_page,
      [&](std::size_t i) { return table.in_a[i] != 0 ? std::size_t{0} : kNone; },
      [](const Hit&, const Hit&) { return false; }, result.differences, result.only_in_b, result.only_in_b_bytes,
      none, side_b.hits);
  result.a = side_a.catalogue;
  result.b = side_b.catalogue;
  return result;
}

std::string comparison_summary(const Comparison& comparison) {
  auto side = [](std::uint64_t count, std::uint64_t bytes, const char* which) {
    std::string text = std::to_string(count) + " only in " + which;
    if (bytes > 0) text += " (" + byte_size_text(bytes) + ")";
    return text;
  };
  return side(comparison.only_in_a, comparison.only_in_a_bytes, "A") + ", " +
         side(comparison.only_in_b, comparison.only_in_b_bytes, "B") + ", " + std::to_string(comparison.changed) +
         " changed";
}

}  // namespace korvint::search
