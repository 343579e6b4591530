#pragma once
// How wide a table's columns are drawn from their texts, the same in every
// host. A column of short texts of a known kind (an age, a medium) is always
// wide enough for the longest of them: an elided number reads as another
// number. A column of names is as wide as the names on screen, up to a cap.
// The column with the spare width (the folder) takes what the others leave;
// when that is short it gives up width first, down to a small least, and only
// then do the columns of names shrink, the first of them first, down to their
// drawn widths. A column the user has sized keeps the user's width.

#include <span>
#include <vector>

#include "ui/vesko_layout.h"

namespace korvint::ui {

/// The least the spare column gives up its width to, in twips (its drawn
/// width when that is less).
inline constexpr int kSpareLeastTwips = 1200;

/// A table of at most this many rows fits its columns to the texts of all of
/// them (scrolling it then shows none cut that would fit); a longer one to the
/// rows on screen, so that a million rows cost no more than a screenful.
inline constexpr int kFitEveryRowUpTo = 256;

/// The pixels the spare column `column` keeps at `dpi` however short its table.
int spare_least_width(const VeskoColumn& column, int dpi);

/// The width of every column of `columns` at `dpi` in a table `room` pixels
/// wide: `texts[i]` is the widest text column i must show, with the cell's
/// margins (its `longest` text and, when it fits its rows, the texts on
/// screen; 0: none measured), `user[i]` > 0 the width the user gave it, kept
/// as it is. The spare column gets what the others leave, at least its
/// spare_least_width(); past that the table scrolls across. Spans shorter
/// than `columns` count as 0 for the columns they miss.
std::vector<int> fit_columns(std::span<const VeskoColumn> columns, std::span<const int> texts, std::span<const int> user,
                             int room, int dpi);

/// Whether the host measures the texts of `column`'s rows on screen for
/// fit_columns() (else only its `longest` text, if it has one).
inline bool fits_rows(const VeskoColumn& column) { return column.fit_most > 0; }

/// Whether fit_columns() can make `column` wider than drawn.
inline bool fits_texts(const VeskoColumn& column) { return fits_rows(column) || !column.longest.empty(); }

}  // namespace korvint::ui
