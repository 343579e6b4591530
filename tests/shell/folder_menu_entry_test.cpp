#include "shell/folder_menu_entry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/form_fixture.h"

namespace korvint::shell {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;

TEST(FolderMenuEntry, TheRightButtonOnTheSurfaceOpensTheEntryMenu) {
  FormFixture f;
  Form_MouseUp(f.form(), ui::vbLeftButton);
  Form_MouseUp(f.form(), ui::vbMiddleButton);
  EXPECT_TRUE(f.window->host.menus_shown.empty());
  Form_MouseUp(f.form(), ui::vbRightButton);
  ASSERT_EQ(f.window->host.menus_shown.size(), 1u);
  EXPECT_EQ(f.window->host.menus_shown[0], ui::MenuId::mnuPopUp2);
}

#ifndef _WIN32
class DesktopEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_DATA_HOME");
    saved_ = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("XDG_DATA_HOME", data.root().c_str(), 1);
  }
  void TearDown() override {
    if (saved_) ::setenv("XDG_DATA_HOME", saved_->c_str(), 1); else ::unsetenv("XDG_DATA_HOME");
  }
  fs::path entry() const { return data.root() / "applications" / "korvint-scan.desktop"; }

  test::TempTree data;
  std::optional<std::string> saved_;
};

TEST_F(DesktopEntryTest, AddedOnceOrTwiceItIsTheSameEntryForFolders) {
  FormFixture f;
  f.form().services.program_folder = "/opt/My Tools/$x";
  f.window->host.menu_answers = {ui::MenuItemId::mnuReg};
  f.window->Label2.setCaption("0");
  Form_MouseUp(f.form(), ui::vbRightButton);
  EXPECT_EQ(f.window->Label2.caption(), "0");  // success shows nothing here
  const std::string first = test::read_file(entry());
  EXPECT_NE(first.find("Name=Korvint scan\n"), std::string::npos);
  EXPECT_NE(first.find("MimeType=inode/directory;\n"), std::string::npos);
  // Quoted, with "$" escaped for the desktop's command line, then the folder.
  EXPECT_NE(first.find("Exec=\"/opt/My Tools/\\\\$x/korvint\" %f\n"), std::string::npos) << first;
  mnuReg_Click(f.form());
  EXPECT_EQ(test::read_file(entry()), first);
  EXPECT_FALSE(fs::exists(entry().string() + ".new"));
}

TEST_F(DesktopEntryTest, RemovedOnceOrTwiceNothingIsLeftAndNothingShown) {
  FormFixture f;
  mnuReg_Click(f.form());
  ASSERT_TRUE(fs::exists(entry()));
  f.window->Label2.setCaption("0");
  mnuRegRem_Click(f.form());
  mnuRegRem_Click(f.form());
  EXPECT_FALSE(fs::exists(entry()));
  EXPECT_EQ(f.window->Label2.caption(), "0");
  EXPECT_TRUE(f.window->host.messages.empty());
}

// A failure is shown under a heading of its own, also after a failed scan
// whose heading stood there; success changes neither label.
TEST_F(DesktopEntryTest, AFailureIsShownUnderItsOwnHeading) {
  FormFixture f;
  f.window->Label1.setCaption("Scan failed:");
  f.window->Label2.setCaption("Cannot open \"/media/usb\": No such file or directory");
  // A file where the applications folder should be.
  test::write_file(data.root() / "applications", "in the way");
  mnuReg_Click(f.form());
  EXPECT_EQ(f.window->Label1.caption(), kMenuEntryFailed);
  EXPECT_NE(f.window->Label2.caption().find("applications"), std::string::npos);
  fs::remove(data.root() / "applications");
  f.window->Label1.setCaption("seconds it took:3");
  f.window->Label2.setCaption("500 files found.");
  mnuReg_Click(f.form());
  mnuRegRem_Click(f.form());
  EXPECT_EQ(f.window->Label1.caption(), "seconds it took:3");
  EXPECT_EQ(f.window->Label2.caption(), "500 files found.");
}

TEST_F(DesktopEntryTest, ATemporaryLeftByAFailedAttemptDoesNotStandInTheWay) {
  FormFixture f;
  test::write_file(data.root() / "applications" / "korvint-scan.desktop.new", "half-written");
  f.window->Label2.setCaption("0");
  mnuReg_Click(f.form());
  EXPECT_EQ(f.window->Label2.caption(), "0");
  EXPECT_NE(test::read_file(entry()).find("Name=Korvint scan\n"), std::string::npos);
}
#else
// Adding and removing the entry show nothing: after a failed scan its
// heading and reason stay as they were.
TEST(FolderMenuEntry, SuccessShowsNothing) {
  HKEY probe = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\Folder\\shell\\Korvint scan", 0, KEY_READ, &probe) ==
      ERROR_SUCCESS) {
    RegCloseKey(probe);
    GTEST_SKIP() << "an entry is installed here already; left untouched";
  }
  FormFixture f;
  f.window->Label1.setCaption("Scan failed:");
  f.window->Label2.setCaption("Cannot open \"e:\\\": The device is not ready");
  f.window->host.menu_answers = {ui::MenuItemId::mnuReg};
  Form_MouseUp(f.form(), ui::vbRightButton);
  mnuRegRem_Click(f.form());
  mnuRegRem_Click(f.form());
  EXPECT_EQ(f.window->Label1.caption(), "Scan failed:");
  EXPECT_EQ(f.window->Label2.caption(), "Cannot open \"e:\\\": The device is not ready");
  HKEY left = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\Folder\\shell\\Korvint scan", 0, KEY_READ, &left),
            ERROR_SUCCESS);
}
#endif

}  // namespace
}  // namespace korvint::shell
