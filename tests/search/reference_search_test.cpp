// The search against a naive one that reads every line, builds every path and
// asks Matcher::matches: random catalogues (UTF-8, code page, both in one,
// damaged lines), queries, chunk and block sizes and thread counts give equal
// results in equal order, streamed to the sink or stopped by a limit.

#include <gtest/gtest.h>

#include <random>

#include "catalogue/parse_lines.h"
#include "search/query.h"
#include "search/searcher.h"
#include "random_catalogues.h"
#include "search_fixture.h"

namespace korvint::search {
namespace {

// A hit's every field, comparable.
struct Found {
  std::uint64_t line, folder, size, bits;
  friend bool operator==(const Found&, const Found&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Found& found) {
    return out << "{catalogue " << ((found.bits >> 41) & 0x3FFFFF) << " line " << found.line << " folder "
               << found.folder << "}";
  }
};
Found found_of(const Hit& hit) { return Found{hit.line, hit.folder, hit.size, hit.bits}; }

// Every line read, every folder followed, every entry asked of the matcher,
// in the encoding a count of every line decides.
std::vector<Found> naive_search(const std::vector<std::string>& texts, const Matcher& matcher) {
  std::vector<Found> hits;
  MatchScratch scratch("windows-1252");
  for (std::size_t c = 0; c < texts.size(); ++c) {
    const auto catalogue = test::make_catalogue(std::string(1, static_cast<char>('a' + c)), texts[c]);
    if (!matcher.selects(*catalogue)) continue;
    check_catalogues({catalogue}, {});
    const std::string& text = texts[c];
    std::uint64_t folder = kRootFolder;
    std::string folder_path;
    for (std::size_t start = catalogue->body_begin(); start < text.size();) {
      const std::size_t lf = text.find('\n', start);
      if (lf == std::string::npos) break;  // a last line without its line end is not read
      std::string_view line(text.data() + start, lf - start);
      const bool ended = !line.empty() && line.back() == '\r';
      if (ended) line.remove_suffix(1);
      if (const auto path = catalogue::folder_path_of_line(line)) {
        folder = start;
        folder_path = *path;
      }
      const auto entry = ended ? catalogue::parse_entry_line(line) : std::nullopt;
      if (entry &&
          matcher.matches(*catalogue, catalogue->encoding(), *entry, entry->is_folder ? "" : folder_path, scratch))
        hits.push_back(found_of(Hit::make(start, folder, *entry, c)));
      start = lf + 1;
    }
  }
  return hits;
}

std::vector<Found> hits_of(const ResultSet& results) {
  std::vector<Found> hits;
  results.for_each([&](const Hit& hit) { hits.push_back(found_of(hit)); });
  return hits;
}

TEST(ReferenceSearchTest, EqualsTheNaiveSearchInResultsAndOrder) {
  for (std::uint64_t seed = 1; seed <= 400; ++seed) {
    test::RandomCatalogues draw(seed);
    std::vector<std::string> texts;
    const std::uint64_t count = 1 + draw.below(4);
    for (std::uint64_t c = 0; c < count; ++c) texts.push_back(draw.make());
    const char* const query_text = test::kRandomQueries[draw.below(std::size(test::kRandomQueries))];
    std::string error;
    auto query = parse_query(query_text, error);
    ASSERT_TRUE(query) << query_text << ": " << error;
    const Matcher matcher(std::move(*query));

    SearchOptions options;
    static constexpr std::uint64_t kChunks[] = {1, 7, 64, 333, 4096, 4u << 20};
    static constexpr std::size_t kBlocks[] = {7, 100, 1000, 128u << 10};
    options.chunk_bytes = kChunks[draw.below(std::size(kChunks))];
    options.block_bytes = kBlocks[draw.below(std::size(kBlocks))];
    options.threads = 1 + static_cast<unsigned>(draw.below(4));
    static constexpr std::size_t kWaiting[] = {1, 10, std::size_t{1} << 18};
    options.waiting_hits = kWaiting[draw.below(std::size(kWaiting))];
    options.code_page = "windows-1252";
    const bool known = draw.below(3) == 0;  // the encodings counted before, as the window does
    const bool limited = draw.below(4) == 0;
    SCOPED_TRACE("seed " + std::to_string(seed) + ", query " + query_text + ", chunks of " +
                 std::to_string(options.chunk_bytes) + ", blocks of " + std::to_string(options.block_bytes) + ", " +
                 std::to_string(options.threads) + " threads, " + std::to_string(options.waiting_hits) +
                 " waiting" + (known ? ", encodings known" : ""));

    std::vector<std::shared_ptr<Catalogue>> catalogues;
    for (std::size_t c = 0; c < texts.size(); ++c)
      catalogues.push_back(test::make_catalogue(std::string(1, static_cast<char>('a' + c)), texts[c]));
    if (known) check_catalogues(catalogues, {});
    std::vector<Found> expected = naive_search(texts, matcher);
    // A limit stops the search early: its results are the first ones, where
    // the encodings are known (else they are decided on what was seen).
    if (limited && known) options.max_hits = 1 + draw.below(expected.size() + 2);
    const test::Collected found = test::collect(catalogues, matcher, options);
    if (options.max_hits != 0 && expected.size() >= options.max_hits) {
      expected.resize(options.max_hits);
      EXPECT_TRUE(found.outcome.limited);
    }
    EXPECT_EQ(hits_of(found.results), expected);
    EXPECT_EQ(found.outcome.found, expected.size());
    if (options.max_hits == 0)
      for (std::size_t c = 0; c < texts.size(); ++c)
        if (matcher.selects(*catalogues[c])) {
          const auto counted = test::make_catalogue("x", texts[c]);
          check_catalogues({counted}, {});
          EXPECT_EQ(catalogues[c]->encoding(), counted->encoding()) << "catalogue " << c;
        }
  }
}

}  // namespace
}  // namespace korvint::search
