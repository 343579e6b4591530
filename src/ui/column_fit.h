#pragma once
// How wide a table's columns are drawn from their texts, the same in every
// host: a column of short texts of a known kind (an age, a medium) is always
// wide enough for the longest of them; a column of names is as wide as the
// names on screen, up to a cap, and never takes from the column with the
// spare width (the folder) more than leaves it its drawn width. A column the
// user has sized keeps the user's width: the hosts do not call this for it.

#include <span>

#include "ui/vesko_layout.h"

namespace korvint::ui {

/// The pixels `columns[column]` gets at `dpi`: `text_width` (the widest text
/// it must show, with the cell's margins: its `longest` text and, when it fits
/// its rows, the texts on screen), held between its drawn width and, for a
/// column that fits its rows, its cap and what leaves the spare column its
/// drawn width in a table `room` pixels wide whose columns are now `widths`
/// pixels. Its drawn width when even that does not fit.
int fitted_column_width(std::span<const VeskoColumn> columns, int column, int text_width, std::span<const int> widths,
                        int room, int dpi);

/// Whether the host measures the texts of `column`'s rows on screen for
/// fitted_column_width() (else only its `longest` text, if it has one).
inline bool fits_rows(const VeskoColumn& column) { return column.fit_most > 0; }

/// Whether fitted_column_width() can change `column` at all.
inline bool fits_texts(const VeskoColumn& column) { return fits_rows(column) || !column.longest.empty(); }

}  // namespace korvint::ui
