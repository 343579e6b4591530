#include "search/duplicates.h"

#include <algorithm>
#include <span>
#include <tuple>

#include "platform/case_folding.h"
#include "platform/large_memory.h"
#include "search/duplicate_order.h"
#include "search/forward_lines.h"
#include "search/hit_list.h"
#include "search/name_decoder.h"
#include "search/text_match.h"

namespace korvint::search {
namespace {

constexpr std::uint64_t kTimeMask = (std::uint64_t{1} << 41) - 1;
constexpr std::uint64_t kUnread = ~std::uint64_t{0};  // the key of a file whose name could not be read
constexpr std::uint64_t kIndexBits = 0xFFFFFFFF;       // a key's lower half: the file's index
constexpr std::uint64_t kHashBits = ~kIndexBits;       // its upper half: 32 bits of its key's hash
constexpr std::uint32_t kNoFile = ~std::uint32_t{0};
// A candidate's lower half: its run's number, and whether it is the run's model.
constexpr std::uint64_t kFirst = std::uint64_t{1} << 31;
constexpr std::uint64_t kRunBits = kFirst - 1;
// A file's verdict while its run is told apart.
constexpr std::uint8_t kAlike = 0;       // alike its run's first file
constexpr std::uint8_t kOther = 1;       // not: it goes round again
constexpr std::uint8_t kUnreadable = 2;  // its name could not be read: left out
constexpr std::uint8_t kLater = 3;       // compared once every slice has read its first files
// What telling a part's runs apart may hold beside the keys: a quarter of
// theirs, at least 4 MiB (fewer parts read the catalogues fewer times).
constexpr std::size_t kPartShare = 4;
constexpr std::size_t kLeastPartBytes = std::size_t{4} << 20;

// A vector whose large buffer is a mapping of its own, given back to the system once let go.
template <typename T>
using LargeVector = std::vector<T, platform::LargeBufferAllocator<T>>;

// A run's model: its first file, and where its folded name was kept (kUnread: not read).
struct Model {
  std::uint32_t first = kNoFile;
  std::uint64_t name = kUnread;
};

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The buffers one thread reuses to read names, forward through the catalogues.
struct NameReader {
  explicit NameReader(const std::string& code_page) : decoder(code_page) {}
  NameDecoder decoder;
  ForwardLines lines;
  std::string decoded;

  // The name of `hit` as duplicates compare it into `out`: decoded and
  // case-folded as the search folds, its marks kept ("Café" and "CAFÉ" alike,
  // "Cafe" not). False when its catalogue changed since the search.
  bool folded(const Catalogue& catalogue, const Hit& hit, std::string& out) {
    std::string_view name;
    if (!lines.first_field_at(catalogue, hit.line, name)) return false;
    if (is_ascii(name)) {
      out.resize(name.size());
      std::transform(name.begin(), name.end(), out.begin(), ascii_lower);
      return true;
    }
    decoder.decode(catalogue.encoding(), name, decoded);
    platform::fold_for_search(decoded, out, platform::Marks::Keep);
    return true;
  }
};

// The sizes that may be more than one file's: the bit a size's hash picks in
// each of two arrays, the first set when a size lands there, the second when
// one lands there again. A size alone in its bit is no other file's; two
// sizes that share a bit are both taken as shared (at eight bits an array a
// file, a few in a hundred): that only reads a name more, for the keys compare
// sizes exactly. 2 bytes a file found, filled on every core, instead of a hash
// table of the sizes (16 bytes a size, read and written at random).
class SizeFilter {
 public:
  explicit SizeFilter(const HitStore& hits, unsigned threads) {
    std::size_t bits = std::size_t{1} << 16;
    while (bits < 8 * hits.size()) bits *= 2;
    mask_ = bits - 1;
    Words once(bits / 64);  // (let go once filled: 1 byte a file kept)
    twice_ = Words(bits / 64);
    for_slices(hits.size(), threads, [&](std::size_t begin, std::size_t end, unsigned) {
      for (std::size_t i = begin; i < end; ++i) {
        const std::uint64_t bit = mix_bits(hits[i].size) & mask_;
        const std::uint64_t word_bit = std::uint64_t{1} << (bit % 64);
        if ((once[bit / 64].fetch_or(word_bit, std::memory_order_relaxed) & word_bit) != 0)
          twice_[bit / 64].fetch_or(word_bit, std::memory_order_relaxed);
      }
    });
  }
  [[nodiscard]] bool may_be_shared(std::uint64_t size) const {
    const std::uint64_t bit = mix_bits(size) & mask_;
    return (twice_[bit / 64].load(std::memory_order_relaxed) >> (bit % 64) & 1) != 0;
  }

 private:
  // Large arrays mapped on their own, so each goes back to the system once let go.
  using Words = LargeVector<std::atomic<std::uint64_t>>;
  std::size_t mask_ = 0;
  Words twice_;
};

}  // namespace

std::optional<DuplicateKeys> parse_duplicate_keys(std::string_view text, std::string& error) {
  DuplicateKeys keys{false, false, false};
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    std::string word(text.substr(start, comma - start));
    for (char& c : word) c = ascii_lower(c);
    if (word == "name") {
      keys.name = true;
    } else if (word == "size") {
      keys.size = true;
    } else if (word == "date") {
      keys.date = true;
    } else {
      error = "--by takes keys from name, size and date joined by commas (name,size or size,date or name), not \"" +
              std::string(text) + "\"";
      return std::nullopt;
    }
    start = comma + 1;
  }
  return keys;
}

DuplicateFiles find_duplicate_files(const std::vector<std::shared_ptr<Catalogue>>& catalogues, Query query,
                                    const DuplicateKeys& keys, const SearchOptions& options,
                                    const std::atomic<bool>* cancel, std::size_t max_part_keys) {
  DuplicateFiles result;
  // Files of at least one byte: an empty file is alike to every other and wastes nothing.
  Term files;
  files.kind = TermKind::Size;
  files.word = "size:>0";
  files.low = 1;
  query.terms.push_back(std::move(files));
  const Matcher matcher(std::move(query));
  HitStore hits;
  result.outcome = collect_hits(catalogues, matcher, options, hits, result.catalogues, cancel);
  const auto& searched = result.catalogues;
  auto cancelled = [&] { return cancel != nullptr && cancel->load(std::memory_order_relaxed); };
  if (result.outcome.cancelled || result.outcome.stopped || cancelled()) return result;

  std::vector<std::unique_ptr<Catalogue::Hold>> holds;
  for (const auto& catalogue : searched) holds.push_back(std::make_unique<Catalogue::Hold>(*catalogue));
  const unsigned threads = threads_or_cores(options.threads);
  const KeyHash hash = key_hash();

  // Each file that may have a twin keyed in 8 bytes: 32 bits of the hash of
  // its key (its name read, decoded and folded on every core; its size and
  // date mixed in) above its index. With the size a key, a file whose size no
  // other file has is alone: its name is never read, and it takes no key.
  // (Four bytes an index: four billion files would need 128 GiB of hits first.)
  std::vector<std::uint64_t> keyed;
  std::size_t held = 0;  // the hits' and the keys' bytes
  {
    std::optional<SizeFilter> shared;
    if (keys.size) shared.emplace(hits, threads);
    const auto may_have_twin = [&](std::size_t i) { return !shared || shared->may_be_shared(hits[i].size); };
    std::size_t count = 0;
    for (std::size_t i = 0; i < hits.size(); ++i) count += may_have_twin(i) ? 1 : 0;
    keyed.reserve(count);
    held = hits.size() * sizeof(Hit) + count * sizeof(std::uint64_t);
    platform::prefer_large_pages(keyed.data(), count * sizeof(std::uint64_t));
    for (std::size_t i = 0; i < hits.size(); ++i)
      if (may_have_twin(i)) keyed.push_back(i);
  }
  const auto seed_of = [&](const Hit& hit) {
    return mix_bits((keys.size ? hit.size : 0) ^ mix_bits(keys.date ? (hit.bits & kTimeMask) + 1 : 0));
  };
  // The folded names' bytes, so the models' names are kept in texts sized once.
  std::atomic<std::uint64_t> name_bytes{0};
  for_slices(keyed.size(), threads, [&](std::size_t begin, std::size_t end, unsigned) {
    NameReader reader(options.code_page);
    std::string name;
    std::uint64_t bytes = 0;
    for (std::size_t k = begin; k < end; ++k) {
      if (k % 4096 == 0 && cancelled()) break;  // what is left unread is never looked at
      const Hit& hit = hits[keyed[k]];
      std::uint64_t key = seed_of(hit);
      if (keys.name) {
        if (!reader.folded(*searched[hit.catalogue()], hit, name)) {
          keyed[k] = kUnread;
          continue;
        }
        key = hash(name, key);
        bytes += name.size();
      }
      keyed[k] |= key & kHashBits;
    }
    name_bytes += bytes;
  });
  const std::uint64_t name_length = name_bytes / std::max<std::size_t>(1, keyed.size()) + 1;
  if (cancelled()) {
    result.outcome.cancelled = true;
    return result;
  }
  // A catalogue that changed is said once, whichever step found it.
  std::vector<char> said(searched.size(), 0);
  const auto say_changed = [&] {
    for (std::size_t c = 0; c < searched.size(); ++c)
      if (!said[c] && searched[c]->changed()) {
        said[c] = 1;
        result.outcome.errors.push_back(searched[c]->source().file_name +
                                        " changed while its duplicates were sought: its files are left out");
      }
  };
  say_changed();
  std::erase_if(keyed, [&](std::uint64_t k) {
    return k == kUnread || searched[hits[k & kIndexBits].catalogue()]->changed();
  });
  std::sort(keyed.begin(), keyed.end());

  // Runs of equal hashes are the candidate groups: the keys of files alone
  // in their hash dropped, the runs kept in hash order.
  const auto run_end = [&](std::size_t i) {
    std::size_t j = i + 1;
    while (j < keyed.size() && (keyed[j] & kHashBits) == (keyed[i] & kHashBits)) ++j;
    return j;
  };
  std::size_t candidates = 0;
  for (std::size_t i = 0; i < keyed.size();) {
    const std::size_t j = run_end(i);
    for (std::size_t k = i; j - i >= 2 && k < j; ++k) keyed[candidates++] = keyed[k];
    i = j;
  }
  keyed.resize(candidates);  // (not shrunk: a copy would hold both for a moment)

  // The runs are told apart a part at a time (whole runs, a stretch of
  // hashes), so what that holds beside the keys (16 bytes a run and its
  // first file's name, a byte a file) is one part's. Each part's settled
  // members (each alike another: its group's first file above its own
  // index) are moved down to the front of the keys, behind the parts before.
  // A key's share of it: half a run's model and name at most (a run holds
  // two keys or more), and its verdict.
  const std::size_t part_keys =
      max_part_keys != 0
          ? max_part_keys
          : std::max<std::size_t>(2, std::max(kLeastPartBytes, candidates * sizeof(std::uint64_t) / kPartShare) /
                                         ((sizeof(Model) + name_length * 9 / 8) / 2 + 1));
  // (Mapped on their own: what a part held goes back to the system once let go.)
  LargeVector<Model> models;
  LargeVector<std::uint8_t> verdict;
  std::vector<std::string> texts(threads);  // each slice's first files' folded names, kept from part to part
  LargeVector<std::uint64_t> rest;
  std::size_t front = 0;  // the members settled so far
  for (std::size_t begin = 0; begin < keyed.size();) {
    std::size_t end = run_end(begin);
    for (std::size_t next = 0; end < keyed.size() && (next = run_end(end)) - begin <= part_keys;) end = next;
    // Each member, in search order, as its index above its run's number
    // (made in place of the keys), the run's first file marked: its model.
    models.clear();
    models.reserve((end - begin) / 2);  // (grown by doubling, it would hold twice its size for a moment)
    std::size_t runs = 0;
    for (std::size_t i = begin; i < end; ++runs) {
      const std::size_t j = run_end(i);
      models.push_back(Model{static_cast<std::uint32_t>(keyed[i] & kIndexBits), kUnread});
      for (std::size_t k = i; k < j; ++k) keyed[k] = (keyed[k] & kIndexBits) << 32 | runs | (k == i ? kFirst : 0);
      i = j;
    }
    const std::span<std::uint64_t> part(keyed.data() + begin, end - begin);
    std::sort(part.begin(), part.end());
    std::size_t settled = 0;
    std::size_t size = part.size();
    // Each run told apart exactly: its first file's key read, every other
    // file compared with it. Those alike are a group; the others, a run of
    // their own when they are two or more, are told apart the same way (a
    // run holds more than one key only when two keys' hashes collide).
    for (bool again = false; settled < size; again = true) {
      const std::span<std::uint64_t> pending = part.subspan(settled, size - settled);
      if (again) {
        // The first file left of each run is its model now.
        for (std::uint64_t& m : pending) {
          m &= ~kFirst;
          models[m & kRunBits] = Model{kNoFile, kUnread};
        }
        for (std::uint64_t& m : pending) {
          Model& model = models[m & kRunBits];
          if (model.first != kNoFile) continue;
          model.first = static_cast<std::uint32_t>(m >> 32);
          m |= kFirst;
        }
      }
      const auto text_of = [&](std::uint64_t ref) {
        return std::string_view(texts[ref >> 56]).substr(ref >> 20 & 0xFFFFFFFFF, ref & 0xFFFFF);
      };
      // Each file's verdict: alike its run's first file (its entry made the
      // first file's index above its own), not, unreadable, or to be compared
      // later: a file whose run's first file another slice reads.
      verdict.assign(pending.size(), kUnreadable);
      const auto compare = [&](std::size_t k, NameReader& reader, std::string& name) {
        const Model& model = models[pending[k] & kRunBits];
        const std::uint64_t index = pending[k] >> 32;
        const Hit& hit = hits[index];
        if (keys.name && !reader.folded(*searched[hit.catalogue()], hit, name)) return;
        const Hit& first = hits[model.first];
        const bool alike = (!keys.name || model.name != kUnread) && (!keys.size || hit.size == first.size) &&
                           (!keys.date || (hit.bits & kTimeMask) == (first.bits & kTimeMask)) &&
                           (!keys.name || name == text_of(model.name));
        verdict[k] = alike ? kAlike : kOther;
        if (alike) pending[k] = std::uint64_t{model.first} << 32 | index;
      };
      // One pass forward: a run's first file comes before the others, so a
      // slice compares at once the files whose first file it read itself.
      for_slices(pending.size(), threads, [&](std::size_t from, std::size_t to, unsigned slice) {
        NameReader reader(options.code_page);
        std::string name;
        std::string& text = texts[slice];
        std::size_t firsts = 0;
        for (std::size_t k = from; k < to; ++k) firsts += (pending[k] & kFirst) != 0 ? 1 : 0;
        text.clear();
        text.reserve(keys.name ? firsts * name_length * 9 / 8 : 0);  // (grown by doubling, it would hold twice that)
        const std::uint64_t lowest = pending[from] >> 32;
        for (std::size_t k = from; k < to; ++k) {
          if (k % 4096 == 0 && cancelled()) return;
          const std::uint64_t index = pending[k] >> 32;
          Model& model = models[pending[k] & kRunBits];
          if ((pending[k] & kFirst) != 0) {
            if (keys.name) {
              const Hit& hit = hits[index];
              if (!reader.folded(*searched[hit.catalogue()], hit, name)) continue;
              model.name = std::uint64_t{slice} << 56 | text.size() << 20 | name.size();
              text += name;
            }
            verdict[k] = kAlike;
            pending[k] = index << 32 | index;
          } else if (keys.name && model.first < lowest) {
            verdict[k] = kLater;  // (its model's name is another slice's, written while this one reads)
          } else {
            compare(k, reader, name);
          }
        }
      });
      if (keys.name && !cancelled()) {
        for_slices(pending.size(), threads, [&](std::size_t from, std::size_t to, unsigned) {
          NameReader reader(options.code_page);
          std::string name;
          for (std::size_t k = from; k < to; ++k) {
            if (k % 4096 == 0 && cancelled()) return;
            if (verdict[k] == kLater) compare(k, reader, name);
          }
        });
      }
      if (cancelled()) {
        result.outcome.cancelled = true;
        return result;
      }
      // The alike of a run are a group (named by its first file; one alone
      // is left out below); the rest go round again under the run's number.
      // (Written in place: a file settles at or before its own place.)
      rest.clear();
      std::size_t to = settled;
      for (std::size_t k = 0; k < pending.size(); ++k) {
        if (verdict[k] == kAlike) part[to++] = pending[k];
        if (verdict[k] == kOther) rest.push_back(pending[k]);
      }
      settled = to;
      std::copy(rest.begin(), rest.end(), part.begin() + static_cast<std::ptrdiff_t>(settled));
      size = settled + rest.size();
    }
    if (front != begin)
      std::copy(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(settled), keyed.begin() + static_cast<std::ptrdiff_t>(front));
    front += settled;
    begin = end;
  }
  // Names that could not be read again while the runs were told apart (their
  // catalogue changed meanwhile) left their files out of every group: say so,
  // or the answer would pass for whole.
  say_changed();
  decltype(models)().swap(models);
  decltype(verdict)().swap(verdict);
  std::vector<std::string>().swap(texts);
  decltype(rest)().swap(rest);
  keyed.resize(front);
  std::vector<std::uint64_t> members = std::move(keyed);
  std::sort(members.begin(), members.end());
  // The files of the groups put in the groups' order among the hits (the
  // others let go), in no more room than the members took.
  result.starts = place_duplicate_groups(hits, members);
  // Copied out a block at a time, each block let go once copied.
  result.files.reserve(hits.size());
  platform::prefer_large_pages(result.files.data(), hits.size() * sizeof(Hit));
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (i % HitStore::kBlock == 0) hits.release_before(i);
    result.files.push_back(hits[i]);
  }
  hits.clear();
  const std::size_t kept = result.files.size() * sizeof(Hit) + result.starts.size() * sizeof(result.starts[0]);
  result.spare_bytes = held - std::min(held, kept);
  return result;
}

Duplicates find_duplicates(const std::vector<std::shared_ptr<Catalogue>>& catalogues, Query query,
                           const DuplicateKeys& keys, const SearchOptions& options, const std::atomic<bool>* cancel,
                           std::size_t max_part_keys) {
  DuplicateFiles found = find_duplicate_files(catalogues, std::move(query), keys, options, cancel, max_part_keys);
  Duplicates result;
  result.catalogues = std::move(found.catalogues);
  result.files = std::move(found.files);
  result.outcome = std::move(found.outcome);
  const std::vector<std::uint32_t> starts = std::move(found.starts);
  result.groups.reserve(starts.size());
  for (std::size_t g = 0; g < starts.size(); ++g) {
    DuplicateGroup group;
    group.first = starts[g];
    group.count = (g + 1 < starts.size() ? starts[g + 1] : result.files.size()) - group.first;
    for (std::size_t k = group.first; k < group.first + group.count; ++k) {
      group.size = std::max(group.size, result.files[k].size);
      group.bytes += result.files[k].size;
    }
    group.wasted = group.bytes - group.size;
    result.groups.push_back(group);
  }
  return result;
}

}  // namespace korvint::search
