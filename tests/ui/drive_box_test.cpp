#include "ui/drive_box.h"

#include <gtest/gtest.h>

namespace korvint::ui {
namespace {

TEST(DriveBox, DriveLettersShowAsTheWindowsDriveBoxShowsThemMountPointsAsTheyAre) {
  const std::vector<platform::Drive> drives{
      {"C:\\", "SYSTEM"}, {"d:\\", ""}, {"Z:\\", "a [b]"}, {"/", ""}, {"/mnt/My Disk", ""}, {"", ""}};
  EXPECT_EQ(drive_box_entries(drives),
            (std::vector<std::string>{"c: [SYSTEM]", "d:", "z: [a [b]]", "/", "/mnt/My Disk", ""}));
}

}  // namespace
}  // namespace korvint::ui
