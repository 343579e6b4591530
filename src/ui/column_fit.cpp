#include "ui/column_fit.h"

#include <algorithm>
#include <cstddef>

namespace korvint::ui {

int fitted_column_width(std::span<const VeskoColumn> columns, int column, int text_width, std::span<const int> widths,
                        int room, int dpi) {
  const VeskoColumn& fitted = columns[static_cast<std::size_t>(column)];
  const int drawn = twips_to_pixels(fitted.width, dpi);
  if (!fits_rows(fitted)) return std::max(drawn, text_width);
  int most = twips_to_pixels(fitted.fit_most, dpi);
  for (std::size_t spare = 0; spare < columns.size(); ++spare) {
    if (!columns[spare].takes_spare_width || static_cast<int>(spare) == column) continue;
    int left = room - twips_to_pixels(columns[spare].width, dpi);
    for (std::size_t other = 0; other < columns.size() && other < widths.size(); ++other)
      if (other != spare && static_cast<int>(other) != column) left -= widths[other];
    most = std::min(most, left);
  }
  return std::max(drawn, std::min(text_width, most));
}

}  // namespace korvint::ui
