#include "search/compare.h"

#include <algorithm>
#include <unordered_map>

#include "platform/per_thread.h"
#include "search/compare_a_lookup.h"
#include "search/compare_b_table.h"
#include "search/compare_keys.h"
#include "search/compare_runs.h"
#include "search/hit_list.h"
#include "search/hit_observer.h"
#include "search/name_decoder.h"
#include "search/parallel_tasks.h"
#include "search/quantity_text.h"

namespace korvint::search {
namespace {

using compare_detail::kNone;
using compare_detail::ObserverA;
using compare_detail::ObserverB;
using compare_detail::Side;
using compare_detail::TableOfB;
using compare_keys::KeyReader;
using compare_keys::key_below;
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
  ObserverB observer_b(side_b.prefix, ignore_case, code_page, threads_or_cores(options.search.threads));
  TableOfB table;
  if (!search(1, observer_b)) {
    finish();
    result.cancelled = true;
    return result;
  }
  compare_detail::make_table(side_b, observer_b, ignore_case, options.search, table);
  ObserverA observer_a(side_a.prefix, ignore_case, code_page, table, options.ignore_date);
  const bool searched_a = !cancelled() && search(0, observer_a);
  finish();
  if (!searched_a) {
    result.cancelled = true;
    return result;
  }
  std::vector<PathHashes> keys_a;
  std::vector<std::size_t> a_in_b;
  compare_detail::match_a(side_a, observer_a, ignore_case, code_page, table, keys_a, a_in_b);
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
