// The query language: what each word becomes, and the words that cannot be read.

#include <gtest/gtest.h>

#include "search/catalogue_line.h"
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
      {"\"size:1\"", TermKind::Text, false, "size:1", 0, kMax},
      {"size:>700MB", TermKind::Size, false, "", 700 * mib + 1, kMax},
      {"size:<1k", TermKind::Size, false, "", 0, 1023},
      {"size:1GB..4GB", TermKind::Size, false, "", 1024 * mib, 4096 * mib},
      {"size:1.5k", TermKind::Size, false, "", 1536, 1536},
      {"size:<=2b", TermKind::Size, false, "", 0, 2},
      {"-size:>=1T", TermKind::Size, true, "", 1024 * 1024 * mib, kMax},
      {"size:<0", TermKind::Size, false, "", 1, 0},
      {"date:2019", TermKind::Date, false, "", day_start(2019, 1, 1), day_end(2019, 12, 31)},
      {"date:2020-02", TermKind::Date, false, "", day_start(2020, 2, 1), day_end(2020, 2, 29)},
      {"date:2019-03-01..2019-06-30", TermKind::Date, false, "", day_start(2019, 3, 1), day_end(2019, 6, 30)},
      {"date:>2019-12", TermKind::Date, false, "", day_end(2019, 12, 31) + 1, kMax},
      {"date:..2001", TermKind::Date, false, "", 0, day_end(2001, 12, 31)},
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
  const auto query = parse_query("  *.mp3  \"*x\" path:a?b  type:folder", error);
  ASSERT_TRUE(query) << error;
  ASSERT_EQ(query->terms.size(), 4u);
  EXPECT_TRUE(query->terms[0].wildcard);
  EXPECT_FALSE(query->terms[1].wildcard);  // quoted: the "*" is a character
  EXPECT_TRUE(query->terms[2].wildcard && query->terms[2].whole_path);
  EXPECT_TRUE(query->terms[3].kind == TermKind::Type && query->terms[3].folders);
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

}  // namespace
}  // namespace korvint::search
