// vesko --list and --tree on the command line: their lines, and what they say
// of a catalogue or folder they cannot find.

#include <gtest/gtest.h>

#include <sstream>

#include "app/vesko_command_line.h"
#include "app/vesko_run.h"
#include "platform/desktop_files.h"
#include "search/catalogue_overview.h"
#include "support/temp_tree.h"

namespace korvint::app {
namespace {

class VeskoManagerTest : public ::testing::Test {
 protected:
  VeskoManagerTest() {
    folder_ = test::path_text(tree_.root());
    // A root that is nowhere, on either system.
    tree_.text_file("disk1.lst",
                    "Q:\\Disks\\\r\n"
                    "top.txt\t10\t 2019.3.4\t5:6.7\r\n"
                    "Music\\\t0\t 2018.1.2\t3:4.5\r\n"
                    "song.flac\t4000\t 2019.3.5\t15:16.17\r\n"
                    "Music\\Live\\\t0\t 2018.1.2\t3:4.5\r\n"
                    "a.mp3\t500\t 2019.3.5\t15:16.17\r\n"
                    "Music\\Live\\2019\\\t0\t 2018.1.2\t3:4.5\r\n"
                    "b.mp3\t7\t 2019.3.5\t15:16.17\r\n"
                    "Empty\\\t0\t 2018.1.2\t3:4.5\r\n");
    // A root that is there: the catalogue folder itself.
    tree_.text_file("here.lst", folder_ + "/\r\nnote.txt\t3\t 2019.3.4\t5:6.7\r\n");
    tree_.text_file("readme.lst", "not a catalogue\r\n");
  }

  std::string written(const char* file) const {
    return search::local_seconds_text(*platform::local_write_time(test::path_text(tree_.root() / file)));
  }

  test::TempTree tree_;
  std::string folder_;
};

TEST_F(VeskoManagerTest, ListPrintsOneLineACatalogue) {
  const VeskoRun run = vesko({"--list", "--catalogues", folder_});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "disk1\tQ:\\Disks\\\t4\t4\t4517\t" + written("disk1.lst") + "\toffline\t-\n" +  //
                         "here\t" + folder_ + "/\t1\t0\t3\t" + written("here.lst") + "\tonline\t-\n");
  EXPECT_EQ(run.err, "vesko: readme.lst is not a catalogue\n");
}

TEST_F(VeskoManagerTest, TreePrintsTotalsBelowEachFolderToTheDepthAsked) {
  const std::string music = "4507\t3\t2\tMusic\n";
  const std::string root = "4517\t4\t4\t.\n";
  const std::string empty = "0\t0\t0\tEmpty\n";
  const std::string live = "507\t2\t1\tMusic\\Live\n";
  const std::string live2019 = "7\t1\t0\tMusic\\Live\\2019\n";
  struct Case {
    std::vector<std::string> arguments;
    std::string out;
  };
  const std::string path = folder_ + "/disk1.lst";
  const Case cases[] = {
      {{"--tree", "disk1"}, root + music + empty},
      {{"--tree", "DISK1", "--depth", "0"}, root},  // a name in another case, when it is the only one
      {{"--tree", path, "--depth=9"}, root + music + live + live2019 + empty},
      {{"--tree", "disk1", "music/live"}, live + live2019},
      {{"--tree", "disk1", "Music", "--depth", "2"}, music + live + live2019},
      {{"--tree", "disk1", "q:\\disks\\Music\\Live\\2019\\"}, live2019},
      {{"--tree", "here"}, "3\t1\t0\t.\n"},
      {{"--tree", "here.lst"}, "3\t1\t0\t.\n"},  // no such file here: the catalogue's name
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments{"--catalogues", folder_};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const VeskoRun run = vesko(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out) << c.arguments.back();
  }
  // A POSIX root's folders are joined with "/".
  tree_.text_file("usb.lst", "/mnt/usb/\r\nA\\\t0\t 2018.1.2\t3:4.5\r\nA\\B\\\t0\t 2018.1.2\t3:4.5\r\nf\t2\t 2018.1.2\t3:4.5\r\n");
  EXPECT_EQ(vesko({"--catalogues", folder_, "--tree", "usb", "A"}).out, "2\t1\t1\tA\n2\t1\t0\tA/B\n");
}

TEST_F(VeskoManagerTest, SaysWhatIsWrongAndEndsWithTwo) {
  test::TempTree empty;
  tree_.folder("box.lst");  // a name that is there, but no catalogue
  struct Case {
    std::vector<std::string> arguments;
    std::string err;  // a part of what stderr says
  };
  const Case cases[] = {
      {{"--tree"}, "--tree needs a value"},
      {{"--tree", "nope"}, "no catalogue \"nope\" in \"" + folder_ + "\""},
      {{"--tree", "disk1", "Nope"}, "no folder \"Nope\" in catalogue \"disk1\" (root Q:\\Disks\\)"},
      {{"--tree", "disk1", "Music", "Live"}, "--tree takes a catalogue and at most one folder, not 2 words"},
      {{"--tree", "disk1", "--depth", "x"}, "--depth needs a number of levels (0 or more), not \"x\""},
      {{"--tree", "disk1", "--depth", "-1"}, "--depth needs a number"},
      {{"--depth", "2", "--list"}, "--depth goes with --tree"},
      {{"--list", "song"}, "--list takes no query"},
      {{"--list", "--tree", "disk1"}, "--list and --tree go one at a time"},
      {{"--count", "--tree", "disk1"}, "--count goes with a query, not with --tree"},
      {{"--tree", folder_ + "/readme.lst"}, "is not a catalogue"},
      {{"--tree", folder_ + "/missing.lst"}, "missing.lst"},
      {{"--tree", folder_ + "/"}, "is not a file"},
      // Named as results name it: the file's path and why it is none.
      {{"--tree", "readme"}, "\"" + folder_ + "/readme.lst\" is not a catalogue"},
      {{"--tree", "box"}, "\"" + folder_ + "/box.lst\" is not a file (a folder, a pipe or a device)"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments{"--catalogues", folder_};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const VeskoRun run = vesko(arguments);
    EXPECT_EQ(run.status, 2) << c.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << c.err;
  }
  const VeskoRun none = vesko({"--list", "--catalogues", test::path_text(empty.root())});
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err, "vesko: no catalogues in \"" + test::path_text(empty.root()) + "\"\n");
}

}  // namespace
}  // namespace korvint::app
