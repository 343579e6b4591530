#pragma once
// Vesko's table over a QTableView whose model reads the rows as they are painted.

#include <QPointer>
#include <QTableView>
#include <span>
#include <vector>

#include "hosts/qt/vesko_rows_model.h"
#include "ui/controls.h"
#include "ui/vesko_controls.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

/// A table over `view`, which it gives a VeskoRowsModel.
class VeskoQtTable final : public TableView {
 public:
  VeskoQtTable(QTableView& view, std::span<const VeskoColumn> columns);
  /// Stops following the view's events (the view may outlive the table).
  ~VeskoQtTable() override;
  VeskoQtTable(const VeskoQtTable&) = delete;
  VeskoQtTable& operator=(const VeskoQtTable&) = delete;
  void setRows(const TableRows* rows) override { model_->set_rows(rows); }
  void rowsChanged() override;
  void rowsRefreshed() override;
  [[nodiscard]] std::size_t topRow() const override;
  void selectRows(const std::vector<std::size_t>& rows) override;
  [[nodiscard]] std::vector<std::size_t> selectedRows() const override;
  [[nodiscard]] std::optional<std::size_t> currentRow() const override;
  void showSortColumn(int column, bool descending) override;

  [[nodiscard]] VeskoRowsModel& model() const { return *model_; }
  /// True while the program changes the selection: no user's selection event.
  [[nodiscard]] bool quiet() const { return quiet_; }

  /// Sizes the columns that fit their texts (ui/column_fit.h) to the rows on
  /// screen, except those the user has sized.
  void fit_to_texts();
  /// The widths the user gave the columns (dragging an edge, or remembered
  /// from the last start), by column; 0 for a column the window sizes itself.
  [[nodiscard]] std::vector<int> user_widths() const;
  /// Gives the columns the widths > 0 of `widths` as the user's own (the
  /// spare column's excepted: it sizes itself).
  void restore_user_widths(const std::vector<int>& widths);

 private:
  friend class TableHooks;
  // The column with the spare width stretched while the others leave it its
  // least (ui/column_fit.h), else at that width with a horizontal scroll bar.
  void keep_spare_floor();
  // A column resized while the user holds the header: the user's from now on.
  void on_section_resized(int column);

  QTableView& view_;
  VeskoRowsModel* model_;  // owned by the view
  QPointer<QObject> hooks_;  // a TableHooks, the view's child
  std::span<const VeskoColumn> columns_;
  std::vector<bool> user_sized_;  // by column
  int spare_ = -1;                // the column that takes the spare width; -1: none
  int spare_least_ = 0;           // its least width, pixels
  bool header_held_ = false;      // a mouse button is down on the header
  bool fitting_ = false;          // the program sizes the columns
  bool quiet_ = false;
};

}  // namespace korvint::hosts::qt
