#include "jobs/scan_list.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/program_folder.h"
#include "support/form_fixture.h"

namespace korvint::jobs {
namespace {

using test::FormFixture;
using ui::MenuId;
using ui::MenuItemId;
using ui::vbLeftButton;
using ui::vbMiddleButton;
using ui::vbRightButton;

const std::string kSep(1, platform::path_separator());

TEST(ScanList, DrivesAreAddedAsTheirRoots) {
  hosts::headless::HeadlessForm window({}, {"c: [SYSTEM]", "d: [DATA]"});
  window.Drive1.chosen = 1;
  Command3_Click(window.form);
  Command3_Click(window.form);  // the same drive twice: two entries
  ASSERT_EQ(window.List1.ListCount(), 2);
#ifdef _WIN32
  EXPECT_EQ(window.List1.List(0), "d:\\");
#else
  EXPECT_EQ(drive_root("/mnt/usb"), "/mnt/usb/");
  EXPECT_EQ(drive_root("/"), "/");
#endif
  EXPECT_EQ(window.List1.List(1), window.List1.List(0));
  EXPECT_EQ(drive_root("c: [SYSTEM]").substr(0, 2), "c:");
}

TEST(ScanList, FolderButtonsTakeTheDialogsChoiceOrNothing) {
  FormFixture f;
  auto& host = f.window->host;
  f.window->Text1.setText("keep1");
  f.window->Text4.setText("keep4");
  f.window->Text5.setText("keep5");
  host.folder_answers = {"", "", ""};  // cancelled three times
  Command4_Click(f.form());
  Command6_Click(f.form());
  Command9_Click(f.form());
  EXPECT_EQ(f.window->List1.ListCount(), 0);
  EXPECT_EQ(f.window->Text1.text(), "keep1");
  EXPECT_EQ(f.window->Text4.text(), "keep4");
  EXPECT_EQ(f.window->Text5.text(), "keep5");

  const std::string photos = "base" + kSep + "Photos";
  host.folder_answers = {photos, photos, photos, "D:" + kSep};
  Command4_Click(f.form());
  EXPECT_EQ(f.window->List1.List(0), photos);  // unchanged, no separator added
  Command6_Click(f.form());
  EXPECT_EQ(f.window->Text5.text(), photos + kSep);
  Command9_Click(f.form());
  EXPECT_EQ(f.window->Text1.text(), photos + kSep);
  EXPECT_EQ(f.window->Text4.text(), "Photos.lst");
  Command6_Click(f.form());
  EXPECT_EQ(f.window->Text5.text(), "D:" + kSep);  // a root keeps its one separator
}

TEST(ScanList, ClearEmptiesTheNameAndProposesNothing) {
  FormFixture f;
  f.window->Text1.setText("x" + kSep + "Music" + kSep);
  f.window->Text4.setText("old.lst");
  Command7_Click(f.form());
  EXPECT_EQ(f.window->Text4.text(), "");
}

TEST(ScanList, ClickingAnEntryLoadsItWithAFreshName) {
  FormFixture f;
  f.window->List1.on_click = [&] { List1_Click(f.form()); };
  f.window->List1.AddItem("a" + kSep + "Music");
  f.window->List1.AddItem("b" + kSep + "Video" + kSep);
  f.window->Text4.setText("old.lst");
  f.window->List1.setListIndex(1);
  EXPECT_EQ(f.window->Text1.text(), "b" + kSep + "Video" + kSep);
  EXPECT_EQ(f.window->Text4.text(), "Video.lst");
}

TEST(ScanList, AClickOnTheSelectedEntryLoadsItAgain) {
  FormFixture f;
  f.window->List1.AddItem("a" + kSep + "Music");
  f.window->List1.AddItem("b" + kSep + "Video" + kSep);
  f.window->List1.setListIndex(1);
  auto& host = f.window->host;
  // Left, then right: the right button's injected left click lands on the same entry.
  host.on_click_injected = [&] { f.window->List1.user_clicks(1); };
  const std::function<void()> clicks[] = {[&] { f.window->List1.user_clicks(1); },
                                          [&] { List1_MouseDown(f.form(), vbRightButton); }};
  for (const auto& click : clicks) {
    f.window->Text1.setText("edited");
    f.window->Text4.setText("edited.lst");
    click();
    EXPECT_EQ(f.window->Text1.text(), "b" + kSep + "Video" + kSep);
    EXPECT_EQ(f.window->Text4.text(), "Video.lst");
  }
  EXPECT_EQ(host.menus_shown.size(), 1u);
}

TEST(ScanList, RightButtonSelectsTheEntryUnderThePointerThenOpensTheMenu) {
  FormFixture f;
  auto& host = f.window->host;
  f.window->List1.on_click = [&] { List1_Click(f.form()); };
  for (const char* entry : {"one", "two", "three"}) f.window->List1.AddItem(entry);
  // The injected left click lands on "two"; the user then picks "&Delete".
  host.on_click_injected = [&] {
    EXPECT_TRUE(host.menus_shown.empty());  // selection happens before the menu opens
    f.window->List1.setListIndex(1);
  };
  host.menu_answers = {MenuItemId::mnuDelete};
  List1_MouseDown(f.form(), vbRightButton);
  EXPECT_EQ(host.clicks_injected, 1);
  ASSERT_EQ(host.menus_shown.size(), 1u);
  EXPECT_EQ(host.menus_shown[0], MenuId::mnuPopUp);
  EXPECT_EQ(f.window->Text1.text(), "two");  // loaded even though it is then deleted
  ASSERT_EQ(f.window->List1.ListCount(), 2);
  EXPECT_EQ(f.window->List1.List(1), "three");
  EXPECT_EQ(f.window->List1.ListIndex(), -1);

  // Dismissing the menu changes nothing more; other buttons open no menu.
  host.on_click_injected = nullptr;
  List1_MouseDown(f.form(), vbRightButton);
  List1_MouseDown(f.form(), vbLeftButton);
  List1_MouseDown(f.form(), vbMiddleButton);
  EXPECT_EQ(host.menus_shown.size(), 2u);
  EXPECT_EQ(f.window->List1.ListCount(), 2);
}

TEST(ScanList, DeleteWithoutSelectionAndDeleteAll) {
  FormFixture f;
  mnuDeleteAll_Click(f.form());  // nothing to delete, nothing shown
  f.window->List1.AddItem("one");
  f.window->List1.AddItem("two");
  mnuDelete_Click(f.form());  // no selection: nothing
  EXPECT_EQ(f.window->List1.ListCount(), 2);
  mnuDeleteAll_Click(f.form());
  EXPECT_EQ(f.window->List1.ListCount(), 0);
  EXPECT_TRUE(f.window->host.messages.empty());
}

}  // namespace
}  // namespace korvint::jobs
