#include "search/compare_a_lookup.h"

#include "search/compare_key_maker.h"

namespace korvint::search::compare_detail {

using compare_keys::KeyReader;
using compare_keys::kOutside;
using compare_keys::PathHashes;

// Records one search of one chunk of A.
class ObserverA::Recorder final : public HitRecorder {
 public:
  Recorder(const ObserverA& observer, const Catalogue& catalogue, const Chunk& chunk)
      : observer_(observer), keys_(catalogue, observer.prefix_, observer.ignore_case_, observer.code_page_),
        run_(observer.runs.open(catalogue, chunk, 0)), lane_(*run_->lane) {}
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
      KeptTexts& text = lane_.text;
      if (!keyed) {
        lane_.records.push_back(record);
      } else if (const std::size_t in_b = observer_.table_.guessed(keys_.below(), guess_, false); in_b != kNone) {
        record.line |= kFoundInB;
        record.hashes = keys_.hashes();
        record.extra = in_b;
        lane_.records.push_back(record);
      } else if (fits(text, keys_.below())) {
        const std::uint32_t folder_at = keep_text(text, keys_.below().substr(0, keys_.folder_part()));
        const std::uint32_t name_at = keep_text(text, keys_.below().substr(keys_.folder_part()));
        record.hashes = keys_.hashes();
        record.extra = std::uint64_t{folder_at} << 32 | name_at;
        lane_.records.push_back(record);
      }
      return true;
    }
    if (!keyed) return false;  // outside the compared folder: no line
    // The entry after B's last matched is tried by its text first: only when it is not that one is the key hashed.
    std::size_t in_b = observer_.table_.guessed(keys_.below(), guess_);
    if (in_b == kNone) in_b = observer_.table_.match(keys_.hashes().path, keys_.below(), guess_);
    if (in_b != kNone && (hit.is_folder() || !observer_.differs(hit, (*observer_.table_.hits)[in_b]))) return false;
    lane_.records.push_back(Record{hit.line, keys_.hashes(), in_b});
    return true;
  }

 private:
  const ObserverA& observer_;
  KeyMaker keys_;
  std::unique_ptr<Run> run_;
  Lane& lane_;
  std::size_t guess_ = 0;
};

std::unique_ptr<HitRecorder> ObserverA::open(const Catalogue& catalogue, std::size_t, const Chunk& chunk) const {
  if (runs.start(catalogue)) {
    // A catalogue opened afresh (it changed) is searched from its start:
    // what the version before found and marked in B stands for nothing.
    below.clear();
    for (std::size_t i = 0; i < table_.in_a.size(); ++i) shared(table_.in_a[i]).store(0, std::memory_order_relaxed);
  }
  return std::make_unique<Recorder>(*this, catalogue, chunk);
}

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
      const KeptTexts& text = runs[r]->text();
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

}  // namespace korvint::search::compare_detail
