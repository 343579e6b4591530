// Vesko's view window under Win32 (Wine in the Windows build): the
// duplicates and a comparison shown in a window of its own, owned by the main
// one, its owner-data list view reading the view's rows; closing it hides it.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "app/vesko_form_events.h"
#include "hosts/win32/message_pump.h"
#include "hosts/win32/vesko_win32_form.h"
#include "platform/win32/win32_text.h"
#include "support/temp_tree.h"
#include "vesko_window_support.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

using test::item_text;
using test::pump_until;
using test::title_of;

TEST(Win32VeskoViews, DuplicatesAndACompareShowInAWindowOfTheirOwn) {
  test::TempTree tree;
  tree.text_file("cats/a.lst", "D:\\\r\nbig.iso\t5000\t 2020.1.1\t0:0.0\r\nold.doc\t9\t 2020.1.1\t0:0.0\r\n");
  tree.text_file("cats/b.lst", "E:\\\r\nbig.iso\t5000\t 2021.1.1\t0:0.0\r\nnew.txt\t7\t 2020.1.1\t0:0.0\r\n");
  VeskoWin32Form window(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                        std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "", jobs::VeskoServices{},
                        SW_SHOWNORMAL);
  ASSERT_NE(window.window.hwnd(), nullptr);
  app::on_load(*window.vesko);
  auto settled = [&] {
    return pump_until(window, [&] {
      return !window.vesko->session().working() && !window.vesko->views().working();
    });
  };
  ASSERT_TRUE(settled());

  ASSERT_TRUE(app::on_key(*window.vesko, VeskoControlId::txtQuery, app::VeskoKey::Duplicates));
  ASSERT_TRUE(settled());
  VeskoViewWindow* view = window.host.view();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(IsWindowVisible(view->hwnd()));
  EXPECT_EQ(GetWindow(view->hwnd(), GW_OWNER), window.window.hwnd());
  EXPECT_EQ(title_of(view->hwnd()), kDuplicatesTitle);
  HWND list = view->list();
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 8);
  ASSERT_EQ(ListView_GetItemCount(list), 3);
  EXPECT_EQ(item_text(list, 0, 1), "2");
  EXPECT_EQ(item_text(list, 0, 3), "big.iso");
  EXPECT_EQ(item_text(list, 1, 4), "D:\\");
  EXPECT_EQ(item_text(list, 2, 7), "b");
  EXPECT_EQ(title_of(view->status()).rfind("1 group of duplicates, 2 files", 0), 0u) << title_of(view->status());
  EXPECT_TRUE(IsWindowVisible(view->by()));
  EXPECT_FALSE(IsWindowVisible(view->folderA()));

  // The Catalogue header clicked twice: the group's files b, then a, under a downward arrow.
  for (int click = 0; click < 2; ++click) {
    NMLISTVIEW header_click{};
    header_click.hdr = NMHDR{list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), LVN_COLUMNCLICK};
    header_click.iSubItem = 7;
    SendMessageW(view->hwnd(), WM_NOTIFY, header_click.hdr.idFrom, reinterpret_cast<LPARAM>(&header_click));
    ASSERT_TRUE(settled());
  }
  HDITEMW arrow{};
  arrow.mask = HDI_FORMAT;
  Header_GetItem(ListView_GetHeader(list), 7, &arrow);
  EXPECT_NE(arrow.fmt & HDF_SORTDOWN, 0);
  EXPECT_EQ(item_text(list, 1, 7), "b");
  EXPECT_EQ(item_text(list, 2, 7), "a");
  // "Size and date" chosen: big.iso's copies differ in date.
  SendMessageW(view->by(), CB_SETCURSEL, 1, 0);
  SendMessageW(view->hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(view->by()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(view->by()));
  ASSERT_TRUE(settled());
  EXPECT_EQ(ListView_GetItemCount(list), 0);

  // The same window shows the comparison, with its own columns.
  window.vesko->views().show_comparison(0, 1);
  ASSERT_TRUE(settled());
  EXPECT_EQ(title_of(view->hwnd()), "a compared with b - Vesko");
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 6);
  ASSERT_EQ(ListView_GetItemCount(list), 6);
  EXPECT_EQ(item_text(list, 0, 0), "Only in A");
  EXPECT_EQ(item_text(list, 1, 1), "old.doc");
  EXPECT_EQ(item_text(list, 3, 1), "new.txt");
  EXPECT_EQ(item_text(list, 5, 5), "2021-01-01 00:00:00");
  EXPECT_TRUE(IsWindowVisible(view->folderA()));
  EXPECT_FALSE(IsWindowVisible(view->by()));
  // In a narrow window the folders take a line of their own: every option stays inside the window.
  const auto place = [](HWND control) {
    RECT at{};
    GetWindowRect(control, &at);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&at), 2);
    return at;
  };
  for (const int wide : {1200, 560}) {
    SetWindowPos(view->hwnd(), nullptr, 0, 0, wide, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_LE(place(view->folderB()).right, place(list).right) << wide;
    EXPECT_GE(place(view->folderB()).right - place(view->folderB()).left, 100) << wide;
    EXPECT_EQ(place(view->folderA()).top > place(view->ignoreDate()).top, wide == 560) << wide;
    EXPECT_GT(place(list).top, place(view->folderA()).bottom) << wide;
  }
  // "Ignore dates" clicked: nothing changed but the date.
  SendMessageW(view->ignoreDate(), BM_CLICK, 0, 0);
  ASSERT_TRUE(settled());
  EXPECT_EQ(ListView_GetItemCount(list), 5);
  // A folder typed and confirmed with Enter.
  SetWindowTextW(view->folderB(), L"Nope");
  SendMessageW(view->folderB(), WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(settled());
  EXPECT_NE(title_of(view->status()).find("Nope"), std::string::npos) << title_of(view->status());

  // Moved to a screen of another resolution: its columns and options scale with it.
  const int from = view->dpi();
  const int to = from == 144 ? 96 : 144;
  const int path_width = ListView_GetColumnWidth(list, 0);
  RECT suggested{0, 0, 1000, 600};
  SendMessageW(view->hwnd(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(view->dpi(), to);
  EXPECT_NEAR(ListView_GetColumnWidth(list, 0), MulDiv(path_width, to, from), 1);
  EXPECT_NEAR(place(view->all()).bottom - place(view->all()).top, MulDiv(330, to, 1440), 1);

  // Tab goes round the options and the list in the row's order, as the user reads them.
  const auto key = [&](HWND to, WPARAM code) {
    MSG msg{to, WM_KEYDOWN, code, 0, 0, {}};
    deliver_message(window.window, msg);
  };
  SetFocus(list);
  for (HWND next : {view->ignoreDate(), view->all(), view->folderA(), view->folderB(), list}) {
    key(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), next);
  }
  // Esc in an option closes the window too: hidden, ready for the next view.
  SetFocus(view->all());
  key(view->all(), VK_ESCAPE);
  ASSERT_TRUE(pump_until(window, [&] { return IsWindowVisible(view->hwnd()) == FALSE; }));
  EXPECT_NE(view->hwnd(), nullptr);
}

}  // namespace
}  // namespace korvint::hosts::win32
