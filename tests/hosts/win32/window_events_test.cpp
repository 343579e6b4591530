// The window's events reaching the handlers through its own messages: scans
// started and stopped by button clicks, keys, the list and its menu, closing.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "jobs/naming_rule.h"
#include "platform/win32/win32_text.h"
#include "hosts/win32/message_pump.h"
#include "hosts/win32/popup_menu.h"
#include "support/control_contract.h"
#include "window_test_support.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

namespace fs = std::filesystem;
using test::path_text;
using test::read_file;
using test::text_of;
using test::WindowFixture;

std::string first_line(const fs::path& file) {
  const std::string content = read_file(file);
  return content.substr(0, content.find("\r\n") + 2);
}

// A tree large enough that a scan of it runs through many turns of the event loop.
class LargeTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tree_ = new test::TempTree();
    for (int folder = 0; folder < 60; ++folder) {
      for (int file = 0; file < 50; ++file) {
        tree_->file("big/f" + std::to_string(folder) + "/n" + std::to_string(file) + ".dat", 1, 1600000000);
      }
    }
  }
  static void TearDownTestSuite() {
    delete tree_;
    tree_ = nullptr;
  }
  static fs::path big() { return tree_->root() / "big"; }

  // Writes a small catalogue under `name` through a completed scan, and returns its bytes.
  static std::string earlier_catalogue(WindowFixture& fixture, const std::string& name) {
    fixture.tree.text_file("small/a.txt", "hello");
    fixture.prepare_scan(fixture.tree.root() / "small", name);
    SendMessageW(fixture.control(ControlId::Command1), BM_CLICK, 0, 0);
    return read_file(fixture.output(name));
  }

  static test::TempTree* tree_;
};

test::TempTree* LargeTree::tree_ = nullptr;

// Set by the timer below, which plays the user reaching for STOP once it shows.
WindowFixture* g_window = nullptr;
UINT g_action = 0;
bool g_acted_during_scan = false;

void CALLBACK act_when_stop_shows(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND stop = g_window->control(ControlId::mStop);
  if ((GetWindowLongPtrW(stop, GWL_STYLE) & WS_VISIBLE) == 0) return;
  KillTimer(nullptr, timer);
  g_acted_during_scan = g_window->window->form.scanRunning;
  if (g_action == BM_CLICK) SendMessageW(stop, BM_CLICK, 0, 0);
  if (g_action == WM_CLOSE) PostMessageW(g_window->window->window.hwnd(), WM_CLOSE, 0, 0);
}

// Scans `root` with "&Scan selected", doing `action` (BM_CLICK: STOP; WM_CLOSE:
// the close box) as soon as STOP shows; true when that was during the scan.
bool scan_and_act(WindowFixture& fixture, const fs::path& root, UINT action) {
  g_window = &fixture;
  g_action = action;
  g_acted_during_scan = false;
  SetTimer(nullptr, 0, 5, &act_when_stop_shows);
  test::set_text(fixture.control(ControlId::Text1), path_text(root) + "\\");
  SendMessageW(fixture.control(ControlId::Command1), BM_CLICK, 0, 0);
  return g_acted_during_scan;
}

TEST_F(LargeTree, ClickedScanWritesTheCatalogueThenStopBringsTheEarlierOneBack) {
  WindowFixture fixture;
  const std::string earlier = earlier_catalogue(fixture, "cat.lst");
  EXPECT_EQ(first_line(fixture.output("cat.lst")), path_text(fixture.tree.root() / "small") + "\\\r\n");
  EXPECT_EQ(text_of(fixture.control(ControlId::Label2)), "Less than 500 files found");
  EXPECT_EQ(text_of(fixture.window->window.hwnd()), "Finished!");
  EXPECT_TRUE(IsWindowEnabled(fixture.control(ControlId::Command1)));

  EXPECT_TRUE(scan_and_act(fixture, big(), BM_CLICK));
  EXPECT_EQ(text_of(fixture.control(ControlId::Label2)), "Stopped! Output deleted!");
  EXPECT_EQ(read_file(fixture.output("cat.lst")), earlier);
  EXPECT_FALSE(fs::exists(fixture.output("cat.lst.old")));
  EXPECT_FALSE(GetWindowLongPtrW(fixture.control(ControlId::mStop), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(IsWindowEnabled(fixture.control(ControlId::Command1)));
}

TEST_F(LargeTree, ClosingDuringAScanStopsItFirstThenClosesTheWindow) {
  WindowFixture fixture;
  const std::string earlier = earlier_catalogue(fixture, "cat.lst");
  EXPECT_TRUE(scan_and_act(fixture, big(), WM_CLOSE));
  EXPECT_TRUE(fixture.window->form.closed);
  EXPECT_EQ(fixture.window->window.hwnd(), nullptr);
  EXPECT_EQ(read_file(fixture.output("cat.lst")), earlier);
  EXPECT_FALSE(fs::exists(fixture.output("cat.lst.old")));
  // The quit message ends the main loop; DoEvents hands it on.
  EXPECT_FALSE(deliver_pending_messages(fixture.window->window));
}

TEST(Win32WindowEvents, EnterInThePathBoxNamesTheOutputAndInTheNameBoxScans) {
  WindowFixture fixture;
  fixture.tree.text_file("data/a.txt", "x");
  fixture.prepare_scan(fixture.tree.root() / "data", "");
  const std::string root = text_of(fixture.control(ControlId::Text1));
  SetFocus(fixture.control(ControlId::Text1));
  test::post_key(fixture.control(ControlId::Text1), VK_RETURN);
  fixture.pump();
  EXPECT_EQ(text_of(fixture.control(ControlId::Text4)), jobs::derive_catalogue_name(root));
  EXPECT_EQ(text_of(fixture.control(ControlId::Text4)), "data.lst");
  EXPECT_EQ(text_of(fixture.control(ControlId::Text1)), root) << "Enter is swallowed";

  SetFocus(fixture.control(ControlId::Text4));
  test::post_key(fixture.control(ControlId::Text4), VK_RETURN);
  fixture.pump();
  EXPECT_EQ(first_line(fixture.output("data.lst")), root + "\r\n");
}

TEST(Win32WindowEvents, ListSelectionLoadsTheEntryAndMenuCommandsReachTheirHandlers) {
  WindowFixture fixture;
  HWND list = fixture.control(ControlId::List1);
  HWND main = fixture.window->window.hwnd();
  fixture.window->List1.AddItem("c:\\first\\");
  fixture.window->List1.AddItem("c:\\second\\");
  fixture.window->List1.AddItem("c:\\third\\");

  // A click on the second entry selects it; the list reports it and the entry is loaded.
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM(item.left + 2, item.top + 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  fixture.pump();
  EXPECT_EQ(fixture.window->List1.ListIndex(), 1);
  EXPECT_EQ(text_of(fixture.control(ControlId::Text1)), "c:\\second\\");
  EXPECT_EQ(text_of(fixture.control(ControlId::Text4)), "second.lst");

  // A click on the entry already selected loads it again, over what was typed meanwhile.
  test::set_text(fixture.control(ControlId::Text1), "edited");
  test::set_text(fixture.control(ControlId::Text4), "edited.lst");
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  fixture.pump();
  EXPECT_EQ(text_of(fixture.control(ControlId::Text1)), "c:\\second\\");
  EXPECT_EQ(text_of(fixture.control(ControlId::Text4)), "second.lst");

  // Selecting through the control model reports it as well.
  fixture.window->List1.setListIndex(2);
  EXPECT_EQ(text_of(fixture.control(ControlId::Text1)), "c:\\third\\");

  PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(menu_command_id(MenuItemId::mnuDelete)), 0);
  fixture.pump();
  ASSERT_EQ(fixture.window->List1.ListCount(), 2);
  EXPECT_EQ(fixture.window->List1.List(0), "c:\\first\\");
  EXPECT_EQ(fixture.window->List1.List(1), "c:\\second\\");

  PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(menu_command_id(MenuItemId::mnuDeleteAll)), 0);
  fixture.pump();
  EXPECT_EQ(fixture.window->List1.ListCount(), 0);
}

TEST(Win32WindowEvents, TheControlsKeepTheModelsContracts) {
  WindowFixture fixture;
  HWND list = fixture.control(ControlId::List1);
  auto entry_at = [&](int row) {
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return MAKELPARAM(item.left + 2, item.top + 2);
  };
  auto click = [&](LPARAM at) {
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
  };
  test::expect_list_box_contract(
      fixture.window->List1,
      {.clicks =
           [&](int row) {
             click(entry_at(row));
             fixture.pump();
           },
       .double_clicks =
           [&](int row) {
             click(entry_at(row));
             PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, entry_at(row));
             PostMessageW(list, WM_LBUTTONUP, 0, entry_at(row));
             fixture.pump();
           },
       .clicks_below_entries =
           [&] {
             RECT client{};
             GetClientRect(list, &client);
             click(MAKELPARAM(4, client.bottom - 4));
             fixture.pump();
           },
       .presses_up =
           [&] {
             SetFocus(list);
             PostMessageW(list, WM_KEYDOWN, VK_UP, 1);
             PostMessageW(list, WM_KEYUP, VK_UP, static_cast<LPARAM>(1 | (3u << 30)));
             fixture.pump();
           }});
  test::expect_button_contract(fixture.window->mStop);
  test::expect_text_contract(fixture.window->Text1, fixture.window->Label2);
}

// Plays the user who looks at an open popup menu and dismisses it.
std::string g_first_menu_item;

void CALLBACK dismiss_open_menu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = FindWindowW(L"#32768", nullptr);
  if (menu == nullptr || !IsWindowVisible(menu)) return;
  KillTimer(nullptr, timer);
  wchar_t caption[128] = {};
  GetMenuStringW(reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0)), 0, caption, 128,
                 MF_BYPOSITION);
  g_first_menu_item = platform::win32::to_utf8(caption);
  EndMenu();
}

TEST(Win32WindowEvents, RightButtonOnTheListSelectsTheEntryUnderThePointerThenOpensItsMenu) {
  WindowFixture fixture;
  HWND list = fixture.control(ControlId::List1);
  fixture.window->List1.AddItem("c:\\first\\");
  fixture.window->List1.AddItem("c:\\second\\");
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  POINT pointer{item.left + 4, item.top + 4};
  ClientToScreen(list, &pointer);
  SetCursorPos(pointer.x, pointer.y);
  fixture.pump();

  g_first_menu_item.clear();
  SetTimer(nullptr, 0, 20, &dismiss_open_menu);
  PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(item.left + 4, item.top + 4));
  fixture.pump();
  EXPECT_EQ(g_first_menu_item, "&Delete");
  // The injected left click selected the entry under the pointer before the menu opened.
  EXPECT_EQ(fixture.window->List1.ListIndex(), 1);
  EXPECT_EQ(text_of(fixture.control(ControlId::Text1)), "c:\\second\\");
  EXPECT_EQ(fixture.window->List1.ListCount(), 2) << "a dismissed menu changes nothing";

  // On the entry already selected it loads that entry again.
  test::set_text(fixture.control(ControlId::Text1), "edited");
  test::set_text(fixture.control(ControlId::Text4), "edited.lst");
  g_first_menu_item.clear();
  SetTimer(nullptr, 0, 20, &dismiss_open_menu);
  PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(item.left + 4, item.top + 4));
  fixture.pump();
  EXPECT_EQ(g_first_menu_item, "&Delete");
  EXPECT_EQ(text_of(fixture.control(ControlId::Text1)), "c:\\second\\");
  EXPECT_EQ(text_of(fixture.control(ControlId::Text4)), "second.lst");
}

TEST(Win32WindowEvents, RightButtonUpOnTheBareWindowOpensTheRightClickEntryMenu) {
  WindowFixture fixture;
  HWND main = fixture.window->window.hwnd();
  // Below the output name box, left of the line: no control there.
  const POINT bare{10, 190};
  ASSERT_EQ(ChildWindowFromPointEx(main, bare, CWP_SKIPINVISIBLE), main);
  g_first_menu_item.clear();
  SetTimer(nullptr, 0, 20, &dismiss_open_menu);
  PostMessageW(main, WM_RBUTTONUP, 0, MAKELPARAM(bare.x, bare.y));
  fixture.pump();
  EXPECT_EQ(g_first_menu_item, "Add to right click on drives, folders (registry)");

  // The line takes no mouse events: a release over it is one on the surface.
  g_first_menu_item.clear();
  SetTimer(nullptr, 0, 20, &dismiss_open_menu);
  const RECT line = test::rect_in_parent(fixture.control(ControlId::Line1));
  PostMessageW(main, WM_RBUTTONUP, 0, MAKELPARAM(line.left, (line.top + line.bottom) / 2));
  fixture.pump();
  EXPECT_EQ(g_first_menu_item, "Add to right click on drives, folders (registry)");

  // Over a label the window's own surface is not reached.
  g_first_menu_item.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &dismiss_open_menu);
  const RECT label = test::rect_in_parent(fixture.control(ControlId::Label4));
  PostMessageW(main, WM_RBUTTONUP, 0, MAKELPARAM(label.left + 2, label.top + 2));
  fixture.pump();
  KillTimer(nullptr, timer);
  EXPECT_EQ(g_first_menu_item, "");
}

TEST(Win32WindowEvents, AccessKeysAndEnterPressButtons) {
  WindowFixture fixture;
  HWND name = fixture.control(ControlId::Text4);
  test::set_text(name, "something.lst");
  SetFocus(fixture.control(ControlId::Command2));
  PostMessageW(GetFocus(), WM_SYSCHAR, L'c', static_cast<LPARAM>(1u << 29));
  fixture.pump();
  EXPECT_EQ(text_of(name), "");

  test::set_text(name, "again.lst");
  SetFocus(fixture.control(ControlId::Command7));
  test::post_key(GetFocus(), VK_RETURN);
  fixture.pump();
  EXPECT_EQ(text_of(name), "");
}

TEST(Win32WindowEvents, KeyPreviewSeesAltXAnywhereAndClosesTheWindow) {
  WindowFixture fixture;
  HWND list = fixture.control(ControlId::List1);
  SetFocus(list);
  const UINT scan = MapVirtualKeyW('X', MAPVK_VK_TO_VSC);
  PostMessageW(list, WM_SYSKEYUP, 'X', static_cast<LPARAM>(1 | (scan << 16) | (1u << 29) | (3u << 30)));
  fixture.pump();
  EXPECT_TRUE(fixture.window->form.closed);
  EXPECT_EQ(fixture.window->window.hwnd(), nullptr);
}

TEST(Win32WindowEvents, CloseBoxClosesAnIdleWindow) {
  WindowFixture fixture;
  HWND box = fixture.control(ControlId::Text1);
  PostMessageW(fixture.window->window.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(deliver_pending_messages(fixture.window->window));
  EXPECT_TRUE(fixture.window->form.closed);
  EXPECT_FALSE(IsWindow(box));
}

}  // namespace
}  // namespace korvint::hosts::win32
