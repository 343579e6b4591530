// The files of duplicate groups put in the groups' order where the hits
// stand: against a plain sort of the groups, for groups that straddle the
// words of the marks kept a bit a file, of equal waste, of one file, large.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>

#include "search/duplicate_order.h"

namespace korvint::search {
namespace {

TEST(DuplicateOrderTest, PutsTheGroupsInTheirOrderAmongTheHits) {
  static constexpr std::uint64_t kSizes[] = {1, 10, 1000, 5000000000ULL};
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 rng(seed);
    const std::size_t count = 1 + rng() % (seed % 2 == 0 ? 200 : 3000);
    // Each file of a group (named by its first file) or alone; groups of
    // a few files, and for some seeds one that holds most.
    HitStore hits;
    std::vector<std::uint64_t> members;
    std::map<std::size_t, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < count; ++i) {
      Hit hit;
      hit.line = i;
      hit.size = kSizes[rng() % (seed % 3 == 0 ? 1 : 4)];
      hits.push_back(hit);
      const bool alone = rng() % 4 == 0;
      if (alone && rng() % 2 == 0) continue;  // a file not among the members at all
      std::size_t first = i;
      if (!alone && !members.empty() && rng() % 3 != 0) {
        first = members[rng() % members.size()] >> 32;
        if (seed % 5 == 0 && rng() % 2 == 0) first = members.front() >> 32;
      }
      members.push_back(std::uint64_t{first} << 32 | i);
      groups[first].push_back(i);
    }
    std::shuffle(members.begin(), members.end(), rng);
    std::sort(members.begin(), members.end());

    std::vector<std::tuple<std::uint64_t, std::size_t, std::size_t>> expected;  // (wasted, count, first)
    for (const auto& [first, files] : groups) {
      if (files.size() < 2) continue;
      std::uint64_t bytes = 0, largest = 0;
      for (const std::size_t i : files) bytes += hits[i].size, largest = std::max(largest, hits[i].size);
      expected.emplace_back(bytes - largest, files.size(), first);
    }
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
      if (std::get<0>(a) != std::get<0>(b)) return std::get<0>(a) > std::get<0>(b);
      if (std::get<1>(a) != std::get<1>(b)) return std::get<1>(a) > std::get<1>(b);
      return std::get<2>(a) < std::get<2>(b);
    });
    std::vector<std::uint32_t> expected_starts;
    std::vector<std::uint64_t> expected_lines;
    for (const auto& group : expected) {
      expected_starts.push_back(static_cast<std::uint32_t>(expected_lines.size()));
      for (const std::size_t i : groups[std::get<2>(group)]) expected_lines.push_back(i);
    }

    const std::vector<std::uint32_t> starts = place_duplicate_groups(hits, members);
    EXPECT_TRUE(members.empty());
    EXPECT_EQ(starts, expected_starts);
    std::vector<std::uint64_t> lines;
    for (std::size_t i = 0; i < hits.size(); ++i) lines.push_back(hits[i].line);
    EXPECT_EQ(lines, expected_lines);
  }
}

}  // namespace
}  // namespace korvint::search
