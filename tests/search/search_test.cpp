// Queries over sample catalogues: every operator, folding across encodings,
// chunking, limits, cancellation and the printed result line.

#include <gtest/gtest.h>

#include <atomic>

#include "search/query.h"
#include "search/result_line.h"
#include "search/searcher.h"
#include "search_fixture.h"

namespace korvint::search {
namespace {

using Paths = std::vector<std::string>;

struct QueryCase {
  const char* query;
  Paths expected;
};

TEST(SearchTest, EachQueryFindsExactlyItsEntriesInCatalogueOrder) {
  const auto catalogues = test::sample_catalogues();
  const QueryCase cases[] = {
      {"jpg", {"photos\tD:\\Photos\\2009\\a.jpg", "photos\tD:\\Photos\\2009\\Holiday Photos.JPG",
               "photos\tD:\\Photos\\2009\\Trip\\b.jpg"}},
      // All words must match; a phrase keeps its space; case never matters.
      {"HOLIDAY jpg", {"photos\tD:\\Photos\\2009\\Holiday Photos.JPG"}},
      {"\"y p\"", {"photos\tD:\\Photos\\2009\\Holiday Photos.JPG"}},
      {"\"day jpg\"", {}},
      // Unicode folding, the same in a UTF-8 and a Windows-1252 catalogue.
      {"\xC3\x84RGER", {"backup\tE:\\Docs\\\xC3\x84RGER.TXT", "photos\tD:\\Photos\\2009\\Trip\\\xC3\xA4rger.txt"}},
      // A wildcard word matches the whole name; the same text without one matches anywhere.
      {"*.mp3", {"backup\tE:\\Docs\\song.mp3", "photos\tD:\\Photos\\2009\\Trip\\Stra\xC3\x9F" "e.mp3"}},
      {".mp", {"backup\tE:\\Docs\\song.mp3", "photos\tD:\\Photos\\2009\\Trip\\Stra\xC3\x9F" "e.mp3"}},
      {"*.mp", {}},
      {"?.jpg", {"photos\tD:\\Photos\\2009\\a.jpg", "photos\tD:\\Photos\\2009\\Trip\\b.jpg"}},
      {"?rger.txt", {"backup\tE:\\Docs\\\xC3\x84RGER.TXT", "photos\tD:\\Photos\\2009\\Trip\\\xC3\xA4rger.txt"}},
      // Folders are entries by their own name; a POSIX root joins levels with "/".
      {"trip", {"photos\tD:\\Photos\\2009\\Trip\\"}},
      {"live", {"home\t/home/ann/music/live/"}},
      {"-jpg -mp3 -flac type:file in:photos",
       {"photos\tD:\\Photos\\big.iso", "photos\tD:\\Photos\\index.txt",
        "photos\tD:\\Photos\\2009\\Trip\\\xC3\xA4rger.txt"}},
      {"path:trip\\b", {"photos\tD:\\Photos\\2009\\Trip\\b.jpg"}},
      {"path:music/live/take", {"home\t/home/ann/music/live/take one.flac"}},
      // Either separator matches either; a word with one is a path: word, so
      // a full path pasted whole (or split at its space) finds its entry.
      {"path:music\\live\\take", {"home\t/home/ann/music/live/take one.flac"}},
      {"path:2009/trip/b", {"photos\tD:\\Photos\\2009\\Trip\\b.jpg"}},
      {"/home/ann/music/live/take one.flac", {"home\t/home/ann/music/live/take one.flac"}},
      {"\"D:\\Photos\\2009\\Holiday Photos.JPG\"", {"photos\tD:\\Photos\\2009\\Holiday Photos.JPG"}},
      {"d:/photos/2009/trip/ -path:.", {"photos\tD:\\Photos\\2009\\Trip\\"}},
      {"path:photos -path:2009", {"photos\tD:\\Photos\\big.iso", "photos\tD:\\Photos\\index.txt",
                                  "photos\tD:\\Photos\\Empty\\"}},
      {"size:>700MB", {"home\t/home/ann/music/live/take one.flac", "photos\tD:\\Photos\\big.iso"}},
      {"size:<1k", {"backup\tE:\\Docs\\\xC3\x84RGER.TXT", "home\t/home/ann/notes.txt",
                    "photos\tD:\\Photos\\2009\\Trip\\b.jpg", "photos\tD:\\Photos\\2009\\Trip\\\xC3\xA4rger.txt"}},
      {"size:1MB..4MB", {"photos\tD:\\Photos\\2009\\Holiday Photos.JPG",
                         "photos\tD:\\Photos\\2009\\Trip\\Stra\xC3\x9F" "e.mp3"}},
      {"date:2019", {"photos\tD:\\Photos\\2009\\Holiday Photos.JPG",
                     "photos\tD:\\Photos\\2009\\Trip\\\xC3\xA4rger.txt"}},
      {"date:2019-06", {"photos\tD:\\Photos\\2009\\Trip\\\xC3\xA4rger.txt"}},
      {"date:2019-03-16..2019-06-30", {"photos\tD:\\Photos\\2009\\Trip\\\xC3\xA4rger.txt"}},
      {"date:>2021 type:folder", {"home\t/home/ann/music/", "home\t/home/ann/music/live/"}},
      {"ext:flac;.ISO", {"home\t/home/ann/music/live/take one.flac", "photos\tD:\\Photos\\big.iso",
                         "photos\tD:\\Photos\\2009\\Trip\\\xE2\x84\xAA" "elvin.flac"}},
      {"in:back;hom type:folder", {"backup\tE:\\Docs\\", "home\t/home/ann/music/", "home\t/home/ann/music/live/"}},
      {"-in:p* mp3", {"backup\tE:\\Docs\\song.mp3"}},
  };
  for (const QueryCase& c : cases) {
    EXPECT_EQ(test::search_paths(catalogues, c.query), c.expected) << c.query;
    // Chunks of a few bytes give the same results: each finds its folder by looking back.
    EXPECT_EQ(test::search_paths(catalogues, c.query, 7), c.expected) << c.query << " in small chunks";
  }
}

TEST(SearchTest, EncodingIsLearnedFromLinesTheQueryPassesOver) {
  // The first non-ASCII names are valid UTF-8, a later one is not: the catalogue
  // is in the code page, and "caf\xC3\xA9" reads as "caf\xC3\x83\xC2\xA9". A query
  // that passes over the later line by its size, date, folder or name must
  // still learn that from it, on the catalogue's first search, and read every
  // line it verifies in that encoding.
  const std::string text = test::catalogue_text("F:\\", {"caf\xC3\xA9.txt\t5000\t 2020.1.1\t0:0.0",
                                                         "xq\xC3\xA9.txt\t1\t 2001.1.1\t0:0.0",
                                                         "Old\\\t0\t 2001.1.1\t0:0.0",
                                                         "na\xEFve.txt\t1\t 2001.1.1\t0:0.0",
                                                         "Stra\xC3\x9F" "e\\\t0\t 2001.1.1\t0:0.0",
                                                         "x.txt\t1\t 2001.1.1\t0:0.0"});
  const Paths cafe = {"mixed\tF:\\caf\xC3\x83\xC2\xA9.txt"};
  const QueryCase cases[] = {
      {"size:>1k", cafe},
      {"date:2020 type:file", cafe},
      {"ext:txt -date:2001", cafe},
      {"caf size:>1k", cafe},
      {"path:caf", cafe},
      {"caf\xC3\xA9", {}},
      // Read as UTF-8 "xq\xC3\xA9" holds no "qa"; in the code page "xq\xC3\x83\xC2\xA9" does.
      {"qa", {"mixed\tF:\\xq\xC3\x83\xC2\xA9.txt"}},
      {"path:old", {"mixed\tF:\\Old\\", "mixed\tF:\\Old\\na\xC3\xAFve.txt"}},
      // An ASCII name in a folder whose path is not ASCII is read in the catalogue's encoding too.
      {"path:strasse", {}},
      {"path:stra\xC3\x83", {"mixed\tF:\\Stra\xC3\x83\xC5\xB8" "e\\", "mixed\tF:\\Stra\xC3\x83\xC5\xB8" "e\\x.txt"}},
  };
  for (const QueryCase& c : cases)
    for (const std::uint64_t chunk_bytes : {std::uint64_t{4} << 20, std::uint64_t{7}})
      EXPECT_EQ(test::search_paths({test::make_catalogue("mixed", text)}, c.query, chunk_bytes), c.expected)
          << c.query << " in chunks of " << chunk_bytes;
}

TEST(SearchTest, ResultLineHasCatalogueFullPathSizeAndTime) {
  const auto catalogues = test::sample_catalogues();
  std::string error;
  test::Collected found = test::collect(catalogues, Matcher(*parse_query("big.iso", error)));
  ASSERT_EQ(found.results.size(), 1u);
  NameDecoder decoder;
  std::string line;
  append_result_line(line, found.results.catalogue_of(found.results[0]), found.results[0], decoder);
  EXPECT_EQ(line, "photos\tD:\\Photos\\big.iso\t5000000000\t2009-12-01 23:59:59\n");
  found = test::collect(catalogues, Matcher(*parse_query("type:folder in:photos", error)));
  line.clear();
  found.results.for_each([&](const Hit& hit) { append_result_line(line, found.results.catalogue_of(hit), hit, decoder); });
  EXPECT_EQ(line,
            "photos\tD:\\Photos\\2009\\\t0\t2009-01-02 08:00:00\n"
            "photos\tD:\\Photos\\2009\\Trip\\\t0\t2009-07-14 10:30:00\n"
            "photos\tD:\\Photos\\Empty\\\t0\t2010-03-04 05:06:07\n");
  check_catalogues(catalogues, {});
  found = test::collect(catalogues, Matcher(*parse_query("type:folder in:photos", error)));
  EXPECT_EQ(status_summary(found.outcome, 1234), "3 found in 1 catalogue (11 entries) in 1,234 ms");
}

TEST(SearchTest, LimitAndCancellation) {
  const auto catalogues = test::sample_catalogues();
  std::string error;
  const Matcher files(*parse_query("type:file", error));
  SearchOptions options;
  options.chunk_bytes = 16;
  options.max_hits = 2;
  test::Collected found = test::collect(catalogues, files, options);
  EXPECT_TRUE(found.outcome.limited);
  ASSERT_EQ(found.results.size(), 2u);
  NameDecoder decoder;
  std::string name;
  found.results.name(found.results[0], decoder, name);
  EXPECT_EQ(name, "\xC3\x84RGER.TXT");  // the first in catalogue order, decoded

  std::atomic<bool> cancel{true};
  found = test::collect(catalogues, files, {}, &cancel);
  EXPECT_TRUE(found.outcome.cancelled);
  EXPECT_TRUE(found.results.empty());
}

}  // namespace
}  // namespace korvint::search
