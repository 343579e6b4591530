#include "search/hit_list.h"

#include "platform/large_memory.h"

#include <atomic>
#include <new>
#include <type_traits>
#include <bit>
#include <cinttypes>
#include <cstring>
#include <cstdio>

namespace korvint::search {

static_assert(std::is_trivially_destructible_v<Hit>);  // a block is let go without a call for each

void HitStore::push_back(const Hit& hit) {
  if (size_ == blocks_.size() * kBlock) {
    // Pages taken as filled; the first block's first pages small, for most
    // searches find a few thousand hits, not millions.
    const std::size_t small_head = blocks_.empty() ? kSmallHead : 0;
    blocks_.emplace_back(static_cast<Hit*>(platform::take_large_buffer(kBlock * sizeof(Hit), small_head)));
  }
  new (blocks_[size_ / kBlock].get() + size_ % kBlock) Hit(hit);
  ++size_;
}

void HitStore::pop_back(std::size_t count) {
  size_ -= std::min(count, size_);
  blocks_.resize((size_ + kBlock - 1) / kBlock);
}

void HitStore::release_before(std::size_t i) {
  for (std::size_t block = 0; block < std::min(i / kBlock, blocks_.size()); ++block) blocks_[block].reset();
}

void HitStore::clear() {
  blocks_.clear();
  size_ = 0;
}

void HitStore::Free::operator()(Hit* block) const { platform::give_back_large_buffer(block, kBlock * sizeof(Hit)); }

HitList::HitList(const std::vector<std::shared_ptr<Catalogue>>& catalogues)
    : catalogues_(catalogues.begin(), catalogues.end()) {}

bool HitList::take(const std::shared_ptr<const Catalogue>& catalogue, std::vector<Hit> hits) {
  if (hits.empty()) return true;
  catalogues_[hits.front().catalogue()] = catalogue;
  for (const Hit& hit : hits) hits_.push_back(hit);
  return true;
}

bool HitList::withdraw(std::size_t, std::size_t count) {
  hits_.pop_back(count);
  return true;
}

SearchOutcome collect_hits(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                           const SearchOptions& options, HitStore& hits,
                           std::vector<std::shared_ptr<const Catalogue>>& searched, const std::atomic<bool>* cancel) {
  HitList list(catalogues);
  SearchOutcome outcome = run_search(catalogues, matcher, options, list, cancel);
  hits = std::move(list.hits());
  searched = std::move(list.catalogues());
  return outcome;
}

bool stored_file_name(const Catalogue& catalogue, const Hit& hit, std::string& line, std::string_view& name) {
  name = {};
  if (!catalogue.line_at(hit.line, line)) return false;
  const std::size_t tab = line.find('\t');
  if (tab == std::string::npos) return false;
  name = std::string_view(line).substr(0, tab);
  return true;
}

namespace {
std::atomic<KeyHash> the_key_hash{nullptr};
}  // namespace

KeyHash key_hash() {
  const KeyHash hash = the_key_hash.load(std::memory_order_relaxed);
  return hash != nullptr ? hash : hash_text;
}

void set_key_hash(KeyHash hash) { the_key_hash.store(hash, std::memory_order_relaxed); }

std::uint64_t hash_text(std::string_view text, std::uint64_t seed) {
  // Eight bytes at a time, each multiplied in (as wyhash and its kin do), then mixed once.
  std::uint64_t hash = seed ^ (0x9E3779B97F4A7C15ULL * (text.size() + 1));
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    hash = std::rotl((hash ^ word) * 0xBF58476D1CE4E5B9ULL, 31);
  }
  std::uint64_t last = 0;
  if (i < text.size()) std::memcpy(&last, text.data() + i, text.size() - i);  // an empty view may hold no pointer
  return mix_bits((hash ^ last) * 0x94D049BB133111EBULL);
}

}  // namespace korvint::search
