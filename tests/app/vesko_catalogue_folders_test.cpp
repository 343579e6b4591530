// vesko over catalogue folders as people have them: what each folder holds
// gives which notes and which exit status, and a catalogue that changes while
// its results are written costs a note, never a crash or a line of another version.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <utility>

#include "app/vesko_command_line.h"
#include "platform/file_services.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace korvint::app {
namespace {

namespace fs = std::filesystem;

const std::string kEntry = "\t1\t 2020.1.1\t0:0.0\r\n";

struct VeskoRun {
  int status;
  std::string out;
  std::string err;
};

VeskoRun vesko(const std::vector<std::string>& arguments, std::ostream* out = nullptr) {
  std::ostringstream own_out;
  std::ostringstream err;
  const int status = run_vesko(arguments, out != nullptr ? *out : own_out, err);
  return VeskoRun{status, own_out.str(), err.str()};
}

TEST(VeskoCatalogueFolders, WhatAFolderHoldsGivesItsNotesAndExitStatus) {
  struct Case {
    const char* folder;
    std::function<void(test::TempTree&)> make;
    std::string query;
    int status;
    std::string out;                 // the results, exactly
    std::vector<std::string> err;    // each a part of what stderr says
  };
  const auto catalogue = [](const char* root, const char* name) { return std::string(root) + "\r\n" + name + kEntry; };
  const Case cases[] = {
      {"empty", [](test::TempTree&) {}, "song", 2, "", {"no catalogues in"}},
      {"only a text named .lst", [](test::TempTree& t) { t.text_file("cats/readme.lst", "milk\r\neggs\r\n"); },
       "song", 2, "", {"readme.lst is not a catalogue", "no catalogues in"}},
      {"found", [&](test::TempTree& t) { t.text_file("cats/d.lst", catalogue("D:\\", "song.mp3")); }, "song", 0,
       "d\tD:\\song.mp3\t1\t2020-01-01 00:00:00\n", {}},
      {"nothing found", [&](test::TempTree& t) { t.text_file("cats/d.lst", catalogue("D:\\", "song.mp3")); },
       "film", 1, "", {}},
      {"a UTF-8 mark before the root",
       [&](test::TempTree& t) { t.text_file("cats/u.lst", catalogue("\xEF\xBB\xBF/mnt/u/", "song.mp3")); }, "song", 0,
       "u\t/mnt/u/song.mp3\t1\t2020-01-01 00:00:00\n", {}},
      {"a backup no scan keeps",
       [&](test::TempTree& t) {
         t.text_file("cats/d.lst", catalogue("D:\\", "new.mp3"));
         t.text_file("cats/d.lst.old", catalogue("D:\\", "old.mp3"));
       },
       "mp3", 0, "d\tD:\\new.mp3\t1\t2020-01-01 00:00:00\n", {}},
      {"a scan that was killed",
       [&](test::TempTree& t) {
         t.text_file("cats/d.lst", catalogue("D:\\", "half.mp3"));
         t.text_file("cats/d.lst.old", catalogue("D:\\", "whole.mp3"));
         t.text_file("cats/d.lst.lock", "");
       },
       "mp3", 0, "d\tD:\\whole.mp3\t1\t2020-01-01 00:00:00\n",
       {"d.lst is incomplete (its scan was interrupted): searched its last complete version, d.lst.old"}},
      {"folder lines that leave the root",
       [](test::TempTree& t) {
         t.text_file("cats/x.lst", "/tmp/x/\r\nup\\" + kEntry + "..\\..\\..\\etc\\" + kEntry + "passwd" + kEntry);
       },
       "passwd", 0, "x\t/tmp/x/up/passwd\t1\t2020-01-01 00:00:00\n", {}},
#ifndef _WIN32
      {"found, beside a link to a device",
       [&](test::TempTree& t) {
         t.text_file("cats/d.lst", catalogue("D:\\", "song.mp3"));
         fs::create_symlink("/dev/zero", t.root() / "cats" / "zero.lst");
       },
       "song", 2, "d\tD:\\song.mp3\t1\t2020-01-01 00:00:00\n", {"zero.lst is not a file"}},
      {"a FIFO named .lst",
       [&](test::TempTree& t) {
         t.text_file("cats/d.lst", catalogue("D:\\", "song.mp3"));
         ::mkfifo(test::path_text(t.root() / "cats" / "x.lst").c_str(), 0600);
       },
       "song", 2, "d\tD:\\song.mp3\t1\t2020-01-01 00:00:00\n", {"x.lst is not a file"}},
#endif
  };
  for (const Case& c : cases) {
    test::TempTree tree;
    tree.folder("cats");
    c.make(tree);
    const VeskoRun run = vesko({"--catalogues", test::path_text(tree.root() / "cats"), c.query});
    EXPECT_EQ(run.status, c.status) << c.folder << "\n" << run.err;
    EXPECT_EQ(run.out, c.out) << c.folder;
    for (const std::string& part : c.err) EXPECT_NE(run.err.find(part), std::string::npos) << c.folder << ": " << run.err;
    if (c.err.empty()) { EXPECT_EQ(run.err, "") << c.folder; }
  }
}

TEST(VeskoCatalogueFolders, AScanInProgressIsToldApartByItsLock) {
  test::TempTree tree;
  tree.text_file("cats/d.lst", "D:\\\r\nhalf.mp3" + kEntry);
  tree.text_file("cats/d.lst.old", "D:\\\r\nwhole.mp3" + kEntry);
  tree.text_file("cats/first.lst", "F:\\\r\nbegun.mp3" + kEntry);
  tree.text_file("cats/early.lst", "E:\\\r\nhalf a li");  // written no further yet
  const std::string cats = test::path_text(tree.root() / "cats");
  auto& files = platform::system_file_services();
  const platform::LockAttempt rescan = files.lock_file(cats + "/d.lst.lock");
  const platform::LockAttempt first = files.lock_file(cats + "/first.lst.lock");
  const platform::LockAttempt early = files.lock_file(cats + "/early.lst.lock");
  ASSERT_TRUE(rescan.lock && first.lock && early.lock);
  const VeskoRun run = vesko({"--catalogues", cats, "mp3"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "d\tD:\\whole.mp3\t1\t2020-01-01 00:00:00\n"
            "first\tF:\\begun.mp3\t1\t2020-01-01 00:00:00\n");
  EXPECT_EQ(run.err,
            "vesko: d.lst is being written: searched its last complete version, d.lst.old\n"
            "vesko: early.lst is being written: incomplete\n"
            "vesko: first.lst is being written: incomplete\n");
}

TEST(VeskoCatalogueFolders, AFolderNamedTwiceIsSearchedOnceAndAMissingOneIsAnError) {
  test::TempTree tree;
  tree.text_file("cats/d.lst", "D:\\\r\nsong.mp3" + kEntry);
  const std::string cats = test::path_text(tree.root() / "cats");
  std::vector<std::string> arguments = {"--catalogues", cats, "--catalogues", cats + "/"};
#ifndef _WIN32
  fs::create_directory_symlink(tree.root() / "cats", tree.root() / "link");
  arguments.insert(arguments.end(), {"--catalogues", test::path_text(tree.root() / "link")});
#endif
  arguments.push_back("song");
  const VeskoRun twice = vesko(arguments);
  EXPECT_EQ(twice.status, 0) << twice.err;
  EXPECT_EQ(twice.out, "d\tD:\\song.mp3\t1\t2020-01-01 00:00:00\n");

  const VeskoRun missing = vesko({"--catalogues", cats, "--catalogues", cats + "/gone", "song"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, twice.out);
  EXPECT_NE(missing.err.find("the catalogue folder \"" + cats + "/gone\" does not exist"), std::string::npos)
      << missing.err;
}

// A stream that changes the catalogue once the first block of results is written.
class ChangingOutput final : public std::stringbuf {
 public:
  explicit ChangingOutput(std::function<void()> change) : change_(std::move(change)) {}

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (change_) std::exchange(change_, nullptr)();
    return std::stringbuf::xsputn(s, n);
  }

 private:
  std::function<void()> change_;
};

TEST(VeskoCatalogueFolders, ACatalogueChangedWhileItsResultsAreWrittenIsNamedNeverMixed) {
  std::string text = "D:\\\r\n";
  std::set<std::string> lines;
  for (int i = 0; i < 6000; ++i) {
    const std::string name = "old" + std::to_string(i) + ".txt";
    text += name + kEntry;
    lines.insert("d\tD:\\" + name + "\t1\t2020-01-01 00:00:00");
  }
  const std::string newer = "D:\\\r\nnew.txt" + kEntry;
  struct Case {
    const char* change;
    std::function<void(const fs::path&)> apply;
    bool left_out;  // results of the old version could no longer be read
  };
  const Case cases[] = {
      {"cut short", [](const fs::path& p) { fs::resize_file(p, 100); }, true},
      {"rewritten in place", [&](const fs::path& p) { test::write_file(p, newer); }, true},
      // The file being read is still there, under another name or none.
#ifndef _WIN32
      {"replaced", [&](const fs::path& p) {
         test::write_file(p.string() + ".new", newer);
         fs::rename(p.string() + ".new", p);
       }, false},
#endif
      {"deleted", [](const fs::path& p) { fs::remove(p); }, false},
  };
  for (const Case& c : cases) {
    const std::string ended = test::run_in_child([&] {
      test::TempTree tree;
      const fs::path path = tree.text_file("cats/d.lst", text);
      ChangingOutput changing([&] { c.apply(path); });
      std::ostream out(&changing);
      const VeskoRun run = vesko({"--catalogues", test::path_text(tree.root() / "cats"), "txt"}, &out);
      std::istringstream printed(changing.str());
      std::size_t count = 0;
      for (std::string line; std::getline(printed, line); ++count)
        EXPECT_EQ(lines.count(line), 1u) << c.change << ": a line of no version searched: " << line;
      if (c.left_out) {
        EXPECT_EQ(run.status, 2) << c.change;
        EXPECT_LT(count, lines.size()) << c.change;
        EXPECT_NE(run.err.find("d.lst changed while its results were written: " + std::to_string(lines.size() - count) +
                               " results left out"),
                  std::string::npos)
            << c.change << ": " << run.err;
      } else {
        EXPECT_EQ(run.status, 0) << c.change << ": " << run.err;
        EXPECT_EQ(count, lines.size()) << c.change;
      }
    });
    EXPECT_EQ(ended, "exit 0") << c.change;
  }
}

}  // namespace
}  // namespace korvint::app
