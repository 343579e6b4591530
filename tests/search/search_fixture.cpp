#include "search_fixture.h"

#include <gtest/gtest.h>

#include "search/query.h"

namespace korvint::test {

std::shared_ptr<search::Catalogue> make_catalogue(const std::string& name, const std::string& text) {
  search::OpenProblem problem = search::OpenProblem::None;
  std::shared_ptr<search::Catalogue> catalogue = search::Catalogue::from_bytes(text, name, problem);
  EXPECT_TRUE(catalogue) << name << " is not a catalogue";
  return catalogue;
}

std::vector<std::shared_ptr<search::Catalogue>> sample_catalogues() {
  const std::vector<std::string> photos = {
      "big.iso\t5000000000\t 2009.12.1\t23:59.59",
      "index.txt\t1234\t 2010.6.30\t9:5.7",
      "2009\\\t0\t 2009.1.2\t8:0.0",
      "a.jpg\t204800\t 2009.1.2\t8:15.42",
      "Holiday Photos.JPG\t1048576\t 2019.3.15\t12:0.0",
      "2009\\Trip\\\t0\t 2009.7.14\t10:30.0",
      "b.jpg\t0\t 2009.7.14\t10:31.0",
      "\xC3\xA4rger.txt\t700\t 2019.6.30\t23:59.59",
      "Stra\xC3\x9F" "e.mp3\t3000000\t 2020.1.1\t0:0.0",
      "\xE2\x84\xAA" "elvin.flac\t2048\t 2021.5.5\t5:5.5",
      "Empty\\\t0\t 2010.3.4\t5:6.7",
  };
  // The same names as a Windows catalogue writes them in Windows-1252.
  const std::vector<std::string> backup = {
      "Docs\\\t0\t 2018.2.3\t4:5.6",
      "\xC4RGER.TXT\t10\t 2018.2.3\t4:5.7",
      "song.mp3\t5000000\t 2018.2.3\t4:5.8",
  };
  const std::vector<std::string> home = {
      "notes.txt\t12\t 2022.12.31\t23:0.0",
      "music\\\t0\t 2022.1.1\t0:0.0",
      "music\\live\\\t0\t 2022.1.2\t0:0.0",
      "take one.flac\t900000000\t 2022.1.3\t0:0.0",
  };
  return {make_catalogue("backup", catalogue_text("E:\\", backup)),
          make_catalogue("home", catalogue_text("/home/ann/", home)),
          make_catalogue("photos", catalogue_text("D:\\Photos\\", photos))};
}

Collected collect(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues, const search::Matcher& matcher,
                  const search::SearchOptions& options, const std::atomic<bool>* cancel) {
  search::ResultCollector collector(catalogues);
  search::SearchOutcome outcome = search::run_search(catalogues, matcher, options, collector, cancel);
  EXPECT_EQ(outcome.found, collector.size());
  return Collected{std::move(outcome), collector.results()};
}

std::vector<std::string> search_paths(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues,
                                      const std::string& query, std::uint64_t chunk_bytes) {
  std::string error;
  auto parsed = search::parse_query(query, error);
  EXPECT_TRUE(parsed) << query << ": " << error;
  if (!parsed) return {};
  const search::Matcher matcher(std::move(*parsed));
  search::SearchOptions options;
  options.chunk_bytes = chunk_bytes;
  options.code_page = "windows-1252";
  const search::ResultSet results = collect(catalogues, matcher, options).results;
  search::NameDecoder decoder("windows-1252");
  std::vector<std::string> paths;
  std::string path;
  results.for_each([&](const search::Hit& hit) {
    results.full_path(hit, decoder, path);
    paths.push_back(results.catalogue_of(hit).name() + "\t" + path);
  });
  return paths;
}

}  // namespace korvint::test
