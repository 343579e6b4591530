// Which files of a catalogue folder are searched, told apart by the lock a
// scan holds while it writes one.

#include <gtest/gtest.h>

#include <map>

#include "search/catalogue_folder.h"
#include "search_fixture.h"
#include "support/temp_tree.h"

namespace korvint::search {
namespace {

using platform::LockState;

TEST(CatalogueFolderTest, TheLockSaysWhichFileIsSearched) {
  struct Case {
    std::vector<std::string> listing;
    platform::LockProbe lock;  // of "a.lst.lock", when the listing holds it
    std::string file;  // "" when nothing is searched
    bool from_old;
    bool growing;
    std::string note;
  };
  const Case cases[] = {
      {{"a.lst"}, {LockState::Absent, ""}, "a.lst", false, false, ""},
      // A backup no scan keeps is a stray file: the catalogue is complete.
      {{"a.lst", "a.lst.old"}, {LockState::Absent, ""}, "a.lst", false, false, ""},
      {{"a.lst.old"}, {LockState::Absent, ""}, "", false, false, ""},
      // The lock file went between the listing and the look at it: the scan is over.
      {{"a.lst", "a.lst.old", "a.lst.lock"}, {LockState::Absent, ""}, "a.lst", false, false, ""},
      {{"a.lst", "a.lst.old", "a.lst.lock"}, {LockState::Held, ""}, "a.lst.old", true, false,
       "a.lst is being written: searched its last complete version, a.lst.old"},
      // Between renaming the old catalogue and creating the new one.
      {{"a.lst.old", "a.lst.lock"}, {LockState::Held, ""}, "a.lst.old", true, false,
       "a.lst is being written: searched its last complete version, a.lst.old"},
      // A first scan: what stands is searched.
      {{"a.lst", "a.lst.lock"}, {LockState::Held, ""}, "a.lst", false, true, "a.lst is being written: incomplete"},
      // A scan that was killed.
      {{"a.lst", "a.lst.lock"}, {LockState::NotHeld, ""}, "a.lst", false, false,
       "a.lst is incomplete (its scan was interrupted)"},
      {{"a.lst", "a.lst.old", "a.lst.lock"}, {LockState::NotHeld, ""}, "a.lst.old", true, false,
       "a.lst is incomplete (its scan was interrupted): searched its last complete version, a.lst.old"},
      {{"a.lst", "a.lst.old", "a.lst.lock"}, {LockState::NotHeld, "writing"}, "a.lst.old", true, false,
       "a.lst is incomplete (its scan was interrupted): searched its last complete version, a.lst.old"},
      // Killed after its catalogue was complete, before the backup went.
      {{"a.lst", "a.lst.old", "a.lst.lock"}, {LockState::NotHeld, "complete"}, "a.lst", false, false, ""},
      // ... but the catalogue is gone since: the backup is all there is.
      {{"a.lst.old", "a.lst.lock"}, {LockState::NotHeld, "complete"}, "a.lst.old", true, false,
       "a.lst is incomplete (its scan was interrupted): searched its last complete version, a.lst.old"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> asked;
    const auto chosen = choose_catalogue_files(c.listing, [&](const std::string& lock) {
      asked.push_back(lock);
      return c.lock;
    });
    const std::string context = ::testing::PrintToString(c.listing) + " " + std::to_string(static_cast<int>(c.lock.state)) + c.lock.left_note;
    EXPECT_EQ(asked, c.listing.back() == "a.lst.lock" ? std::vector<std::string>{"a.lst.lock"}
                                                      : std::vector<std::string>{})
        << context;
    if (c.file.empty()) {
      EXPECT_TRUE(chosen.empty()) << context;
      continue;
    }
    ASSERT_EQ(chosen.size(), 1u) << context;
    EXPECT_EQ(chosen[0].display_name, "a") << context;
    EXPECT_EQ(chosen[0].file_name, c.file) << context;
    EXPECT_EQ(chosen[0].from_old, c.from_old) << context;
    EXPECT_EQ(chosen[0].growing, c.growing) << context;
    EXPECT_EQ(chosen[0].note, c.note) << context;
  }
  // Only ".lst" names (any case) are catalogues; the list is sorted.
  const auto chosen = choose_catalogue_files({"b.lst", "A.LST", "notes.txt", "d.lst.tmp", "lst", ".lst.old.old"},
                                             [](const std::string&) { return platform::LockProbe{}; });
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0].file_name, "A.LST");
  EXPECT_EQ(chosen[1].file_name, "b.lst");
}

TEST(CatalogueFolderTest, OpensTheCataloguesAndNamesWhatIsNotOne) {
  test::TempTree tree;
  const std::string entry = "\t1\t 2020.1.1\t0:0.0\r\n";
  tree.text_file("disk.lst", "D:\\\r\nnew.txt" + entry);
  tree.text_file("disk.lst.old", "D:\\\r\nold.txt" + entry);  // stray: no scan keeps it
  tree.text_file("busy.lst", "B:\\\r\nhalf.txt" + entry);
  tree.text_file("busy.lst.old", "B:\\\r\nwhole.txt" + entry);
  tree.text_file("dead.lst", "K:\\\r\ncut.txt" + entry);
  tree.text_file("dead.lst.lock", "");  // its scan was killed
  tree.text_file("bom.lst", "\xEF\xBB\xBF/mnt/u/\r\nmarked.txt" + entry);
  tree.text_file("notes.lst", "shopping list\r\nmilk\r\n");
  tree.text_file("empty.lst", "");
  tree.folder("folder.lst");
  const std::string folder = test::path_text(tree.root());
  const platform::LockAttempt scan = platform::system_file_services().lock_file(folder + "/busy.lst.lock");
  ASSERT_TRUE(scan.lock) << scan.error.message();

  // The same folder named twice is searched once.
  const CatalogueSet set = open_catalogue_folders({folder, folder + "/missing", folder});
  std::vector<std::string> names;
  for (const auto& catalogue : set.catalogues) names.push_back(catalogue->name());
  EXPECT_EQ(names, (std::vector<std::string>{"bom", "busy", "dead", "disk"}));
  EXPECT_EQ(test::search_paths(set.catalogues, "txt"),
            (std::vector<std::string>{"bom\t/mnt/u/marked.txt", "busy\tB:\\whole.txt", "dead\tK:\\cut.txt",
                                      "disk\tD:\\new.txt"}));
  const std::vector<std::string> notes = {
      "busy.lst is being written: searched its last complete version, busy.lst.old",
      "dead.lst is incomplete (its scan was interrupted)", "empty.lst is not a catalogue",
      "notes.lst is not a catalogue"};
  EXPECT_EQ(set.notes, notes);
  EXPECT_EQ(set.missing_folders, std::vector<std::string>{folder + "/missing"});
  EXPECT_EQ(set.errors, std::vector<std::string>{"the catalogue folder \"" + folder + "/missing\" does not exist"});
}

}  // namespace
}  // namespace korvint::search
