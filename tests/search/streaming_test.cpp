// The sink's side of a search: results come while the search goes on, each
// once and in order; what was taken of a catalogue that then changed is
// withdrawn before its fresh version's results, which still come before the
// next catalogue's; a sink can stop the search.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "search/catalogue_folder.h"
#include "search/query.h"
#include "search/searcher.h"
#include "search_fixture.h"
#include "support/temp_tree.h"

namespace korvint::search {
namespace {

namespace fs = std::filesystem;

// "NNN": lines of one length, so that chunks of kChunkBytes hold 25 of them.
std::string number(int i) {
  std::string digits = std::to_string(i);
  return std::string(3 - digits.size(), '0') + digits;
}

std::string listing(const std::string& prefix, int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back(prefix + number(i) + ".txt\t1\t 2020.1.1\t0:0.0");
  return test::catalogue_text("D:\\", lines);
}
constexpr std::uint64_t kChunkBytes = 25 * 28 - 1;

// Keeps what it takes, notes each call ("take a.lst", "withdraw a.lst 40") and
// lets a test act on each take.
class RecordingSink final : public ResultSink {
 public:
  explicit RecordingSink(const std::vector<std::shared_ptr<Catalogue>>& catalogues) : collector_(catalogues) {}

  std::function<bool(const Catalogue&, int take)> on_take = [](const Catalogue&, int) { return true; };
  std::vector<std::string> calls;

  bool take(const std::shared_ptr<const Catalogue>& catalogue, std::vector<Hit> hits) override {
    if (calls.empty() || calls.back() != "take " + catalogue->source().file_name) calls.push_back("take " + catalogue->source().file_name);
    collector_.take(catalogue, std::move(hits));
    return on_take(*catalogue, ++takes_);
  }
  bool withdraw(std::size_t index, std::size_t count) override {
    calls.push_back("withdraw " + std::string(1, static_cast<char>('a' + index)) + ".lst " + std::to_string(count));
    withdrawn_ += count;
    return collector_.withdraw(index, count);
  }

  // The paths kept, the catalogue's file name before each.
  std::vector<std::string> paths() {
    const ResultSet results = collector_.results();
    NameDecoder decoder;
    std::vector<std::string> paths;
    std::string path;
    results.for_each([&](const Hit& hit) {
      EXPECT_TRUE(results.full_path(hit, decoder, path));
      paths.push_back(results.catalogue_of(hit).name() + " " + path);
    });
    return paths;
  }

 private:
  ResultCollector collector_;
  int takes_ = 0;
  std::size_t withdrawn_ = 0;
};

std::vector<std::string> expected_paths(const std::string& catalogue, const std::string& prefix, int count) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) paths.push_back(catalogue + " D:\\" + prefix + number(i) + ".txt");
  return paths;
}

TEST(StreamingTest, ResultsComeOnceInOrderWhileTheSearchGoesOn) {
  struct Case {
    const char* what;
    // What the sink does at each take: changes files, or says to stop.
    std::function<bool(const fs::path& a, const fs::path& b, const Catalogue&, int take)> act;
    std::vector<std::string> calls;
    std::vector<std::string> paths;
    std::vector<std::string> notes;
    std::vector<std::string> errors;
  };
  const auto both = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const Case cases[] = {
      {"nothing changes", [](auto&, auto&, auto&, int) { return true; }, {"take a.lst", "take b.lst"},
       both(expected_paths("a", "a", 300), expected_paths("b", "b", 300)), {}, {}},
      // The first results are out before b.lst is read: b.lst is read as it now stands.
      {"the next catalogue changes",
       [](auto&, const fs::path& b, auto&, int take) {
         if (take == 1) test::write_file(b, listing("new", 40));
         return true;
       },
       {"take a.lst", "take b.lst"}, both(expected_paths("a", "a", 300), expected_paths("b", "new", 40)),
       {"b.lst changed during the search: searched again"}, {}},
      // What was taken of a.lst goes, its fresh version comes whole, then b.lst.
      {"the catalogue being taken changes",
       [](const fs::path& a, auto&, const Catalogue& from, int take) {
         if (take == 1 && from.name() == "a") test::write_file(a, listing("new", 40));
         return true;
       },
       {"take a.lst", "withdraw a.lst 25", "take a.lst", "take b.lst"},
       both(expected_paths("a", "new", 40), expected_paths("b", "b", 300)),
       {"a.lst changed during the search: searched again"}, {}},
      {"a catalogue that keeps changing",
       [](const fs::path& a, auto&, const Catalogue& from, int) {
         static int version = 0;
         if (from.name() == "a") test::write_file(a, listing("v", 50 + ++version));
         return true;
       },
       {"take a.lst", "withdraw a.lst 25", "take a.lst", "withdraw a.lst 25", "take a.lst", "withdraw a.lst 25",
        "take b.lst"},
       expected_paths("b", "b", 300), {"a.lst changed during the search: searched again"},
       {"a.lst kept changing during the search: left out"}},
      {"the sink stops", [](auto&, auto&, auto&, int take) { return take < 2; }, {"take a.lst"},
       expected_paths("a", "a", 50), {}, {}},
  };
  for (const Case& c : cases) {
    test::TempTree tree;
    const fs::path a = tree.text_file("a.lst", listing("a", 300));
    const fs::path b = tree.text_file("b.lst", listing("b", 300));
    CatalogueSet set = open_catalogue_folders({test::path_text(tree.root())});
    ASSERT_EQ(set.catalogues.size(), 2u);
    RecordingSink sink(set.catalogues);
    sink.on_take = [&](const Catalogue& from, int take) { return c.act(a, b, from, take); };
    std::string error;
    const Matcher matcher(*parse_query("txt", error));
    SearchOptions options;
    options.threads = 1;       // one chunk at a time: a change lands between two chunks
    options.chunk_bytes = kChunkBytes;
    const SearchOutcome outcome = run_search(set.catalogues, matcher, options, sink);
    const std::vector<std::string> paths = sink.paths();
    EXPECT_EQ(sink.calls, c.calls) << c.what;
    EXPECT_EQ(paths, c.paths) << c.what;
    EXPECT_EQ(outcome.found, paths.size()) << c.what;
    EXPECT_EQ(outcome.notes, c.notes) << c.what;
    EXPECT_EQ(outcome.errors, c.errors) << c.what;
    EXPECT_EQ(outcome.stopped, std::string(c.what) == "the sink stops") << c.what;
  }
}

// Every search ends with every result, whatever the budgets, the threads and
// the sink's pace, while encodings are still to be decided and a catalogue
// changes under the search. A search that waits for ever fails the test
// (cancelled after a generous bound) instead of hanging it.
TEST(StreamingTest, EverySearchEndsWithEveryResult) {
  struct Case {
    unsigned threads;
    std::size_t waiting_hits;
    int lines;            // in each catalogue; a chunk holds about six
    int high_byte_every;  // every Nth name holds a byte >= 0x80: the encoding is decided late (0: none)
    int sink_pause_us;    // at each take: slow enough for the workers to end chunks meanwhile
    bool change_a;        // a.lst is rewritten at the first take
  };
  const Case cases[] = {
      {2, 3, 12, 4, 200, false},         {3, 3, 12, 4, 200, false},   {4, 3, 20, 5, 200, false},
      {2, 1u << 17, 12, 4, 200, false},  {1, 3, 60, 7, 200, false},   {2, 40, 60, 7, 200, false},
      {4, 8, 60, 50, 200, false},        {2, 3, 60, 0, 200, false},   {2, 1u << 17, 300, 7, 0, false},
      {2, 3, 60, 7, 200, true},          {4, 10, 60, 13, 200, true},
  };
  const auto names = [](const std::string& prefix, int count, int high_byte_every) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
      const bool high = high_byte_every != 0 && i % high_byte_every == high_byte_every - 1;
      lines.push_back(prefix + number(i) + (high ? "\xc3\xa9" : "e") + ".txt\t1\t 2020.1.1\t0:0.0");
    }
    return test::catalogue_text("D:\\", lines);
  };
  const std::string files = "abcdef";
  for (const Case& c : cases) {
    for (int round = 0; round < 20; ++round) {
      const std::string what = "threads " + std::to_string(c.threads) + ", waiting hits " +
                               std::to_string(c.waiting_hits) + ", lines " + std::to_string(c.lines) + ", round " +
                               std::to_string(round);
      test::TempTree tree;
      for (const char file : files)
        tree.text_file(std::string(1, file) + ".lst", names(std::string(1, file), c.lines, c.high_byte_every));
      const fs::path a = tree.root() / "a.lst";
      CatalogueSet set = open_catalogue_folders({test::path_text(tree.root())});
      ASSERT_EQ(set.catalogues.size(), files.size());
      RecordingSink sink(set.catalogues);
      sink.on_take = [&](const Catalogue&, int take) {
        if (c.change_a && take == 1) test::write_file(a, names("n", 100, c.high_byte_every));
        std::this_thread::sleep_for(std::chrono::microseconds(c.sink_pause_us));
        return true;
      };
      std::string error;
      const Matcher matcher(*parse_query("txt", error));
      SearchOptions options;
      options.threads = c.threads;
      options.waiting_hits = c.waiting_hits;
      options.chunk_bytes = 200;
      // The search runs on this thread (threads that searched and then end
      // are not the point here); a watchdog cancels it after a generous bound.
      std::atomic<bool> cancel{false};
      std::mutex mutex;
      std::condition_variable wake;
      bool ended = false;
      std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!wake.wait_for(lock, std::chrono::seconds(20), [&] { return ended; })) cancel = true;
      });
      const SearchOutcome outcome = run_search(set.catalogues, matcher, options, sink, &cancel);
      {
        const std::lock_guard lock(mutex);
        ended = !cancel;
      }
      wake.notify_one();
      watchdog.join();
      ASSERT_TRUE(ended) << "the search never ended: " << what;
      // "a D:\a000e.txt", ...: in catalogue and line order when sorted.
      const std::vector<std::string> paths = sink.paths();
      const std::size_t a_lines = outcome.notes.empty() ? c.lines : 100;
      EXPECT_EQ(paths.size(), a_lines + (files.size() - 1) * c.lines) << what;
      EXPECT_EQ(outcome.found, paths.size()) << what;
      EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end())) << what;
    }
  }
}

}  // namespace
}  // namespace korvint::search
