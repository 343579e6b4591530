// Vesko's browse window under Win32 (Wine in the Windows build): a window of
// its own with a tree-view control of the catalogue's folders, filled as they
// open, and the selected folder's files in an owner-data list view.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/vesko_form_events.h"
#include "hosts/win32/list_columns.h"
#include "hosts/win32/window_geometry.h"
#include "hosts/win32/vesko_win32_form.h"
#include "support/catalogue_text.h"
#include "support/temp_tree.h"
#include "vesko_window_support.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

using test::item_text;
using test::title_of;

std::string tree_text(HWND tree, HTREEITEM item) {
  wchar_t text[512] = {};
  TVITEMW read{};
  read.mask = TVIF_TEXT;
  read.hItem = item;
  read.pszText = text;
  read.cchTextMax = 512;
  TreeView_GetItem(tree, &read);
  return platform::win32::to_utf8(text);
}

// The names of the items below `item` that the tree holds now.
std::vector<std::string> child_names(HWND tree, HTREEITEM item) {
  std::vector<std::string> names;
  for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr; child = TreeView_GetNextSibling(tree, child))
    names.push_back(tree_text(tree, child));
  return names;
}

// The sort arrow on item `column` of `header`: HDF_SORTUP, HDF_SORTDOWN or 0.
int sort_arrow(HWND header, int column) {
  HDITEMW item{};
  item.mask = HDI_FORMAT;
  Header_GetItem(header, column, &item);
  return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

// The place of `control` in its window's client pixels.
RECT client_place(HWND control) {
  RECT at{};
  GetWindowRect(control, &at);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&at), 2);
  return at;
}

// A main window over a folder holding one catalogue, d.lst, loaded.
struct Win32VeskoBrowse : ::testing::Test {
  Win32VeskoBrowse() {
    text = test::catalogue_lines("D:\\", {"readme.txt\t10\t 2020.1.1\t0:0.0", "Zoo\\\t0\t 2020.1.1\t0:0.0",
                                          "movie.mkv\t9000\t 2021.2.3\t10:0.0", "Archive\\\t0\t 2020.1.1\t0:0.0",
                                          "alpha.txt\t5\t 2019.1.1\t0:0.0", "Archive\\Deep\\\t0\t 2020.1.1\t0:0.0",
                                          "x.bin\t2\t 2020.1.1\t0:0.0"});
    tree.text_file("cats/d.lst", text);
    open();
  }
  // A main window (again), with what an earlier one remembered.
  void open(const VeskoWindowMemory* memory = nullptr) {
    window.reset();
    window = std::make_unique<VeskoWin32Form>(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                                              std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "",
                                              jobs::VeskoServices{}, SW_SHOWNORMAL);
    ASSERT_NE(window->window.hwnd(), nullptr);
    if (memory != nullptr) window->restore(*memory);
    app::on_load(*window->vesko);
    ASSERT_TRUE(settled());
  }
  bool settled() {
    return test::pump_until(*window, [&] {
      return !window->vesko->session().working() && !window->vesko->browse().working();
    });
  }
  test::TempTree tree;
  std::string text;
  std::unique_ptr<VeskoWin32Form> window;
};

TEST_F(Win32VeskoBrowse, FoldersFillAsTheyOpenAndAResultsFolderIsOpenedTo) {
  window->vesko->browse().browse_catalogue(0);
  ASSERT_TRUE(settled());
  VeskoBrowseWindow* browse = window->host.browse();
  ASSERT_NE(browse, nullptr);
  EXPECT_TRUE(IsWindowVisible(browse->hwnd()));
  EXPECT_EQ(GetWindow(browse->hwnd(), GW_OWNER), window->window.hwnd());
  EXPECT_EQ(title_of(browse->hwnd()), "d - Vesko");
  EXPECT_EQ(title_of(browse->status()).rfind("d: 3 folders, 4 files", 0), 0u) << title_of(browse->status());
  HWND folders = browse->tree();
  const HTREEITEM root = TreeView_GetRoot(folders);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(tree_text(folders, root), "D:\\");
  EXPECT_EQ(Header_GetItemCount(browse->header()), 4);
  EXPECT_EQ(child_names(folders, root), (std::vector<std::string>{"Zoo", "Archive"}));  // largest first
  EXPECT_EQ(sort_arrow(browse->header(), 1), HDF_SORTDOWN);
  // Archive's children are not in the tree until it opens.
  const HTREEITEM archive = TreeView_GetNextSibling(folders, TreeView_GetChild(folders, root));
  EXPECT_EQ(TreeView_GetChild(folders, archive), nullptr);
  TreeView_Expand(folders, archive, TVE_EXPAND);
  EXPECT_EQ(child_names(folders, archive), std::vector<std::string>{"Deep"});
  // Selected, it shows its files.
  TreeView_SelectItem(folders, archive);
  ASSERT_EQ(ListView_GetItemCount(browse->list()), 1);
  EXPECT_EQ(item_text(browse->list(), 0, 0), "alpha.txt");
  EXPECT_EQ(item_text(browse->list(), 0, 1), "5");

  // A click on the Folder header sorts by name, Archive kept selected.
  RECT name{};
  Header_GetItemRect(browse->header(), 0, &name);
  SendMessageW(browse->header(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(name.left + 5, name.top + 3));
  SendMessageW(browse->header(), WM_LBUTTONUP, 0, MAKELPARAM(name.left + 5, name.top + 3));
  EXPECT_EQ(child_names(folders, TreeView_GetRoot(folders)), (std::vector<std::string>{"Archive", "Zoo"}));
  EXPECT_EQ(sort_arrow(browse->header(), 0), HDF_SORTUP);
  EXPECT_EQ(sort_arrow(browse->header(), 1), 0);
  EXPECT_EQ(tree_text(folders, TreeView_GetSelection(folders)), "Archive");

  // Tab goes from the tree to the files and back.
  SetFocus(folders);
  for (HWND next : {browse->list(), folders}) {
    MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    deliver_message(window->window, tab);
    EXPECT_EQ(GetFocus(), next);
  }

  // A file's result shown: its folder opened to and selected, the file selected.
  SendMessageW(browse->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(browse->hwnd()));
  search::Hit hit;
  hit.line = text.find("x.bin");
  hit.folder = text.find("Archive\\Deep");
  window->vesko->browse().show_in_catalogue(*window->vesko->session().catalogues().at(0), hit);
  ASSERT_TRUE(settled());
  EXPECT_TRUE(IsWindowVisible(browse->hwnd()));
  const HTREEITEM selected = TreeView_GetSelection(folders);
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ(tree_text(folders, selected), "Deep");
  EXPECT_EQ(tree_text(folders, TreeView_GetParent(folders, selected)), "Archive");
  ASSERT_EQ(ListView_GetItemCount(browse->list()), 1);
  EXPECT_EQ(ListView_GetNextItem(browse->list(), -1, LVNI_SELECTED), 0);
}

// The splitter dragged, columns and sorts chosen: a window opened later with
// what the first remembered shows the browse window as it was left.
TEST_F(Win32VeskoBrowse, TheSplitterMovesAndTheWindowOpensAsItWasLeft) {
  window->vesko->browse().browse_catalogue(0);
  ASSERT_TRUE(settled());
  VeskoBrowseWindow* browse = window->host.browse();
  ASSERT_NE(browse, nullptr);
  SetWindowPos(browse->hwnd(), nullptr, 30, 40, 900, 500, SWP_NOZORDER);
  const RECT tree = client_place(browse->tree());
  const RECT list = client_place(browse->list());
  const int gap_x = (tree.right + list.left) / 2;
  const int y = (list.top + list.bottom) / 2;
  SendMessageW(browse->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(gap_x, y));
  SendMessageW(browse->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(gap_x - 60, y));
  SendMessageW(browse->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(gap_x - 60, y));
  const int split = browse->split();
  EXPECT_EQ(split, tree.right - tree.left - 60);
  EXPECT_EQ(client_place(browse->list()).left, list.left - 60);
  // The tree's columns end where the tree's scroll bar starts: the first takes what the others leave.
  const std::vector<int> widths = header_widths(browse->header());
  ASSERT_EQ(widths.size(), 4u);
  EXPECT_EQ(widths[0] + widths[1] + widths[2] + widths[3],
            split - 2 * GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXVSCROLL));
  ListView_SetColumnWidth(browse->list(), 1, 111);
  window->vesko->browse().browse_TreeHeaderClick(0);
  window->vesko->browse().browse_FilesHeaderClick(1);
  window->vesko->browse().browse_FilesHeaderClick(1);
  const VeskoWindowMemory memory = window->memory();
  ASSERT_TRUE(memory.browse_rect);
  EXPECT_EQ(memory.browse_rect->width, 900);
  EXPECT_EQ(memory.browse_split, split);
  EXPECT_EQ(memory.folder_sort_column, 0);
  EXPECT_EQ(memory.file_sort_column, 1);

  open(&memory);
  window->vesko->browse().browse_catalogue(0);
  ASSERT_TRUE(settled());
  browse = window->host.browse();
  ASSERT_NE(browse, nullptr);
  RECT at{};
  GetWindowRect(browse->hwnd(), &at);
  EXPECT_EQ(at.right - at.left, 900);
  EXPECT_EQ(at.bottom - at.top, 500);
  EXPECT_EQ(browse->split(), split);
  EXPECT_EQ(ListView_GetColumnWidth(browse->list(), 1), 111);
  EXPECT_EQ(child_names(browse->tree(), TreeView_GetRoot(browse->tree())), (std::vector<std::string>{"Archive", "Zoo"}));
  EXPECT_EQ(sort_arrow(browse->header(), 0), HDF_SORTUP);
  EXPECT_EQ(sort_arrow(ListView_GetHeader(browse->list()), 1), HDF_SORTDOWN);

  // Dragged as far left as it goes: the totals' columns give way to keep two fifths of the tree for the names.
  const RECT narrow = client_place(browse->tree());
  SendMessageW(browse->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(narrow.right + 1, y));
  SendMessageW(browse->hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, y));
  SendMessageW(browse->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(0, y));
  const int room = browse->split() - 2 * GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_LT(browse->split(), split);
  const std::vector<int> shown = header_widths(browse->header());
  EXPECT_GE(shown[0] + 3, room * 2 / 5);  // rounding aside
  EXPECT_NEAR(shown[0] + shown[1] + shown[2] + shown[3], room, 3);
  // What it remembers is still the widths chosen, not those squeezed.
  EXPECT_EQ(window->memory().browse_folder_widths, memory.browse_folder_widths);

  // Moved to a screen of another resolution: columns, splitter and font scale; the memory stays at the main window's.
  const int from = browse->dpi();
  const int to = from == 144 ? 96 : 144;
  const int narrow_split = browse->split();
  RECT suggested{10, 10, 10 + 1000, 10 + 700};
  SendMessageW(browse->hwnd(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(browse->dpi(), to);
  EXPECT_NEAR(ListView_GetColumnWidth(browse->list(), 1), MulDiv(111, to, from), 1);
  EXPECT_NEAR(browse->split(), MulDiv(narrow_split, to, from), 1);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(browse->tree(), WM_GETFONT, 0, 0)), sizeof font, &font);
  LOGFONTW wanted{};
  const HFONT at_to = message_font(to);
  GetObjectW(at_to, sizeof wanted, &wanted);
  DeleteObject(at_to);
  EXPECT_EQ(font.lfHeight, wanted.lfHeight);
  const VeskoWindowMemory moved = window->memory();
  EXPECT_NEAR(moved.browse_file_widths.at(1), 111, 1);
  EXPECT_NEAR(moved.browse_rect->width, MulDiv(1000, moved.dpi, to), 1);
}

}  // namespace
}  // namespace korvint::hosts::win32
