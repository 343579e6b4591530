#pragma once
// Vesko's tables over native Win32 controls: owner-data list views that ask
// for each cell as they paint it. Its query box and labels are the
// Win32TextBox and Win32Label of win32_controls.h.

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "ui/controls.h"
#include "ui/vesko_controls.h"

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
  /// The column whose long texts are shortened in the middle (-1: none),
  /// and the resolution the list is drawn at.
  int elided_column = -1;
  int dpi = 96;

 private:
  // Shortens wide_, the text of a cell of `column`, to the column's width.
  void elide(int column) const;

  HWND list_;
  const TableRows* rows_ = nullptr;
  mutable std::string cell_;
  mutable std::wstring wide_;
};

}  // namespace korvint::hosts::win32
