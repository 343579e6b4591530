#pragma once
// The columns of a report list view or a header control as a window keeps
// them: their widths read and put back (remembered between starts, scaled
// to a new resolution) and the sort arrow shown on one of them.

#include <windows.h>

#include <vector>

namespace korvint::hosts::win32 {

/// The widths of `header`'s items, in pixels, in their order.
std::vector<int> header_widths(HWND header);

/// Gives `header`'s items `widths` (those beyond its items are ignored),
/// except item `spare` (the one that takes what the others leave) and widths <= 0.
void set_header_widths(HWND header, const std::vector<int>& widths, int spare);

/// Every item of `header` `from` dots per inch wide, at `to` instead.
void rescale_header(HWND header, int from, int to);

/// Shows the sort arrow on item `column` of `header` (up, or down when
/// `descending`), none on the others; -1: on none.
void show_header_sort(HWND header, int column, bool descending);

}  // namespace korvint::hosts::win32
