// Vesko's browse window under Win32 (Wine in the Windows build): a window of
// its own with a tree-view control of the catalogue's folders, filled as they
// open, and the selected folder's files in an owner-data list view.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/vesko_form_events.h"
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

// The texts of the items below `item` that the tree holds now, up to their first spaces.
std::vector<std::string> child_names(HWND tree, HTREEITEM item) {
  std::vector<std::string> names;
  for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr; child = TreeView_GetNextSibling(tree, child)) {
    const std::string text = tree_text(tree, child);
    names.push_back(text.substr(0, text.find("   ")));
  }
  return names;
}

TEST(Win32VeskoBrowse, FoldersFillAsTheyOpenAndAResultsFolderIsOpenedTo) {
  test::TempTree tree;
  const std::string text = test::catalogue_lines("D:\\", {"readme.txt\t10\t 2020.1.1\t0:0.0",
                                                         "Zoo\\\t0\t 2020.1.1\t0:0.0",
                                                         "movie.mkv\t9000\t 2021.2.3\t10:0.0",
                                                         "Archive\\\t0\t 2020.1.1\t0:0.0",
                                                         "alpha.txt\t5\t 2019.1.1\t0:0.0",
                                                         "Archive\\Deep\\\t0\t 2020.1.1\t0:0.0",
                                                         "x.bin\t2\t 2020.1.1\t0:0.0"});
  tree.text_file("cats/d.lst", text);
  VeskoWin32Form window(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                        std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "", jobs::VeskoServices{},
                        SW_SHOWNORMAL);
  ASSERT_NE(window.window.hwnd(), nullptr);
  app::on_load(*window.vesko);
  auto settled = [&] {
    return test::pump_until(window, [&] {
      return !window.vesko->session().working() && !window.vesko->browse().working();
    });
  };
  ASSERT_TRUE(settled());

  window.vesko->browse().browse_catalogue(0);
  ASSERT_TRUE(settled());
  VeskoBrowseWindow* browse = window.host.browse();
  ASSERT_NE(browse, nullptr);
  EXPECT_TRUE(IsWindowVisible(browse->hwnd()));
  EXPECT_EQ(GetWindow(browse->hwnd(), GW_OWNER), window.window.hwnd());
  EXPECT_EQ(title_of(browse->hwnd()), "d - Vesko");
  EXPECT_EQ(title_of(browse->status()).rfind("d: 3 folders, 4 files", 0), 0u) << title_of(browse->status());
  HWND folders = browse->tree();
  const HTREEITEM root = TreeView_GetRoot(folders);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(tree_text(folders, root).rfind("D:\\   ", 0), 0u) << tree_text(folders, root);
  EXPECT_NE(tree_text(folders, root).find("4 files, 3 folders"), std::string::npos);
  EXPECT_EQ(child_names(folders, root), (std::vector<std::string>{"Zoo", "Archive"}));  // largest first
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

  // A file's result shown: its folder opened to and selected, the file selected.
  SendMessageW(browse->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(browse->hwnd()));
  search::Hit hit;
  hit.line = text.find("x.bin");
  hit.folder = text.find("Archive\\Deep");
  window.vesko->browse().show_in_catalogue(*window.vesko->session().catalogues().at(0), hit);
  ASSERT_TRUE(settled());
  EXPECT_TRUE(IsWindowVisible(browse->hwnd()));
  const HTREEITEM selected = TreeView_GetSelection(folders);
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ(tree_text(folders, selected).rfind("Deep   ", 0), 0u);
  EXPECT_EQ(tree_text(folders, TreeView_GetParent(folders, selected)).rfind("Archive   ", 0), 0u);
  ASSERT_EQ(ListView_GetItemCount(browse->list()), 1);
  EXPECT_EQ(ListView_GetNextItem(browse->list(), -1, LVNI_SELECTED), 0);
}

}  // namespace
}  // namespace korvint::hosts::win32
