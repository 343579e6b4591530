#include "hosts/win32/list_columns.h"

#include <commctrl.h>

#include <cstddef>

namespace korvint::hosts::win32 {

std::vector<int> header_widths(HWND header) {
  std::vector<int> widths;
  for (int i = 0, count = Header_GetItemCount(header); i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_WIDTH;
    widths.push_back(Header_GetItem(header, i, &item) != FALSE ? item.cxy : 0);
  }
  return widths;
}

void set_header_widths(HWND header, const std::vector<int>& widths, int spare) {
  const int count = Header_GetItemCount(header);
  for (int i = 0; i < count && static_cast<std::size_t>(i) < widths.size(); ++i) {
    if (i == spare || widths[static_cast<std::size_t>(i)] <= 0) continue;
    HDITEMW item{};
    item.mask = HDI_WIDTH;
    item.cxy = widths[static_cast<std::size_t>(i)];
    Header_SetItem(header, i, &item);
  }
}

void rescale_header(HWND header, int from, int to) {
  if (from <= 0 || from == to) return;
  std::vector<int> widths = header_widths(header);
  for (int& width : widths) width = MulDiv(width, to, from);
  set_header_widths(header, widths, -1);
}

void show_header_sort(HWND header, int column, bool descending) {
  for (int i = 0, count = Header_GetItemCount(header); i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, i, &item);
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) item.fmt |= descending ? HDF_SORTDOWN : HDF_SORTUP;
    Header_SetItem(header, i, &item);
  }
}

}  // namespace korvint::hosts::win32
