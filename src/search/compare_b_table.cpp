#include "search/compare_b_table.h"

#include <atomic>

#include "search/compare_key_maker.h"
#include "search/parallel_tasks.h"

namespace korvint::search::compare_detail {

using compare_keys::KeyReader;
using compare_keys::kLater;
using compare_keys::kOutside;
using compare_keys::PathHashes;

namespace {

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

}  // namespace

// Records one search of one chunk of B.
class ObserverB::Recorder final : public HitRecorder {
 public:
  Recorder(const ObserverB& observer, const Catalogue& catalogue, const Chunk& chunk)
      : observer_(observer), keys_(catalogue, observer.prefix_, observer.ignore_case_, observer.code_page_),
        run_(observer.runs.open(catalogue, chunk, catalogue.size() / observer.workers_ + 2 * (chunk.end - chunk.begin))),
        lane_(*run_->lane) {}
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
      KeptTexts& text = lane_.text;
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
    lane_.records.push_back(record);
    return true;
  }

 private:
  const ObserverB& observer_;
  KeyMaker keys_;
  std::unique_ptr<Run> run_;
  Lane& lane_;
};

std::unique_ptr<HitRecorder> ObserverB::open(const Catalogue& catalogue, std::size_t, const Chunk& chunk) const {
  if (runs.start(catalogue)) below.clear();
  return std::make_unique<Recorder>(*this, catalogue, chunk);
}

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
    const std::span<const Record> records = runs[part.run]->records;
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
      table.texts.push_back(&runs[r]->text());
    }
    table.runs = std::move(runs);
    side.anything_below = observer.below.in(encoding);
    fill_table(table, options);
    return;
  }
  table.keys = ZeroedArray<KeyB>(side.hits.size());
  // The texts of the runs, and one a stretch for the keys made here.
  table.late_texts.resize(parts.size());
  for (const auto& run : runs) table.texts.push_back(&run->text());
  for (const KeptTexts& text : table.late_texts) table.texts.push_back(&text);
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
      KeptTexts& text = table.late_texts[p];
      if (!fits(text, below)) continue;  // beyond 4 GiB of such keys: left out
      entry.hashes = compare_keys::path_hashes(key, folder_size, folder_part_hash, hit.is_folder(), side.prefix);
      entry.run = late;
      entry.folder = keep_text(text, below.substr(0, folder_part));
      entry.name = keep_text(text, below.substr(folder_part));
    }
  });
  side.anything_below = observer.below.in(encoding);

  fill_table(table, options);
}

}  // namespace korvint::search::compare_detail
