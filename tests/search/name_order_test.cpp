// The order of names: without case, digits as numbers.

#include <gtest/gtest.h>

#include "search/name_order.h"

namespace korvint::search {
namespace {

TEST(NameOrderTest, EachSortsBeforeTheNextAndAlikeOnlyWithItself) {
  const std::string sorted[] = {"",     "a",   "A1",  "a01", "a1b", "a2",  "a9", "a10", "a010",
                                "a10b", "a11", "ab",  "b",   "disk 9", "disk 10", "disk 10 (2)"};
  const std::size_t count = std::size(sorted);
  for (std::size_t i = 0; i < count; ++i) {
    EXPECT_EQ(compare_natural(sorted[i], sorted[i]), 0) << sorted[i];
    for (std::size_t j = i + 1; j < count; ++j) {
      EXPECT_LT(compare_natural(sorted[i], sorted[j]), 0) << sorted[i] << " before " << sorted[j];
      EXPECT_GT(compare_natural(sorted[j], sorted[i]), 0) << sorted[j] << " after " << sorted[i];
    }
  }
  EXPECT_EQ(compare_natural("Holiday", "hOLIDAY"), 0);
  // A name with accents sorts after the same letters without and before what follows them.
  std::string arger;
  append_sort_key("\xC3\x84rger", arger);
  EXPECT_GT(compare_natural(arger, "arger"), 0);
  EXPECT_LT(compare_natural(arger, "argerlich"), 0);
  EXPECT_LT(compare_natural(arger, "with space"), 0);
}

}  // namespace
}  // namespace korvint::search
