// A catalogue that another program cuts short, rewrites, replaces or deletes
// after it was opened: the search reads it again as it now stands, or says it
// cannot, and results of the old version are never read from the new one.
// Each change runs in a child process, where a SIGBUS fails the test.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "search/catalogue_folder.h"
#include "search/query.h"
#include "search/searcher.h"
#include "search_fixture.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace korvint::search {
namespace {

namespace fs = std::filesystem;

std::string listing(const std::string& prefix, int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back(prefix + std::to_string(i) + ".txt\t1\t 2020.1.1\t0:0.0");
  return test::catalogue_text("D:\\", lines);
}

TEST(ChangingCatalogueTest, AChangedCatalogueIsSearchedAgainAsItNowStands) {
  const std::string old_text = listing("old", 2000);
  const std::vector<std::string> first_old = {"disk\tD:\\old0.txt"};
  const std::string searched_again = "disk.lst changed during the search: searched again";
  struct Case {
    const char* change;
    std::function<void(const fs::path&)> apply;
    std::size_t results;              // of "txt" afterwards
    std::string first;                // the first result's path
    std::vector<std::string> notes;   // of the search
    bool error;                       // it could not be searched again
    bool at_path;                     // what was searched is the file at the path now
  };
  const Case cases[] = {
      {"cut short in place", [&](const fs::path& p) { fs::resize_file(p, 3 + 2 + 28); }, 1, "D:\\old0.txt",
       {searched_again}, false, true},
      {"rewritten in place, shorter", [](const fs::path& p) { test::write_file(p, listing("new", 3)); }, 3,
       "D:\\new0.txt", {searched_again}, false, true},
      {"rewritten in place, longer", [](const fs::path& p) { test::write_file(p, listing("newer", 2500)); }, 2500,
       "D:\\newer0.txt", {searched_again}, false, true},
#ifdef _WIN32
      // Windows holds no catalogue open: the name now stands for another file, or for none.
      {"replaced by another file",
       [](const fs::path& p) {
         test::write_file(p.string() + ".new", listing("new", 3));
         fs::rename(p.string() + ".new", p);
       },
       3, "D:\\new0.txt", {searched_again}, false, true},
      {"deleted", [](const fs::path& p) { fs::remove(p); }, 0, "", {}, true, false},
#else
      // The file opened is still there, unchanged, under no name or another.
      {"replaced by another file",
       [](const fs::path& p) {
         test::write_file(p.string() + ".new", listing("new", 3));
         fs::rename(p.string() + ".new", p);
       },
       2000, "D:\\old0.txt", {}, false, false},
      {"deleted", [](const fs::path& p) { fs::remove(p); }, 2000, "D:\\old0.txt", {}, false, false},
#endif
  };
  for (const Case& c : cases) {
    const std::string ended = test::run_in_child([&] {
      test::TempTree tree;
      const fs::path path = tree.text_file("disk.lst", old_text);
      CatalogueSet set = open_catalogue_folders({test::path_text(tree.root())});
      ASSERT_EQ(set.catalogues.size(), 1u);
      c.apply(path);
      std::string error;
      const Matcher matcher(*parse_query("txt", error));
      const auto [outcome, results] = test::collect(set.catalogues, matcher);
      EXPECT_EQ(results.size(), c.results) << c.change;
      NameDecoder decoder;
      std::string first;
      if (!results.empty()) {
        EXPECT_TRUE(results.full_path(results[0], decoder, first));
      }
      EXPECT_EQ(first, c.first) << c.change;
      EXPECT_EQ(outcome.notes, c.notes) << c.change;
      EXPECT_EQ(outcome.errors.size(), c.error ? 1u : 0u) << c.change << ": " << ::testing::PrintToString(outcome.errors);

      // Results kept after the search read nothing of a version they were not
      // found in. (Read on a thread of its own: each thread keeps the blocks
      // it read last, and what they hold is the version searched.)
      if (c.at_path && !results.empty()) {
        fs::resize_file(path, 10);
        std::string late;
        bool read = true;
        std::thread([&, &results = results] { read = results.full_path(results[results.size() - 1], decoder, late); })
            .join();
        EXPECT_FALSE(read) << c.change << ": " << late;
        EXPECT_EQ(late, "") << c.change;
      }
    });
    EXPECT_EQ(ended, "exit 0") << c.change;
  }
}

TEST(ChangingCatalogueTest, FolderLinesThatLeaveTheRootDoNotParse) {
  const auto catalogue = test::make_catalogue(
      "x", test::catalogue_text("/tmp/x/", {"up\\\t0\t 2020.1.1\t0:0.0", "..\\..\\..\\etc\\\t0\t 2020.1.1\t0:0.0",
                                            "passwd\t1\t 2020.1.1\t0:0.0", "a\\.\\b\\\t0\t 2020.1.1\t0:0.0",
                                            "\\abs\\\t0\t 2020.1.1\t0:0.0", "a\\\\b\\\t0\t 2020.1.1\t0:0.0",
                                            "..\t1\t 2020.1.1\t0:0.0", "a/..\\\t0\t 2020.1.1\t0:0.0",
                                            "up\\0123456789abcdef\\..\\..\\x\\\t0\t 2020.1.1\t0:0.0",
                                            "up\\0123456789abcde.f\\g..\\\t0\t 2020.1.1\t0:0.0",
                                            "fine.txt\t1\t 2020.1.1\t0:0.0"}));
  check_catalogues({catalogue}, {});
  ASSERT_TRUE(catalogue->counts());
  EXPECT_EQ(catalogue->counts()->entries, 4u);
  EXPECT_EQ(catalogue->counts()->skipped, 7u);
  // The files below a refused folder line stay in the last folder that was not.
  EXPECT_EQ(test::search_paths({catalogue}, "type:file"),
            (std::vector<std::string>{"x\t/tmp/x/up/passwd", "x\t/tmp/x/up/0123456789abcde.f/g../fine.txt"}));
}

}  // namespace
}  // namespace korvint::search
