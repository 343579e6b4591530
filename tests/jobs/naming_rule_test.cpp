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
