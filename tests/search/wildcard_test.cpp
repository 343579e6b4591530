// Wildcards matched a "*"-free segment at a time, leftmost first: the cases
// where a greedy match could go wrong, and names and patterns (and plain
// words) long enough that a match which tries every start again would not end.

#include <gtest/gtest.h>

#include <string>

#include "search/text_match.h"

namespace korvint::search {
namespace {

TEST(WildcardTest, SegmentsMatchLeftmostFirstAndQuestionMarksOneCharacter) {
  const std::string a70(70, 'a');
  struct Case {
    std::string text;
    std::string pattern;  // lowercase, as folded needles are
    bool matches;
  };
  const Case cases[] = {
      {"abcabd", "*abd", true},
      {"abcabd", "a*d", true},
      {"abab", "*ab*ab", true},
      {"aba", "ab*ba", false},  // the first and last segment may not share a byte
      {"ababa", "ab*ba", true},
      {"xaybzaxyc", "*a?y*c", true},
      {"xaybz", "*a?c*", false},
      {"IMG_0042.JPG", "img_????.jpg", true},
      {"IMG_042.JPG", "img_????.jpg", false},
      {"\xC3\xA4\xC3\xB6.txt", "*?\xC3\xB6.*", true},  // "?" takes a whole UTF-8 sequence
      {"a\xC3\xA4" "b", "*a?b", true},
      {"a\xC3\xA4" "b", "*a??b", false},
      // Segments with "?" longer than one word of the bit-parallel search.
      {"x" + a70 + "y", "*" + std::string(69, '?') + "ay", true},
      {"x" + a70 + "y", "*" + std::string(71, '?') + "ay", false},
      {"x" + a70 + "b" + a70 + "y", "*" + a70 + "?" + a70 + "*", true},
  };
  for (const Case& c : cases) EXPECT_EQ(wildcard_match(c.text, c.pattern), c.matches) << c.text << " " << c.pattern;
}

TEST(WildcardTest, LongNamesAndPatternsMatchInOnePass) {
  // What a backtracking match needs the square of the lengths for.
  const std::string name = std::string(90000, 'a') + "b";
  const std::string many(20000, 'a');
  EXPECT_TRUE(wildcard_match(name, "*" + many + "b"));
  EXPECT_TRUE(wildcard_match(name, "*" + many + "b*"));
  EXPECT_FALSE(wildcard_match(name, "*" + many + "c*"));
  EXPECT_TRUE(wildcard_match(name, "*" + many + "?*"));
  EXPECT_FALSE(wildcard_match(name, "*" + many + "?c*"));
  EXPECT_TRUE(wildcard_match(name, "*" + std::string(20000, '?') + "b"));
  // A plain word too: compared at every "a", it would cost 20000 × 70000 steps.
  EXPECT_TRUE(contains_caseless(name, many + "b"));
  EXPECT_FALSE(contains_caseless(name, many + "c"));
  EXPECT_TRUE(contains_caseless("x" + std::string(300, 'A') + "B", std::string(200, 'a') + "b"));
  EXPECT_FALSE(contains_caseless(std::string(300, 'A') + "c" + std::string(300, 'A'), std::string(200, 'a') + "b"));
}

}  // namespace
}  // namespace korvint::search
