#include "search/compare.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "catalogue/parse_lines.h"
#include "platform/case_folding.h"
#include "platform/per_thread.h"
#include "search/forward_lines.h"
#include "search/hit_list.h"
#include "search/name_decoder.h"
#include "search/quantity_text.h"

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

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// append_path_key() of a path whose letters are ASCII (other bytes pass as
// they are): each byte through a table, "/" made "\\" and, when
// `ignore_case`, letters folded as the file system folds ASCII. True when
// every byte was ASCII.
bool append_ascii_key(std::string_view path, bool ignore_case, std::string& out) {
  using Table = std::array<char, 256>;
  static const std::array<Table, 2> tables = [] {
    std::string folded;
    platform::fold_case("a", folded);
    const bool upper = folded == "A";
    std::array<Table, 2> made{};
    for (int c = 0; c < 256; ++c) {
      const char byte = c == '/' ? '\\' : static_cast<char>(c);
      made[0][c] = byte;
      made[1][c] = (upper ? (c >= 'a' && c <= 'z') : (c >= 'A' && c <= 'Z')) ? static_cast<char>(c ^ 0x20) : byte;
    }
    return made;
  }();
  const Table& table = tables[ignore_case ? 1 : 0];
  const std::size_t start = out.size();
  out.resize(start + path.size());
  char* to = out.data() + start;
  unsigned char high = 0;
  for (const char c : path) {
    high |= static_cast<unsigned char>(c);
    *to++ = table[static_cast<unsigned char>(c)];
  }
  return high < 0x80;
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
  HitStore hits;
  struct Keys {
    std::uint64_t path = kOutside;  // the hash of the path below the compared folder
    std::uint64_t parent = 0;       // the hash of its folder's path
  };
  std::vector<Keys> keys;
  bool anything_below = false;
};

// The buffers one thread reuses to read keys.
struct KeyReader {
  explicit KeyReader(const std::string& code_page) : decoder(code_page) {}
  NameDecoder decoder;
  std::string raw, decoded, name;
};

// `raw`, read from `catalogue`, decoded and appended to `key` as paths are matched.
void append_key(const Catalogue& catalogue, std::string_view raw, bool ignore_case, KeyReader& reader,
                std::string& key) {
  if (catalogue.encoding() != TextEncoding::CodePage) {
    const std::size_t start = key.size();
    if (append_ascii_key(raw, ignore_case, key)) return;  // ASCII reads as itself in UTF-8
    key.resize(start);
  }
  reader.decoder.decode(catalogue.encoding(), raw, reader.decoded);
  append_path_key(reader.decoded, ignore_case, key);
}

// The key of `hit` below `prefix` (a folder's ends with "\") into `out`; false
// when it cannot be read or lies outside. Read on its own: for the few keys
// looked at again.
bool key_below(const Catalogue& catalogue, const Hit& hit, std::string_view prefix, bool ignore_case,
               KeyReader& reader, std::string& out) {
  std::string key;
  if (!raw_folder(catalogue, hit, reader.raw) || !raw_name(catalogue, hit, reader.name)) return false;
  append_key(catalogue, reader.raw, ignore_case, reader, key);
  append_key(catalogue, reader.name, ignore_case, reader, key);
  if (hit.is_folder()) key += '\\';
  if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return false;
  out.assign(key, prefix.size());
  return true;
}

// The key of the folder that holds the entry of key `key` ("" for the compared folder).
std::string_view parent_of(std::string_view key) {
  const std::string_view trimmed = key.substr(0, key.size() - (key.ends_with('\\') ? 1 : 0));
  const std::size_t cut = trimmed.rfind('\\');
  return cut == std::string_view::npos ? std::string_view() : trimmed.substr(0, cut + 1);
}

// Reads the key of each of `side`'s entries on every core: the path below the
// compared folder, "/" made "\" and folded as paths are matched. Sets each
// entry's hashes and calls `on_key(i, key, folder_size, slice)`, the key's
// first `folder_size` bytes its folder's part (all of a folder's), `slice`
// the thread's number. An entry outside the compared folder (or that cannot
// be read) keeps kOutside and is not passed on. The files of one folder come
// one after another: its path is read and folded once for them.
template <typename OnKey>
void read_keys(Side& side, bool ignore_case, const SearchOptions& options, const std::atomic<bool>* cancel,
               OnKey on_key) {
  side.keys.assign(side.hits.size(), Side::Keys{});
  const Catalogue& catalogue = *side.catalogue;
  const KeyHash hash = key_hash();
  Catalogue::Hold hold(catalogue);
  std::atomic<bool> below{false};
  for_slices(side.hits.size(), threads_or_cores(options.threads), [&](std::size_t begin, std::size_t end,
                                                                      unsigned slice) {
    KeyReader reader(options.code_page);
    ForwardLines lines;
    std::string_view text;
    std::string key;
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
        key.clear();
        if (hit.is_folder()) {
          // Its path "PARENT\NAME\" (the search found the line well formed): the parent's key, then the name's.
          if (!lines.first_field_at(catalogue, hit.line, text) || !text.ends_with('\\')) continue;
          text.remove_suffix(1);
          const std::size_t cut = text.rfind('\\');
          const std::size_t name_at = cut == std::string_view::npos ? 0 : cut + 1;
          append_key(catalogue, text.substr(0, name_at), ignore_case, reader, key);
          append_key(catalogue, text.substr(name_at), ignore_case, reader, key);
          key += '\\';
        } else if (hit.folder != kRootFolder) {
          const auto path =
              lines.line_at(catalogue, hit.folder, text) ? catalogue::folder_path_of_line(text) : std::nullopt;
          if (!path) continue;
          append_key(catalogue, *path, ignore_case, reader, key);
        }
        folder_line = folder;
        folder_size = key.size();
        folder_hash = key.size() >= side.prefix.size()
                          ? hash(std::string_view(key).substr(side.prefix.size()), 0) | 1
                          : 0;
      }
      key.resize(folder_size);
      if (!hit.is_folder()) {
        if (!lines.first_field_at(catalogue, hit.line, text)) continue;
        append_key(catalogue, text, ignore_case, reader, key);
      }
      if (key.compare(0, side.prefix.size(), side.prefix) != 0) continue;
      any = true;  // the compared folder is there, empty or not
      if (key.size() == side.prefix.size()) continue;  // the folder itself
      const std::string_view key_below = std::string_view(key).substr(side.prefix.size());
      std::uint64_t parent = folder_hash;  // a file's folder is the folder line above it
      std::uint64_t path = 0;
      if (hit.is_folder()) {
        parent = hash(parent_of(key_below), 0) | 1;
        path = hash(key_below, 0) | 1;
      } else {
        // A file's path hash: its last level's, seeded with the hash of the
        // levels before it, which for a name without "\" is its folder's,
        // made once for all its files. (So both sides hash a path alike
        // however its levels came: a name may hold a "\" on Linux.)
        const std::size_t cut = key_below.rfind('\\');
        const std::size_t head = cut == std::string_view::npos ? 0 : cut + 1;
        const bool folders_part = folder_size >= side.prefix.size() && head == folder_size - side.prefix.size();
        const std::uint64_t head_hash = folders_part ? folder_hash : hash(key_below.substr(0, head), 0) | 1;
        path = hash(key_below.substr(head), head_hash) | 1;
      }
      side.keys[i] = Side::Keys{path, parent};
      // (A file's name may hold a "\" on Linux: its folder's part is then shorter than the compared folder.)
      on_key(i, key_below, folder_size > side.prefix.size() ? folder_size - side.prefix.size() : 0, slice);
    }
    if (any) below.store(true, std::memory_order_relaxed);
  });
  side.anything_below = below.load();
}

// The keys of B's entries, kept to tell a match of hashes from the same path:
// each folder's part once, each entry's name after it, in the text of the
// thread that read it. Some 20 bytes an entry besides its text.
class KeptKeys {
 public:
  KeptKeys(std::size_t entries, unsigned slices) : texts_(slices), entries_(entries), last_folder_(slices, kNoFolder) {}

  // Called by read_keys() for entry `i`: keeps its key.
  void keep(std::size_t i, std::string_view key, std::size_t folder_size, unsigned slice) {
    std::string& text = texts_[slice];
    const std::string_view folder = key.substr(0, folder_size);
    // The folder's part is kept once for the files after it.
    std::uint64_t& last = last_folder_[slice];
    if (last == kNoFolder || view(slice, last) != folder) {
      last = ref(text.size(), folder.size());
      text.append(folder);
    }
    entries_[i] = Entry{slice, last, ref(text.size(), key.size() - folder_size)};
    text.append(key.substr(folder_size));
  }

  // True when B's entry `b` has the key `key`.
  [[nodiscard]] bool holds(std::size_t b, std::string_view key) const {
    const Entry& entry = entries_[b];
    const std::string_view folder = view(entry.slice, entry.folder);
    const std::string_view name = view(entry.slice, entry.name);
    return key.size() == folder.size() + name.size() && key.starts_with(folder) && key.ends_with(name);
  }

 private:
  static constexpr std::uint64_t kNoFolder = ~std::uint64_t{0};
  // An offset in a thread's text (40 bits) and a length (24 bits: a key is
  // at most three times the longest line).
  static std::uint64_t ref(std::size_t offset, std::size_t length) {
    return static_cast<std::uint64_t>(offset) << 24 | length;
  }
  [[nodiscard]] std::string_view view(unsigned slice, std::uint64_t at) const {
    return std::string_view(texts_[slice]).substr(at >> 24, at & 0xFFFFFF);
  }
  struct Entry {
    unsigned slice = 0;
    std::uint64_t folder = 0;
    std::uint64_t name = 0;
  };
  std::vector<std::string> texts_;
  std::vector<Entry> entries_;
  std::vector<std::uint64_t> last_folder_;
};

// The lines of one side's entries in its order. `in_other(i)` says which
// entry the other side holds too (kNone when none); `changed(i, j)` says when
// the pair differs. Entries below a folder of this side alone go to that
// folder's line unless `all`: found by the hash of the folder's path, and
// told apart by the paths themselves.
template <typename InOther, typename Differs>
void add_lines(const Side& side, DifferenceKind kind, bool all, bool ignore_case, const std::string& code_page,
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
    const auto [first, last] = missing.equal_range(side.keys[i].parent);
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

std::string path_key(std::string_view path, bool ignore_case) {
  std::string key;
  append_path_key(path, ignore_case, key);
  return key;
}

void append_path_key(std::string_view path, bool ignore_case, std::string& out) {
  if (ignore_case && !is_ascii(path)) {
    std::string folded;
    platform::fold_case(path, folded);
    const std::size_t start = out.size();
    out += folded;
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '/', '\\');
    return;
  }
  append_ascii_key(path, ignore_case, out);
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
  Side sides[2];
  const CompareSide* given[2] = {&a, &b};
  auto cancelled = [&] { return cancel != nullptr && cancel->load(); };
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
    if (outcome.cancelled || cancelled()) {
      result.cancelled = true;
      return result;
    }
  }
  // B's keys first, kept, and its entries in an open hash table, twice as
  // many slots as B has entries (placed by the hash mixed again: its lowest
  // bit is always set).
  Side& side_b = sides[1];
  const unsigned threads = threads_or_cores(options.search.threads);
  KeptKeys kept(side_b.hits.size(), threads);
  read_keys(side_b, ignore_case, options.search, cancel,
            [&](std::size_t i, std::string_view key, std::size_t folder_size, unsigned slice) {
              kept.keep(i, key, folder_size, slice);
            });
  // A slot holds the index + 1 (0: empty) and, above it, the hash's upper
  // half, so that a slot of another path is passed over without a look at B.
  const std::vector<Side::Keys>& keys_b = side_b.keys;
  std::size_t slots = 2;
  while (slots < 2 * keys_b.size()) slots *= 2;
  std::vector<std::uint64_t> table(slots, 0);
  const auto tag = [](std::uint64_t path) { return path & ~std::uint64_t{0xFFFFFFFF}; };
  // An entry whose hash another of B's has too is marked: the only ones A
  // must look for in the table whatever it found before.
  std::vector<bool> shared_hash(keys_b.size(), false);
  for (std::size_t i = 0; i < keys_b.size(); ++i) {
    if (keys_b[i].path == kOutside) continue;
    std::size_t slot = mix_bits(keys_b[i].path) & (slots - 1);
    for (; table[slot] != 0; slot = (slot + 1) & (slots - 1)) {
      const std::size_t other = (table[slot] & 0xFFFFFFFF) - 1;
      if (keys_b[other].path == keys_b[i].path) shared_hash[other] = shared_hash[i] = true;
    }
    table[slot] = tag(keys_b[i].path) | (i + 1);
  }
  // Then A's, each looked up in B's table as it is read: every entry of B at
  // its path (twins that differ only in case, a case-sensitive catalogue
  // compared without case, are all held by A), the paths compared whole. A
  // backup lists its entries in the order of what it copies: B's entry after
  // the one A's last entry matched is tried first, and when it is the only
  // one of B with that hash, the table is not looked at.
  std::vector<std::size_t> a_in_b(sides[0].hits.size(), kNone);
  std::vector<std::atomic<bool>> b_in_a(side_b.hits.size());
  std::vector<std::size_t> next_b(threads, 0);
  if (!cancelled())
    read_keys(sides[0], ignore_case, options.search, cancel,
              [&](std::size_t i, std::string_view key, std::size_t, unsigned slice) {
                const std::uint64_t path = sides[0].keys[i].path;
                const std::size_t guess = next_b[slice];
                if (guess < keys_b.size() && keys_b[guess].path == path && !shared_hash[guess] &&
                    kept.holds(guess, key)) {
                  a_in_b[i] = guess;
                  b_in_a[guess].store(true, std::memory_order_relaxed);
                  next_b[slice] = guess + 1;
                  return;
                }
                for (std::size_t slot = mix_bits(path) & (slots - 1); table[slot] != 0; slot = (slot + 1) & (slots - 1)) {
                  if ((table[slot] & ~std::uint64_t{0xFFFFFFFF}) != tag(path)) continue;
                  const std::size_t in_b = (table[slot] & 0xFFFFFFFF) - 1;
                  if (keys_b[in_b].path != path || !kept.holds(in_b, key)) continue;
                  if (a_in_b[i] == kNone || in_b < a_in_b[i]) a_in_b[i] = in_b;
                  b_in_a[in_b].store(true, std::memory_order_relaxed);
                  next_b[slice] = in_b + 1;
                }
              });
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
  const auto differs = [&](const Hit& x, const Hit& y) {
    return x.size != y.size || (!options.ignore_date && (x.bits & ((std::uint64_t{1} << 41) - 1)) !=
                                                            (y.bits & ((std::uint64_t{1} << 41) - 1)));
  };
  const std::string& code_page = options.search.code_page;
  add_lines(sides[0], DifferenceKind::OnlyInA, options.all, ignore_case, code_page,
            [&](std::size_t i) { return a_in_b[i]; }, differs, result.differences, result.only_in_a,
            result.only_in_a_bytes, result.changed, side_b.hits);
  std::uint64_t none = 0;
  add_lines(side_b, DifferenceKind::OnlyInB, options.all, ignore_case, code_page,
            [&](std::size_t i) { return b_in_a[i].load(std::memory_order_relaxed) ? std::size_t{0} : kNone; },
            [](const Hit&, const Hit&) { return false; }, result.differences, result.only_in_b,
            result.only_in_b_bytes, none, side_b.hits);
  result.a = sides[0].catalogue;
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
