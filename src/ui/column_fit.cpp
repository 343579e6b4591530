#include "ui/column_fit.h"

#include <algorithm>
#include <cstddef>

namespace korvint::ui {

int spare_least_width(const VeskoColumn& column, int dpi) {
  return twips_to_pixels(std::min(column.width, kSpareLeastTwips), dpi);
}

std::vector<int> fit_columns(std::span<const VeskoColumn> columns, std::span<const int> texts, std::span<const int> user,
                             int room, int dpi) {
  const auto at = [](std::span<const int> values, std::size_t i) { return i < values.size() ? values[i] : 0; };
  std::vector<int> widths(columns.size());
  std::vector<int> drawn(columns.size());
  int spare = -1;
  int taken = 0;  // by every column but the spare one
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const VeskoColumn& column = columns[i];
    drawn[i] = twips_to_pixels(column.width, dpi);
    if (column.takes_spare_width && spare < 0) {
      spare = static_cast<int>(i);
      continue;
    }
    if (at(user, i) > 0)
      widths[i] = at(user, i);
    else if (fits_rows(column))
      widths[i] = std::max(drawn[i], std::min(at(texts, i), twips_to_pixels(column.fit_most, dpi)));
    else if (fits_texts(column))
      widths[i] = std::max(drawn[i], at(texts, i));
    else
      widths[i] = drawn[i];
    taken += widths[i];
  }
  if (spare < 0) return widths;
  const int least = spare_least_width(columns[static_cast<std::size_t>(spare)], dpi);
  // Short of room: the columns of names give up what they took beyond their
  // drawn widths, the first of them first, until the spare column has its least.
  int short_by = taken + least - room;
  for (std::size_t i = 0; i < columns.size() && short_by > 0; ++i) {
    if (!fits_rows(columns[i]) || at(user, i) > 0 || static_cast<int>(i) == spare) continue;
    const int given = std::min(short_by, widths[i] - drawn[i]);
    widths[i] -= given;
    taken -= given;
    short_by -= given;
  }
  widths[static_cast<std::size_t>(spare)] = std::max(least, room - taken);
  return widths;
}

}  // namespace korvint::ui
