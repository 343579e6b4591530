#include "jobs/scan_all.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "jobs/scan_job.h"
#include "platform/program_folder.h"
#include "support/form_fixture.h"
#include "support/recording_file_services.h"
#include "jobs/scan_list.h"

namespace korvint::jobs {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;
using test::read_file;

const std::string kSep(1, platform::path_separator());

// Lists three roots, "one" to "three", each with enough files for a progress step.
void three_busy_entries(FormFixture& f) {
  f.prepare_scan("x", "");
  for (const char* name : {"one", "two", "three"}) {
    for (int i = 0; i < 600; ++i) f.tree.file(std::string(name) + "/f" + std::to_string(i), 1, 0);
    f.tree.folder(std::string(name) + "/sub");
    f.window->List1.AddItem(test::path_text(f.tree.root() / name));
  }
}

TEST(ScanAll, AnEmptyListRunsNothingAndShowsTheTotals) {
  FormFixture f;
  f.window->Text1.setText("keep");
  f.window->Text4.setText("keep.lst");
  Command5_Click(f.form());
  EXPECT_EQ(f.window->Label1.caption(), "Seconds it took:0");
  EXPECT_EQ(f.window->Label2.caption(), "Many files");
  EXPECT_EQ(f.window->Text1.text(), "keep");
  EXPECT_EQ(f.window->Text4.text(), "keep.lst");
  EXPECT_EQ(f.window->Caption.caption(), "KorvintVB");
}

TEST(ScanAll, EachEntryGetsItsOwnNamedCatalogueAndTheSecondsAddUp) {
  ui::FormServices services;
  services.now_utc_seconds = test::stepping_clock(1'000'000'000, 3);  // every job takes 3 s
  FormFixture f(std::move(services));
  f.prepare_scan("x", "");
  f.tree.file("disks/Music/song.mp3", 3, 0);
  f.tree.file("disks/Photos/a.jpg", 4, 0);
  const std::string music = test::path_text(f.tree.root() / "disks" / "Music");
  const std::string photos = test::path_text(f.tree.root() / "disks" / "Photos") + kSep;
  f.window->List1.AddItem(music);
  f.window->List1.AddItem(photos);

  Command5_Click(f.form());

  EXPECT_EQ(read_file(f.output("Music.lst")).substr(0, music.size() + 1), music + kSep);
  EXPECT_TRUE(fs::exists(f.output("Photos.lst")));
  EXPECT_EQ(f.window->List1.ListIndex(), 1);
  EXPECT_EQ(f.window->Text1.text(), photos);
  EXPECT_EQ(f.window->Text4.text(), "Photos.lst");
  EXPECT_EQ(f.window->Label1.caption(), "Seconds it took:6");
  EXPECT_EQ(f.window->Label2.caption(), "Many files");
}

// An entry whose disk is not there fails alone: its catalogue stays as it was,
// the next entry is scanned, and the labels name the root and the reason.
TEST(ScanAll, AnEntryThatCannotBeOpenedKeepsItsCatalogueAndFailsAlone) {
  FormFixture f;
  f.prepare_scan("x", "");
  f.tree.file("disks/Photos/a.jpg", 4, 0);
  const std::string usb = test::path_text(f.tree.root() / "media" / "usb");
  test::write_file(f.output("usb.lst"), "the good catalogue\r\n");
  f.window->List1.AddItem(usb);
  f.window->List1.AddItem(test::path_text(f.tree.root() / "disks" / "Photos"));

  Command5_Click(f.form());

  EXPECT_EQ(read_file(f.output("usb.lst")), "the good catalogue\r\n");
  EXPECT_FALSE(fs::exists(f.output("usb.lst.old")));
  EXPECT_TRUE(fs::exists(f.output("Photos.lst")));
  const std::string totals = f.window->Label2.caption();
  EXPECT_EQ(totals.rfind("Many files; 1 failed, the first: ", 0), 0u) << totals;
  EXPECT_NE(totals.find(usb), std::string::npos) << totals;
}

// A job that completed but could not delete the earlier catalogue says so in
// the totals too: the last job's labels are gone by then.
TEST(ScanAll, AnEarlierCatalogueLeftBesideItsNewOneIsTold) {
  test::RecordingFileServices files;
  files.fail_remove_backup = true;
  ui::FormServices services{files};
  FormFixture f(std::move(services));
  f.prepare_scan("x", "");
  f.tree.file("disks/Photos/a.jpg", 4, 0);
  test::write_file(f.output("Photos.lst"), "earlier\r\n");
  f.window->List1.AddItem(test::path_text(f.tree.root() / "disks" / "Photos"));

  Command5_Click(f.form());

  EXPECT_EQ(f.window->Label2.caption(), "Many files; Cannot delete \"" + test::path_text(f.output("Photos.lst.old")) +
                                            "\": Permission denied; the earlier catalogue stays beside the new one");
  EXPECT_EQ(read_file(f.output("Photos.lst.old")), "earlier\r\n");
}

TEST(ScanAll, TwoRootsWithTheSameNameDoNotOverwriteEachOther) {
  FormFixture f;
  f.prepare_scan("x", "");
  f.tree.file("a/Data/one", 1, 0);
  f.tree.file("b/Data/two", 2, 0);
  f.tree.file("c/Data/three", 3, 0);
  const std::string a = test::path_text(f.tree.root() / "a" / "Data");
  const std::string b = test::path_text(f.tree.root() / "b" / "Data");
  const std::string c = test::path_text(f.tree.root() / "c" / "Data");
  for (const std::string& entry : {a, b, a + kSep, c}) f.window->List1.AddItem(entry);

  Command5_Click(f.form());

  EXPECT_NE(read_file(f.output("Data.lst")).find("one\t1"), std::string::npos);  // a, twice
  EXPECT_NE(read_file(f.output("Data (2).lst")).find("two\t2"), std::string::npos);
  EXPECT_NE(read_file(f.output("Data (3).lst")).find("three\t3"), std::string::npos);
  EXPECT_FALSE(fs::exists(f.output("Data (4).lst")));
  EXPECT_EQ(f.window->Text4.text(), "Data (3).lst");
}

TEST(ScanAll, NamesDifferingOnlyInCaseAreNumberedWhereTheFileSystemIgnoresCase) {
  FormFixture f;
  f.prepare_scan("x", "");
  f.tree.file("a/Data/one", 1, 0);
  f.tree.file("b/data/two", 2, 0);
  f.window->List1.AddItem(test::path_text(f.tree.root() / "a" / "Data"));
  f.window->List1.AddItem(test::path_text(f.tree.root() / "b" / "data"));

  Command5_Click(f.form());

  EXPECT_NE(read_file(f.output("Data.lst")).find("one\t1"), std::string::npos);
#ifdef _WIN32
  // "data.lst" would be the first catalogue's file.
  EXPECT_NE(read_file(f.output("data (2).lst")).find("two\t2"), std::string::npos);
#else
  EXPECT_NE(read_file(f.output("data.lst")).find("two\t2"), std::string::npos);
  EXPECT_FALSE(fs::exists(f.output("data (2).lst")));
#endif
}

TEST(ScanAll, StopEndsOnlyTheRunningJob) {
  FormFixture f;
  three_busy_entries(f);
  test::write_file(f.output("two.lst"), "earlier two\r\n");
  bool stopped = false;
  f.window->host.on_do_events = [&] {
    // A turn of the second job's walk, whichever it is (idle turns come with time).
    if (stopped || f.window->Text4.text() != "two.lst") return;
    stopped = true;
    mStop_Click(f.form());
  };
  Command5_Click(f.form());
  EXPECT_TRUE(fs::exists(f.output("one.lst")));
  EXPECT_EQ(read_file(f.output("two.lst")), "earlier two\r\n");
  EXPECT_TRUE(fs::exists(f.output("three.lst")));
  EXPECT_TRUE(stopped);
  EXPECT_EQ(f.window->Label2.caption(), "Many files");
}

// A job that fails before its walk, right after a stopped one, is a failure
// of its own: the stop of the job before must not stand for it.
TEST(ScanAll, AJobFailingAfterAStoppedOneIsReportedAsFailed) {
  FormFixture f;
  three_busy_entries(f);
  fs::create_directories(f.output("two.lst"));  // no catalogue can be created under that name
  f.window->host.on_do_events = [&] {
    if (f.window->Text4.text() == "one.lst" && f.form().StopFlag != ui::kTrue) mStop_Click(f.form());
  };
  Command5_Click(f.form());
  EXPECT_FALSE(fs::exists(f.output("one.lst")));
  EXPECT_TRUE(fs::is_directory(f.output("two.lst")));
  EXPECT_TRUE(fs::exists(f.output("three.lst")));
  const std::string shown = f.window->Label2.caption();
  EXPECT_EQ(shown.rfind("Many files; 1 failed, the first: ", 0), 0u) << shown;
  EXPECT_NE(shown.find("two.lst"), std::string::npos) << shown;
}

TEST(ScanAll, EntriesRemovedDuringTheRunEndItCleanly) {
  FormFixture f;
  three_busy_entries(f);
  f.window->host.queue([&] { jobs::mnuDeleteAll_Click(f.form()); });
  Command5_Click(f.form());
  EXPECT_TRUE(fs::exists(f.output("one.lst")));
  EXPECT_FALSE(fs::exists(f.output("two.lst")));
  EXPECT_EQ(f.window->Label2.caption(), "Many files");
}

TEST(ScanAll, EntriesAddedDuringTheRunWaitForTheNextOne) {
  FormFixture f;
  three_busy_entries(f);
  f.tree.file("four/a", 1, 0);
  f.window->host.queue([&] { f.window->List1.AddItem(test::path_text(f.tree.root() / "four")); });
  Command5_Click(f.form());
  EXPECT_TRUE(fs::exists(f.output("three.lst")));
  EXPECT_FALSE(fs::exists(f.output("four.lst")));
  EXPECT_EQ(f.window->List1.ListCount(), 4);
  EXPECT_EQ(f.window->List1.ListIndex(), 2);
}

TEST(ScanAll, IsTurnedAwayWhileAScanRuns) {
  FormFixture f;
  f.prepare_scan("x", "");
  for (int i = 0; i < 600; ++i) f.tree.file("x/f" + std::to_string(i), 1, 0);
  f.tree.folder("x/sub");
  f.window->List1.AddItem(test::path_text(f.tree.root() / "other"));
  f.window->Text4.setText("single.lst");
  f.window->host.queue([&] { Command5_Click(f.form()); });
  Command1_Click(f.form());
  EXPECT_TRUE(fs::exists(f.output("single.lst")));
  EXPECT_FALSE(fs::exists(f.output("other.lst")));
}

}  // namespace
}  // namespace korvint::jobs
