// Which files of a catalogue folder are searched.

#include <gtest/gtest.h>

#include "search/catalogue_folder.h"
#include "support/temp_tree.h"

namespace korvint::search {
namespace {

TEST(CatalogueFolderTest, ChoosesListsAndPrefersTheBackupOfOneBeingRewritten) {
  const auto chosen = choose_catalogue_files(
      {"b.lst", "b.lst.old", "A.LST", "c.lst.old", "notes.txt", "d.lst.tmp", "lst", ".lst.old.old"});
  ASSERT_EQ(chosen.size(), 3u);
  EXPECT_EQ(chosen[0].display_name, "A");
  EXPECT_EQ(chosen[0].file_name, "A.LST");
  EXPECT_FALSE(chosen[0].from_old);
  // Korvint is rewriting b.lst: its last complete version is the backup.
  EXPECT_EQ(chosen[1].display_name, "b");
  EXPECT_EQ(chosen[1].file_name, "b.lst.old");
  EXPECT_EQ(chosen[1].fallback, "b.lst");
  EXPECT_TRUE(chosen[1].from_old);
  // Between renaming the old catalogue and creating the new one only the backup stands.
  EXPECT_EQ(chosen[2].display_name, "c");
  EXPECT_EQ(chosen[2].file_name, "c.lst.old");
  EXPECT_TRUE(chosen[2].from_old);
}

TEST(CatalogueFolderTest, OpensTheCataloguesAndNamesWhatIsNotOne) {
  test::TempTree tree;
  tree.text_file("disk.lst", "D:\\\r\nnew.txt\t1\t 2020.1.1\t0:0.0\r\n");
  tree.text_file("disk.lst.old", "D:\\\r\nold.txt\t1\t 2019.1.1\t0:0.0\r\n");
  tree.text_file("notes.lst", "shopping list\r\nmilk\r\n");
  tree.text_file("empty.lst", "");
  tree.folder("folder.lst");
  const std::string folder = test::path_text(tree.root());
  const CatalogueSet set = open_catalogue_folders({folder, folder + "/missing"});
  ASSERT_EQ(set.catalogues.size(), 1u);
  EXPECT_EQ(set.catalogues[0]->name(), "disk");
  EXPECT_TRUE(set.catalogues[0]->from_old());
  EXPECT_NE(set.catalogues[0]->bytes().find("old.txt"), std::string_view::npos);
  const std::vector<std::string> notes = {
      "disk is being rewritten: searched its last complete version, disk.lst.old",
      "empty.lst is not a catalogue", "notes.lst is not a catalogue"};
  EXPECT_EQ(set.notes, notes);
  ASSERT_EQ(set.errors.size(), 1u);
  EXPECT_NE(set.errors[0].find("missing"), std::string::npos) << set.errors[0];
}

}  // namespace
}  // namespace korvint::search
