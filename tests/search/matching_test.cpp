// The prefilter and the name comparisons, at every position a vectorised scan
// can meet a needle: inside a block, across two, in the tail.

#include <gtest/gtest.h>

#include "search/candidate_finder.h"
#include "search/text_match.h"

namespace korvint::search {
namespace {

TEST(MatchingTest, PrefilterStopsAtEveryPlacementOfTheNeedleAndNothingElse) {
  const char* const needles[] = {"z", "zebra", "q.1", "jx_w"};
  for (const char* needle : needles) {
    const CandidateFinder finder(needle);
    const std::string word(needle);
    for (std::size_t length = word.size(); length < 200; length += 7) {
      const std::string filler(length, 'e');  // holds neither rare byte
      EXPECT_EQ(finder.find(filler.data(), filler.data() + length), filler.data() + length) << needle;
      for (std::size_t at = 0; at + word.size() <= length; ++at) {
        std::string text = filler;
        std::string upper = word;
        for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        text.replace(at, word.size(), at % 2 == 0 ? word : upper);
        EXPECT_EQ(finder.find(text.data(), text.data() + length) - text.data(), static_cast<std::ptrdiff_t>(at))
            << needle << " at " << at << " of " << length;
        text = filler;
        text[at] = '\xC3';  // any non-ASCII byte is a candidate too
        EXPECT_EQ(finder.find(text.data(), text.data() + length) - text.data(), static_cast<std::ptrdiff_t>(at));
      }
    }
  }
  // A needle with non-ASCII bytes can only be in a line that holds some.
  const CandidateFinder high("\xC3\xA4");
  const std::string text = std::string(100, 'a') + "\xC3\xA4";
  EXPECT_EQ(high.find(text.data(), text.data() + text.size()) - text.data(), 100);
  EXPECT_TRUE(CandidateFinder().every_line());
}

TEST(MatchingTest, SubstringsAndWildcardsWithoutCase) {
  struct Case {
    const char* text;
    const char* pattern;  // lowercase, as folded needles are
    bool contains;
    bool wildcard;
  };
  const Case cases[] = {
      {"Song.MP3", "mp3", true, false},
      {"Song.MP3", "*.mp3", false, true},
      {"song.mp3.bak", "*.mp3", false, false},
      {"a.b.c", "a*b*c", false, true},
      {"abc", "a*b*c*", false, true},
      {"ab", "a*b*c", false, false},
      {"", "*", false, true},
      {"x", "", true, false},
      {"\xC3\xA4.txt", "?.txt", false, true},  // "?" is one character, not one byte
      {"\xC3\xA4.txt", "??.txt", false, false},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*c", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(contains_caseless(c.text, c.pattern), c.contains) << c.text << " " << c.pattern;
    EXPECT_EQ(wildcard_match(c.text, c.pattern), c.wildcard) << c.text << " " << c.pattern;
  }
}

}  // namespace
}  // namespace korvint::search
