#pragma once
// A's side of a comparison: its entries looked up in B's table as its search
// finds them, and after the search the hashes and matches of those it kept.
// Internal to the comparison.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/catalogue.h"
#include "search/compare_b_table.h"
#include "search/compare_keys.h"
#include "search/compare_runs.h"
#include "search/hit_observer.h"
#include "search/result_set.h"

namespace korvint::search::compare_detail {

/// Looks A's entries up in B's table as its search finds them: one that B
/// holds alike is left out of A's hits (it makes no line); the others are
/// kept with their hashes and their match.
class ObserverA final : public HitObserver {
 public:
  ObserverA(std::string_view prefix, bool ignore_case, const std::string& code_page, const TableOfB& table,
            bool ignore_date)
      : prefix_(prefix), ignore_case_(ignore_case), code_page_(code_page), table_(table), ignore_date_(ignore_date) {}

  std::unique_ptr<HitRecorder> open(const Catalogue& catalogue, std::size_t, const Chunk& chunk) const override;

  mutable Runs runs;
  mutable FoundBelow below;

  /// True when files `a` and `b` differ by size (or date).
  [[nodiscard]] bool differs(const Hit& a, const Hit& b) const {
    constexpr std::uint64_t kTime = (std::uint64_t{1} << 41) - 1;
    return a.size != b.size || (!ignore_date_ && (a.bits & kTime) != (b.bits & kTime));
  }

 private:
  class Recorder;

  std::string prefix_;
  bool ignore_case_;
  std::string code_page_;
  const TableOfB& table_;
  bool ignore_date_;
};

/// The hashes (`keys`) and matches in B (`in_b`, kNone: none) of A's hits
/// (`side`, those its search kept) from its records, those without one made
/// and looked up here. Sets side.anything_below.
void match_a(Side& side, ObserverA& observer, bool ignore_case, const std::string& code_page, const TableOfB& table,
             std::vector<compare_keys::PathHashes>& keys, std::vector<std::size_t>& in_b);

}  // namespace korvint::search::compare_detail
