// The search through indexes against the scan: over random catalogues and
// queries of every kind the same results in the same order; an index that is
// stale, damaged or foreign is never used; the codec and the key hold.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#else
#include <process.h>
#endif

#include "platform/cache_folder.h"
#include "search/catalogue_folder.h"
#include "platform/settings_file.h"
#include "search/index_builder.h"
#include "search/index_candidates.h"
#include "search/index_cache.h"
#include "search/index_pool.h"
#include "search/index_reader.h"
#include "search/index_search.h"
#include "search/index_token_counts.h"
#include "search/query.h"
#include "search/searcher.h"
#include "random_catalogues.h"
#include "search_fixture.h"
#include "support/temp_tree.h"

namespace korvint::search::index {
namespace {

namespace fs = std::filesystem;

struct Found {
  std::uint64_t line, folder, size, bits;
  friend bool operator==(const Found&, const Found&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Found& f) {
    return out << "{line " << f.line << " folder " << f.folder << " bits " << f.bits << "}";
  }
};

// The catalogues of `folder`, each opened afresh (a search decides encodings in them).
std::vector<std::shared_ptr<Catalogue>> open_folder(const fs::path& folder) {
  return open_catalogue_folders({folder.string()}).catalogues;
}

// The results of `query_text` over the catalogues of `folder`, through the
// indexes of `cache` when given (kept in `pool` when given); `indexed` counts
// the catalogues that used one. With `count`, the planner counts what the
// indexes prove and `count` takes how many results the search found in all.
std::vector<Found> search(const fs::path& folder, const std::string& query_text, const std::string& cache,
                          std::size_t* indexed = nullptr, bool known = false, IndexPool* pool = nullptr,
                          std::uint64_t* count = nullptr) {
  std::string error;
  auto query = parse_query(query_text, error);
  EXPECT_TRUE(query) << error;
  if (!query) return {};
  const Matcher matcher(std::move(*query));
  const IndexPlanner planner(matcher.query(), cache, pool, count != nullptr);
  SearchOptions options;
  options.code_page = "windows-1252";
  options.chunk_bytes = 200;
  options.threads = 2;
  if (!cache.empty()) options.planner = &planner;
  auto catalogues = open_folder(folder);
  if (known) check_catalogues(catalogues, {});
  std::vector<Found> found;
  if (count != nullptr) {
    ResultCollector sink(catalogues);  // takes only what was read: the rest was counted
    *count = run_search(catalogues, matcher, options, sink).found;
  } else {
    const test::Collected collected = test::collect(catalogues, matcher, options);
    collected.results.for_each([&](const Hit& hit) { found.push_back(Found{hit.line, hit.folder, hit.size, hit.bits}); });
  }
  if (indexed != nullptr) *indexed = planner.indexed();
  return found;
}

using korvint::test::read_file;
using korvint::test::write_file;

// Indexes the catalogues of `folder` into `cache`, written plainly (without
// the sync of write_index(), which only slows the test).
void index_folder(const fs::path& folder, const std::string& cache, std::uint64_t block_bytes,
                  std::uint32_t frequent = kFrequentEntries) {
  fs::create_directories(cache);
  for (const auto& catalogue : open_folder(folder)) {
    const auto bytes = build_index(*catalogue, nullptr, block_bytes, frequent);
    ASSERT_TRUE(bytes) << catalogue->path();
    write_file(index_path(cache, *catalogue), *bytes);
  }
}

// One catalogue of `lines` below D:\, indexed with blocks of 4 KiB and tokens
// listed from 16 entries: small enough to count the blocks a query reads.
struct SmallBlocks {
  static constexpr std::uint64_t kBlockBytes = 4096;
  explicit SmallBlocks(const std::vector<std::string>& lines)
      : folder(tree.folder("cats")), cache((tree.root() / "cache").string()) {
    write_file(folder / "a.lst", test::catalogue_text("D:\\", lines));
    index_folder(folder, cache, kBlockBytes, 16);
    catalogue = open_folder(folder).at(0);
    all_blocks = catalogue->chunks(kBlockBytes).size();
  }
  test::TempTree tree;
  fs::path folder;
  std::string cache;
  std::shared_ptr<Catalogue> catalogue;
  std::uint64_t all_blocks = 0;
};

// Opening files is slow under Wine: fewer rounds there, the same cases.
#ifdef _WIN32
constexpr std::uint64_t kSeeds = 8;
constexpr unsigned kDamageStride = 160;
#else
constexpr std::uint64_t kSeeds = 60;
constexpr unsigned kDamageStride = 40;
#endif

constexpr const char* kMoreQueries[] = {"hol*day", "path:zebra\\", "\"two words\" jpg", "type:file size:0 date:2010",
                                        "path:photos\\ -zebra", "rger", "elvin", "?ebra*", "size:<100 photos",
                                        "ext:mp3 holiday", "ext:gz;txt", "-ext:jpg zebra", "ext:MP3;.tar.gz",
                                        // words of tokens: short, several, digits, across tokens, inside one
                                        "ol", "jp", "ho*y", "photos jpg", "txt 1", "img_1", "oto", "lid", "s_",
                                        // tokens a word bounds: whole, at a start, at an end; a ligature's
                                        "img_0042.jpg", "_2019.", "y.jpg", "x.y.txt", "*_2019.*", "le.txt",
                                        "e_zebra", "\"words_backup\"", "a_0042",
                                        // extensions: ext: and wildcards ending in ".x", listed or not, not ASCII
                                        "ext:flac", "ext:txt;7z;y", "*.flac", "*.JPG", "*.y", "*.hidden", "*zebra*.txt",
                                        "*.tar.gz", "?.y", "ext:fl\xC3\xA1" "c", "*.\xEF\xAC\x82" "ac", "ext:c;gz",
                                        "*.txt holiday", "ext:jpg backup", "ext:hidden"};

TEST(IndexSearchTest, AnswersExactlyAsTheScanInTheSameOrder) {
  for (std::uint64_t seed = 1; seed <= kSeeds; ++seed) {
    test::TempTree tree;
    const fs::path folder = tree.folder("cats");
    const std::string cache = (tree.root() / "cache").string();
    test::RandomCatalogues draw(seed);
    const std::uint64_t count = 1 + draw.below(3);
    // Without damaged lines, every line is an entry: the index names lines to read one by one.
    const bool damaged = draw.below(2) == 0;
    for (std::uint64_t c = 0; c < count; ++c)
      write_file(folder / (std::string(1, static_cast<char>('a' + c)) + ".lst"), draw.make(damaged));
    static constexpr std::uint64_t kBlocks[] = {1, 64, 700, 32u << 10};
    static constexpr std::uint32_t kFrequent[] = {1, 3, kFrequentEntries};  // which tokens are listed
    index_folder(folder, cache, kBlocks[draw.below(std::size(kBlocks))], kFrequent[draw.below(std::size(kFrequent))]);
    // One catalogue rewritten after it was indexed: its index is stale.
    const bool stale = draw.below(3) == 0;
    if (stale) write_file(folder / "a.lst", draw.make());
    for (int q = 0; q < 8; ++q) {
      const std::size_t pick = draw.below(std::size(test::kRandomQueries) + std::size(kMoreQueries));
      const std::string query = pick < std::size(test::kRandomQueries)
                                    ? test::kRandomQueries[pick]
                                    : kMoreQueries[pick - std::size(test::kRandomQueries)];
      const bool known = draw.below(2) == 0;
      SCOPED_TRACE("seed " + std::to_string(seed) + ", query " + query + (stale ? ", a.lst stale" : ""));
      std::size_t indexed = 0;
      const auto scanned = search(folder, query, {}, nullptr, known);
      EXPECT_EQ(search(folder, query, cache, &indexed, known), scanned);
      EXPECT_LE(indexed, count - (stale ? 1 : 0));
      std::uint64_t counted = 0;
      search(folder, query, cache, nullptr, known, nullptr, &counted);
      EXPECT_EQ(counted, scanned.size()) << "counted through the indexes";
    }
  }
}

TEST(IndexSearchTest, ReadsOnlyTheBlocksOfARareWord) {
  test::TempTree tree;
  const fs::path folder = tree.folder("cats");
  const std::string cache = (tree.root() / "cache").string();
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i) lines.push_back("common_" + std::to_string(i) + ".txt\t10\t 2019.1.1\t0:0.0");
  lines.insert(lines.begin() + 1500, "Sub\\\t0\t 2019.1.1\t0:0.0");
  lines.push_back("Sub\\Deeper\\\t0\t 2019.1.1\t0:0.0");
  lines.push_back("zanzibar.jpg\t10\t 2019.1.1\t0:0.0");
  write_file(folder / "a.lst", test::catalogue_text("D:\\", lines));
  index_folder(folder, cache, 4096);
  auto catalogue = open_folder(folder).at(0);
  const auto index = IndexFile::open_for(index_path(cache, *catalogue), *catalogue);
  ASSERT_TRUE(index);
  EXPECT_EQ(index->counts().entries, 3003u);
  std::string error;
  for (const char* query : {"zanzibar", "path:sub\\deeper\\zan", "path:deeper\\zanzibar.jpg"}) {
    const IndexPlanner planner(*parse_query(query, error), cache);
    const auto planned = planner.plan(*catalogue, 1u << 20);
    ASSERT_TRUE(planned) << query;
    ASSERT_EQ(planned->chunks.size(), 1u) << query;
    EXPECT_LE(planned->chunks[0].end - planned->chunks[0].begin, 4200u) << query;
    EXPECT_EQ(planned->chunks[0].end, catalogue->size()) << query;  // the last block
    // The folder of its first line, as a scan finds it.
    EXPECT_EQ(planned->folders[0],
              catalogue->last_folder_line(catalogue->body_begin(), planned->chunks[0].begin).value_or(kRootFolder))
        << query;
  }
  const IndexPlanner absent(*parse_query("qqqxyz", error), cache);
  EXPECT_TRUE(absent.plan(*catalogue, 1u << 20)->chunks.empty());
}

TEST(IndexSearchTest, CountsACommonWordWithoutReadingAndListsOnlyItsBlocks) {
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i)
    lines.push_back((i >= 1000 && i < 1030 ? "live remaster_" : i % 3 == 0 ? "backup_" : "other_") +
                    std::to_string(i) + ".txt\t10\t 2019.1.1\t0:0.0");
  lines.push_back("Z\xC3\xBCrich backupx\\\t0\t 2019.1.1\t0:0.0");  // a folder: its name's tokens, rare
  const SmallBlocks index(lines);
  const auto& [tree, folder, cache, catalogue, all_blocks] = index;
  ASSERT_GT(all_blocks, 20u);
  std::string error;
  const struct {
    const char* query;
    std::uint64_t least_counted;  // by the index alone, when counting
    std::uint64_t most_read;      // blocks read at most, when counting
    std::uint64_t most_listed;    // blocks read at most, when listing
  } cases[] = {
      {"backup", 990 - 60, 1, all_blocks},  // the block of the rare "backupx" is read, the rest counted
      {"BACKUP 2", 0, all_blocks, all_blocks},
      {"other", 1980, 0, all_blocks},
      {"zurich", 0, 1, 1},
      {"\"live remaster\"", 0, 2, 2},  // both words' entries: their blocks only
      {"live remaster", 30, 0, 2},
      {"emast", 30, 0, 2},  // inside a listed token: counted as well
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    const IndexPlanner counting(*parse_query(c.query, error), cache, nullptr, true);
    const auto counted = counting.plan(*catalogue, SmallBlocks::kBlockBytes);
    ASSERT_TRUE(counted);
    EXPECT_GE(counted->counted, c.least_counted);
    EXPECT_LE(counted->chunks.size(), c.most_read);
    const IndexPlanner listing(*parse_query(c.query, error), cache);
    const auto listed = listing.plan(*catalogue, SmallBlocks::kBlockBytes);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->counted, 0u);
    EXPECT_LE(listed->chunks.size(), c.most_listed);
    std::uint64_t found = 0;
    search(folder, c.query, cache, nullptr, false, nullptr, &found);
    EXPECT_EQ(found, search(folder, c.query, {}).size());
  }
}

// A word's runs that it bounds by other bytes are matched against whole
// tokens, at their start or at their end: "util_6.md" is narrowed to the
// names with the token "6" even where every block holds its trigrams and
// names with "util" and "md".
TEST(IndexSearchTest, AWordNarrowsToTheTokensItBounds) {
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i)
    lines.push_back((i % 2 == 0 ? "util_6" + std::to_string(i % 9 + 1) + ".md" : std::string("doc_6.md")) +
                    "\t10\t 2019.1.1\t0:0.0");
  lines.insert(lines.begin() + 1500, "util_6.md\t10\t 2019.1.1\t0:0.0");
  const SmallBlocks index(lines);
  const auto& [tree, folder, cache, catalogue, all_blocks] = index;
  ASSERT_GT(all_blocks, 20u);
  std::string error;
  const struct {
    const char* query;
    std::uint64_t most_read;  // blocks
  } cases[] = {
      {"util_6.md", 1},       // util_6?.md and doc_6.md hold its other tokens
      {"l_6.md", all_blocks},  // "l" too short to tell: doc_6.md holds its tokens
      {"*til_6.*", 1},        // bounded by literal bytes, not by the wildcard's
      {"til_6", all_blocks},  // a token that starts with "6": util_61 .. util_69
      {"doc_6", all_blocks},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    const IndexPlanner listing(*parse_query(c.query, error), cache);
    const auto listed = listing.plan(*catalogue, SmallBlocks::kBlockBytes);
    ASSERT_TRUE(listed);
    EXPECT_LE(listed->chunks.size(), c.most_read);
    EXPECT_EQ(search(folder, c.query, cache), search(folder, c.query, {}));
  }
}

// A listed token in one entry of 20, below folders of long names: each
// block reads only its few lines, some counted back from its end, and every
// result lies in the folder the scan finds (a span read back from a block's
// end starts inside a line).
TEST(IndexSearchTest, LinesReadOneByOneLieInTheirFolders) {
  std::vector<std::string> lines;
  for (int i = 0; i < 4000; ++i) {
    if (i % 30 == 0)
      lines.push_back("F" + std::to_string(i) + std::string(static_cast<std::size_t>(200 + i % 70), 'd') + "\\\t0\t 2019.1.1\t0:0.0");
    lines.push_back((i % 20 == 7 ? "marker_" : "plain_") + std::to_string(i) + std::string(static_cast<std::size_t>(i % 50), 'n') +
                    ".txt\t10\t 2019.1.1\t0:0.0");
  }
  const SmallBlocks index(lines);
  std::string error;
  const IndexPlanner listing(*parse_query("marker", error), index.cache);
  const auto planned = listing.plan(*index.catalogue, SmallBlocks::kBlockBytes);
  ASSERT_TRUE(planned);
  ASSERT_FALSE(planned->lines.empty());
  EXPECT_TRUE(std::any_of(planned->lines.begin(), planned->lines.end(), [](const ChunkLines& l) { return !l.parts.empty(); }));
  const auto found = search(index.folder, "marker", index.cache);
  EXPECT_EQ(found.size(), 200u);
  EXPECT_EQ(found, search(index.folder, "marker", {}));
  std::uint64_t counted = 0;
  search(index.folder, "marker", index.cache, nullptr, false, nullptr, &counted);
  EXPECT_EQ(counted, 200u);
}

// The index's header rewritten with another folding of names (as built under
// another utf8proc or ICU), its checksum made to fit: sound, and not this folding's.
void refold(const fs::path& index_file) {
  std::string bytes = read_file(index_file);
  auto header = decode_header(bytes);
  ASSERT_TRUE(header);
  header->folding ^= 1;
  const std::string head = encode_header(*header);
  // Replaced as indexes are, by a rename: a rewrite in place within the file
  // system's clock tick could keep the file's size and time.
  write_file(index_file.string() + ".new", head + bytes.substr(head.size()));
  fs::rename(index_file.string() + ".new", index_file);
}

// Each change of the catalogue or of its index, seen through one pool of
// opened indexes kept from search to search, as the window keeps them.
TEST(IndexSearchTest, AnIndexOfAnotherVersionOfTheCatalogueIsNotUsed) {
  test::TempTree tree;
  const fs::path folder = tree.folder("cats");
  const std::string cache = (tree.root() / "cache").string();
  const std::string text = test::catalogue_text("D:\\", {"zanzibar.jpg\t10\t 2019.1.1\t0:0.0", "b.txt\t1\t 2019.1.1\t0:0.0"});
  const fs::path file = folder / "a.lst";
  struct Change {
    const char* what;
    void (*apply)(const fs::path& file, const fs::path& index, const std::string& text);
  };
  const Change changes[] = {
      {"touched", [](const fs::path& f, const fs::path&, const std::string&) { test::set_write_time(f, 1000000000); }},
      {"truncated", [](const fs::path& f, const fs::path&, const std::string& t) { fs::resize_file(f, t.size() - 5); }},
      {"replaced", [](const fs::path& f, const fs::path&, const std::string& t) {
         write_file(f.string() + ".new", t);
         fs::rename(f.string() + ".new", f);
       }},
      {"grown", [](const fs::path& f, const fs::path&, const std::string& t) {
         write_file(f, t + "c.txt\t1\t 2019.1.1\t0:0.0\r\n");
       }},
      {"index deleted", [](const fs::path&, const fs::path& i, const std::string&) { fs::remove(i); }},
      {"index of another folding", [](const fs::path&, const fs::path& i, const std::string&) { refold(i); }},
  };
  IndexPool pool;
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    write_file(file, text);
    ASSERT_TRUE(write_index(cache, *open_folder(folder).at(0), nullptr, 64).ok());
    auto before = open_folder(folder).at(0);
    ASSERT_TRUE(IndexFile::open_for(index_path(cache, *before), *before));
    std::size_t indexed = 0;
    search(folder, "zanzibar", cache, &indexed, false, &pool);
    ASSERT_EQ(indexed, 1u);  // kept in the pool from now on
    change.apply(file, index_path(cache, *before), text);
    auto after = open_folder(folder).at(0);
    EXPECT_FALSE(IndexFile::open_for(index_path(cache, *after), *after));
    EXPECT_FALSE(has_fresh_index(cache, *after, &pool));
    EXPECT_EQ(search(folder, "zanzibar", cache, &indexed, false, &pool), search(folder, "zanzibar", {}));
    EXPECT_EQ(indexed, 0u);
    ASSERT_TRUE(write_index(cache, *after, nullptr, 64).ok());  // rebuilt: used again
    search(folder, "zanzibar", cache, &indexed, false, &pool);
    EXPECT_EQ(indexed, 1u);
  }
}

TEST(IndexPoolTest, KeepsWhatItCheckedWhileTheFileStaysTheSame) {
  test::TempTree tree;
  const fs::path folder = tree.folder("cats");
  const std::string cache = (tree.root() / "cache").string();
  test::RandomCatalogues draw(9);
  write_file(folder / "a.lst", draw.make());
  index_folder(folder, cache, 200);
  const auto catalogue = open_folder(folder).at(0);
  const std::string path = index_path(cache, *catalogue);
  IndexPool pool(1);
  std::shared_ptr<const std::vector<BlockInfo>> first;
  {
    // What a search holds while it plans (on Windows the file is open then).
    const auto index = pool.index_for(path, *catalogue);
    ASSERT_TRUE(index && index->blocks());
    first = index->blocks();
  }
  // The block table is read and checked once, however often the index is asked for.
  EXPECT_EQ(pool.index_for(path, *catalogue)->blocks(), first);
  ASSERT_TRUE(write_index(cache, *catalogue, nullptr, 100).ok());  // rebuilt with other blocks
  const auto rebuilt = pool.index_for(path, *catalogue);
  ASSERT_TRUE(rebuilt && rebuilt->blocks());
  EXPECT_GT(rebuilt->blocks()->size(), first->size());
  // Bounded: a second index pushes the first out; one deleted is let go.
  write_file(folder / "b.lst", draw.make());
  index_folder(folder, cache, 200);
  const auto other = open_folder(folder).at(1);
  EXPECT_TRUE(pool.index_for(index_path(cache, *other), *other));
  EXPECT_EQ(pool.size(), 1u);
  fs::remove(index_path(cache, *other));
  pool.prune();
  EXPECT_EQ(pool.size(), 0u);
}

TEST(IndexSearchTest, ADamagedIndexNeverChangesAnAnswer) {
  test::TempTree tree;
  const fs::path folder = tree.folder("cats");
  const std::string cache = (tree.root() / "cache").string();
  test::RandomCatalogues draw(7);
  write_file(folder / "a.lst", draw.make());
  index_folder(folder, cache, 200, 2);  // its words listed, so damage reaches them too
  const auto catalogue = open_folder(folder).at(0);
  const fs::path index_file = index_path(cache, *catalogue);
  const std::string good = read_file(index_file);
  const auto expected = search(folder, "holiday", {});
  std::mt19937_64 rng(3);
  for (std::size_t at = 0; at < good.size(); at += 1 + rng() % kDamageStride) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ (1 + rng() % 255));
    write_file(index_file, bad);
    EXPECT_EQ(search(folder, "holiday", cache), expected) << "byte " << at << " changed";
    std::uint64_t counted = 0;
    search(folder, "holiday", cache, nullptr, false, nullptr, &counted);
    EXPECT_EQ(counted, expected.size()) << "byte " << at << " changed, counted";
    write_file(index_file, good.substr(0, at));
    EXPECT_EQ(search(folder, "holiday", cache), expected) << "cut at " << at;
  }
  write_file(index_file, "not an index at all");
  EXPECT_EQ(search(folder, "holiday", cache), expected);
}

TEST(IndexFormatTest, PostingListsRoundTripAndDamageIsRefused) {
  std::mt19937_64 rng(11);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::uint32_t> values;
    std::uint32_t next = static_cast<std::uint32_t>(rng() % 5);
    for (std::size_t n = rng() % 50; n > 0; --n, next += 1 + static_cast<std::uint32_t>(rng() % (round < 100 ? 3 : 100000)))
      values.push_back(next);
    std::string bytes;
    encode_list(values, bytes);
    const std::uint32_t limit = next + 1;
    const auto count = static_cast<std::uint32_t>(values.size());
    EXPECT_EQ(decode_list(bytes, count, limit), values);
    if (values.empty()) continue;
    EXPECT_FALSE(decode_list(bytes.substr(0, bytes.size() - 1), count, limit));  // cut short
    EXPECT_FALSE(decode_list(bytes + '\x01', count, limit));                    // bytes left over
    EXPECT_FALSE(decode_list(bytes, count, values.back()));                      // a value out of range
  }
  EXPECT_FALSE(decode_list("\xff\xff\xff\xff\xff\x01", 1, ~0u));  // longer than a 32-bit number
}

TEST(IndexFormatTest, LiteralRunsAreWhatEveryMatchHolds) {
  std::string error;
  const struct {
    const char* query;
    std::vector<std::string> runs;
  } cases[] = {
      {"Holiday", {"holiday"}},       {"ab", {}},
      {"*.jpeg", {".jpeg"}},          {"img_??42*.JPG", {"img_", ".jpg"}},
      {"path:a/bcd\\efg", {"bcd", "efg"}}, {"-holiday", {}},
      {"caf\xC3\xA9", {}},            {"\xD0\xB4om\xD0\xB0xyz", {"xyz"}},
      {"size:>1M", {}},
  };
  for (const auto& c : cases) {
    const auto query = parse_query(c.query, error);
    ASSERT_TRUE(query) << c.query;
    EXPECT_EQ(literal_runs(query->terms.at(0)), c.runs) << c.query;
  }
}

TEST(IndexFormatTest, TokenRunsKnowWhereTheWordBoundsThem) {
  std::string error;
  using R = TokenRun;
  const struct {
    const char* query;
    std::vector<TokenRun> runs;
  } cases[] = {
      {"Backup", {R{"backup", false, false}}},
      {"util_6.md", {R{"util", false, true}, R{"6", true, true}, R{"md", true, false}}},
      {"img_??42*.JPG", {R{"img", false, true}, R{"42", false, false}, R{"jpg", true, false}}},
      {"\"a*b\"", {R{"a", false, true}, R{"b", true, false}}},   // a phrase's "*" is a byte
      {"\xD0\xB4xyz", {R{"xyz", false, false}}},                // a letter may read as ASCII ones
      {"path:a_b", {}},
      {"-a_b", {}},
  };
  for (const auto& c : cases) {
    const auto query = parse_query(c.query, error);
    ASSERT_TRUE(query) << c.query;
    EXPECT_EQ(token_runs(query->terms.at(0)), c.runs) << c.query;
  }
  EXPECT_TRUE(token_fits("md5", R{"md", true, false}));
  EXPECT_FALSE(token_fits("cmd", R{"md", true, false}));
  EXPECT_TRUE(token_fits("cmd", R{"md", false, true}));
  EXPECT_FALSE(token_fits("61", R{"6", true, true}));
}

TEST(IndexFormatTest, TokenCountsKeepEveryTokenThroughGrowing) {
  TokenCounts counts;
  // Token i is counted i % 7 + 1 times; enough distinct tokens to grow the table many times.
  for (int pass = 0; pass < 7; ++pass)
    for (int i = 0; i < 20000; ++i)
      if (i % 7 >= pass) counts.add("t" + std::to_string(i));
  for (int i = 0; i < 20000; i += 97) EXPECT_EQ(counts.count("t" + std::to_string(i)), static_cast<std::uint32_t>(i % 7 + 1));
  EXPECT_EQ(counts.count("t20000"), 0u);
  EXPECT_EQ(counts.count("t"), 0u);
  const auto frequent = counts.those_from(7);
  ASSERT_EQ(frequent.size(), 2857u);  // i % 7 == 6 below 20000
  EXPECT_TRUE(std::is_sorted(frequent.begin(), frequent.end()));
  const ListedTokens listed(frequent);
  EXPECT_EQ(listed.number(frequent[5]), 5u);
  EXPECT_EQ(listed.number("t1"), TokenCounts::kNone);
}

// What candidates say of one entry: 0 no, 1 it may match, 2 it matches.
int verdict(const Candidates& c, std::uint32_t entry, const WordTable& table) {
  if (std::binary_search(c.certain.begin(), c.certain.end(), entry)) return 2;
  const bool block = std::binary_search(c.blocks.begin(), c.blocks.end(), table.block_of(entry));
  return block || std::binary_search(c.uncertain.begin(), c.uncertain.end(), entry) ? 1 : 0;
}

TEST(IndexFormatTest, CandidatesOfBothWordsAreWhatEachEntryIsForBoth) {
  std::mt19937_64 rng(5);
  for (int round = 0; round < 300; ++round) {
    WordTable table;
    table.entries = 1 + static_cast<std::uint32_t>(rng() % 60);
    for (std::uint32_t e = 0; e < table.entries; ++e)  // blocks of any size, some empty
      while (table.first_entry.empty() || rng() % 4 == 0) table.first_entry.push_back(e);
    const auto blocks = static_cast<std::uint32_t>(table.first_entry.size());
    auto draw = [&] {
      Candidates c;
      for (std::uint32_t e = 0; e < table.entries; ++e) {
        const auto r = rng() % 4;
        if (r == 0) c.certain.push_back(e);
        if (r == 1) c.uncertain.push_back(e);
      }
      for (std::uint32_t b = 0; b < blocks; ++b)
        if (rng() % 5 == 0) c.blocks.push_back(b);
      return c;
    };
    const Candidates a = draw(), b = draw();
    const Candidates joined = both(a, b, table);
    std::vector<std::uint32_t> must_read;  // the blocks of the entries that may match and are not certain
    std::uint64_t certain = 0;
    for (std::uint32_t e = 0; e < table.entries; ++e) {
      const int expected = std::min(verdict(a, e, table), verdict(b, e, table));
      ASSERT_EQ(verdict(joined, e, table), expected) << "round " << round << " entry " << e;
      if (expected == 1) must_read.push_back(table.block_of(e));
      certain += expected == 2 ? 1 : 0;
    }
    // Reading the unsettled blocks and counting the certain entries outside them counts every match once.
    const auto read = joined.unsettled(table);
    for (const std::uint32_t block : must_read) EXPECT_TRUE(std::binary_search(read.begin(), read.end(), block));
    std::uint64_t inside = 0;
    for (const std::uint32_t e : joined.certain) inside += std::binary_search(read.begin(), read.end(), table.block_of(e));
    EXPECT_EQ(joined.certain_outside(read, table), certain - inside);
    const auto all = joined.all_blocks(table);
    for (const std::uint32_t e : joined.certain) EXPECT_TRUE(std::binary_search(all.begin(), all.end(), table.block_of(e)));
  }
}

TEST(IndexCacheTest, TheFolderFollowsTheUsersCacheAndNamesTellFoldersApart) {
#ifndef _WIN32
  const char* saved = std::getenv("XDG_CACHE_HOME");
  ::setenv("XDG_CACHE_HOME", "/tmp/kc", 1);
  EXPECT_EQ(platform::index_cache_folder(), "/tmp/kc/korvint/index");
  ::setenv("XDG_CACHE_HOME", "relative", 1);
  EXPECT_EQ(platform::index_cache_folder(), std::string(std::getenv("HOME")) + "/.cache/korvint/index");
  if (saved != nullptr) ::setenv("XDG_CACHE_HOME", saved, 1);
  else ::unsetenv("XDG_CACHE_HOME");
#else
  EXPECT_NE(platform::index_cache_folder().find("\\Korvint\\index"), std::string::npos);
#endif
  EXPECT_EQ(index_file_name("/cats", "/cats/a.lst").rfind(folder_prefix("/cats/"), 0), 0u);
  EXPECT_NE(index_file_name("/cats", "/cats/a.lst"), index_file_name("/cats", "/cats/b.lst"));
  EXPECT_NE(folder_prefix("/cats"), folder_prefix("/dogs"));
}

// The number of a process that has ended.
std::uint64_t ended_process() {
#ifndef _WIN32
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return static_cast<std::uint64_t>(child);
#else
  return 0xFFFFFFF0u;  // process numbers are multiples of 4, never this high
#endif
}

TEST(IndexCacheTest, OnlyTheLeftoversOfKilledBuildsAreDeleted) {
  test::TempTree tree;
  const fs::path cache = tree.folder("cache");
  const std::string dead = std::to_string(ended_process());
#ifndef _WIN32
  const std::string alive = std::to_string(::getpid());
#else
  const std::string alive = std::to_string(::_getpid());
#endif
  const struct {
    std::string name;
    bool deleted;
  } files[] = {
      {"0123-4567.kvx.tmp" + dead, true},  {"0123-89ab.kvx.tmp" + dead, true},
      {"0123-4567.kvx.tmp" + alive, false},  // a build under way (this process's)
      {"0123-4567.kvx", false},              {"0123-4567.kvx.tmp", false},
      {"0123-4567.kvx.tmp" + dead + "x", false}, {"notes.txt.tmp" + dead, false},
      {"0123-4567.kvx.tmp99999999999999999999999", false},
  };
  for (const auto& f : files) write_file(cache / f.name, "x");
  EXPECT_EQ(remove_dead_builds(cache.string()), 2u);
  for (const auto& f : files) EXPECT_EQ(fs::exists(cache / f.name), !f.deleted) << f.name;
  EXPECT_EQ(platform::temporary_file_writer("a.kvx.tmp" + dead), std::stoull(dead));
}

#ifndef _WIN32
TEST(IndexBuildTest, ConcurrentBuildsLeaveOneGoodIndex) {
  test::TempTree tree;
  const fs::path folder = tree.folder("cats");
  const std::string cache = (tree.root() / "cache").string();
  test::RandomCatalogues draw(5);
  write_file(folder / "a.lst", draw.make());
  pid_t children[3];
  for (pid_t& child : children) {
    child = ::fork();
    if (child == 0) {
      bool ok = true;
      for (int i = 0; i < 10; ++i) ok = ok && write_index(cache, *open_folder(folder).at(0), nullptr, 100).ok();
      ::_exit(ok ? 0 : 1);
    }
  }
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const auto catalogue = open_folder(folder).at(0);
  EXPECT_TRUE(IndexFile::open_for(index_path(cache, *catalogue), *catalogue));
  EXPECT_EQ(platform::file_names_in(cache).size(), 1u);  // no temporary file left
}
#endif

}  // namespace
}  // namespace korvint::search::index
