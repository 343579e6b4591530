// vesko --index and the searches after it: the same results as without the
// indexes, --list tells which catalogues have one, the indexes of catalogues
// that are gone are deleted, and a catalogue changed since is read whole.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/vesko_run.h"
#include "platform/cache_folder.h"
#include "support/temp_tree.h"

namespace korvint::app {
namespace {

class VeskoIndexTest : public ::testing::Test {
 protected:
  VeskoIndexTest() {
    const char* saved = std::getenv(kCacheHome);
    if (saved != nullptr) saved_ = saved;
    set_cache_home(test::path_text(tree_.root() / "cache"));
    folder_ = test::path_text(tree_.folder("cats"));
    std::string lines = "D:\\\r\n";
    for (int i = 0; i < 2000; ++i) lines += "file_" + std::to_string(i) + ".txt\t" + std::to_string(i) + "\t 2019.3.4\t5:6.7\r\n";
    lines += "Holiday\\\t0\t 2018.1.2\t3:4.5\r\nbeach.jpg\t4000\t 2019.3.5\t15:16.17\r\n";
    tree_.text_file("cats/disk1.lst", lines);
    tree_.text_file("cats/disk2.lst", "E:\\\r\nholiday.txt\t3\t 2019.3.4\t5:6.7\r\n");
  }
  ~VeskoIndexTest() override { set_cache_home(saved_); }

  // The variable the cache folder follows, set to `value` ("": unset).
#ifdef _WIN32
  static constexpr const char* kCacheHome = "LOCALAPPDATA";
  static void set_cache_home(const std::string& value) { _putenv_s(kCacheHome, value.c_str()); }
#else
  static constexpr const char* kCacheHome = "XDG_CACHE_HOME";
  static void set_cache_home(const std::string& value) {
    if (value.empty()) ::unsetenv(kCacheHome);
    else ::setenv(kCacheHome, value.c_str(), 1);
  }
#endif

  VeskoRun run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--catalogues", folder_});
    return vesko(arguments);
  }

  test::TempTree tree_;
  std::string folder_;
  std::string saved_;
};

TEST_F(VeskoIndexTest, SearchesAfterIndexingAnswerAsBefore) {
  const char* queries[] = {"holiday", "path:holiday\\beach", "file_19*", "size:>1990 -file_1999", "fi"};
  std::vector<std::string> before;
  for (const char* query : queries) before.push_back(run({query}).out);
  const VeskoRun indexed = run({"--index"});
  EXPECT_EQ(indexed.status, 0) << indexed.err;
  EXPECT_EQ(indexed.out.substr(0, 27), "2 catalogues: 2 indexed in ");
  EXPECT_EQ(run({"--index"}).out.substr(0, 27), "2 catalogues: 0 indexed in ");
  for (std::size_t q = 0; q < std::size(queries); ++q) {
    EXPECT_EQ(run({queries[q]}).out, before[q]) << queries[q];
    EXPECT_EQ(run({"--no-index", queries[q]}).out, before[q]) << queries[q];
  }
  const std::string list = run({"--list"}).out;
  EXPECT_NE(list.find("\tindexed\n"), std::string::npos) << list;
  EXPECT_EQ(list.find("\t-\n"), std::string::npos) << list;

  // A catalogue changed since: read whole; one gone: its index deleted at the next --index.
  tree_.text_file("cats/disk2.lst", "E:\\\r\nholiday2.txt\t3\t 2019.3.4\t5:6.7\r\n");
  EXPECT_NE(run({"holiday"}).out.find("holiday2.txt"), std::string::npos);
  EXPECT_NE(run({"--list"}).out.find("\t-\n"), std::string::npos);
  // Another folder's index, of a catalogue that is gone too, is not this folder's to delete.
  tree_.text_file("other/gone.lst", "F:\\\r\nx.txt\t3\t 2019.3.4\t5:6.7\r\n");
  EXPECT_EQ(vesko({"--catalogues", test::path_text(tree_.root() / "other"), "--index"}).status, 0);
  std::filesystem::remove(tree_.root() / "other" / "gone.lst");
  std::filesystem::remove(tree_.root() / "cats" / "disk1.lst");
  const VeskoRun again = run({"--index"});
  EXPECT_EQ(again.out.substr(0, 26), "1 catalogue: 1 indexed in ");
  EXPECT_NE(again.out.find(", 1 index deleted (catalogue gone, or index unreadable)"), std::string::npos) << again.out;
  EXPECT_EQ(platform::file_names_in(platform::index_cache_folder()).size(), 2u);  // disk2's and gone.lst's
}

TEST_F(VeskoIndexTest, IndexTakesNoQueryAndNotNoIndex) {
  EXPECT_EQ(run({"--index", "--", "word"}).err, "vesko: --index takes no query (try vesko --help)\n");
  EXPECT_EQ(run({"--index", "--no-index"}).status, 2);
  EXPECT_EQ(run({"--index", "--list"}).status, 2);
}

}  // namespace
}  // namespace korvint::app
