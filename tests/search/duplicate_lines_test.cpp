// The lines of duplicates made a batch at a time from catalogues read
// forward: append_result_line()'s lines, each after its group's number, in
// the files' order, whatever the batch and the threads; the files of a
// catalogue changed since the search left out and counted.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "search/duplicate_lines.h"
#include "search/hit_list.h"
#include "search/result_line.h"
#include "random_catalogues.h"
#include "search_fixture.h"
#include "support/temp_tree.h"

namespace korvint::search {
namespace {

// Every entry of some catalogues (folders too), shuffled as groups scatter
// files, in groups of one to four.
struct Grouped {
  std::vector<std::shared_ptr<const Catalogue>> catalogues;
  std::vector<Hit> files;
  std::vector<std::uint32_t> starts;
};

Grouped shuffled_entries(const std::vector<std::shared_ptr<Catalogue>>& catalogues, std::uint64_t seed) {
  Grouped out;
  HitStore hits;
  SearchOptions options;
  options.code_page = "windows-1252";
  collect_hits(catalogues, Matcher(Query{}), options, hits, out.catalogues, nullptr);
  for (std::size_t i = 0; i < hits.size(); ++i) out.files.push_back(hits[i]);
  std::mt19937_64 rng(seed);
  std::shuffle(out.files.begin(), out.files.end(), rng);
  for (std::size_t at = 0; at < out.files.size(); at += 1 + rng() % 4) out.starts.push_back(static_cast<std::uint32_t>(at));
  return out;
}

// The lines made one at a time, those of catalogue `left_out` skipped.
std::string one_at_a_time(const Grouped& grouped, std::size_t left_out = ~std::size_t{0}) {
  NameDecoder decoder("windows-1252");
  std::string out;
  std::size_t group = 0;
  for (std::size_t i = 0; i < grouped.files.size(); ++i) {
    while (group < grouped.starts.size() && grouped.starts[group] <= i) ++group;
    const Hit& hit = grouped.files[i];
    if (hit.catalogue() == left_out) continue;
    out += std::to_string(group) + "\t";
    EXPECT_TRUE(append_result_line(out, *grouped.catalogues[hit.catalogue()], hit, decoder));
  }
  return out;
}

std::string in_batches(const Grouped& grouped, unsigned threads, std::size_t memory, std::uint64_t& left_out) {
  std::string out;
  left_out = write_duplicate_lines(grouped.catalogues, grouped.files, grouped.starts, "windows-1252", threads, memory,
                                   [&](std::string_view text) {
                                     out += text;
                                     return true;
                                   });
  return out;
}

TEST(DuplicateLinesTest, AreResultLinesInTheFilesOrderWhateverTheBatch) {
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    test::RandomCatalogues random(seed);
    std::vector<std::shared_ptr<Catalogue>> catalogues;
    for (int c = 0; c < 3; ++c) {
      catalogues.push_back(test::make_catalogue("c" + std::to_string(c), random.make()));
      check_catalogues({catalogues.back()}, {});  // the encoding both ways decode with
    }
    const Grouped grouped = shuffled_entries(catalogues, seed);
    const std::string expected = one_at_a_time(grouped);
    // A batch of the fewest files (many batches), of some, of all.
    for (const std::size_t memory : {std::size_t{0}, std::size_t{12000}, std::size_t{1} << 20}) {
      for (const unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " memory " + std::to_string(memory) + " threads " +
                     std::to_string(threads));
        std::uint64_t left_out = 0;
        EXPECT_EQ(in_batches(grouped, threads, memory, left_out), expected);
        EXPECT_EQ(left_out, 0u);
      }
    }
  }
}

TEST(DuplicateLinesTest, LeaveOutACatalogueChangedSinceTheSearchAndStopWhenTold) {
  test::TempTree tree;
  test::RandomCatalogues random(7);
  const std::string text = random.make();
  const auto path = tree.text_file("a.lst", text);
  OpenProblem problem = OpenProblem::None;
  std::string message;
  std::shared_ptr<Catalogue> changing = Catalogue::open(CatalogueSource{path.string(), "a.lst", "a"}, problem, message);
  ASSERT_TRUE(changing) << message;
  std::vector<std::shared_ptr<Catalogue>> catalogues{changing, test::make_catalogue("b", random.make())};
  for (const auto& catalogue : catalogues) check_catalogues({catalogue}, {});
  const Grouped grouped = shuffled_entries(catalogues, 7);

  std::size_t calls = 0;
  write_duplicate_lines(grouped.catalogues, grouped.files, grouped.starts, "", 2, 0, [&](std::string_view) {
    ++calls;
    return false;
  });
  EXPECT_EQ(calls, 1u);

  test::write_file(path, text + "new.txt\t1\t 2020.1.1\t0:0.0\r\n");
  std::uint64_t left_out = 0;
  EXPECT_EQ(in_batches(grouped, 2, 0, left_out), one_at_a_time(grouped, 0));
  EXPECT_EQ(left_out, static_cast<std::uint64_t>(std::count_if(grouped.files.begin(), grouped.files.end(),
                                                                 [](const Hit& hit) { return hit.catalogue() == 0; })));
  EXPECT_GT(left_out, 0u);
}

}  // namespace
}  // namespace korvint::search
