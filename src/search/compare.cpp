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
#include "search/compare_b_table.h"
#include "search/hit_list.h"
#include "search/hit_observer.h"
#include "search/name_decoder.h"
#include "search/quantity_text.h"

namespace korvint::search {
namespace {

using compare_detail::FoundBelow;
using compare_detail::KeyMaker;
using compare_detail::ObserverB;
using compare_detail::Record;
using compare_detail::Run;
using compare_detail::Runs;
using compare_detail::Side;
using compare_detail::Stretch;
using compare_detail::TableOfB;
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
using compare_detail::make_table;
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
