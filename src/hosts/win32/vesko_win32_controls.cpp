#include "hosts/win32/vesko_win32_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string_view>

#include "hosts/win32/list_columns.h"
#include "platform/win32/win32_text.h"
#include "ui/text_elision.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

void VeskoListView::setRows(const TableRows* rows) {
  rows_ = rows;
  rowsChanged();
}

void VeskoListView::rowsChanged() {
  const std::size_t count = rows_ == nullptr ? 0 : std::min<std::size_t>(rows_->row_count(), INT_MAX);
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemCountEx(list_, static_cast<int>(count), 0);
  if (count > 0) ListView_EnsureVisible(list_, 0, FALSE);
  InvalidateRect(list_, nullptr, TRUE);
}

void VeskoListView::rowsRefreshed() {
  const std::size_t count = rows_ == nullptr ? 0 : std::min<std::size_t>(rows_->row_count(), INT_MAX);
  // The list keeps its place and the states of the rows still there.
  ListView_SetItemCountEx(list_, static_cast<int>(count), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
  InvalidateRect(list_, nullptr, TRUE);
}

std::size_t VeskoListView::topRow() const {
  const int top = ListView_GetTopIndex(list_);
  return top < 0 ? 0 : static_cast<std::size_t>(top);
}

void VeskoListView::selectRows(const std::vector<std::size_t>& rows) {
  quiet = true;
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
  for (const std::size_t row : rows) ListView_SetItemState(list_, static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
  if (!rows.empty()) ListView_SetItemState(list_, static_cast<int>(rows.front()), LVIS_FOCUSED, LVIS_FOCUSED);
  quiet = false;
}

std::vector<std::size_t> VeskoListView::selectedRows() const {
  std::vector<std::size_t> rows;
  for (int item = ListView_GetNextItem(list_, -1, LVNI_SELECTED); item >= 0;
       item = ListView_GetNextItem(list_, item, LVNI_SELECTED))
    rows.push_back(static_cast<std::size_t>(item));
  return rows;
}

std::optional<std::size_t> VeskoListView::currentRow() const {
  int item = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
  if (item < 0) item = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  if (item < 0) return std::nullopt;
  return static_cast<std::size_t>(item);
}

void VeskoListView::showSortColumn(int column, bool descending) {
  show_header_sort(ListView_GetHeader(list_), column, descending);
}

void VeskoListView::elide(int column) const {
  // The list view would cut the text at its end; the middle goes instead.
  const int room = ListView_GetColumnWidth(list_, column) - MulDiv(12, dpi, 96);
  HDC dc = GetDC(list_);
  if (dc == nullptr) return;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list_, WM_GETFONT, 0, 0)));
  const std::function<int(std::wstring_view)> width_of = [dc](std::wstring_view text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  wide_ = elide_middle<wchar_t>(wide_, room, width_of);
  SelectObject(dc, old);
  ReleaseDC(list_, dc);
}

void VeskoListView::fill(NMLVDISPINFOW& info) const {
  if ((info.item.mask & LVIF_TEXT) == 0 || info.item.cchTextMax <= 0) return;
  info.item.pszText[0] = L'\0';
  if (rows_ == nullptr || info.item.iItem < 0 || static_cast<std::size_t>(info.item.iItem) >= rows_->row_count())
    return;
  rows_->cell(static_cast<std::size_t>(info.item.iItem), info.item.iSubItem, cell_);
  wide_ = platform::win32::to_wide(cell_);
  if (info.item.iSubItem == elided_column) elide(info.item.iSubItem);
  const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
  const std::size_t length = std::min(room, wide_.size());
  std::copy_n(wide_.data(), length, info.item.pszText);
  info.item.pszText[length] = L'\0';
}

void VeskoListView::give_spare_width(int column, int least) const {
  RECT inside{};
  GetClientRect(list_, &inside);
  int room = inside.right;
  if ((GetWindowLongPtrW(list_, GWL_STYLE) & WS_VSCROLL) == 0) room -= GetSystemMetrics(SM_CXVSCROLL);
  const int columns = Header_GetItemCount(ListView_GetHeader(list_));
  for (int other = 0; other < columns; ++other)
    if (other != column) room -= ListView_GetColumnWidth(list_, other);
  ListView_SetColumnWidth(list_, column, std::max(least, room));
}

}  // namespace korvint::hosts::win32
