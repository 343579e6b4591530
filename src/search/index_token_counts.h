#pragma once
// Counts the tokens of a catalogue's names while an index is built: an open
// addressing table over one buffer of the tokens' bytes, far smaller than a
// map of strings for the million distinct tokens a large catalogue holds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvint::search::index {

class TokenCounts {
 public:
  static constexpr std::uint32_t kNone = ~std::uint32_t{0};

  /// Counts one more entry holding `token`.
  void add(std::string_view token);
  /// How many entries were counted holding `token`.
  [[nodiscard]] std::uint32_t count(std::string_view token) const;
  /// Numbers the tokens counted at least `least` times 0, 1, ... in byte order; returns them in that order.
  std::vector<std::string> number_those_from(std::uint32_t least);
  /// The number number_those_from() gave `token`, kNone for the others.
  [[nodiscard]] std::uint32_t number(std::string_view token) const;

 private:
  struct Slot {
    std::uint32_t at = kNone;  ///< where its token lies in bytes_ (kNone: empty)
    std::uint32_t count = 0;
    std::uint32_t number = kNone;
  };
  [[nodiscard]] std::size_t find(std::string_view token) const;  // its slot, or the empty one it would take
  [[nodiscard]] std::string_view token_at(std::uint32_t at) const;
  void grow();

  std::vector<Slot> slots_ = std::vector<Slot>(1u << 12);
  std::size_t used_ = 0;
  std::string bytes_;  // each token: one byte of length (tokens are cut at 255), then its bytes
};

}  // namespace korvint::search::index
