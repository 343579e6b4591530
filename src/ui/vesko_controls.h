#pragma once
// The tables of Vesko's window: the rows come from a model that hands out
// each cell by index, so a host shows a million rows without copying them.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace korvint::ui {

/// What a table shows: its rows, handed out one cell at a time.
class TableRows {
 public:
  virtual ~TableRows() = default;
  [[nodiscard]] virtual std::size_t row_count() const = 0;
  /// Replaces `out` with the text (UTF-8) of `column` in `row` < row_count().
  virtual void cell(std::size_t row, int column, std::string& out) const = 0;
};

/// A table control over TableRows. The host reads cells only for the rows on
/// screen, on the window's thread.
class TableView {
 public:
  virtual ~TableView() = default;
  /// Shows `rows` from now on; they must outlive the table or be replaced first.
  virtual void setRows(const TableRows* rows) = 0;
  /// The rows changed (their number or their content): shown anew, scrolled to
  /// the top, nothing selected.
  virtual void rowsChanged() = 0;
  /// The rows were made anew, the first ones as they were: shown anew where
  /// the table stands, the current row kept when it is still there.
  virtual void rowsRefreshed() = 0;
  /// The first row on screen (0 when none).
  [[nodiscard]] virtual std::size_t topRow() const = 0;
  /// Selects `rows` (ascending) for the program, the first of them becoming
  /// the current row: no selection event follows.
  virtual void selectRows(const std::vector<std::size_t>& rows) = 0;
  /// The selected rows, ascending.
  [[nodiscard]] virtual std::vector<std::size_t> selectedRows() const = 0;
  /// The row with the focus (where Enter acts), nullopt when none.
  [[nodiscard]] virtual std::optional<std::size_t> currentRow() const = 0;
  /// Shows `column` as the one the rows are sorted by, descending or not.
  virtual void showSortColumn(int column, bool descending) = 0;
};

}  // namespace korvint::ui
