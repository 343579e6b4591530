#include "search/duplicates.h"

#include <algorithm>
#include <deque>
#include <tuple>

#include "platform/case_folding.h"
#include "search/hit_list.h"
#include "search/name_decoder.h"
#include "search/text_match.h"

namespace korvint::search {
namespace {

constexpr std::uint64_t kTimeMask = (std::uint64_t{1} << 41) - 1;
constexpr std::uint64_t kUnread = ~std::uint64_t{0};  // the index of a file whose name could not be read

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The buffers one thread reuses to read names.
struct NameReader {
  explicit NameReader(const std::string& code_page) : decoder(code_page) {}
  NameDecoder decoder;
  std::string line;
  std::string decoded;

  // The name of `hit` as duplicates compare it into `out`: decoded and
  // case-folded as the search folds, its marks kept ("Café" and "CAFÉ" alike,
  // "Cafe" not). False when its catalogue changed since the search.
  bool folded(const Catalogue& catalogue, const Hit& hit, std::string& out) {
    std::string_view name;
    if (!stored_file_name(catalogue, hit, line, name)) return false;
    if (is_ascii(name)) {
      out.assign(name);
      for (char& c : out) c = ascii_lower(c);
      return true;
    }
    decoder.decode(catalogue.encoding(), name, decoded);
    platform::fold_for_search(decoded, out, platform::Marks::Keep);
    return true;
  }
};

// The sizes more than one file has: an open hash table of sizes (a size of 0
// marks an empty slot; the search never finds a file of 0 bytes here).
class SizeSet {
 public:
  SizeSet() = default;
  static SizeSet shared_sizes(const std::deque<Hit>& hits) {
    SizeSet seen(1024);
    SizeSet shared(1024);
    for (const Hit& hit : hits)
      if (!seen.insert(hit.size)) shared.insert(hit.size);
    return shared;
  }
  [[nodiscard]] bool holds(std::uint64_t size) const {
    if (slots_.empty()) return false;
    for (std::size_t slot = mix_bits(size) & mask_;; slot = (slot + 1) & mask_) {
      if (slots_[slot] == size) return true;
      if (slots_[slot] == 0) return false;
    }
  }

 private:
  explicit SizeSet(std::size_t expected) {
    std::size_t slots = 16;
    while (slots < 2 * expected) slots *= 2;
    slots_.assign(slots, 0);
    mask_ = slots - 1;
  }
  // False when `size` was there already. Grows past half full.
  bool insert(std::uint64_t size) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    std::size_t slot = mix_bits(size) & mask_;
    for (; slots_[slot] != 0; slot = (slot + 1) & mask_)
      if (slots_[slot] == size) return false;
    slots_[slot] = size;
    ++count_;
    return true;
  }
  void grow() {
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(old.size() * 2, 0);
    mask_ = slots_.size() - 1;
    count_ = 0;
    for (const std::uint64_t size : old)
      if (size != 0) insert(size);
  }

  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
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

Duplicates find_duplicates(const std::vector<std::shared_ptr<Catalogue>>& catalogues, Query query,
                           const DuplicateKeys& keys, const SearchOptions& options, const std::atomic<bool>* cancel) {
  Duplicates result;
  // Files of at least one byte: an empty file is alike to every other and wastes nothing.
  Term files;
  files.kind = TermKind::Size;
  files.word = "size:>0";
  files.low = 1;
  query.terms.push_back(std::move(files));
  const Matcher matcher(std::move(query));
  std::deque<Hit> hits;
  result.outcome = collect_hits(catalogues, matcher, options, hits, result.catalogues, cancel);
  const auto& searched = result.catalogues;
  auto cancelled = [&] { return cancel != nullptr && cancel->load(std::memory_order_relaxed); };
  if (result.outcome.cancelled || result.outcome.stopped || cancelled()) return result;

  std::vector<std::unique_ptr<Catalogue::Hold>> holds;
  for (const auto& catalogue : searched) holds.push_back(std::make_unique<Catalogue::Hold>(*catalogue));

  // Each file's key as 128 bits, the names read on every core: the size and
  // date as they are, a name as two independent 64-bit hashes (two names
  // alike by chance would need both to be equal: about 1 in 10^19 for ten
  // million files).
  struct Keyed {
    std::uint64_t first;
    std::uint64_t second;
    std::uint64_t index;
  };
  // With the size a key, a file whose size no other file has is alone: its
  // name is never read, and it takes no key. (Four bytes an index: four
  // billion files would need 128 GiB of hits first.)
  std::vector<std::uint32_t> chosen;
  {
    const SizeSet shared = keys.size ? SizeSet::shared_sizes(hits) : SizeSet();
    for (std::size_t i = 0; i < hits.size(); ++i)
      if (!keys.size || shared.holds(hits[i].size)) chosen.push_back(static_cast<std::uint32_t>(i));
  }
  std::vector<Keyed> keyed(chosen.size());
  for_slices(chosen.size(), worker_count(options), [&](std::size_t begin, std::size_t end, unsigned) {
    NameReader reader(options.code_page);
    std::string name;
    for (std::size_t k = begin; k < end; ++k) {
      if (k % 4096 == 0 && cancelled()) return;  // what is left unread is never looked at
      const std::size_t i = chosen[k];
      const Hit& hit = hits[i];
      const std::uint64_t size = keys.size ? hit.size : 0;
      const std::uint64_t time = keys.date ? hit.bits & kTimeMask : 0;
      if (!keys.name) {
        keyed[k] = Keyed{size, time, i};
        continue;
      }
      if (!reader.folded(*searched[hit.catalogue()], hit, name)) {
        keyed[k] = Keyed{0, 0, kUnread};
        continue;
      }
      keyed[k] = Keyed{hash_text(name, size), hash_text(name, ~time), i};
    }
  });
  chosen = {};
  if (cancelled()) {
    result.outcome.cancelled = true;
    return result;
  }
  for (const auto& catalogue : searched)
    if (catalogue->changed())
      result.outcome.errors.push_back(catalogue->source().file_name +
                                      " changed while its duplicates were sought: its files are left out");
  std::erase_if(keyed, [&](const Keyed& k) {
    return k.index == kUnread || searched[hits[k.index].catalogue()]->changed();
  });
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    return std::tie(a.first, a.second, a.index) < std::tie(b.first, b.second, b.index);
  });

  // Runs of equal keys are the groups, their files in search order.
  std::vector<std::uint64_t> members;
  std::vector<DuplicateGroup> groups;
  for (std::size_t i = 0; i < keyed.size();) {
    std::size_t j = i + 1;
    while (j < keyed.size() && keyed[j].first == keyed[i].first && keyed[j].second == keyed[i].second) ++j;
    if (j - i >= 2) {
      DuplicateGroup group;
      group.first = members.size();
      group.count = j - i;
      for (std::size_t k = i; k < j; ++k) {
        const Hit& hit = hits[keyed[k].index];
        members.push_back(keyed[k].index);
        group.size = std::max(group.size, hit.size);
        group.bytes += hit.size;
      }
      group.wasted = group.bytes - group.size;
      groups.push_back(group);
    }
    i = j;
  }
  keyed = {};

  std::sort(groups.begin(), groups.end(), [&](const DuplicateGroup& a, const DuplicateGroup& b) {
    if (a.wasted != b.wasted) return a.wasted > b.wasted;
    if (a.count != b.count) return a.count > b.count;
    return members[a.first] < members[b.first];
  });
  result.files.reserve(members.size());
  for (DuplicateGroup& group : groups) {
    const std::size_t first = result.files.size();
    for (std::size_t m = 0; m < group.count; ++m) result.files.push_back(hits[members[group.first + m]]);
    group.first = first;
  }
  result.groups = std::move(groups);
  return result;
}

}  // namespace korvint::search
