#pragma once
// Counts the tokens of a catalogue's names while an index is built: an open
// addressing table over one buffer of the tokens' bytes, far smaller than a
// map of strings for the million distinct tokens a large catalogue holds.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvint::search::index {

class TokenCounts {
 public:
  static constexpr std::uint32_t kNone = ~std::uint32_t{0};

  /// Counts one more entry holding `token` (at most 255 bytes); a new token
  /// past 4 GiB of tokens' bytes is not counted.
  void add(std::string_view token);
  /// How many entries were counted holding `token`.
  [[nodiscard]] std::uint32_t count(std::string_view token) const;
  /// The tokens counted at least `least` times, in byte order.
  [[nodiscard]] std::vector<std::string> those_from(std::uint32_t least) const;

 private:
  struct Slot {
    std::uint32_t at = kNone;  ///< where its token lies in bytes_ (kNone: empty)
    std::uint32_t count = 0;
    std::uint32_t tag = 0;     ///< high bits of its hash: most slots of other tokens are told apart without their bytes
  };
  // Its slot, or the empty one it would take.
  [[nodiscard]] std::size_t find(std::string_view token, std::uint64_t hash) const;
  [[nodiscard]] std::string_view token_at(std::uint32_t at) const;
  void grow();

  std::vector<Slot> slots_ = std::vector<Slot>(1u << 12);
  std::size_t used_ = 0;
  std::string bytes_;  // each token: one byte of length (tokens are cut at 255), then its bytes
};

/// The tokens a table lists, each with its number: small enough to stay in
/// the processor's cache while every token of every name is looked up.
class ListedTokens {
 public:
  explicit ListedTokens(const std::vector<std::string>& tokens);
  /// The number of `token` among those given, TokenCounts::kNone when not one of them.
  [[nodiscard]] std::uint32_t number(std::string_view token) const {
    const auto found = numbers_.find(token);
    return found == numbers_.end() ? TokenCounts::kNone : found->second;
  }

 private:
  std::unordered_map<std::string_view, std::uint32_t> numbers_;  // into the strings given, which outlive it
};

}  // namespace korvint::search::index
