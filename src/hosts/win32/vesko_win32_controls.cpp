#include "hosts/win32/vesko_win32_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string_view>

#include "hosts/win32/list_columns.h"
#include "platform/win32/win32_text.h"
#include "ui/column_fit.h"
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
  fit_to_texts();
  InvalidateRect(list_, nullptr, TRUE);
}

void VeskoListView::rowsRefreshed() {
  const std::size_t count = rows_ == nullptr ? 0 : std::min<std::size_t>(rows_->row_count(), INT_MAX);
  // The list keeps its place and the states of the rows still there.
  ListView_SetItemCountEx(list_, static_cast<int>(count), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
  fit_to_texts();
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
  if (elided_in_middle(info.item.iSubItem)) elide(info.item.iSubItem);
  const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
  const std::size_t length = std::min(room, wide_.size());
  std::copy_n(wide_.data(), length, info.item.pszText);
  info.item.pszText[length] = L'\0';
}

bool VeskoListView::elided_in_middle(int column) const {
  return column == elided_column ||
         (column >= 0 && static_cast<std::size_t>(column) < columns_.size() && fits_rows(columns_[static_cast<std::size_t>(column)]));
}

int VeskoListView::room() const {
  RECT inside{};
  GetClientRect(list_, &inside);
  int room = inside.right;
  if ((GetWindowLongPtrW(list_, GWL_STYLE) & WS_VSCROLL) == 0) room -= GetSystemMetrics(SM_CXVSCROLL);
  return room;
}

void VeskoListView::set_columns(std::span<const VeskoColumn> columns) {
  columns_ = columns;
  user_sized_.assign(columns.size(), false);
}

void VeskoListView::fit_to_texts() {
  if (fitting_ || columns_.empty()) return;
  const int columns = std::min(Header_GetItemCount(ListView_GetHeader(list_)), static_cast<int>(columns_.size()));
  std::vector<int> texts(static_cast<std::size_t>(std::max(columns, 0)));
  std::vector<int> user(texts.size());
  HDC dc = GetDC(list_);
  if (dc == nullptr) return;
  fitting_ = true;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list_, WM_GETFONT, 0, 0)));
  // The list view's margins either side of a cell's text, and a pixel or two to spare.
  const int margins = MulDiv(14, dpi, 96);
  const auto width_of = [dc, margins](const std::string& text) {
    const std::wstring wide = platform::win32::to_wide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.data(), static_cast<int>(wide.size()), &size);
    return static_cast<int>(size.cx) + margins;
  };
  const std::size_t count = rows_ == nullptr ? 0 : rows_->row_count();
  const bool every_row = count <= static_cast<std::size_t>(kFitEveryRowUpTo);
  const std::size_t first = every_row ? 0 : topRow();
  const std::size_t last =
      every_row ? count : std::min(count, first + static_cast<std::size_t>(ListView_GetCountPerPage(list_)) + 1);
  for (int column = 0; column < columns; ++column) {
    const VeskoColumn& shape = columns_[static_cast<std::size_t>(column)];
    // The user's widths, and those of columns that never fit, stay as they are.
    if (user_sized_[static_cast<std::size_t>(column)] || !fits_texts(shape)) {
      if (column != elided_column) user[static_cast<std::size_t>(column)] = ListView_GetColumnWidth(list_, column);
      continue;
    }
    int text = shape.longest.empty() ? 0 : width_of(std::string(shape.longest));
    if (fits_rows(shape))
      for (std::size_t row = first; row < last; ++row) {
        rows_->cell(row, column, cell_);
        text = std::max(text, width_of(cell_));
      }
    texts[static_cast<std::size_t>(column)] = text;
  }
  SelectObject(dc, old);
  ReleaseDC(list_, dc);
  const std::vector<int> widths =
      fit_columns(columns_.first(static_cast<std::size_t>(columns)), texts, user, room(), dpi);
  for (int column = 0; column < columns; ++column)
    if (column != elided_column && user[static_cast<std::size_t>(column)] == 0 &&
        widths[static_cast<std::size_t>(column)] != ListView_GetColumnWidth(list_, column))
      ListView_SetColumnWidth(list_, column, widths[static_cast<std::size_t>(column)]);
  if (elided_column >= 0 && elided_column < columns)
    give_spare_width(elided_column, spare_least_width(columns_[static_cast<std::size_t>(elided_column)], dpi));
  fitting_ = false;
}

void VeskoListView::on_header_notify(const NMHEADERW& change) {
  const int column = change.iItem;
  if (fitting_ || column < 0 || static_cast<std::size_t>(column) >= user_sized_.size()) return;
  const bool by_user = change.hdr.code == HDN_ENDTRACKW || change.hdr.code == HDN_DIVIDERDBLCLICKW ||
                       (change.hdr.code == HDN_ITEMCHANGEDW && GetCapture() == change.hdr.hwndFrom);
  if (column == elided_column) return;
  if (by_user) user_sized_[static_cast<std::size_t>(column)] = true;
  // Another column's width changed: the spare column takes up the difference.
  if (change.hdr.code == HDN_ITEMCHANGEDW && elided_column >= 0 &&
      static_cast<std::size_t>(elided_column) < columns_.size()) {
    fitting_ = true;
    give_spare_width(elided_column, spare_least_width(columns_[static_cast<std::size_t>(elided_column)], dpi));
    fitting_ = false;
  }
}

std::vector<int> VeskoListView::user_widths() const {
  std::vector<int> widths;
  for (std::size_t i = 0; i < user_sized_.size(); ++i)
    widths.push_back(user_sized_[i] ? ListView_GetColumnWidth(list_, static_cast<int>(i)) : 0);
  return widths;
}

void VeskoListView::restore_user_widths(const std::vector<int>& widths) {
  fitting_ = true;
  for (std::size_t i = 0; i < widths.size() && i < user_sized_.size(); ++i) {
    if (static_cast<int>(i) == elided_column || widths[i] <= 0) continue;
    ListView_SetColumnWidth(list_, static_cast<int>(i), widths[i]);
    user_sized_[i] = true;
  }
  fitting_ = false;
  fit_to_texts();
}

void VeskoListView::give_spare_width(int column, int least) const {
  int room = this->room();
  const int columns = Header_GetItemCount(ListView_GetHeader(list_));
  for (int other = 0; other < columns; ++other)
    if (other != column) room -= ListView_GetColumnWidth(list_, other);
  ListView_SetColumnWidth(list_, column, std::max(least, room));
}

}  // namespace korvint::hosts::win32
