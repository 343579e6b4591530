#include "engine/walker.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_folder_source.h"
#include "platform/program_folder.h"
#include "support/memory_output.h"
#include "support/temp_tree.h"
#include "support/walk_host.h"

namespace korvint::engine {
namespace {

using test::fake_file;
using test::fake_folder;
using test::FakeFolderSource;
using test::FakeNode;
using test::MemoryOutputFile;
using RecordingHost = test::RecordingWalkHost;
using test::utc_seconds;

struct WalkRun {
  std::string lines;
  WalkResult result;
  std::int32_t file_count = 0;
};

const std::string kPhotos = std::string("D:\\Photos") + platform::path_separator();

WalkRun walk(FakeFolderSource& source, RecordingHost& host, std::string root = kPhotos,
             std::string pattern = "*.*", MemoryOutputFile* output = nullptr) {
  MemoryOutputFile local;
  MemoryOutputFile& file = output ? *output : local;
  CatalogueWriter writer(file, 64);
  TurnPacer pacer(host);
  Walker walker(source, writer, pacer, 0);
  WalkRun run;
  std::int32_t dir_count = 0;
  run.result = walker.FindFilesAPI(root, pattern, run.file_count, dir_count);
  (void)writer.flush();
  run.lines = file.content;
  return run;
}

FakeNode worked_example() {
  return fake_folder("", 0,
                     {fake_file("big.iso", 5000000000ULL, utc_seconds(2009, 12, 1, 23, 59, 59)),
                      fake_folder("2009", utc_seconds(2009, 1, 2, 8, 0, 0),
                                  {fake_file("a.jpg", 204800, utc_seconds(2009, 1, 2, 8, 15, 42)),
                                   fake_folder("Trip", utc_seconds(2009, 7, 14, 10, 30, 0),
                                               {fake_file("b.jpg", 0, utc_seconds(2009, 7, 14, 10, 31, 0))})}),
                      fake_folder("Empty", utc_seconds(2010, 3, 4, 5, 6, 7), {}),
                      fake_file("index.txt", 1234, utc_seconds(2010, 6, 30, 9, 5, 7))});
}

TEST(Walker, WritesTheWorkedExampleFilesFirstThenEachFolderWithItsContents) {
  FakeFolderSource source(worked_example());
  RecordingHost host;
  const WalkRun run = walk(source, host);
  EXPECT_EQ(run.lines,
            "big.iso\t5000000000\t 2009.12.1\t23:59.59\r\n"
            "index.txt\t1234\t 2010.6.30\t9:5.7\r\n"
            "2009\\\t0\t 2009.1.2\t8:0.0\r\n"
            "a.jpg\t204800\t 2009.1.2\t8:15.42\r\n"
            "2009\\Trip\\\t0\t 2009.7.14\t10:30.0\r\n"
            "b.jpg\t0\t 2009.7.14\t10:31.0\r\n"
            "Empty\\\t0\t 2010.3.4\t5:6.7\r\n");
  EXPECT_TRUE(run.result.write_status.ok());
  EXPECT_FALSE(run.result.stopped);
  EXPECT_EQ(run.file_count, 4);
  EXPECT_EQ(run.result.files, 4u);
  EXPECT_EQ(run.result.folders, 3u);
  EXPECT_EQ(source.opened_root, kPhotos);
}

TEST(Walker, AppendsTheSeparatorToARootWithoutOne) {
  FakeFolderSource source(fake_folder("", 0, {}));
  RecordingHost host;
  MemoryOutputFile out;
  CatalogueWriter writer(out);
  TurnPacer pacer(host);
  Walker walker(source, writer, pacer, 0);
  std::string root = "D:\\Data";
  std::int32_t files = 0, dirs = 0;
  walker.FindFilesAPI(root, "*.*", files, dirs);
  EXPECT_EQ(root, std::string("D:\\Data") + platform::path_separator());
  EXPECT_EQ(source.opened_root, root);
}

TEST(Walker, OnlyMatchingFilesAreListedButEveryFolder) {
  FakeFolderSource source(fake_folder(
      "", 0, {fake_file("a.txt", 1, 0), fake_file("b.jpg", 1, 0),
              fake_folder("sub.jpg", 0, {fake_file("c.TXT", 2, 0)})}));
  RecordingHost host;
  const WalkRun run = walk(source, host, "r\\", "*.txt");
  EXPECT_EQ(run.lines,
            "a.txt\t1\t 1970.1.1\t0:0.0\r\n"
            "sub.jpg\\\t0\t 1970.1.1\t0:0.0\r\n"
            "c.TXT\t2\t 1970.1.1\t0:0.0\r\n");
  EXPECT_EQ(run.result.files, 2u);  // the files listed, not those seen
}

std::vector<FakeNode> many_files(int count) {
  std::vector<FakeNode> files;
  for (int i = 0; i < count; ++i) files.push_back(fake_file("f" + std::to_string(i), 1, 0));
  return files;
}

TEST(Walker, ProgressStepComesBeforeADescentOnceMoreThan499FilesWereListed) {
  std::vector<FakeNode> children = many_files(1700);
  children.push_back(fake_folder("sub", 0, {}));
  FakeFolderSource source(fake_folder("", 0, std::move(children)));
  RecordingHost host;
  std::string lines_at_step;
  MemoryOutputFile out;
  host.on_progress = [&](RecordingHost&) { lines_at_step = out.content; };
  const WalkRun run = walk(source, host, "r\\", "*.*", &out);
  EXPECT_EQ(host.progress_steps, 1);
  // The step happens before the sub-folder's line is formed.
  EXPECT_EQ(lines_at_step.find("sub\\"), std::string::npos);
  EXPECT_EQ(run.file_count, 0);  // reset, the 1,200 over 500 are not carried
  EXPECT_EQ(run.result.files, 1700u);  // the result counts them all
  EXPECT_EQ(run.result.folders, 1u);
}

TEST(Walker, ManyFilesWithoutSubFoldersMakeNoProgressStep) {
  FakeFolderSource source(fake_folder("", 0, many_files(100000)));
  RecordingHost host;
  const WalkRun run = walk(source, host, "r\\");
  EXPECT_EQ(host.progress_steps, 0);
  EXPECT_EQ(run.file_count, 100000);
  EXPECT_EQ(run.result.files, 100000u);
}

TEST(Walker, StopThreeLevelsDownStillWritesTheRemainingFolderLinesButNothingBelow) {
  // root: 600 files, a/ b/ ; a: 600 files, a1/ a2/ ; a1: 600 files, deep/ x/
  auto level = [](const std::string& prefix, std::vector<FakeNode> folders) {
    std::vector<FakeNode> children;
    for (int i = 0; i < 600; ++i) children.push_back(fake_file("file-" + prefix + std::to_string(i), 1, 0));
    for (auto& f : folders) children.push_back(std::move(f));
    return children;
  };
  FakeNode tree = fake_folder(
      "", 0,
      level("r", {fake_folder("a", 0,
                              level("a", {fake_folder("a1", 0,
                                                      level("x", {fake_folder("deep", 0, {fake_file("never", 1, 0)}),
                                                                  fake_folder("x", 0, {fake_file("never2", 1, 0)})})),
                                          fake_folder("a2", 0, {fake_file("never3", 1, 0)})})),
                  fake_folder("b", 0, {fake_file("never4", 1, 0)})}));
  FakeFolderSource source(std::move(tree));
  RecordingHost host;
  // The third progress step comes before "a\a1\deep": STOP is pressed there.
  host.on_progress = [](RecordingHost& h) {
    if (h.progress_steps == 3) h.stop = true;
  };
  const WalkRun run = walk(source, host, "r\\");
  EXPECT_TRUE(run.result.stopped);
  EXPECT_EQ(run.lines.find("never"), std::string::npos);
  const auto deep = run.lines.find("a\\a1\\deep\\\t0");
  ASSERT_NE(deep, std::string::npos);
  // After the stop only folder lines follow: deep, x, a2, b.
  EXPECT_EQ(run.lines.substr(deep),
            "a\\a1\\deep\\\t0\t 1970.1.1\t0:0.0\r\n"
            "a\\a1\\x\\\t0\t 1970.1.1\t0:0.0\r\n"
            "a\\a2\\\t0\t 1970.1.1\t0:0.0\r\n"
            "b\\\t0\t 1970.1.1\t0:0.0\r\n");
}

TEST(Walker, StopDuringALongListingEndsTheListingAtOnce) {
  std::vector<FakeNode> children = many_files(10000);
  children.push_back(fake_folder("sub", 0, {fake_file("below", 1, 0)}));
  FakeNode root = fake_folder("", 0, std::move(children));
  root.entry_delay_ms = 1;  // ten seconds in all: the turns come long before its end
  FakeFolderSource source(std::move(root));
  RecordingHost host;
  host.on_idle = [](RecordingHost& h) {
    if (h.idle_turns == 2) h.stop = true;
  };
  const WalkRun run = walk(source, host, "r\\");
  EXPECT_TRUE(run.result.stopped);
  EXPECT_EQ(run.lines.find("f9999"), std::string::npos);
  EXPECT_EQ(run.lines.find("below"), std::string::npos);
  EXPECT_EQ(source.opens, 0);
}

TEST(Walker, StoppedBeforeTheWalkWritesNothing) {
  FakeFolderSource source(worked_example());
  RecordingHost host;
  host.stop = true;
  const WalkRun run = walk(source, host);
  EXPECT_TRUE(run.result.stopped);
  EXPECT_EQ(run.lines, "");
}

TEST(Walker, UnreadableFoldersShowEmptyAndAreCounted) {
  FakeNode locked = fake_folder("locked", 0, {fake_file("secret", 1, 0)});
  locked.unreadable = true;
  FakeFolderSource source(fake_folder("", 0, {std::move(locked), fake_folder("open", 0, {fake_file("x", 1, 0)})}));
  RecordingHost host;
  const WalkRun run = walk(source, host, "r\\");
  EXPECT_EQ(run.lines,
            "locked\\\t0\t 1970.1.1\t0:0.0\r\n"
            "open\\\t0\t 1970.1.1\t0:0.0\r\n"
            "x\t1\t 1970.1.1\t0:0.0\r\n");
  EXPECT_EQ(run.result.unreadable_folders, 1u);
  EXPECT_NE(run.result.first_unreadable.find("Permission denied"), std::string::npos);
}

TEST(Walker, AnUnreadableRootGivesNoLines) {
  FakeNode root = fake_folder("", 0, {fake_file("x", 1, 0)});
  root.unreadable = true;
  FakeFolderSource source(std::move(root));
  RecordingHost host;
  const WalkRun run = walk(source, host, "Q:\\missing\\");
  EXPECT_EQ(run.lines, "");
  EXPECT_EQ(run.result.unreadable_folders, 1u);
  EXPECT_TRUE(run.result.write_status.ok());
}

FakeNode link_to(std::string name, const FakeNode& target, bool id_in_listing) {
  FakeNode link;
  link.name = std::move(name);
  link.is_folder = true;
  link.is_link = true;
  link.id = target.id;
  link.id_in_listing = id_in_listing;
  return link;
}

// Every folder is entered once, however many links or mounts lead to it: the
// first way the walk meets it gets its contents, every later one a folder line
// alone. A file system of the kernel's state below the root is listed, not
// entered; as the root it is walked. The same whether the listing gives the
// identities or the walker asks the open folders.
TEST(Walker, EveryFolderIsEnteredOnceAndPseudoFileSystemsOnlyAsTheRoot) {
  const std::string f = "f\t1\t 1970.1.1\t0:0.0\r\n";
  auto line = [](const std::string& relative) { return relative + "\t0\t 1970.1.1\t0:0.0\r\n"; };
  struct Case {
    const char* what;
    std::function<FakeNode(bool)> tree;
    std::string lines;
    std::size_t met_again, pseudo;
  };
  const std::vector<Case> cases = {
      {"a link back to a folder on the descent path",
       [](bool listed) {
         FakeNode outer = fake_folder("outer", 0, {fake_file("f", 1, 0)});
         outer.children.push_back(link_to("loop", outer, listed));
         return fake_folder("", 0, {std::move(outer)});
       },
       line("outer\\") + f + line("outer\\loop\\"), 1, 0},
      {"a link to a folder entered before, and a folder reached by a link before its own name",
       [](bool listed) {
         FakeNode inner = fake_folder("inner", 0, {fake_file("f", 1, 0)});
         FakeNode later = fake_folder("later", 0, {fake_file("f", 1, 0)});
         FakeNode early = link_to("early", later, listed);
         FakeNode again = link_to("again", inner, listed);
         return fake_folder("", 0, {std::move(inner), std::move(again), std::move(early), std::move(later)});
       },
       line("inner\\") + f + line("again\\") + line("early\\") + f + line("later\\"), 2, 0},
      {"links that branch and meet again, two to each next level",
       [](bool listed) {
         FakeNode next = fake_folder("L3", 0, {fake_file("f", 1, 0)});
         for (int level = 2; level >= 0; --level) {
           FakeNode here = fake_folder("L" + std::to_string(level), 0, {link_to("a", next, listed), link_to("b", next, listed)});
           FakeNode root_child = std::move(next);
           next = std::move(here);
           next.children.push_back(std::move(root_child));
         }
         return fake_folder("", 0, {std::move(next)});
       },
       line("L0\\") + line("L0\\a\\") + line("L0\\a\\a\\") + line("L0\\a\\a\\a\\") + f +
           line("L0\\a\\a\\b\\") + line("L0\\a\\a\\L3\\") + line("L0\\a\\b\\") +
           line("L0\\a\\L2\\") + line("L0\\b\\") + line("L0\\L1\\"),
       6, 0},
      {"a pseudo file system mounted below the root, a link to it, and one on the same volume",
       [](bool listed) {
         FakeNode proc = fake_folder("proc", 0, {fake_folder("self", 0, {fake_file("f", 1, 0)})});
         proc.pseudo = true;
         proc.id.volume = 2;
         FakeNode same_volume = fake_folder("same", 0, {fake_file("f", 1, 0)});
         same_volume.pseudo = true;  // not a mount: it is entered
         FakeNode to_proc = link_to("to-proc", proc, listed);
         return fake_folder("", 0, {std::move(to_proc), std::move(proc), std::move(same_volume)});
       },
       line("to-proc\\") + line("proc\\") + line("same\\") + f, 1, 1},
      {"a pseudo file system as the root",
       [](bool) {
         FakeNode root = fake_folder("", 0, {fake_folder("self", 0, {fake_file("f", 1, 0)})});
         root.pseudo = true;
         root.id.volume = 2;
         root.children[0].id.volume = 2;
         return root;
       },
       line("self\\") + f, 0, 0},
  };
  for (const Case& c : cases) {
    for (bool listed : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (listed ? ", identities listed" : ", identities asked"));
      FakeFolderSource source(c.tree(listed));
      RecordingHost host;
      const WalkRun run = walk(source, host, "r\\");
      EXPECT_EQ(run.lines, c.lines);
      EXPECT_EQ(run.result.folders_met_again, c.met_again);
      EXPECT_EQ(run.result.pseudo_file_systems_not_entered, c.pseudo);
    }
  }
}

TEST(Walker, MoreThan32767SubFoldersAreAllListed) {
  std::vector<FakeNode> folders;
  for (int i = 0; i < 40000; ++i) folders.push_back(fake_folder("d" + std::to_string(i), 0, {}));
  FakeFolderSource source(fake_folder("", 0, std::move(folders)));
  RecordingHost host;
  const WalkRun run = walk(source, host, "r\\");
  EXPECT_NE(run.lines.find("d39999\\\t0"), std::string::npos);
  EXPECT_EQ(std::count(run.lines.begin(), run.lines.end(), '\n'), 40000);
}

TEST(Walker, AFailedWriteEndsTheWalkAndIsReturned) {
  FakeFolderSource source(fake_folder("", 0, many_files(5000)));
  RecordingHost host;
  MemoryOutputFile full(1000);
  const WalkRun run = walk(source, host, "r\\", "*.*", &full);
  EXPECT_FALSE(run.result.write_status.ok());
  EXPECT_NE(run.result.write_status.message().find("No space left"), std::string::npos);
  EXPECT_LT(run.file_count, 5000);  // ended early, not listed to the end
}

}  // namespace
}  // namespace korvint::engine
