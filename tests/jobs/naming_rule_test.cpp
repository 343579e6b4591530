#include "jobs/naming_rule.h"

#include <gtest/gtest.h>

namespace korvint::jobs {
namespace {

TEST(NamingRule, WindowsDriveRootsAndShortPathsUseTheirFirstCharacter) {
  EXPECT_EQ(derive_name_windows("c:\\"), "c-disk.lst");
  EXPECT_EQ(derive_name_windows("C:\\"), "C-disk.lst");
  EXPECT_EQ(derive_name_windows("D:"), "D-disk.lst");
  EXPECT_EQ(derive_name_windows(""), "-disk.lst");
}

TEST(NamingRule, WindowsCountsAndCutsCharactersNotBytes) {
  // The boxes hold UTF-8: "\xC3\x84" is one "Ä", "\xF0\x9F\x93\x80" one 4-byte character.
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"\xC3\x84\\", "\xC3\x84-disk.lst"},          // two characters, three bytes
      {"\xC3\x84" "b\\", "\xC3\x84-disk.lst"},      // three characters, four bytes
      {"\xE2\x82\xAC:\\", "\xE2\x82\xAC-disk.lst"},  // a 3-byte first character
      {"\xF0\x9F\x93\x80:\\", "\xF0\x9F\x93\x80-disk.lst"},
      {"\xF0\x9F\x93\x80\xF0\x9F\x93\x80\xF0\x9F\x93\x80", "\xF0\x9F\x93\x80-disk.lst"},
      {"D:\\\xC3\x84", "\xC3\x84.lst"},  // four characters: a folder
      {"\xC3\x84:\\\xC3\xA9t\xC3\xA9\\", "\xC3\xA9t\xC3\xA9.lst"},
  };
  for (const auto& c : cases) EXPECT_EQ(derive_name_windows(c.path), c.name) << c.path;
}

TEST(NamingRule, WindowsFoldersUseTheirLastName) {
  EXPECT_EQ(derive_name_windows("D:\\Music\\Rock\\"), "Rock.lst");
  EXPECT_EQ(derive_name_windows("D:\\Music\\Rock"), "Rock.lst");
  EXPECT_EQ(derive_name_windows("archive"), "archive.lst");
  EXPECT_EQ(derive_name_windows("D:\\Music\\\\"), ".lst");  // only one "\" is dropped
  EXPECT_EQ(derive_name_windows("\\\\server\\share\\"), "share.lst");
  EXPECT_EQ(derive_name_windows("C:\\My Documents\\"), "My Documents.lst");
}

TEST(NamingRule, PosixUsesSlashesAndNamesTheRootDisk) {
  EXPECT_EQ(derive_name_posix("/"), "root-disk.lst");
  EXPECT_EQ(derive_name_posix("/home/ann/"), "ann.lst");
  EXPECT_EQ(derive_name_posix("/mnt/usb"), "usb.lst");
  EXPECT_EQ(derive_name_posix("/a/"), "a.lst");  // short paths are folders, not drives
  EXPECT_EQ(derive_name_posix("photos"), "photos.lst");
  EXPECT_EQ(derive_name_posix("/x/with\\backslash/"), "with\\backslash.lst");
}

}  // namespace
}  // namespace korvint::jobs
