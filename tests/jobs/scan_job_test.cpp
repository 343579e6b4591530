#include "jobs/scan_job.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <filesystem>
#include <thread>

#include "../engine/fake_folder_source.h"
#include "jobs/entry_keys.h"
#include "platform/program_folder.h"
#include "support/catalogue_reader.h"
#include "support/form_fixture.h"
#include "support/recording_file_services.h"

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

TEST(ScanJob, NamesAreCompletedWithLst) {
  struct Case {
    std::string typed, expected;
  };
  for (const Case& c : {Case{"catalog", "catalog.lst"}, Case{"catalog.lst", "catalog.lst"},
                        Case{"", ".lst"}, Case{"x.LST", "x.LST.lst"}, Case{"  y  ", "y.lst"}}) {
    FormFixture f;
    f.prepare_scan("r", c.typed);
    Command1_Click(f.form());
    EXPECT_EQ(f.window->Text4.text(), c.expected);
    EXPECT_TRUE(fs::exists(f.output(c.expected))) << c.expected;
  }
}

TEST(ScanJob, AMissingRootGivesAHeaderOnlyCatalogue) {
  FormFixture f;
  f.prepare_scan("r", "x.lst");
  const std::string missing = test::path_text(f.tree.root() / "no such folder") + kSep;
  f.window->Text1.setText(missing);
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  EXPECT_EQ(read_file(f.output("x.lst")), missing + "\r\n");
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, ScanEnd::completed);
  EXPECT_EQ(outcome->unreadable_folders, 1u);
  EXPECT_NE(outcome->unreadable_note().find("no such folder"), std::string::npos);
  // The window says the catalogue is empty because the root could not be read.
  EXPECT_EQ(f.window->Label2.caption(), "Less than 500 files found; " + outcome->unreadable_note());
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

// A folder source whose listing is slow, like a large folder on a slow disk.
class SlowListing final : public platform::FolderSource {
 public:
  std::unique_ptr<platform::OpenFolder> open_root(std::string_view, platform::Status&) override {
    class Folder final : public platform::OpenFolder {
     public:
      platform::Status list(platform::EntrySink& sink) override {
        std::string name;
        for (int i = 0; i < 100000; ++i) {
          if (i % 1000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
          name = "f" + std::to_string(i);
          platform::DirEntry entry;
          entry.name = name;
          entry.size = 1;
          if (!sink.on_entry(entry)) return platform::Status();
        }
        return platform::Status();
      }
      std::unique_ptr<platform::OpenFolder> open_child(std::string_view, platform::Status& e) override {
        e = platform::Status::failure("none");
        return nullptr;
      }
      std::optional<platform::FolderId> id() override { return std::nullopt; }
    };
    return std::make_unique<Folder>();
  }
};

TEST(ScanJob, ALongListingStillGivesTheWindowTurnsAndStopsAtOnce) {
  ui::FormServices services;
  services.folders = [] { return std::make_unique<SlowListing>(); };
  FormFixture f(std::move(services));
  f.prepare_scan("root", "big.lst");
  std::string lines_at_stop;
  f.window->host.on_do_events = [&] {
    if (!lines_at_stop.empty()) return;
    lines_at_stop = "seen";
    mStop_Click(f.form());
  };
  Command1_Click(f.form());
  EXPECT_GE(f.window->host.do_events_calls, 1);  // a turn without any progress step
  EXPECT_EQ(f.window->Label2.caption(), "Stopped! Output deleted!");
  EXPECT_FALSE(fs::exists(f.output("big.lst")));
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
