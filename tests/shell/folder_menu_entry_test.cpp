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

TEST_F(DesktopEntryTest, AFailureIsShownNotHidden) {
  FormFixture f;
  // A file where the applications folder should be.
  test::write_file(data.root() / "applications", "in the way");
  mnuReg_Click(f.form());
  EXPECT_NE(f.window->Label2.caption().find("applications"), std::string::npos);
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
// The window says where the entry went, and where it was removed from.
TEST(FolderMenuEntry, TheCountLabelNamesTheKeyWrittenAndRemoved) {
  HKEY probe = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\Folder\\shell\\Korvint scan", 0, KEY_READ, &probe) ==
      ERROR_SUCCESS) {
    RegCloseKey(probe);
    GTEST_SKIP() << "an entry is installed here already; left untouched";
  }
  const std::string key = "HKEY_CURRENT_USER\\Software\\Classes\\Folder\\shell\\Korvint scan";
  FormFixture f;
  f.window->host.menu_answers = {ui::MenuItemId::mnuReg};
  Form_MouseUp(f.form(), ui::vbRightButton);
  EXPECT_EQ(f.window->Label2.caption(), "Right-click entry written to " + key);
  f.window->Label2.setCaption("0");
  mnuRegRem_Click(f.form());
  EXPECT_EQ(f.window->Label2.caption(), "Right-click entry removed from " + key);
  f.window->Label2.setCaption("0");
  mnuRegRem_Click(f.form());
  EXPECT_EQ(f.window->Label2.caption(), "0");
}
#endif

}  // namespace
}  // namespace korvint::shell
