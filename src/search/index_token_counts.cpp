#include "search/index_token_counts.h"

#include <algorithm>

#include "search/index_format.h"

namespace korvint::search::index {
namespace {

std::uint64_t hash_of(std::string_view token) { return checksum(token); }

}  // namespace

std::string_view TokenCounts::token_at(std::uint32_t at) const {
  return std::string_view(bytes_).substr(at + 1, static_cast<unsigned char>(bytes_[at]));
}

std::size_t TokenCounts::find(std::string_view token, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const auto tag = static_cast<std::uint32_t>(hash >> 32);
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.at == kNone || (slot.tag == tag && token_at(slot.at) == token)) return i;
  }
}

void TokenCounts::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.at == kNone) continue;
    std::size_t i = hash_of(token_at(slot.at)) & mask;
    while (slots_[i].at != kNone) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void TokenCounts::add(std::string_view token) {
  const std::uint64_t hash = hash_of(token);
  Slot& slot = slots_[find(token, hash)];
  if (slot.at == kNone) {
    // Places are 32-bit: past them a new token is not counted (it stays rare, which answers alike).
    if (bytes_.size() + token.size() + 1 >= kNone) return;
    slot.at = static_cast<std::uint32_t>(bytes_.size());
    slot.tag = static_cast<std::uint32_t>(hash >> 32);
    bytes_.push_back(static_cast<char>(token.size()));
    bytes_ += token;
    ++used_;
  }
  ++slot.count;
  if (used_ * 4 > slots_.size() * 3) grow();  // at most three quarters full: probes stay short
}

std::uint32_t TokenCounts::count(std::string_view token) const {
  const Slot& slot = slots_[find(token, hash_of(token))];
  return slot.at == kNone ? 0 : slot.count;
}

std::vector<std::string> TokenCounts::those_from(std::uint32_t least) const {
  std::vector<std::string> tokens;
  for (const Slot& slot : slots_)
    if (slot.at != kNone && slot.count >= least) tokens.emplace_back(token_at(slot.at));
  std::sort(tokens.begin(), tokens.end());
  return tokens;
}

ListedTokens::ListedTokens(const std::vector<std::string>& tokens) {
  numbers_.reserve(tokens.size());
  for (std::uint32_t n = 0; n < tokens.size(); ++n) numbers_.emplace(tokens[n], n);
}

}  // namespace korvint::search::index
