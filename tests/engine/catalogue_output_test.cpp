#include "engine/catalogue_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "support/recording_file_services.h"
#include "support/temp_tree.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

#ifndef _WIN32
// A scan killed before any of its steps on the files (in a child process,
// which ends there as a killed one would), then a second scan of the name,
// stopped or completed: the last complete catalogue is never lost, a copy
// someone left under the backup name never takes the catalogue's place, and
// nothing is left beside the catalogue but what a killed scan leaves.
TEST_F(CatalogueOutputTest, AKillAtAnyStepNeverCostsTheLastCompleteCatalogue) {
  for (const bool stray_backup : {false, true}) {
    for (const bool killed_completes : {true, false}) {
      // The steps of the scan that is killed, found by running it whole.
      write_file(output(), "old\r\n");
      if (stray_backup) write_file(backup(), "stray\r\n");
      files.log.clear();
      ASSERT_TRUE(scan("new\r\n", killed_completes).ok());
      const std::vector<std::string> steps = files.log;
      // Once the new catalogue is durable it is the last complete one: only the
      // step that records that may come between.
      const auto synced = std::find(steps.begin(), steps.end(), "sync");
      for (std::size_t kill_at = 0; kill_at < steps.size(); ++kill_at) {
        if (steps[kill_at].rfind("unlock", 0) == 0) continue;  // no step on the files
        SCOPED_TRACE(std::string(stray_backup ? "a stray backup, " : "") + "killed before " + steps[kill_at] +
                     (killed_completes ? " of a completing scan" : " of a stopped scan"));
        fs::remove(output());
        fs::remove(backup());
        write_file(output(), "old\r\n");
        if (stray_backup) write_file(backup(), "stray\r\n");
        const pid_t child = ::fork();
        if (child == 0) {
          std::size_t step = 0;
          files.before = [&](const std::string&) {
            if (step++ == kill_at) ::_exit(0);
          };
          (void)scan("new\r\n", killed_completes);
          ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the kill did not come";
        const bool new_is_last = killed_completes && synced != steps.end() &&
                                 kill_at > static_cast<std::size_t>(synced - steps.begin()) + 1;
        const std::string last_complete = new_is_last ? "new\r\n" : "old\r\n";

        ASSERT_TRUE(scan("second, stopped", false).ok());
        EXPECT_EQ(read_file(output()), last_complete);
        EXPECT_FALSE(fs::exists(backup()));
        EXPECT_FALSE(fs::exists(lock()));
        ASSERT_TRUE(scan("second\r\n", true).ok());
        EXPECT_EQ(read_file(output()), "second\r\n");
        EXPECT_FALSE(fs::exists(backup()));
      }
    }
  }
}

// A pipe (or any file that is not a regular one) under the output name is no
// catalogue: the scan is refused and nothing is touched.
TEST_F(CatalogueOutputTest, APipeUnderTheOutputNameIsRefusedAndLeftAlone) {
  ASSERT_EQ(::mkfifo(output().c_str(), 0644), 0);
  CatalogueOutput out(files, paths());
  const platform::Status opened = out.FileWrite();
  EXPECT_EQ(opened.message(), "\"" + paths().output + "\" is not a regular file; nothing was changed");
  EXPECT_TRUE(fs::is_fifo(output()));
  EXPECT_FALSE(fs::exists(backup()));
  EXPECT_FALSE(fs::exists(lock()));
}
#endif

// The catalogue is written, but its name no longer stands for it when the
// scan ends (deleted, replaced, its folder moved): the scan failed, saying so,
// and the earlier catalogue goes back where the name is free; a file that took
// the name is not this scan's to delete, completed or stopped.
TEST_F(CatalogueOutputTest, AnOutputRemovedOrReplacedDuringTheScanIsAFailure) {
  struct Case {
    const char* what;
    bool replace;   // another file takes the name; else the name is left free
    bool complete;
  };
  for (const Case& c : {Case{"removed", false, true}, Case{"replaced", true, true}, Case{"replaced, then stopped", true, false},
                        Case{"removed, then stopped", false, false}}) {
    SCOPED_TRACE(c.what);
    write_file(output(), "old\r\n");
    CatalogueOutput out(files, paths());
    ASSERT_TRUE(out.FileWrite().ok());
    ASSERT_TRUE(out.file().write("new\r\n").ok());
    ASSERT_TRUE(out.seal().ok());
    std::error_code removed;
    fs::remove(output(), removed);
#ifdef _WIN32
    // Windows lets no one delete or rename a file its scan holds open.
    EXPECT_TRUE(removed);
    EXPECT_TRUE(out.finish_completed().ok());
    EXPECT_EQ(read_file(output()), "new\r\n");
    fs::remove(output());
    continue;
#endif
    if (c.replace) write_file(output(), "someone else's\r\n");
    const platform::Status done = c.complete ? out.finish_completed() : out.finish_abandoned();
    if (c.complete) {
      EXPECT_EQ(done.message(), "\"" + paths().output + "\" was removed or replaced during the scan; " +
                                    (c.replace ? "the earlier catalogue stays as \"" + paths().backup + "\""
                                               : std::string("the earlier catalogue is back")));
    }
    if (c.replace) {
      EXPECT_EQ(read_file(output()), "someone else's\r\n");
      EXPECT_EQ(read_file(backup()), "old\r\n");
    } else {
      EXPECT_EQ(read_file(output()), "old\r\n");
      EXPECT_FALSE(fs::exists(backup()));
    }
    EXPECT_FALSE(fs::exists(lock()));
    fs::remove(output());
    fs::remove(backup());
  }
}

// A backup that cannot be deleted after a completed scan (another program
// holds it, say) leaves the scan complete with a note; the next scan deletes
// it as the backup of no scan and completes.
TEST_F(CatalogueOutputTest, ABackupThatCannotBeDeletedAfterACompletedScanIsANote) {
  write_file(output(), "old\r\n");
  files.fail_remove_backup = true;
  CatalogueOutput out(files, paths());
  ASSERT_TRUE(out.FileWrite().ok());
  ASSERT_TRUE(out.file().write("new\r\n").ok());
  ASSERT_TRUE(out.finish_completed().ok());
  EXPECT_EQ(out.note(), "Cannot delete \"" + paths().backup +
                            "\": Permission denied; the earlier catalogue stays beside the new one");
  EXPECT_EQ(read_file(output()), "new\r\n");
  EXPECT_EQ(read_file(backup()), "old\r\n");
  EXPECT_FALSE(fs::exists(lock()));

  files.fail_remove_backup = false;
  ASSERT_TRUE(scan("next\r\n", false).ok());
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
    // B asks a few times (a lock busy for a moment is asked again) and touches nothing else.
    ASSERT_FALSE(b_files.log.empty());
    for (const std::string& operation : b_files.log) EXPECT_EQ(operation, "lock " + paths().lock);
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
TEST_F(CatalogueOutputTest, ALockBusyForAMomentIsAskedForAgain) {
  // Vesko's look at the lock holds it between two system calls: a scan that
  // starts then must not take Vesko for another scan.
  write_file(output(), "old\r\n");
  std::unique_ptr<platform::FileLock> looking;
  int attempts = 0;
  files.before = [&](const std::string& operation) {
    if (operation != "lock " + paths().lock) return;
    if (++attempts == 1) {
      looking = platform::system_file_services().lock_file(paths().lock).lock;
      ASSERT_NE(looking, nullptr);
    } else {
      looking.reset();
    }
  };
  EXPECT_TRUE(scan("new\r\n", true).ok());
  files.before = nullptr;
  EXPECT_GE(attempts, 2);
  EXPECT_EQ(read_file(output()), "new\r\n");
}

TEST_F(CatalogueOutputTest, ALeftoverLockFileIsTakenOverAndAnythingElseInItsPlaceStopsTheScan) {
  struct Case {
    const char* what;
    std::function<void()> make;
    bool scan_runs;
  };
  const std::vector<Case> cases = {
      {"an empty file", [&] { write_file(lock(), ""); }, true},
      {"a killed scan's, with its note", [&] { write_file(lock(), "korvint complete\n"); }, true},
      {"a file with other content", [&] { write_file(lock(), "mine"); }, false},
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
