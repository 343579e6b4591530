#include "engine/name_pattern.h"

#include <gtest/gtest.h>

namespace korvint::engine {
namespace {

TEST(NamePattern, StarDotStarMatchesEveryName) {
  for (const char* name : {"a", "a.b", ".hidden", "no dot", "x.", ""}) {
    EXPECT_TRUE(matches_pattern("*.*", name)) << name;
    EXPECT_TRUE(matches_pattern("*", name)) << name;
  }
}

TEST(NamePattern, WildcardsAndCase) {
  EXPECT_TRUE(matches_pattern("*.TXT", "notes.txt"));
  EXPECT_FALSE(matches_pattern("*.txt", "notes.txt.bak"));
  EXPECT_TRUE(matches_pattern("a?c*", "abcdef"));
  EXPECT_FALSE(matches_pattern("a?c", "ac"));
  EXPECT_TRUE(matches_pattern("*a*b*", "xxaxxbxx"));
  EXPECT_FALSE(matches_pattern("*a*b", "xxaxxbxxc"));
}

}  // namespace
}  // namespace korvint::engine
