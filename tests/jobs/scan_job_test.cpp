#include "jobs/scan_job.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <filesystem>
#include <thread>

#include "jobs/entry_keys.h"
#include "platform/program_folder.h"
#include "support/catalogue_reader.h"
#include "support/form_fixture.h"
#include "support/held_scan.h"
#include "support/recording_file_services.h"
#include "support/turn_gaps.h"

namespace korvint::jobs {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;
using test::read_file;
using test::write_file;

const std::string kSep(1, platform::path_separator());

// A tree of `files` files in the root followed by one sub-folder, so that a
// progress step happens before the sub-folder.
void fill(FormFixture& f, const std::string& root, int files) {
  for (int i = 0; i < files; ++i) f.tree.file(root + "/f" + std::to_string(i), 1, 0);
  f.tree.file(root + "/zsub/inner", 5, 0);
}

TEST(ScanJob, CompletedScanWritesTheCatalogueAndTheResultTexts) {
  ui::FormServices services;
  services.now_utc_seconds = test::stepping_clock(1'000'000'000, 3);
  services.utc_offset_seconds = [] { return std::int64_t{0}; };
  FormFixture f(std::move(services));
  f.tree.file("data/a.txt", 12, test::utc_seconds(2010, 6, 30, 9, 5, 7));
  f.prepare_scan("data", "catalog");
  f.window->Text1.setText("  " + f.window->Text1.text() + "  ");

  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());

  const std::string root = test::path_text(f.tree.root() / "data") + kSep;
  EXPECT_EQ(f.window->Text1.text(), root);
  EXPECT_EQ(f.window->Text4.text(), "catalog.lst");
  EXPECT_EQ(read_file(f.output("catalog.lst")), root + "\r\na.txt\t12\t 2010.6.30\t9:5.7\r\n");
  EXPECT_EQ(f.window->Text3.text(), "2001-09-09 01:46:40");
  EXPECT_EQ(f.window->Label1.caption(), "seconds it took:3");
  EXPECT_EQ(f.window->Label2.caption(), "Less than 500 files found");
  EXPECT_EQ(f.window->Caption.caption(), "Finished!");
  EXPECT_TRUE(f.window->Command1.enabled());
  EXPECT_FALSE(f.window->mStop.visible());
  EXPECT_FALSE(f.window->host.hourglass);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, ScanEnd::completed);
  EXPECT_EQ(outcome->seconds, 3);
  EXPECT_EQ(outcome->files_counted, 0);
  EXPECT_EQ(outcome->unreadable_folders, 0u);
}

TEST(ScanJob, CountsInStepsOf500AndReportsThem) {
  FormFixture f;
  fill(f, "many", 1100);
  f.prepare_scan("many", "many.lst");
  std::vector<std::string> seen;
  f.window->host.on_do_events = [&] { seen.push_back(f.window->Label2.caption()); };
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->files_counted, 500);
  // The outcome knows the exact counts the label does not show.
  EXPECT_EQ(outcome->files_listed, 1101u);
  EXPECT_EQ(outcome->folders_listed, 1u);
  ASSERT_FALSE(seen.empty());
  // Timed turns may come before the progress step; the step shows 500.
  EXPECT_NE(std::find(seen.begin(), seen.end(), "500"), seen.end());
  EXPECT_EQ(f.window->Label2.caption(), "500 files found.");
  EXPECT_EQ(f.window->Label1.caption().rfind("seconds it took:", 0), 0u);
}

TEST(ScanJob, WhileTheWalkRunsTheWindowShowsABusyJob) {
  FormFixture f;
  fill(f, "busy", 600);
  f.prepare_scan("busy", "busy.lst");
  bool checked = false;
  f.window->host.on_do_events = [&] {
    checked = true;
    EXPECT_TRUE(f.window->host.hourglass);
    EXPECT_TRUE(f.window->mStop.visible());
    EXPECT_FALSE(f.window->Command1.enabled());
    EXPECT_EQ(f.window->Label1.caption(), "Files ~:");
    // The earlier catalogue, if any, lies under the backup name meanwhile.
  };
  Command1_Click(f.form());
  EXPECT_TRUE(checked);
}

struct DiskCase {
  bool earlier_catalogue;
  bool stop;
};

class ScanJobOnDisk : public ::testing::TestWithParam<DiskCase> {};

TEST_P(ScanJobOnDisk, LeavesTheRightFiles) {
  const DiskCase c = GetParam();
  FormFixture f;
  fill(f, "root", 700);
  f.prepare_scan("root", "cat.lst");
  const std::string earlier("earlier catalogue\r\n\x01\xff", 21);
  if (c.earlier_catalogue) write_file(f.output("cat.lst"), earlier);
  if (c.stop) f.window->host.queue([&] { f.form().mStop.setVisible(true); mStop_Click(f.form()); });

  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());

  ASSERT_TRUE(outcome);
  EXPECT_FALSE(fs::exists(f.output("cat.lst.old")));
  if (c.stop) {
    EXPECT_EQ(f.window->Label2.caption(), "Stopped! Output deleted!");
    EXPECT_EQ(f.window->Caption.caption(), "Finished!");
    EXPECT_EQ(f.window->Label1.caption().rfind("seconds it took:", 0), 0u);
    EXPECT_EQ(outcome->end, ScanEnd::stopped);
    EXPECT_EQ(outcome->reason, "");
    if (c.earlier_catalogue) {
      EXPECT_EQ(read_file(f.output("cat.lst")), earlier);
    } else {
      EXPECT_FALSE(fs::exists(f.output("cat.lst")));
    }
  } else {
    const test::ParsedCatalogue parsed = test::parse_catalogue(read_file(f.output("cat.lst")));
    EXPECT_EQ(parsed.problem, "");
    EXPECT_EQ(parsed.files.at("").size(), 700u);
    EXPECT_EQ(outcome->end, ScanEnd::completed);
  }
  EXPECT_TRUE(f.window->Command1.enabled());
  EXPECT_FALSE(f.window->mStop.visible());
}

INSTANTIATE_TEST_SUITE_P(CompleteOrStopped, ScanJobOnDisk,
                         ::testing::Values(DiskCase{false, false}, DiskCase{true, false},
                                           DiskCase{false, true}, DiskCase{true, true}));

// What stands under the names when a scan starts, and how the scan ends: the
// disk afterwards and the labels. A lock file left by a killed scan tells what
// it left: killed while writing, its backup is the last complete catalogue and
// the file under the name unfinished; killed after its catalogue was durable,
// the file under the name is the newest. A backup found without that evidence
// is no scan's: it never takes the catalogue's place.
TEST(ScanJob, WhatStandsUnderTheNamesAndHowTheScanEnds) {
  enum class Lock { none, writing, complete };
  enum class End { completed, stopped, failed };
  const char* const lock_names[] = {"no lock file", "a lock file left while writing", "a lock file left complete"};
  const char* const end_names[] = {"completed", "stopped", "failed"};
  for (const bool output_there : {false, true}) {
    for (const bool backup_there : {false, true}) {
      for (const Lock lock : {Lock::none, Lock::writing, Lock::complete}) {
        for (const End end : {End::completed, End::stopped, End::failed}) {
          SCOPED_TRACE(std::string(output_there ? "output, " : "") + (backup_there ? "backup, " : "") +
                       lock_names[static_cast<int>(lock)] + ", " + end_names[static_cast<int>(end)]);
          test::RecordingFileServices files;
          if (end == End::failed) files.fail_write_after = 10;
          ui::FormServices services{files};
          FormFixture f(std::move(services));
          f.tree.file("root/a.txt", 1, 0);
          f.prepare_scan("root", "cat.lst");
          if (output_there) write_file(f.output("cat.lst"), "output\r\n");
          if (backup_there) write_file(f.output("cat.lst.old"), "backup\r\n");
          if (lock == Lock::writing) write_file(f.output("cat.lst.lock"), "korvint writing\n");
          if (lock == Lock::complete) write_file(f.output("cat.lst.lock"), "korvint complete\n");
          if (end == End::stopped) f.window->host.queue([&] { mStop_Click(f.form()); });

          const std::optional<ScanOutcome> outcome = Command1_Click(f.form());

          ASSERT_TRUE(outcome);
          EXPECT_EQ(f.window->Caption.caption(), kFinished);
          EXPECT_FALSE(fs::exists(f.output("cat.lst.old")));
          EXPECT_FALSE(fs::exists(f.output("cat.lst.lock")));
          if (end == End::completed) {
            EXPECT_EQ(outcome->end, ScanEnd::completed);
            EXPECT_EQ(f.window->Label1.caption().rfind(kSecondsItTook, 0), 0u);
            EXPECT_EQ(f.window->Label2.caption(), kLessThan500);
            EXPECT_NE(read_file(f.output("cat.lst")).find("a.txt\t1\t"), std::string::npos);
            continue;
          }
          if (end == End::stopped) {
            EXPECT_EQ(outcome->end, ScanEnd::stopped);
            EXPECT_EQ(f.window->Label1.caption().rfind(kSecondsItTook, 0), 0u);
            EXPECT_EQ(f.window->Label2.caption(), kStopped);
          } else {
            EXPECT_EQ(outcome->end, ScanEnd::failed);
            EXPECT_EQ(f.window->Label1.caption(), kScanFailed);
            EXPECT_NE(f.window->Label2.caption().find("No space left on device"), std::string::npos);
          }
          // The last complete catalogue, if any, is back under the name.
          const char* last_complete = lock == Lock::writing ? (backup_there ? "backup\r\n" : nullptr)
                                                            : (output_there ? "output\r\n" : nullptr);
          if (last_complete) {
            EXPECT_EQ(read_file(f.output("cat.lst")), last_complete);
          } else {
            EXPECT_FALSE(fs::exists(f.output("cat.lst")));
          }
        }
      }
    }
  }
}

// Counts the roots opened through the system's folders.
class CountingSource final : public platform::FolderSource {
 public:
  explicit CountingSource(int& opened) : opened_(opened) {}
  std::unique_ptr<platform::OpenFolder> open_root(std::string_view root, platform::Status& error) override {
    ++opened_;
    return system_->open_root(root, error);
  }

 private:
  int& opened_;
  std::unique_ptr<platform::FolderSource> system_ = platform::make_system_folder_source();
};

TEST(ScanJob, NamesAreCompletedWithLst) {
  struct Case {
    std::string typed, expected;
  };
  for (const Case& c : {Case{"catalog", "catalog.lst"}, Case{"catalog.lst", "catalog.lst"},
                        Case{"x.LST", "x.LST.lst"}, Case{"  y  ", "y.lst"}}) {
    FormFixture f;
    f.prepare_scan("r", c.typed);
    Command1_Click(f.form());
    EXPECT_EQ(f.window->Text4.text(), c.expected);
    EXPECT_TRUE(fs::exists(f.output(c.expected))) << c.expected;
  }
}

// An empty (or blank) path or name box names nothing: the job is refused
// before anything is opened or written, whichever way it was started.
TEST(ScanJob, EmptyBoxesAreRefused) {
  struct Case {
    std::string root, name, reason;
  };
  for (const Case& c : {Case{"", "cat.lst", kNoRoot}, Case{"   ", "cat.lst", kNoRoot}, Case{"r", "", kNoName},
                        Case{"r", "  ", kNoName}}) {
    SCOPED_TRACE("\"" + c.root + "\", \"" + c.name + "\"");
    int opened = 0;
    ui::FormServices services;
    services.folders = [&opened] { return std::make_unique<CountingSource>(opened); };
    FormFixture f(std::move(services));
    f.prepare_scan("r", c.name);
    if (c.root != "r") f.window->Text1.setText(c.root);
    const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->end, ScanEnd::failed);
    EXPECT_EQ(f.window->Label1.caption(), kScanFailed);
    EXPECT_EQ(f.window->Label2.caption(), c.reason);
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(fs::is_empty(f.output("")));
    EXPECT_TRUE(f.window->Command1.enabled());
  }
}

// A root that cannot be opened (a missing folder, an unplugged disk, a file)
// fails the job before the output is touched: the good catalogue of that disk
// stays, and no backup or lock file is left. The root is opened once.
TEST(ScanJob, ARootThatCannotBeOpenedFailsAndTouchesNothing) {
  struct Case {
    std::string root;  // relative to the tree
    bool make_file;
  };
  for (const Case& c : {Case{"no such folder", false}, Case{"unplugged/usb", false}, Case{"a file", true}}) {
    SCOPED_TRACE(c.root);
    int opened = 0;
    ui::FormServices services;
    services.folders = [&opened] { return std::make_unique<CountingSource>(opened); };
    FormFixture f(std::move(services));
    f.prepare_scan("r", "usb.lst");
    if (c.make_file) write_file(f.tree.root() / c.root, "not a folder");
    const std::string root = test::path_text(f.tree.root() / c.root) + kSep;
    f.window->Text1.setText(root);
    write_file(f.output("usb.lst"), "the good catalogue\r\n");

    const std::optional<ScanOutcome> outcome = Command1_Click(f.form());

    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->end, ScanEnd::failed);
    EXPECT_EQ(f.window->Label1.caption(), "Scan failed:");
    EXPECT_EQ(f.window->Label2.caption(), outcome->reason);
    // The reason is the system's, naming the root.
    platform::Status why;
    EXPECT_EQ(platform::make_system_folder_source()->open_root(root, why), nullptr);
    EXPECT_EQ(outcome->reason, why.message());
    EXPECT_NE(outcome->reason.find(test::path_text(f.tree.root() / c.root)), std::string::npos) << outcome->reason;
    EXPECT_EQ(read_file(f.output("usb.lst")), "the good catalogue\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(f.output("")), fs::directory_iterator()), 1);
    EXPECT_TRUE(f.window->Command1.enabled());
    EXPECT_FALSE(f.window->host.hourglass);
    EXPECT_EQ(opened, 1);
  }
  // A root that opens is opened once too, and walked.
  int opened = 0;
  ui::FormServices services;
  services.folders = [&opened] { return std::make_unique<CountingSource>(opened); };
  FormFixture f(std::move(services));
  f.tree.file("r/a.txt", 1, 0);
  f.prepare_scan("r", "r.lst");
  ASSERT_EQ(Command1_Click(f.form())->end, ScanEnd::completed);
  EXPECT_NE(read_file(f.output("r.lst")).find("a.txt\t1\t"), std::string::npos);
  EXPECT_EQ(opened, 1);
}

TEST(ScanJob, ASecondJobWhileOneRunsIsTurnedAway) {
  FormFixture f;
  fill(f, "root", 600);
  f.prepare_scan("root", "first.lst");
  int attempts = 0;
  f.window->host.on_do_events = [&] {
    if (attempts++ > 0) return;
    f.window->Text4.setText("second.lst");
    std::int16_t enter = kEnter;
    Text4_KeyPress(f.form(), enter);               // Enter in the name box
    EXPECT_FALSE(Command1_Click(f.form()));  // the button, should it be reached
  };
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  EXPECT_GT(attempts, 0);
  EXPECT_TRUE(fs::exists(f.output("first.lst")));
  EXPECT_FALSE(fs::exists(f.output("second.lst")));
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, ScanEnd::completed);
}

TEST(ScanJob, FailedFileOperationsAreShownAndLeaveTheWindowIdle) {
  test::RecordingFileServices files;
  files.fail_create = true;
  ui::FormServices services{files};
  FormFixture f(std::move(services));
  f.prepare_scan("root", "cat.lst");
  write_file(f.output("cat.lst"), "earlier\r\n");
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  EXPECT_NE(f.window->Label2.caption().find("cat.lst"), std::string::npos);
  EXPECT_NE(f.window->Label2.caption().find("Read-only file system"), std::string::npos);
  EXPECT_EQ(read_file(f.output("cat.lst")), "earlier\r\n");
  EXPECT_FALSE(fs::exists(f.output("cat.lst.old")));
  EXPECT_TRUE(f.window->Command1.enabled());
  EXPECT_FALSE(f.window->mStop.visible());
  EXPECT_FALSE(f.window->host.hourglass);
  EXPECT_FALSE(f.form().scanRunning);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, ScanEnd::failed);
  EXPECT_EQ(outcome->reason, f.window->Label2.caption());
}

TEST(ScanJob, AMissingOutputFolderIsNamedWithItsReason) {
  FormFixture f;
  f.prepare_scan("root", "cat.lst");
  f.window->Text5.setText(test::path_text(f.tree.root() / "gone") + kSep);
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  EXPECT_NE(f.window->Label2.caption().find("gone"), std::string::npos);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, ScanEnd::failed);
}

TEST(ScanJob, AFailedWriteIsAFailureNotASuccess) {
  test::RecordingFileServices files;
  files.fail_write_after = 100;
  ui::FormServices services{files};
  FormFixture f(std::move(services));
  fill(f, "root", 50);
  f.prepare_scan("root", "cat.lst");
  write_file(f.output("cat.lst"), "earlier\r\n");
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  EXPECT_NE(f.window->Label2.caption().find("No space left"), std::string::npos);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, ScanEnd::failed);
  EXPECT_EQ(outcome->reason, f.window->Label2.caption());
  EXPECT_EQ(read_file(f.output("cat.lst")), "earlier\r\n");
  EXPECT_FALSE(fs::exists(f.output("cat.lst.old")));
}

// A folder whose listing never ends by itself: only STOP can end the scan,
// at a turn the walk gives inside the listing (there are no folder steps),
// with the walk listing itself or waiting for its helpers.
TEST(ScanJob, ALongListingStillGivesTheWindowTurnsAndStopsAtOnce) {
  for (const unsigned helpers : {0u, 4u}) {
    SCOPED_TRACE(std::to_string(helpers) + " helpers");
    test::TrickleFolder folder;
    test::RecordingFileServices files;
    ui::FormServices services{files};
    services.folders = folder.source();
    services.listing_threads = helpers;
    FormFixture f(std::move(services));
    f.prepare_scan("root", "big.lst");
    write_file(f.output("big.lst"), "earlier\r\n");
    f.window->host.on_do_events = [&] {
      if (folder.listed() > 0 && f.form().StopFlag != ui::kTrue) mStop_Click(f.form());
    };
    const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
    EXPECT_TRUE(folder.refused());
    EXPECT_FALSE(folder.ceiling_reached()) << "STOP did not end the listing";
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->end, ScanEnd::stopped);
    EXPECT_EQ(f.window->Label2.caption(), "Stopped! Output deleted!");
    EXPECT_EQ(read_file(f.output("big.lst")), "earlier\r\n");
    EXPECT_FALSE(fs::exists(f.output("big.lst.old")));
    // A catalogue that is thrown away is not made durable first.
    EXPECT_EQ(std::count(files.log.begin(), files.log.end(), "sync"), 0);
  }
}

// After the walk the job writes out its last buffer, syncs the catalogue and
// deletes the backup, or, stopped, puts the backup back. Each of those file
// steps is held here until the window has had three turns while it waits, as
// a slow disk would hold it: the turns must come, and come at least every
// 100 ms of the time the job's thread had a processor. A STOP during the sync
// stops the scan: the earlier catalogue goes back.
TEST(ScanJob, TheWindowKeepsItsTurnsWhileTheCatalogueIsEnded) {
  struct Case {
    const char* label;
    bool stop_during_sync;
    ScanEnd end;
  };
  for (const Case& c : {Case{"completed", false, ScanEnd::completed}, Case{"stopped in its sync", true, ScanEnd::stopped}}) {
    SCOPED_TRACE(c.label);
    std::string late;
    for (int run = 0; run < 3; ++run) {  // a fault shows in every run, a busy machine's hiccup in one
      test::RecordingFileServices files;
      ui::FormServices services{files};
      FormFixture f(std::move(services));
      f.tree.file("root/a.txt", 1, 0);
      f.prepare_scan("root", "cat.lst");
      const std::string output = test::path_text(f.output("cat.lst"));
      const std::string backup = output + ".old";
      write_file(f.output("cat.lst"), "earlier\r\n");
      const std::vector<std::string> held =
          c.stop_during_sync ? std::vector<std::string>{"write", "sync", "rename " + backup + " -> " + output}
                             : std::vector<std::string>{"write", "sync", "remove " + backup};
      std::vector<test::Gate> gates(held.size());
      std::vector<int> turns_held(held.size(), 0);
      std::atomic<std::size_t> next{0};
      files.before = [&](const std::string& operation) {
        if (next >= held.size() || operation != held[next]) return;
        // After one hold without turns the rest would only wait as long again.
        if (next > 0 && gates[next - 1].ceiling_reached()) gates[next].open();
        gates[next++].pass();
      };
      test::TurnGaps gaps;
      bool measuring = false;  // from the first turn of the first held step to the job's end
      f.window->host.on_do_events = [&] {
        for (std::size_t i = 0; i < held.size(); ++i) {
          if (!gates[i].holding()) continue;
          measuring = true;
          if (++turns_held[i] < 3) continue;
          if (c.stop_during_sync && held[i] == "sync") mStop_Click(f.form());
          gates[i].open();
        }
        if (measuring) gaps.mark();
      };
      const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
      gaps.mark();

      for (std::size_t i = 0; i < held.size(); ++i) {
        EXPECT_GE(turns_held[i], 3) << held[i];
        ASSERT_FALSE(gates[i].ceiling_reached()) << held[i] << " was held without turns";
      }
      ASSERT_TRUE(outcome);
      EXPECT_EQ(outcome->end, c.end);
      const std::string left = read_file(f.output("cat.lst"));
      if (c.end == ScanEnd::completed) {
        EXPECT_NE(left.find("a.txt"), std::string::npos);
      } else {
        EXPECT_EQ(left, "earlier\r\n");
        EXPECT_EQ(f.window->Label2.caption(), kStopped);
      }
      EXPECT_FALSE(fs::exists(backup));
      if (gaps.longest() <= std::chrono::milliseconds(100)) {
        late.clear();
        break;
      }
      late += "run " + std::to_string(run) + ": longest gap " + std::to_string(gaps.longest().count()) + " ms\n";
    }
    // Only where the wait for a processor is known is a gap the job's own.
    if (test::TurnGaps::processor_wait_known()) {
      EXPECT_EQ(late, "");
    }
  }
}

TEST(ScanJob, AnInterruptActsAsStop) {
  ui::FormServices services;
  bool interrupted = false;
  services.interrupted = [&] { return interrupted; };
  FormFixture f(std::move(services));
  fill(f, "root", 600);
  f.prepare_scan("root", "cat.lst");
  write_file(f.output("cat.lst"), "earlier\r\n");
  f.window->host.queue([&] { interrupted = true; });
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  EXPECT_EQ(read_file(f.output("cat.lst")), "earlier\r\n");
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, ScanEnd::stopped);
}

}  // namespace
}  // namespace korvint::jobs
