#include "search/compare.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

#include "catalogue/parse_lines.h"
#include "platform/case_folding.h"
#include "search/hit_list.h"
#include "search/name_decoder.h"

namespace korvint::search {
namespace {

constexpr std::size_t kNone = ~std::size_t{0};
constexpr std::uint64_t kOutside = 0;  // the hash of an entry outside the compared folder

bool is_windows_root(std::string_view root) {
  const bool drive = root.size() >= 2 && ((root[0] >= 'A' && root[0] <= 'Z') || (root[0] >= 'a' && root[0] <= 'z')) &&
                     root[1] == ':';
  const bool unc = root.size() >= 2 && (root[0] == '\\' || root[0] == '/') && (root[1] == '\\' || root[1] == '/');
  return drive || unc;
}

// The compared folder as a key prefix: its levels, each ended by "\"; "" for the root.
std::string folder_prefix(std::string_view folder, bool ignore_case) {
  std::string key = path_key(folder, ignore_case);
  while (!key.empty() && key.front() == '\\') key.erase(key.begin());
  while (!key.empty() && key.back() == '\\') key.pop_back();
  if (!key.empty()) key += '\\';
  return key;
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

// What one side found and the hash of each entry's path.
struct Side {
  std::shared_ptr<const Catalogue> catalogue;
  std::string prefix;  // the compared folder as a key prefix
  std::deque<Hit> hits;
  struct Keys {
    std::uint64_t path = kOutside;  // the hash of the path below the compared folder
    std::uint64_t check = 0;        // a second, independent hash of it
    std::uint64_t parent = 0;       // the hash of its folder's path
  };
  std::vector<Keys> keys;
  bool anything_below = false;
};

// Hashes the paths of `side`'s entries on every core; an entry outside the
// compared folder (or that cannot be read) keeps kOutside. The files of one
// folder come one after another: its path is read and folded once for them.
void hash_paths(Side& side, bool ignore_case, const SearchOptions& options, const std::atomic<bool>* cancel) {
  side.keys.assign(side.hits.size(), Side::Keys{});
  const Catalogue& catalogue = *side.catalogue;
  Catalogue::Hold hold(catalogue);
  std::atomic<bool> below{false};
  for_slices(side.hits.size(), worker_count(options), [&](std::size_t begin, std::size_t end, unsigned) {
    NameDecoder decoder(options.code_page);
    std::string raw, decoded, key, name_key;
    std::uint64_t folder_line = kRootFolder - 1;  // the folder whose key `key` holds; none yet
    std::size_t folder_size = 0;                  // the length of that key
    std::uint64_t folder_hash = 0;                // the hash of that key below the compared folder
    bool any = false;
    for (std::size_t i = begin; i < end; ++i) {
      if (i % 4096 == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed)) return;
      const Hit& hit = side.hits[i];
      const std::uint64_t folder = hit.is_folder() ? hit.line : hit.folder;
      if (folder != folder_line) {
        // A folder's own path; for a file, that of the folder line above it ("" for the root).
        bool read = true;
        if (hit.is_folder()) {
          read = raw_folder(catalogue, hit, raw) && raw_name(catalogue, hit, decoded);
          raw += decoded;
          raw += '\\';
        } else {
          read = raw_folder(catalogue, hit, raw);
        }
        if (!read) continue;
        decoder.decode(catalogue.encoding(), raw, decoded);
        key.clear();
        append_path_key(decoded, ignore_case, key);
        folder_line = folder;
        folder_size = key.size();
        folder_hash = key.size() >= side.prefix.size() ? hash_text(std::string_view(key).substr(side.prefix.size())) | 1 : 0;
      }
      key.resize(folder_size);
      if (!hit.is_folder()) {
        std::string_view name;
        if (!stored_file_name(catalogue, hit, raw, name)) continue;
        decoder.decode(catalogue.encoding(), name, decoded);
        append_path_key(decoded, ignore_case, key);
      }
      if (key.compare(0, side.prefix.size(), side.prefix) != 0) continue;
      any = true;  // the compared folder is there, empty or not
      if (key.size() == side.prefix.size()) continue;  // the folder itself
      const std::string_view below_folder = std::string_view(key).substr(side.prefix.size());
      std::uint64_t parent = folder_hash;  // a file's folder is the folder line above it
      if (hit.is_folder()) {
        const std::string_view trimmed = below_folder.substr(0, below_folder.size() - 1);
        const std::size_t cut = trimmed.rfind('\\');
        parent = hash_text(cut == std::string_view::npos ? std::string_view() : trimmed.substr(0, cut + 1)) | 1;
      }
      side.keys[i] = Side::Keys{hash_text(below_folder) | 1, hash_text(below_folder, 0x5BD1E995), parent};
    }
    if (any) below.store(true, std::memory_order_relaxed);
  });
  side.anything_below = below.load();
}

// The lines of one side's entries in its order. `in_other(i)` says which
// entry the other side holds too (kNone when none); `changed(i, j)` says when
// the pair differs. Entries below a folder of this side alone go to that
// folder's line unless `all`.
template <typename InOther, typename Differs>
void add_lines(const Side& side, DifferenceKind kind, bool all, InOther in_other, Differs differs,
               std::vector<Difference>& out, std::uint64_t& count, std::uint64_t& bytes, std::uint64_t& changed,
               const std::deque<Hit>& other_hits) {
  struct MissingFolder {
    std::size_t line;    // its difference, kNone when it has none
    std::size_t parent;  // the missing folder it stands in, kNone when none
  };
  std::vector<MissingFolder> folders;
  std::unordered_map<std::uint64_t, std::size_t> missing;  // path hash -> index in folders
  for (std::size_t i = 0; i < side.hits.size(); ++i) {
    const Side::Keys& keys = side.keys[i];
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
    const auto parent = missing.find(keys.parent);
    const std::size_t parent_folder = parent == missing.end() ? kNone : parent->second;
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
      folders.push_back(MissingFolder{shown ? out.size() - 1 : kNone, parent_folder});
      missing.emplace(keys.path, folders.size() - 1);
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

std::string path_key(std::string_view path, bool ignore_case) {
  std::string key;
  append_path_key(path, ignore_case, key);
  return key;
}

void append_path_key(std::string_view path, bool ignore_case, std::string& out) {
  const std::size_t start = out.size();
  const bool ascii =
      std::all_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ignore_case && !ascii) {
    thread_local std::string folded;
    platform::fold_case(path, folded);
    out += folded;
  } else {
    out.append(path);
  }
  if (ignore_case && ascii) {
    // The file system's folding of ASCII, without a call to it for each path.
    static const bool upper = [] {
      std::string folded;
      platform::fold_case("a", folded);
      return folded == "A";
    }();
    for (auto c = out.begin() + static_cast<std::ptrdiff_t>(start); c != out.end(); ++c)
      if (upper ? (*c >= 'a' && *c <= 'z') : (*c >= 'A' && *c <= 'Z')) *c = static_cast<char>(*c ^ 0x20);
  }
  std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '/', '\\');
}

bool Comparison::relative_path(const Hit& entry, bool side_b, NameDecoder& decoder, std::string& out) const {
  const Catalogue& catalogue = side_b ? *b : *a;
  thread_local std::string folder, name, raw;
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
  Side sides[2];
  const CompareSide* given[2] = {&a, &b};
  for (int s = 0; s < 2; ++s) {
    Side& side = sides[s];
    side.prefix = folder_prefix(given[s]->folder, ignore_case);
    (s == 0 ? result.a_levels : result.b_levels) =
        static_cast<std::size_t>(std::count(side.prefix.begin(), side.prefix.end(), '\\'));
    // Each side searched once, on every core; a catalogue that changes is searched again by the search.
    std::vector<std::shared_ptr<const Catalogue>> searched;
    SearchOutcome outcome = collect_hits({given[s]->catalogue}, matcher, options.search, side.hits, searched, cancel);
    side.catalogue = searched.front();
    result.notes.insert(result.notes.end(), outcome.notes.begin(), outcome.notes.end());
    result.errors.insert(result.errors.end(), outcome.errors.begin(), outcome.errors.end());
    if (outcome.cancelled || (cancel != nullptr && cancel->load())) {
      result.cancelled = true;
      return result;
    }
    hash_paths(side, ignore_case, options.search, cancel);
    if (cancel != nullptr && cancel->load()) {
      result.cancelled = true;
      return result;
    }
    if (side.catalogue->changed()) {
      result.errors.push_back(side.catalogue->source().file_name + " changed while it was compared");
      return result;
    }
    if (!side.prefix.empty() && whole_catalogues && !side.anything_below)
      result.errors.push_back(side.catalogue->name() + " has no folder \"" + given[s]->folder + "\"");
  }
  if (!result.errors.empty()) return result;

  // B's entries by the hashes of their path, for A's to find: an open
  // hash table of 4-byte indexes, twice as many slots as B has entries.
  const std::vector<Side::Keys>& keys_b = sides[1].keys;
  std::size_t slots = 2;
  while (slots < 2 * keys_b.size()) slots *= 2;
  std::vector<std::uint32_t> table(slots, 0);  // index in B + 1; 0 is empty
  for (std::size_t i = 0; i < keys_b.size(); ++i) {
    if (keys_b[i].path == kOutside) continue;
    std::size_t slot = keys_b[i].path & (slots - 1);
    while (table[slot] != 0) slot = (slot + 1) & (slots - 1);
    table[slot] = static_cast<std::uint32_t>(i + 1);
  }
  std::vector<std::size_t> a_in_b(sides[0].hits.size(), kNone);
  std::vector<char> b_in_a(sides[1].hits.size(), 0);
  for (std::size_t i = 0; i < sides[0].hits.size(); ++i) {
    const Side::Keys& keys = sides[0].keys[i];
    if (keys.path == kOutside) continue;
    // Every entry of B at this path: twins that differ only in case (a
    // case-sensitive catalogue compared without case) are all held by A.
    for (std::size_t slot = keys.path & (slots - 1); table[slot] != 0; slot = (slot + 1) & (slots - 1)) {
      const std::size_t b = table[slot] - 1;
      if (keys_b[b].path != keys.path || keys_b[b].check != keys.check) continue;
      if (a_in_b[i] == kNone || b < a_in_b[i]) a_in_b[i] = b;
      b_in_a[b] = 1;
    }
  }
  // A folder of one side and a file of the other at one path cannot both be
  // there: their keys differ by the folder's last separator.
  const auto differs = [&](const Hit& x, const Hit& y) {
    return x.size != y.size || (!options.ignore_date && (x.bits & ((std::uint64_t{1} << 41) - 1)) !=
                                                            (y.bits & ((std::uint64_t{1} << 41) - 1)));
  };
  add_lines(sides[0], DifferenceKind::OnlyInA, options.all, [&](std::size_t i) { return a_in_b[i]; }, differs,
            result.differences, result.only_in_a, result.only_in_a_bytes, result.changed, sides[1].hits);
  std::uint64_t none = 0;
  add_lines(sides[1], DifferenceKind::OnlyInB, options.all,
            [&](std::size_t i) { return b_in_a[i] != 0 ? std::size_t{0} : kNone; },
            [](const Hit&, const Hit&) { return false; }, result.differences, result.only_in_b,
            result.only_in_b_bytes, none, sides[1].hits);
  result.a = sides[0].catalogue;
  result.b = sides[1].catalogue;
  return result;
}

std::string comparison_summary(const Comparison& comparison) {
  auto side = [](std::uint64_t count, std::uint64_t bytes, const char* which) {
    std::string text = std::to_string(count) + " only in " + which;
    if (bytes > 0) text += " (" + size_text(bytes) + ")";
    return text;
  };
  return side(comparison.only_in_a, comparison.only_in_a_bytes, "A") + ", " +
         side(comparison.only_in_b, comparison.only_in_b_bytes, "B") + ", " + std::to_string(comparison.changed) +
         " changed";
}

}  // namespace korvint::search
