// vesko --duplicates and --compare on the command line: lines, summary, exit codes.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/vesko_command_line.h"
#include "app/vesko_compare_commands.h"
#include "support/temp_tree.h"

namespace korvint::app {
namespace {

struct CommandRun {
  int status;
  std::string out;
  std::string err;
};

CommandRun vesko(const std::vector<std::string>& arguments) {
  std::ostringstream out, err;
  const int status = run_vesko(arguments, out, err, "vesko");
  return CommandRun{status, out.str(), err.str()};
}

class VeskoCompareCommandsTest : public ::testing::Test {
 protected:
  VeskoCompareCommandsTest() {
    tree_.text_file("disk1.lst",
                    "D:\\\r\nsong.mp3\t3000\t 2019.3.4\t5:6.7\r\nempty.txt\t0\t 2019.3.4\t5:6.7\r\n"
                    "Photos\\\t0\t 2018.1.2\t3:4.5\r\nA.jpg\t500\t 2018.1.2\t3:4.5\r\n"
                    "Photos\\2019\\\t0\t 2019.1.2\t3:4.5\r\nb.jpg\t700\t 2019.1.2\t3:4.5\r\n");
    tree_.text_file("backup.lst",
                    "E:\\\r\nSONG.MP3\t3000\t 2020.1.1\t0:0.0\r\nempty.txt\t0\t 2019.3.4\t5:6.7\r\n"
                    "Photos\\\t0\t 2018.1.2\t3:4.5\r\na.jpg\t500\t 2018.1.2\t3:4.5\r\nnew.txt\t9\t 2021.1.1\t0:0.0\r\n");
    folder_ = test::path_text(tree_.root());
  }

  test::TempTree tree_;
  std::string folder_;
};

TEST_F(VeskoCompareCommandsTest, DuplicatesPrintGroupsByWastedBytes) {
  const CommandRun run = vesko({"--catalogues", folder_, "--duplicates"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "1\tbackup\tE:\\SONG.MP3\t3000\t2020-01-01 00:00:00\n"
            "1\tdisk1\tD:\\song.mp3\t3000\t2019-03-04 05:06:07\n"
            "2\tbackup\tE:\\Photos\\a.jpg\t500\t2018-01-02 03:04:05\n"
            "2\tdisk1\tD:\\Photos\\A.jpg\t500\t2018-01-02 03:04:05\n");
  EXPECT_EQ(run.err, "");
  // By size and date the song's copies differ; narrowed by a query and in:, nothing or one group.
  EXPECT_EQ(vesko({"--catalogues", folder_, "--duplicates", "--by", "size,date"}).out,
            "1\tbackup\tE:\\Photos\\a.jpg\t500\t2018-01-02 03:04:05\n"
            "1\tdisk1\tD:\\Photos\\A.jpg\t500\t2018-01-02 03:04:05\n");
  EXPECT_EQ(vesko({"--catalogues", folder_, "--duplicates", "ext:jpg", "in:disk1"}).status, 1);
  const std::string by_name = vesko({"--catalogues", folder_, "--duplicates", "--by=name", "*.mp3"}).out;
  EXPECT_EQ(std::count(by_name.begin(), by_name.end(), '\n'), 2);
}

TEST_F(VeskoCompareCommandsTest, ComparePrintsDifferencesAndASummary) {
  const CommandRun run = vesko({"--catalogues", folder_, "--compare", "disk1", "backup"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "~\tsong.mp3\t3000\t2019-03-04 05:06:07\t3000\t2020-01-01 00:00:00\n"
            "-\tPhotos\\2019\\\t700\t2019-01-02 03:04:05\n"
            "+\tPhotos\\new.txt\t9\t2021-01-01 00:00:00\n");
  EXPECT_EQ(run.err, "1 only in A (700 bytes), 1 only in B (9 bytes), 1 changed\n");
  const CommandRun same = vesko({"--compare", folder_ + "/disk1.lst:Photos/2019", folder_ + "/disk1.lst:photos\\2019"});
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(same.out, "");
  EXPECT_EQ(same.err, "0 only in A, 0 only in B, 0 changed\n");
  // A name in another case; the song differs by its date alone.
  EXPECT_EQ(vesko({"--catalogues", folder_, "--compare", "disk1", "BACKUP", "ext:mp3"}).status, 1);
  EXPECT_EQ(vesko({"--catalogues", folder_, "--compare", "disk1", "BACKUP", "--ignore-date", "ext:mp3"}).status, 0);
}

TEST_F(VeskoCompareCommandsTest, ErrorsNameWhatAndWhy) {
  struct Case {
    std::vector<std::string> arguments;
    const char* err;  // a part of what stderr says; the status is 2
  };
  const Case cases[] = {
      {{"--catalogues", folder_, "--compare", "disk1", "disk9"}, "no catalogue named \"disk9\" in \""},
      {{"--catalogues", folder_, "--compare", "disk1:Music", "backup"}, "disk1 has no folder \"Music\""},
      {{"--compare", folder_ + "/none.lst", folder_ + "/disk1.lst"}, "none.lst"},
      {{"--catalogues", folder_, "--compare", "disk1"}, "--compare needs two catalogues"},
      {{"--catalogues", folder_, "--duplicates", "--by", "colour"}, "--by takes keys from name, size and date"},
      {{"--catalogues", folder_, "--by", "name", "song"}, "--by goes with --duplicates"},
      {{"--catalogues", folder_, "--all", "song"}, "--all goes with --compare"},
      {{"--catalogues", folder_, "--duplicates", "--compare", "a", "b"}, "--duplicates and --compare go one at a time"},
      {{"--catalogues", folder_, "--list", "--duplicates"}, "--list and --duplicates go one at a time"},
      {{"--catalogues", folder_, "--count", "--duplicates"}, "--limit, --count and --check go with a search"},
      {{"--catalogues", folder_, "--duplicates", "size:>abc"}, "cannot read \"size:>abc\""},
  };
  for (const Case& c : cases) {
    const CommandRun run = vesko(c.arguments);
    EXPECT_EQ(run.status, 2) << c.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

TEST(CatalogueArgumentTest, TellsNamesPathsAndFolders) {
  struct Case {
    const char* argument;
    const char* catalogue;
    const char* folder;
    bool is_path;
  };
  const Case cases[] = {
      {"disk1", "disk1", "", false},
      {"disk1:Photos\\2019", "disk1", "Photos\\2019", false},
      {"D:\\cats\\disk1.lst", "D:\\cats\\disk1.lst", "", true},
      {"D:\\cats\\disk1.LST:Photos", "D:\\cats\\disk1.LST", "Photos", true},
      {"old/disk1", "old/disk1", "", true},
      {"C:Photos", "C", "Photos", false},
  };
  for (const Case& c : cases) {
    const CatalogueArgument read = read_catalogue_argument(c.argument);
    EXPECT_EQ(read.catalogue, c.catalogue) << c.argument;
    EXPECT_EQ(read.folder, c.folder) << c.argument;
    EXPECT_EQ(read.is_path, c.is_path) << c.argument;
  }
}

}  // namespace
}  // namespace korvint::app
