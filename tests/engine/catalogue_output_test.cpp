#include "engine/catalogue_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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

TEST_F(CatalogueOutputTest, FailedSyncAbandonsTheScanAndKeepsTheEarlierCatalogue) {
  write_file(output(), "old\r\n");
  files.fail_sync = true;
  const platform::Status done = scan("new\r\n", true);
  ASSERT_FALSE(done.ok());
  EXPECT_EQ(read_file(output()), "old\r\n");
  EXPECT_FALSE(fs::exists(backup()));
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
