// Searches each on a thread of its own, as Vesko's window runs them: every
// thread ends with the buffers it kept (blocks of lines, decoders, wildcard
// scratch), many times over, and the search on the next one still finds the
// same. A fault in letting such buffers go at a thread's end (seen once under
// Wine) shows here as a crash or a heap the next thread cannot use.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/per_thread.h"
#include "search/catalogue_folder.h"
#include "search/query.h"
#include "search/result_line.h"
#include "search_fixture.h"
#include "support/temp_tree.h"

namespace korvint::search {
namespace {

TEST(FreshThreadTest, ManySearchesEachOnANewThreadFindTheSame) {
  test::TempTree tree;
  std::vector<std::string> lines;
  for (int folder = 0; folder < 40; ++folder) {
    lines.push_back("Caf\xC3\xA9 " + std::to_string(folder) + "\\\t0\t 2020.1.1\t0:0.0");
    for (int file = 0; file < 100; ++file)
      lines.push_back("n\xC3\xBCrnberg_" + std::to_string(file) + (file % 3 == 0 ? ".jpg" : ".txt") + "\t" +
                      std::to_string(file * 7) + "\t 2020.1." + std::to_string(1 + file % 28) + "\t0:0.0");
  }
  tree.text_file("disk.lst", test::catalogue_text("D:\\", lines));
  const CatalogueSet set = open_catalogue_folders({tree.root().string()});
  ASSERT_EQ(set.catalogues.size(), 1u);
  // Wildcards with "?" and without, a word with marks, a path word, a size: each path of the matcher.
  constexpr const char* kQueries[] = {"n?rnb*_1?.jpg", "*berg_2*", "N\xC3\x9CRNBERG", "path:\xC3\xA9 1\\n", "size:>600"};
  SearchOptions options;
  options.threads = 2;
  options.chunk_bytes = 16u << 10;
  std::vector<std::size_t> first_counts;
  std::vector<std::string> first_lines;
  for (int round = 0; round < 24; ++round) {
    std::vector<std::size_t> counts;
    std::vector<std::string> last_lines;
    std::thread([&] {
      for (const char* words : kQueries) {
        std::string error;
        const auto query = parse_query(words, error);
        ASSERT_TRUE(query) << error;
        const test::Collected found = test::collect(set.catalogues, Matcher(*query), options);
        counts.push_back(found.results.size());
        // The last result's line read back through the thread's own blocks.
        std::string line;
        NameDecoder decoder;
        if (found.results.size() > 0)
          append_result_line(line, *set.catalogues[0], found.results[found.results.size() - 1], decoder);
        last_lines.push_back(line);
      }
    }).join();
    if (round == 0) {
      first_counts = counts;
      first_lines = last_lines;
      for (const std::size_t count : counts) EXPECT_GT(count, 0u) << ::testing::PrintToString(counts);
    }
    ASSERT_EQ(counts, first_counts) << "round " << round;
    ASSERT_EQ(last_lines, first_lines) << "round " << round;
  }
}

// A buffer that counts its kind alive and checks its own memory when it goes.
struct Counted {
  static inline std::atomic<int> alive{0};
  int canary = 0x5EED;
  Counted() { ++alive; }
  ~Counted() {
    EXPECT_EQ(canary, 0x5EED);
    --alive;
  }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
};

TEST(FreshThreadTest, APerThreadBufferIsTheThreadsOwnAndGoesWithIt) {
  thread_local platform::PerThread<Counted> slot;
  const Counted* main_buffer = &slot.get();
  for (int round = 0; round < 4; ++round) {
    const Counted* buffer = nullptr;
    std::thread([&] {
      buffer = &slot.get();
      EXPECT_EQ(&slot.get(), buffer);  // made once
      EXPECT_EQ(Counted::alive.load(), 2);
    }).join();
    EXPECT_NE(buffer, main_buffer);
    EXPECT_EQ(Counted::alive.load(), 1) << "round " << round;  // deleted as its thread ended
  }
}

}  // namespace
}  // namespace korvint::search
