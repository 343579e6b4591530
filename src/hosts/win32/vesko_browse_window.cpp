#include "hosts/win32/vesko_browse_window.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "hosts/win32/list_row_menu.h"
#include "hosts/win32/row_list_notify.h"
#include "hosts/win32/vesko_control_creation.h"
#include "hosts/win32/window_geometry.h"
#include "platform/win32/win32_text.h"
#include "ui/control_shape.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// The window as drawn and at its smallest, in twips; the status line's height.
constexpr int kBrowseWidthTwips = 13200;
constexpr int kBrowseMinHeightTwips = 3600;
constexpr int kStatusTwips = 360;
constexpr int kMarginTwips = 90;
constexpr int kTreeId = 100;
constexpr int kListId = 101;

TreeRows::Node node_of(LPARAM param) { return static_cast<TreeRows::Node>(param); }

}  // namespace

VeskoBrowseWindow::VeskoBrowseWindow(HWND owner, int dpi, BrowseEvents& events)
    : TopLevelWindow(SW_SHOWNORMAL), events_(events), dpi_(dpi), font_(message_font(dpi)) {
  if (!create(kVeskoBrowseWindowClass, "Vesko", kWindowStyle, twips_to_pixels(kBrowseWidthTwips, dpi),
              twips_to_pixels(kVeskoClientHeightTwips, dpi)))
    return;
  // Owned by the main window: above it, minimised and closed with it.
  SetWindowLongPtrW(hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  tree_hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                   TVS_SHOWSELALWAYS,
                               0, 0, 10, 10, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTreeId)), instance,
                               nullptr);
  list_hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0,
                               0, 10, 10, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance,
                               nullptr);
  status_hwnd_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS,
                                 0, 0, 10, 10, hwnd(), nullptr, instance, nullptr);
  for (HWND control : {tree_hwnd_, list_hwnd_, status_hwnd_})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  ListView_SetExtendedListViewStyle(list_hwnd_, LVS_EX_FULLROWSELECT);
  add_table_columns(list_hwnd_, browse_file_columns(), dpi);
  list_ = std::make_unique<VeskoListView>(list_hwnd_);
  list_->dpi = dpi;
  list_->elided_column = 0;  // a long name keeps its start and its end
  status_ = std::make_unique<Win32Label>(status_hwnd_);
  lay_out();
}

VeskoBrowseWindow::~VeskoBrowseWindow() { destroy(); }

void VeskoBrowseWindow::showBrowse(std::string_view title) {
  if (hwnd() == nullptr) return;
  SetWindowTextW(hwnd(), platform::win32::to_wide(title).c_str());
  show();
  SetForegroundWindow(hwnd());
  SetFocus(tree_hwnd_);
}

void VeskoBrowseWindow::fill(HTREEITEM item, TreeRows::Node node) {
  const std::size_t count = tree_->child_count(node);
  for (std::size_t i = 0; i < count; ++i) insert(item, tree_->child(node, i));
}

HTREEITEM VeskoBrowseWindow::insert(HTREEITEM parent, TreeRows::Node node) {
  // Its text and whether it has children are asked for when it is painted.
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
  insert.item.pszText = LPSTR_TEXTCALLBACKW;
  insert.item.cChildren = I_CHILDRENCALLBACK;
  insert.item.lParam = static_cast<LPARAM>(node);
  return TreeView_InsertItem(tree_hwnd_, &insert);
}

void VeskoBrowseWindow::treeChanged(std::optional<TreeRows::Node> selected) {
  if (tree_hwnd_ == nullptr) return;
  quiet_ = true;
  SendMessageW(tree_hwnd_, WM_SETREDRAW, FALSE, 0);
  TreeView_DeleteAllItems(tree_hwnd_);
  if (tree_ != nullptr && tree_->root()) {
    const HTREEITEM root = insert(TVI_ROOT, *tree_->root());
    TreeView_Expand(tree_hwnd_, root, TVE_EXPAND);
    if (selected)
      if (const HTREEITEM item = open_to(*selected)) {
        TreeView_SelectItem(tree_hwnd_, item);
        TreeView_EnsureVisible(tree_hwnd_, item);
      }
  }
  SendMessageW(tree_hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_hwnd_, nullptr, TRUE);
  quiet_ = false;
}

HTREEITEM VeskoBrowseWindow::open_to(TreeRows::Node node) {
  // The folders from the root down to `node`.
  std::vector<TreeRows::Node> chain{node};
  for (auto up = tree_->parent(node); up; up = tree_->parent(*up)) chain.push_back(*up);
  HTREEITEM item = TreeView_GetRoot(tree_hwnd_);
  for (auto step = chain.rbegin() + 1; item != nullptr && step != chain.rend(); ++step) {
    TreeView_Expand(tree_hwnd_, item, TVE_EXPAND);
    HTREEITEM child = TreeView_GetChild(tree_hwnd_, item);
    for (; child != nullptr; child = TreeView_GetNextSibling(tree_hwnd_, child)) {
      TVITEMW read{};
      read.mask = TVIF_PARAM;
      read.hItem = child;
      TreeView_GetItem(tree_hwnd_, &read);
      if (node_of(read.lParam) == *step) break;
    }
    item = child;
  }
  return item;
}

std::optional<TreeRows::Node> VeskoBrowseWindow::selectedFolder() const {
  const HTREEITEM item = TreeView_GetSelection(tree_hwnd_);
  if (item == nullptr) return std::nullopt;
  TVITEMW read{};
  read.mask = TVIF_PARAM;
  read.hItem = item;
  if (TreeView_GetItem(tree_hwnd_, &read) == FALSE) return std::nullopt;
  return node_of(read.lParam);
}

void VeskoBrowseWindow::lay_out() {
  if (list_hwnd_ == nullptr) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int margin = twips_to_pixels(kMarginTwips, dpi_);
  const int status = twips_to_pixels(kStatusTwips, dpi_);
  const int width = client.right - 3 * margin;
  const int height = client.bottom - status - 3 * margin;
  // The tree takes the larger part: its texts carry the totals.
  const int tree_width = width * 11 / 20;
  MoveWindow(tree_hwnd_, margin, margin, tree_width, height, TRUE);
  MoveWindow(list_hwnd_, margin * 2 + tree_width, margin, width - tree_width, height, TRUE);
  MoveWindow(status_hwnd_, margin, margin * 2 + height, client.right - 2 * margin, status, TRUE);
  // The files' Name column takes what the others leave, a vertical scroll bar's room kept.
  list_->give_spare_width(0, twips_to_pixels(1200, dpi_));
  InvalidateRect(list_hwnd_, nullptr, TRUE);
  InvalidateRect(status_hwnd_, nullptr, TRUE);
}

LRESULT VeskoBrowseWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE: lay_out(); return 0;
    case WM_GETMINMAXINFO:
      keep_least_client_size(lparam, kWindowStyle, twips_to_pixels(kVeskoMinWidthTwips, dpi_),
                             twips_to_pixels(kBrowseMinHeightTwips, dpi_));
      return 0;
    case WM_SETFOCUS: SetFocus(tree_hwnd_); return 0;
    case WM_NOTIFY: return on_notify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == tree_hwnd_) {
        on_tree_menu(lparam);
        return 0;
      }
      if (reinterpret_cast<HWND>(wparam) == list_hwnd_) {
        on_list_menu(lparam);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Hidden, not destroyed: the next catalogue shows in it again.
      ShowWindow(hwnd(), SW_HIDE);
      events_.browse_Closed();
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd(), message, wparam, lparam);
}

LRESULT VeskoBrowseWindow::on_notify(const NMHDR& header, LPARAM lparam) {
  if (header.hwndFrom == tree_hwnd_) {
    switch (header.code) {
      case TVN_GETDISPINFOW: {
        auto& info = *reinterpret_cast<NMTVDISPINFOW*>(lparam);
        if (tree_ == nullptr) return 0;
        const TreeRows::Node node = node_of(info.item.lParam);
        if ((info.item.mask & TVIF_CHILDREN) != 0) info.item.cChildren = tree_->child_count(node) > 0 ? 1 : 0;
        if ((info.item.mask & TVIF_TEXT) != 0 && info.item.cchTextMax > 0) {
          // One text for the tree's columns: "Photos   1.2 GB, 340 files, 12 folders".
          std::string text, part;
          tree_->cell(node, 0, text);
          tree_->cell(node, 1, part);
          text += "   " + part;
          tree_->cell(node, 2, part);
          text += ", " + part + (part == "1" ? " file" : " files");
          tree_->cell(node, 3, part);
          if (part != "0") text += ", " + part + (part == "1" ? " folder" : " folders");
          const std::wstring wide = platform::win32::to_wide(text);
          lstrcpynW(info.item.pszText, wide.c_str(), info.item.cchTextMax);
        }
        return 0;
      }
      case TVN_ITEMEXPANDINGW: {
        const auto& view = *reinterpret_cast<const NMTREEVIEWW*>(lparam);
        // A folder's children are inserted the first time it opens.
        if (tree_ != nullptr && view.action == TVE_EXPAND && TreeView_GetChild(tree_hwnd_, view.itemNew.hItem) == nullptr)
          fill(view.itemNew.hItem, node_of(view.itemNew.lParam));
        return FALSE;
      }
      case TVN_SELCHANGEDW:
        if (!quiet_) events_.browse_FolderSelected();
        return 0;
      case TVN_KEYDOWN:
        if (reinterpret_cast<const NMTVKEYDOWN*>(lparam)->wVKey == VK_ESCAPE) PostMessageW(hwnd(), WM_CLOSE, 0, 0);
        return 0;
      default: return 0;
    }
  }
  if (header.hwndFrom != list_hwnd_) return 0;
  return on_row_list_notify(hwnd(), list_hwnd_, *list_, header, lparam,
                            {[this](int column) { events_.browse_FilesHeaderClick(column); },
                             [this] { events_.browse_FileOpen(); }, [this] { events_.browse_Copy(); }});
}

void VeskoBrowseWindow::on_tree_menu(LPARAM lparam) {
  if (lparam != -1) {
    // The folder right-clicked becomes the selected one.
    TVHITTESTINFO hit{};
    hit.pt = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ScreenToClient(tree_hwnd_, &hit.pt);
    const HTREEITEM item = TreeView_HitTest(tree_hwnd_, &hit);
    if (item == nullptr) return;
    TreeView_SelectItem(tree_hwnd_, item);
  }
  events_.browse_TreeContextMenu();
}

void VeskoBrowseWindow::on_list_menu(LPARAM lparam) {
  if (select_row_for_menu(list_hwnd_, lparam)) events_.browse_FilesContextMenu();
}

}  // namespace korvint::hosts::win32
