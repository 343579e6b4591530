// The table of extensions of an index: `ext:x` and wildcards ending in ".x"
// counted without reading the catalogue and listed from the blocks of their
// entries, a count with a limit through it, and indexes of the format before
// it rebuilt, never read.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "search/catalogue_folder.h"
#include "search/index_builder.h"
#include "search/index_cache.h"
#include "search/index_reader.h"
#include "search/index_search.h"
#include "search/query.h"
#include "search/result_sink.h"
#include "search/searcher.h"
#include "search_fixture.h"
#include "support/temp_tree.h"

namespace korvint::search::index {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kBlockBytes = 4096;

using korvint::test::read_file;
using korvint::test::write_file;

// One catalogue "a.lst" of `lines`, indexed into `cache` with blocks of
// kBlockBytes and tokens and extensions listed from 16 entries.
struct Indexed {
  explicit Indexed(const std::vector<std::string>& lines)
      : folder(tree.folder("cats")), cache((tree.root() / "cache").string()) {
    write_file(folder / "a.lst", test::catalogue_text("D:\\", lines));
    fs::create_directories(cache);
    catalogue = open_catalogue_folders({folder.string()}).catalogues.at(0);
    const auto bytes = build_index(*catalogue, nullptr, kBlockBytes, 16);
    EXPECT_TRUE(bytes);
    if (bytes) write_file(index_path(cache, *catalogue), *bytes);
    all_blocks = catalogue->chunks(kBlockBytes).size();
  }

  // How many results `query` has, through the index (counting, stopping at
  // `limit` when not 0) or by the scan.
  std::uint64_t count(const std::string& query, bool indexed, std::uint64_t limit = 0) const {
    std::string error;
    const Matcher matcher(*parse_query(query, error));
    const IndexPlanner planner(matcher.query(), cache, nullptr, true);
    SearchOptions options;
    options.chunk_bytes = kBlockBytes;
    options.max_hits = limit;
    if (indexed) options.planner = &planner;
    const auto catalogues = open_catalogue_folders({folder.string()}).catalogues;
    ResultCollector sink(catalogues);
    return run_search(catalogues, matcher, options, sink).found;
  }

  test::TempTree tree;
  fs::path folder;
  std::string cache;
  std::shared_ptr<Catalogue> catalogue;
  std::uint64_t all_blocks = 0;
};

std::vector<std::string> extension_lines() {
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i) {
    const char* name = i < 1000 ? "photo_" : i < 1200 ? "track_" : "doc_";
    const char* extension = i < 1000 ? ".jpg" : i < 1200 ? (i % 2 == 0 ? ".flac" : ".FLAC") : ".txt";
    lines.push_back(name + std::to_string(i) + extension + "\t10\t 2019.1.1\t0:0.0");
  }
  // In the last block: names ext: never takes though "*.flac" does (a
  // name that is its dot and extension, a folder), extensions that are not
  // ASCII ("FLÁC" is not "flac"; the ligature "ﬂac" folds to it).
  for (const char* line : {".flac\t10\t 2019.1.1\t0:0.0", "song.FL\xC3\x81" "C\t10\t 2019.1.1\t0:0.0",
                           "x.\xEF\xAC\x82" "ac\t10\t 2019.1.1\t0:0.0", "album.flac\\\t0\t 2019.1.1\t0:0.0",
                           "inside.c\t10\t 2019.1.1\t0:0.0"})
    lines.push_back(line);
  return lines;
}

TEST(IndexExtensionTest, CountsExtensionsFromTheTableAndListsOnlyTheirBlocks) {
  const Indexed index(extension_lines());
  ASSERT_GT(index.all_blocks, 12u);
  const std::uint64_t all = index.all_blocks;
  const struct {
    const char* query;
    std::uint64_t most_counting;  // blocks read at most when counting
    std::uint64_t most_listing;   // and when listing
  } cases[] = {
      {"ext:flac", 1, 4},  // only the last block's names that are not ASCII are read to count
      {"*.flac", 1, 4},
      {"*.FLAC", 1, 4},
      {"ext:jpg;flac", 1, 12},  // the jpg names fill 9 blocks
      {"ext:txt photo", 0, 0},  // certain for both, and no entry is
      {"ext:jpg photo", 1, 10},
      {"photo_1*.jpg", 7, 7},  // the jpg entries may match
      {"*.7z", 1, 1},          // no name has it: only the names not ASCII may
      {"ext:c", all, all},     // too rare to be listed, too short for a trigram
      {"-ext:jpg", all, all},
  };
  std::string error;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    const Query query = *parse_query(c.query, error);
    const auto counting = IndexPlanner(query, index.cache, nullptr, true).plan(*index.catalogue, kBlockBytes);
    const auto listing = IndexPlanner(query, index.cache).plan(*index.catalogue, kBlockBytes);
    if (c.most_counting < all) {
      ASSERT_TRUE(counting && listing);
      EXPECT_LE(counting->chunks.size(), c.most_counting);
      EXPECT_LE(listing->chunks.size(), c.most_listing);
    }
    const std::uint64_t scanned = index.count(c.query, false);
    EXPECT_EQ(index.count(c.query, true), scanned);
    // With a limit the count stops at it, however much the index counted at once.
    for (const std::uint64_t limit : {std::uint64_t{1}, std::uint64_t{7}, scanned, scanned + 3}) {
      if (limit != 0) { EXPECT_EQ(index.count(c.query, true, limit), std::min(limit, scanned)) << "limit " << limit; }
    }
  }
}

TEST(IndexExtensionTest, AnIndexOfTheFormatBeforeIsBuiltAgainNeverRead) {
  const Indexed index(extension_lines());
  const std::string path = index_path(index.cache, *index.catalogue);
  ASSERT_TRUE(has_fresh_index(index.cache, *index.catalogue));
  // The same index as the format before would have named itself, its checksum made to fit.
  std::string bytes = read_file(path);
  auto header = decode_header(bytes);
  ASSERT_TRUE(header);
  header->version = kFormatVersion - 1;
  const std::string head = encode_header(*header);
  write_file(path + ".new", head + bytes.substr(head.size()));
  fs::rename(path + ".new", path);

  EXPECT_FALSE(IndexFile::open_file(path));
  EXPECT_FALSE(has_fresh_index(index.cache, *index.catalogue));
  std::string error;
  const Query query = *parse_query("ext:flac", error);
  EXPECT_FALSE(IndexPlanner(query, index.cache).plan(*index.catalogue, kBlockBytes));
  const RefreshOutcome outcome = refresh_indexes(index.cache, {index.catalogue}, 1);
  EXPECT_EQ(outcome.built, 1u);
  EXPECT_TRUE(has_fresh_index(index.cache, *index.catalogue));
  EXPECT_EQ(index.count("ext:flac", true), index.count("ext:flac", false));
}

}  // namespace
}  // namespace korvint::search::index
