#include "hosts/win32/vesko_browse_window.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "hosts/win32/list_columns.h"
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

// The window as drawn and at its smallest, in twips.
constexpr int kBrowseWidthTwips = 13200;
constexpr int kBrowseMinHeightTwips = 3600;
constexpr int kTreeId = 100;
constexpr int kListId = 101;
constexpr int kHeaderId = 102;
// Neither side of the splitter is made narrower than this.
constexpr int kLeastPaneTwips = 1800;
// The space between a column's text and its edges.
constexpr int kCellPadTwips = 90;

TreeRows::Node node_of(LPARAM param) { return static_cast<TreeRows::Node>(param); }

}  // namespace

VeskoBrowseWindow::VeskoBrowseWindow(HWND owner, int dpi, BrowseEvents& events)
    : VeskoSideWindow(dpi, kBrowseMinHeightTwips),
      events_(events),
      splitter_(SplitterDrag::Axis::Across, {.on_bar = [this](POINT at) { return on_splitter(at); },
                                             .edge =
                                                 [this] {
                                                   RECT tree{};
                                                   GetWindowRect(tree_hwnd_, &tree);
                                                   MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&tree), 2);
                                                   return static_cast<int>(tree.right);
                                                 },
                                             .moved =
                                                 [this](int right) {
                                                   split_ = right - margin();
                                                   lay_out();
                                                   split_ = split();  // as far as it could go
                                                 }}) {
  if (!open(kVeskoBrowseWindowClass, owner, kBrowseWidthTwips)) return;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  header_hwnd_ = CreateWindowExW(0, WC_HEADERW, L"", WS_CHILD | WS_VISIBLE | HDS_HORZ | HDS_BUTTONS | HDS_FULLDRAG, 0, 0,
                                 10, 10, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHeaderId)), instance,
                                 nullptr);
  // No scrolling across: the totals stay in their columns under the header.
  tree_hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                   TVS_SHOWSELALWAYS | TVS_NOHSCROLL,
                               0, 0, 10, 10, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTreeId)), instance,
                               nullptr);
  for (HWND control : {header_hwnd_, tree_hwnd_}) use_font(control);
  list_hwnd_ = make_rows_list(kListId);
  status_hwnd_ = make_status_line();
  const auto folder_columns = browse_folder_columns();
  for (std::size_t i = 0; i < folder_columns.size(); ++i) {
    const std::wstring title = platform::win32::to_wide(folder_columns[i].title);
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.pszText = const_cast<wchar_t*>(title.c_str());
    item.cxy = twips_to_pixels(folder_columns[i].width, dpi);
    item.fmt = HDF_STRING | (folder_columns[i].right_aligned ? HDF_RIGHT : HDF_LEFT);
    Header_InsertItem(header_hwnd_, static_cast<int>(i), &item);
    folder_widths_.push_back(item.cxy);
  }
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

int VeskoBrowseWindow::split() const {
  RECT at{};
  GetWindowRect(tree_hwnd_, &at);
  return at.right - at.left;
}

void VeskoBrowseWindow::lay_out() {
  if (list_hwnd_ == nullptr) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int margin = this->margin();
  const int status = status_height();
  const int width = client.right - 3 * margin;
  const int height = client.bottom - status - 3 * margin;
  // The tree takes the larger part unless the splitter was moved: its rows carry the totals.
  const int least = std::min(twips_to_pixels(kLeastPaneTwips, dpi()), width / 2);
  const int tree_width = std::clamp(split_.value_or(width * 11 / 20), least, std::max(least, width - least));
  // The header as tall as its font wants.
  RECT room{margin, margin, margin + tree_width, margin + height};
  WINDOWPOS place{};
  HDLAYOUT ask{&room, &place};
  Header_Layout(header_hwnd_, &ask);
  const int header_height = std::min(place.cy, height);
  MoveWindow(header_hwnd_, margin, margin, tree_width, header_height, TRUE);
  MoveWindow(tree_hwnd_, margin, margin + header_height, tree_width, height - header_height, TRUE);
  MoveWindow(list_hwnd_, margin * 2 + tree_width, margin, width - tree_width, height, TRUE);
  MoveWindow(status_hwnd_, margin, margin * 2 + height, client.right - 2 * margin, status, TRUE);
  fit_folder_columns();
  // The files' Name column takes what the others leave, a vertical scroll bar's room kept.
  list_->give_spare_width(0, twips_to_pixels(1200, dpi()));
  InvalidateRect(list_hwnd_, nullptr, TRUE);
  InvalidateRect(status_hwnd_, nullptr, TRUE);
}

void VeskoBrowseWindow::fit_folder_columns() {
  if (folder_widths_.empty()) return;
  std::vector<int> shown = folder_widths_;
  const auto totals = [&shown] {
    int sum = 0;
    for (std::size_t i = 1; i < shown.size(); ++i) sum += shown[i];
    return sum;
  };
  // The columns end where the tree's vertical scroll bar starts, whether it shows or not.
  const int room = std::max(0, split() - 2 * GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXVSCROLL));
  // In a narrow tree the totals give way, in proportion, until the names keep two fifths of it.
  const int least_name = room * 2 / 5;
  if (const int others = totals(); others > 0 && room - others < least_name)
    for (std::size_t i = 1; i < shown.size(); ++i) shown[i] = MulDiv(shown[i], room - least_name, others);
  shown[0] = std::max(0, room - totals());
  quiet_ = true;
  set_header_widths(header_hwnd_, shown, -1);
  quiet_ = false;
  InvalidateRect(tree_hwnd_, nullptr, TRUE);
}

LRESULT VeskoBrowseWindow::draw_tree(NMTVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYPOSTPAINT;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPOSTPAINT || tree_ == nullptr) return CDRF_DODEFAULT;
  const TreeRows::Node node = node_of(draw.nmcd.lItemlParam);
  RECT row{};
  if (TreeView_GetItemRect(tree_hwnd_, reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec), &row, FALSE) == FALSE)
    return CDRF_DODEFAULT;
  // The header's columns in the tree's client pixels.
  POINT origin{0, 0};
  MapWindowPoints(header_hwnd_, tree_hwnd_, &origin, 1);
  const auto columns = browse_folder_columns();
  RECT first{};
  Header_GetItemRect(header_hwnd_, 0, &first);
  // A long name stops where the totals start.
  RECT totals{first.right + origin.x, row.top, row.right, row.bottom};
  FillRect(draw.nmcd.hdc, &totals, GetSysColorBrush(COLOR_WINDOW));
  // The tree's own font: after its painting the context may hold another.
  const HGDIOBJ old_font = SelectObject(draw.nmcd.hdc, reinterpret_cast<HGDIOBJ>(SendMessageW(tree_hwnd_, WM_GETFONT, 0, 0)));
  SetBkMode(draw.nmcd.hdc, TRANSPARENT);
  SetTextColor(draw.nmcd.hdc, GetSysColor(COLOR_WINDOWTEXT));
  const int pad = twips_to_pixels(kCellPadTwips, dpi());
  for (int i = 1; i < static_cast<int>(columns.size()); ++i) {
    RECT cell{};
    if (Header_GetItemRect(header_hwnd_, i, &cell) == FALSE) continue;
    RECT text_room{cell.left + origin.x + pad, row.top, cell.right + origin.x - pad, row.bottom};
    tree_->cell(node, i, cell_);
    const std::wstring wide = platform::win32::to_wide(cell_);
    const UINT align = columns[static_cast<std::size_t>(i)].right_aligned ? DT_RIGHT : DT_LEFT;
    DrawTextW(draw.nmcd.hdc, wide.c_str(), static_cast<int>(wide.size()), &text_room,
              align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  SelectObject(draw.nmcd.hdc, old_font);
  return CDRF_DODEFAULT;
}

void VeskoBrowseWindow::showSortColumn(int column, bool descending) {
  show_header_sort(header_hwnd_, column, descending);
}

bool VeskoBrowseWindow::on_splitter(POINT at) const {
  if (list_hwnd_ == nullptr) return false;
  RECT tree{}, list{};
  GetWindowRect(tree_hwnd_, &tree);
  GetWindowRect(list_hwnd_, &list);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&tree), 2);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&list), 2);
  return at.x >= tree.right && at.x < list.left && at.y >= list.top && at.y < list.bottom;
}

void VeskoBrowseWindow::rescale_contents(int from, int to) {
  if (list_hwnd_ == nullptr) return;
  for (int& width : folder_widths_) width = rescale(width, from, to);
  rescale_header(ListView_GetHeader(list_hwnd_), from, to);
  if (split_) split_ = rescale(*split_, from, to);
  list_->dpi = to;
}

void VeskoBrowseWindow::restore(const VeskoWindowMemory& memory) {
  if (hwnd() == nullptr) return;
  for (std::size_t i = 1; i < std::min(folder_widths_.size(), memory.browse_folder_widths.size()); ++i)
    if (memory.browse_folder_widths[i] > 0) folder_widths_[i] = memory.browse_folder_widths[i];
  set_header_widths(ListView_GetHeader(list_hwnd_), memory.browse_file_widths, 0);
  split_ = memory.browse_split;
  if (memory.browse_rect) place(*memory.browse_rect, memory.browse_maximized);
  lay_out();
}

void VeskoBrowseWindow::remember(VeskoWindowMemory& memory) const {
  if (hwnd() == nullptr) return;
  const auto at = [this, &memory](int pixels) { return rescale(pixels, dpi(), memory.dpi); };
  const auto [rect, maximized] = normal_place(hwnd());
  if (rect.width > 0 && rect.height > 0)
    memory.browse_rect = PixelRect{rect.left, rect.top, at(rect.width), at(rect.height)};
  memory.browse_maximized = maximized;
  if (split_) memory.browse_split = at(*split_);
  memory.browse_folder_widths.clear();
  memory.browse_file_widths.clear();
  for (const int width : folder_widths_) memory.browse_folder_widths.push_back(at(width));
  for (const int width : header_widths(ListView_GetHeader(list_hwnd_))) memory.browse_file_widths.push_back(at(width));
}

LRESULT VeskoBrowseWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  if (const auto answer = splitter_.on_message(hwnd(), message, wparam, lparam)) return *answer;
  switch (message) {
    case WM_SIZE: lay_out(); return 0;
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
  return on_common_message(message, wparam, lparam);
}

LRESULT VeskoBrowseWindow::on_notify(const NMHDR& header, LPARAM lparam) {
  if (header.hwndFrom == header_hwnd_) {
    switch (header.code) {
      case HDN_ITEMCLICKW: events_.browse_TreeHeaderClick(reinterpret_cast<const NMHEADERW*>(lparam)->iItem); return 0;
      case HDN_ITEMCHANGEDW: {
        // A total's column made wider or narrower by the user (dragging its edge, the
        // header holding the mouse): the first takes up the difference.
        if (quiet_ || GetCapture() != header_hwnd_) return 0;
        const auto& change = *reinterpret_cast<const NMHEADERW*>(lparam);
        const std::vector<int> widths = header_widths(header_hwnd_);
        if (change.iItem > 0 && static_cast<std::size_t>(change.iItem) < widths.size())
          folder_widths_[static_cast<std::size_t>(change.iItem)] = widths[static_cast<std::size_t>(change.iItem)];
        fit_folder_columns();
        return 0;
      }
      default: return 0;
    }
  }
  if (header.hwndFrom == tree_hwnd_) {
    switch (header.code) {
      case NM_CUSTOMDRAW: return draw_tree(*reinterpret_cast<NMTVCUSTOMDRAW*>(lparam));
      case TVN_GETDISPINFOW: {
        auto& info = *reinterpret_cast<NMTVDISPINFOW*>(lparam);
        if (tree_ == nullptr) return 0;
        const TreeRows::Node node = node_of(info.item.lParam);
        if ((info.item.mask & TVIF_CHILDREN) != 0) info.item.cChildren = tree_->child_count(node) > 0 ? 1 : 0;
        if ((info.item.mask & TVIF_TEXT) != 0 && info.item.cchTextMax > 0) {
          // The name; the totals are drawn in the header's columns (draw_tree).
          std::string text;
          tree_->cell(node, 0, text);
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
