#include "engine/catalogue_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "support/recording_file_services.h"
#include "support/temp_tree.h"

namespace korvint::engine {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::RecordingFileServices;
using test::TempTree;
using test::write_file;

class CatalogueOutputTest : public ::testing::Test {
 protected:
  OutputPaths paths() { return make_output_paths(tree.root_text(), "c-disk.lst"); }
  fs::path output() { return tree.root() / "c-disk.lst"; }
  fs::path backup() { return tree.root() / "c-disk.lst.old"; }
  fs::path lock() { return tree.root() / "c-disk.lst.lock"; }

  // One scan writing `content`, ended as completed or abandoned.
  platform::Status scan(std::string_view content, bool complete) {
    CatalogueOutput out(files, paths());
    platform::Status opened = out.FileWrite();
    if (!opened.ok()) return opened;
    EXPECT_TRUE(out.file().write(content).ok());
    return complete ? out.finish_completed() : out.finish_abandoned();
  }

  TempTree tree;
  RecordingFileServices files;
};

TEST(OutputPaths, FolderAndNameJoinWithNothingBetween) {
  const OutputPaths with = make_output_paths("C:\\cat\\", "c-disk.lst");
  EXPECT_EQ(with.output, "C:\\cat\\c-disk.lst");
  EXPECT_EQ(with.backup, "C:\\cat\\c-disk.lst.old");
  EXPECT_EQ(with.lock, "C:\\cat\\c-disk.lst.lock");
  EXPECT_EQ(make_output_paths("C:\\cat", "c-disk.lst").output, "C:\\catc-disk.lst");
}

TEST_F(CatalogueOutputTest, FirstScanCreatesTheFileAndTouchesNoBackup) {
  ASSERT_TRUE(scan("new\r\n", true).ok());
  EXPECT_EQ(read_file(output()), "new\r\n");
  EXPECT_FALSE(fs::exists(backup()));
  for (const std::string& op : files.log) EXPECT_EQ(op.find("rename"), std::string::npos) << op;
}

TEST_F(CatalogueOutputTest, CompletedScanReplacesTheEarlierCatalogueAfterSyncing) {
  write_file(output(), "old\r\n");
  CatalogueOutput out(files, paths());
  ASSERT_TRUE(out.FileWrite().ok());
  // While the scan runs the earlier catalogue lies under the backup name.
  EXPECT_EQ(read_file(backup()), "old\r\n");
  ASSERT_TRUE(out.file().write("new\r\n").ok());
  ASSERT_TRUE(out.finish_completed().ok());
  EXPECT_EQ(read_file(output()), "new\r\n");
  EXPECT_FALSE(fs::exists(backup()));
  EXPECT_FALSE(fs::exists(lock()));
  // The new catalogue is durable before the backup goes.
  const auto sync = std::find(files.log.begin(), files.log.end(), "sync");
  const auto remove = std::find(files.log.begin(), files.log.end(), "remove " + paths().backup);
  ASSERT_NE(sync, files.log.end());
  ASSERT_NE(remove, files.log.end());
  EXPECT_LT(sync, remove);
}

TEST_F(CatalogueOutputTest, AbandonedScanPutsTheEarlierCatalogueBackByteForByte) {
  const std::string earlier("old\r\n\xff\x00z", 8);
  write_file(output(), earlier);
  ASSERT_TRUE(scan("partial", false).ok());
  EXPECT_EQ(read_file(output()), earlier);
  EXPECT_FALSE(fs::exists(backup()));
}

TEST_F(CatalogueOutputTest, AbandonedScanWithoutEarlierCatalogueLeavesNothing) {
  ASSERT_TRUE(scan("partial", false).ok());
  EXPECT_FALSE(fs::exists(output()));
  EXPECT_FALSE(fs::exists(backup()));
}

TEST_F(CatalogueOutputTest, LeftoverBackupIsKeptAndTheUnfinishedOutputDropped) {
  // A scan that was killed: its backup holds the last complete catalogue, the
  // output name an unfinished one.
  write_file(backup(), "complete\r\n");
  write_file(output(), "unfinis");
  ASSERT_TRUE(scan("second try, stopped", false).ok());
  EXPECT_EQ(read_file(output()), "complete\r\n");
  EXPECT_FALSE(fs::exists(backup()));

  write_file(backup(), "complete\r\n");
  write_file(output(), "unfinis");
  ASSERT_TRUE(scan("new\r\n", true).ok());
  EXPECT_EQ(read_file(output()), "new\r\n");
  EXPECT_FALSE(fs::exists(backup()));
}

TEST_F(CatalogueOutputTest, OpenFailureNamesThePathAndPutsTheEarlierCatalogueBack) {
  write_file(output(), "old\r\n");
  files.fail_create = true;
  CatalogueOutput out(files, paths());
  const platform::Status opened = out.FileWrite();
  ASSERT_FALSE(opened.ok());
  EXPECT_NE(opened.message().find(paths().output), std::string::npos);
  EXPECT_NE(opened.message().find("Read-only"), std::string::npos);
  EXPECT_EQ(read_file(output()), "old\r\n");
  EXPECT_FALSE(fs::exists(backup()));
}

TEST_F(CatalogueOutputTest, MissingOutputFolderIsReportedWithItsReason) {
  CatalogueOutput out(files, make_output_paths(test::path_text(tree.root() / "missing") + "/", "x.lst"));
  const platform::Status opened = out.FileWrite();
  ASSERT_FALSE(opened.ok());
  EXPECT_NE(opened.message().find("missing"), std::string::npos);
}

TEST_F(CatalogueOutputTest, SomethingElseInTheBackupsPlaceStopsTheScanBeforeAnyChange) {
  write_file(output(), "old\r\n");
  fs::create_directory(backup());
  CatalogueOutput out(files, paths());
  const platform::Status opened = out.FileWrite();
  ASSERT_FALSE(opened.ok());
  EXPECT_NE(opened.message().find(paths().backup), std::string::npos);
  EXPECT_EQ(read_file(output()), "old\r\n");
}

TEST_F(CatalogueOutputTest, SomethingElseUnderTheOutputNameIsNeitherReplacedNorMoved) {
  fs::create_directory(output());
  test::write_file(output() / "inside", "kept");
  CatalogueOutput out(files, paths());
  const platform::Status opened = out.FileWrite();
  ASSERT_FALSE(opened.ok());
  EXPECT_NE(opened.message().find(paths().output), std::string::npos) << opened.message();
  EXPECT_EQ(read_file(output() / "inside"), "kept");
  EXPECT_FALSE(fs::exists(backup()));
  EXPECT_FALSE(fs::exists(lock()));
}

TEST_F(CatalogueOutputTest, FailedSyncAbandonsTheScanAndKeepsTheEarlierCatalogue) {
  write_file(output(), "old\r\n");
  files.fail_sync = true;
  const platform::Status done = scan("new\r\n", true);
  ASSERT_FALSE(done.ok());
  EXPECT_EQ(read_file(output()), "old\r\n");
  EXPECT_FALSE(fs::exists(backup()));
}

// Between moving the earlier catalogue aside and creating the output, someone
// who may write to the folder plants a link under the output name, aimed at a
// file of their choice. The link is never written through: the scan fails
// with the reason, the target keeps its bytes and the earlier catalogue goes
// back under its name.
TEST_F(CatalogueOutputTest, ALinkPlantedBeforeTheOutputIsCreatedIsNeverWrittenThrough) {
  enum class Link { symbolic, hard };
  for (const Link kind : {Link::symbolic, Link::hard}) {
    SCOPED_TRACE(kind == Link::symbolic ? "symbolic link" : "hard link");
    const fs::path victim = tree.text_file("victim.txt", "precious");
    write_file(output(), "old\r\n");
    std::error_code planted;
    files.before = [&](const std::string& operation) {
      if (operation != "create " + paths().output) return;
      if (kind == Link::symbolic) fs::create_symlink(victim, output(), planted);
      else fs::create_hard_link(victim, output(), planted);
    };
    CatalogueOutput out(files, paths());
    const platform::Status opened = out.FileWrite();
    files.before = nullptr;
    if (planted) {
#ifdef _WIN32
      if (kind == Link::symbolic) continue;  // Windows lets only some accounts make symbolic links
#endif
      FAIL() << planted.message();
    }
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.message().find(paths().output), std::string::npos) << opened.message();
    EXPECT_EQ(read_file(victim), "precious");
    EXPECT_FALSE(fs::is_symlink(output()));
    EXPECT_EQ(read_file(output()), "old\r\n");
    EXPECT_FALSE(fs::exists(backup()));
    EXPECT_FALSE(fs::exists(lock()));
    fs::remove(victim);
  }
}

// Two scans of one name (two scheduled jobs, two windows): while scan A holds
// the name, scan B is turned away before it touches anything, at every moment
// of A's life: after A moved the earlier catalogue aside but before its output
// exists, while it writes, and while it finishes either way.
TEST_F(CatalogueOutputTest, ASecondScanOfTheSameNameIsTurnedAwayAtEveryMoment) {
  struct Moment {
    std::string operation;  // B starts just before A does this
    bool a_completes;
  };
  const std::vector<Moment> moments = {
      {"create " + paths().output, true},
      {"write", false},
      {"sync", true},
      {"remove " + paths().backup, true},
      {"rename " + paths().backup + " -> " + paths().output, false},
  };
  for (const Moment& moment : moments) {
    SCOPED_TRACE(moment.operation);
    write_file(output(), "old\r\n");
    RecordingFileServices b_files;
    platform::Status b_opened;
    bool b_ran = false;
    files.before = [&](const std::string& operation) {
      if (b_ran || operation != moment.operation) return;
      b_ran = true;
      CatalogueOutput b(b_files, paths());
      b_opened = b.FileWrite();
    };
    ASSERT_TRUE(scan("from A\r\n", moment.a_completes).ok());
    files.before = nullptr;
    ASSERT_TRUE(b_ran);
    EXPECT_EQ(b_opened.message(), "another scan is writing " + paths().output);
    EXPECT_EQ(b_files.log, std::vector<std::string>{"lock " + paths().lock});
    EXPECT_EQ(read_file(output()), moment.a_completes ? "from A\r\n" : "old\r\n");
    EXPECT_FALSE(fs::exists(backup()));
    EXPECT_FALSE(fs::exists(lock()));
    // A's claim ends only after its last step on the files.
    ASSERT_FALSE(files.log.empty());
    EXPECT_EQ(files.log.back(), "unlock " + paths().lock);
    files.log.clear();
  }
  // Once A is done, the name is free again.
  ASSERT_TRUE(scan("from B\r\n", true).ok());
  EXPECT_EQ(read_file(output()), "from B\r\n");
}

// The lock file of a scan that was killed is empty and held by no one: it is
// taken over. Anything else under the lock file's name stops the scan before
// the catalogue is touched, and is left as it is.
TEST_F(CatalogueOutputTest, ALeftoverLockFileIsTakenOverAndAnythingElseInItsPlaceStopsTheScan) {
  struct Case {
    const char* what;
    std::function<void()> make;
    bool scan_runs;
  };
  const std::vector<Case> cases = {
      {"an empty file", [&] { write_file(lock(), ""); }, true},
      {"a file with content", [&] { write_file(lock(), "mine"); }, false},
      {"a folder", [&] { fs::create_directory(lock()); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write_file(output(), "old\r\n");
    c.make();
    const platform::Status done = scan("new\r\n", true);
    EXPECT_EQ(done.ok(), c.scan_runs) << done.message();
    if (c.scan_runs) {
      EXPECT_EQ(read_file(output()), "new\r\n");
      EXPECT_FALSE(fs::exists(lock()));
    } else {
      EXPECT_NE(done.message().find(paths().lock), std::string::npos) << done.message();
      EXPECT_EQ(read_file(output()), "old\r\n");
      EXPECT_TRUE(fs::exists(lock()));
      fs::remove(lock());
    }
    EXPECT_FALSE(fs::exists(backup()));
  }
}

TEST_F(CatalogueOutputTest, FileExistsSeesOnlyNormalFiles) {
  EXPECT_FALSE(FileExists(files, paths().output));
  write_file(output(), "x");
  EXPECT_TRUE(FileExists(files, paths().output));
  EXPECT_FALSE(FileExists(files, tree.root_text()));
  EXPECT_FALSE(FileExists(files, std::string("\x01<>|?*:bad\"", 11)));
}

}  // namespace
}  // namespace korvint::engine
