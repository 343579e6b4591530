#pragma once
// Vesko's tables over native Win32 controls: owner-data list views that ask
// for each cell as they paint it. Its query box and labels are the
// Win32TextBox and Win32Label of win32_controls.h.

#include <windows.h>

#include <commctrl.h>

#include <span>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/vesko_controls.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// A report-style list view with LVS_OWNERDATA over TableRows.
class VeskoListView final : public TableView {
 public:
  explicit VeskoListView(HWND list) : list_(list) {}
  void setRows(const TableRows* rows) override;
  void rowsChanged() override;
  void rowsRefreshed() override;
  [[nodiscard]] std::size_t topRow() const override;
  void selectRows(const std::vector<std::size_t>& rows) override;
  [[nodiscard]] std::vector<std::size_t> selectedRows() const override;
  [[nodiscard]] std::optional<std::size_t> currentRow() const override;
  void showSortColumn(int column, bool descending) override;

  /// Answers LVN_GETDISPINFOW: the cell's text into the list's buffer.
  void fill(NMLVDISPINFOW& info) const;
  [[nodiscard]] HWND hwnd() const { return list_; }
  /// Gives `column` the width the other columns leave, at least `least`
  /// pixels, keeping room for a vertical scroll bar before it comes (so that
  /// none across follows it).
  void give_spare_width(int column, int least) const;
  /// True while the program changes the selection: no user's selection event.
  bool quiet = false;
  /// The column with the spare width, whose long texts are shortened in the
  /// middle as those of the columns that fit their rows are (-1: none), and
  /// the resolution the list is drawn at.
  int elided_column = -1;
  int dpi = 96;

  /// The columns as drawn, for fit_to_texts(); none: the list sizes none itself.
  void set_columns(std::span<const VeskoColumn> columns);
  /// Sizes the columns that fit their texts (ui/column_fit.h) to the rows on
  /// screen, except those the user has sized, and gives the spare width to
  /// elided_column (at least its least, ui::spare_least_width()).
  void fit_to_texts();
  /// Answers a header's notification: a column the user sizes (dragging its
  /// edge, double-clicking it) is the user's from now on, and the spare column
  /// takes up the difference.
  void on_header_notify(const NMHEADERW& change);
  /// The widths the user gave the columns (dragged, or remembered from the
  /// last start), by column; 0 for a column the list sizes itself.
  [[nodiscard]] std::vector<int> user_widths() const;
  /// Gives the columns the widths > 0 of `widths` as the user's own (the
  /// spare column's excepted: it sizes itself).
  void restore_user_widths(const std::vector<int>& widths);

 private:
  // Whether the texts of `column` are shortened in the middle by elide().
  [[nodiscard]] bool elided_in_middle(int column) const;
  // Shortens wide_, the text of a cell of `column`, to the column's width.
  void elide(int column) const;
  // The list's width inside, less a vertical scroll bar's while it has none.
  [[nodiscard]] int room() const;

  std::span<const VeskoColumn> columns_;
  std::vector<bool> user_sized_;  // by column
  bool fitting_ = false;          // the list sizes its columns

  HWND list_;
  const TableRows* rows_ = nullptr;
  mutable std::string cell_;
  mutable std::wstring wide_;
};

}  // namespace korvint::hosts::win32
