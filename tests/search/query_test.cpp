// The query language: what each word becomes, and the words that cannot be read.

#include <gtest/gtest.h>

#include "catalogue/calendar_time.h"
#include "search/query.h"

namespace korvint::search {
namespace {

constexpr std::uint64_t kMax = ~std::uint64_t{0};

struct TermCase {
  const char* query;
  TermKind kind;
  bool negated;
  const char* needle;  // Text: the needle; Extension/Catalogue: the alternatives joined by ";"
  std::uint64_t low;
  std::uint64_t high;
};

std::string joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ";") + part;
  return text;
}

TEST(QueryTest, EachWordBecomesItsTerm) {
  const std::uint64_t mib = 1024 * 1024;
  const TermCase cases[] = {
      {"Holiday", TermKind::Text, false, "holiday", 0, kMax},
      {"\"Two Words\"", TermKind::Text, false, "two words", 0, kMax},
      {"-\"a b\"", TermKind::Text, true, "a b", 0, kMax},
      {"-", TermKind::Text, false, "-", 0, kMax},
      {"PATH:Docs", TermKind::Text, false, "docs", 0, kMax},
      {"path:A/b\\C", TermKind::Text, false, "a\\b\\c", 0, kMax},
      {"Café", TermKind::Text, false, "café", 0, kMax},
      {"MÜNCHEN", TermKind::Text, false, "münchen", 0, kMax},
      {"c:", TermKind::Text, false, "c:", 0, kMax},
      {"\"re:\"", TermKind::Text, false, "re:", 0, kMax},
      {"\"size:1\"", TermKind::Text, false, "size:1", 0, kMax},
      {"size:>700MB", TermKind::Size, false, "", 700 * mib + 1, kMax},
      {"size:<1k", TermKind::Size, false, "", 0, 1023},
      {"size:1GB..4GB", TermKind::Size, false, "", 1024 * mib, 4096 * mib},
      // A size alone is about that much, to the precision written; ranges are exact.
      {"size:1.5k", TermKind::Size, false, "", 1536, 1638},
      {"size:10KB", TermKind::Size, false, "", 10240, 11263},
      {"size:1.5G", TermKind::Size, false, "", 1536 * mib, 1717986918},
      {"size:123", TermKind::Size, false, "", 123, 123},
      {"size:=10KB", TermKind::Size, false, "", 10240, 10240},
      {"size:1.5k..2k", TermKind::Size, false, "", 1536, 2048},
      {"size:<=2b", TermKind::Size, false, "", 0, 2},
      {"-size:>=1T", TermKind::Size, true, "", 1024 * 1024 * mib, kMax},
      {"size:<0", TermKind::Size, false, "", 1, 0},
      {"date:2019", TermKind::Date, false, "", catalogue::day_start(2019, 1, 1), catalogue::day_end(2019, 12, 31)},
      {"date:2020-02", TermKind::Date, false, "", catalogue::day_start(2020, 2, 1), catalogue::day_end(2020, 2, 29)},
      {"date:2019-03-01..2019-06-30", TermKind::Date, false, "", catalogue::day_start(2019, 3, 1), catalogue::day_end(2019, 6, 30)},
      {"date:>2019-12", TermKind::Date, false, "", catalogue::day_end(2019, 12, 31) + 1, kMax},
      {"date:..2001", TermKind::Date, false, "", 0, catalogue::day_end(2001, 12, 31)},
      {"ext:MP3;.flac", TermKind::Extension, false, "mp3;flac", 0, kMax},
      {"in:Disk*", TermKind::Catalogue, false, "disk*", 0, kMax},
  };
  for (const TermCase& c : cases) {
    std::string error;
    const auto query = parse_query(c.query, error);
    ASSERT_TRUE(query) << c.query << ": " << error;
    ASSERT_EQ(query->terms.size(), 1u) << c.query;
    const Term& term = query->terms[0];
    EXPECT_EQ(term.kind, c.kind) << c.query;
    EXPECT_EQ(term.negated, c.negated) << c.query;
    EXPECT_EQ(term.word, c.query);
    const std::string needle = term.kind == TermKind::Text ? term.needle : joined(term.alternatives);
    EXPECT_EQ(needle, c.needle) << c.query;
    EXPECT_EQ(term.low, c.low) << c.query;
    EXPECT_EQ(term.high, c.high) << c.query;
  }
}

TEST(QueryTest, WordsSplitAtSpacesWithWildcardsOutsideQuotes) {
  std::string error;
  const auto query = parse_query("  *.mp3  \"*x\" path:a?b  type:folder D:\\Photos\\x.jpg caf\u00e9 cafe", error);
  ASSERT_TRUE(query) << error;
  ASSERT_EQ(query->terms.size(), 7u);
  EXPECT_TRUE(query->terms[0].wildcard);
  EXPECT_FALSE(query->terms[1].wildcard);  // quoted: the "*" is a character
  EXPECT_TRUE(query->terms[2].wildcard && query->terms[2].whole_path);
  EXPECT_TRUE(query->terms[3].kind == TermKind::Type && query->terms[3].folders);
  EXPECT_TRUE(query->terms[4].whole_path);  // a pasted full path
  EXPECT_TRUE(query->terms[5].marks);       // "café" wants its accent
  EXPECT_FALSE(query->terms[6].marks);
}

TEST(QueryTest, AWordThatCannotBeReadIsAnErrorNamingIt) {
  const char* const bad[] = {"size:>abc", "size:", "size:5X", "size:..", "\"open phrase", "date:2019-13",
                             "date:2019-02-30", "date:19x", "ext:", "ext:;", "type:disk", "in:", "path:",
                             "\"\""};
  for (const char* word : bad) {
    std::string error;
    EXPECT_FALSE(parse_query(std::string("holiday ") + word, error)) << word;
    EXPECT_NE(error.find(std::string("\"") + word + "\""), std::string::npos) << word << " -> " << error;
  }
  std::string error;
  EXPECT_FALSE(parse_query("   ", error));
  EXPECT_EQ(error, "the query is empty");
}

TEST(QueryTest, ReversedRangesAndUnknownPrefixesAreErrorsThatSayWhatWasMeant) {
  const std::pair<const char*, const char*> bad[] = {
      {"size:5..2", "cannot read \"size:5..2\": the range is reversed (did you mean size:2..5?)"},
      {"-size:4GB..1GB", "cannot read \"-size:4GB..1GB\": the range is reversed (did you mean size:1GB..4GB?)"},
      {"date:2020..2019-06", "cannot read \"date:2020..2019-06\": the range is reversed (did you mean date:2019-06..2020?)"},
      {"size:1.5", "cannot read \"size:1.5\": not a size (like size:10MB, size:>700MB, size:<1k or size:1GB..4GB)"},
      {"typ:file", "unknown prefix typ: \u2014 did you mean type:?"},
      {"-sise:>1M", "unknown prefix sise: \u2014 did you mean size:?"},
      {"EXTS:mp3", "unknown prefix EXTS: \u2014 did you mean ext:?"},
      {"foo:bar", "unknown prefix foo: \u2014 use path:, size:, date:, ext:, type: or in:, or quote the word"},
  };
  for (const auto& [word, message] : bad) {
    std::string error;
    EXPECT_FALSE(parse_query(std::string("holiday ") + word, error)) << word;
    EXPECT_EQ(error, message);
  }
  // A drive letter, a path, or a word in quotes is text.
  std::string error;
  for (const char* word : {"c:", "path:c:\\x", "typ:a/b", "\"typ:file\"", "12:30"})
    EXPECT_TRUE(parse_query(word, error)) << word << ": " << error;
}

}  // namespace
}  // namespace korvint::search
