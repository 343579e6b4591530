#pragma once
// Vesko's table over a QTableView whose model reads the rows as they are painted.

#include <QTableView>

#include "hosts/qt/vesko_rows_model.h"
#include "ui/controls.h"
#include "ui/vesko_controls.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

/// A table over `view`, which it gives a VeskoRowsModel.
class VeskoQtTable final : public TableView {
 public:
  VeskoQtTable(QTableView& view, std::span<const VeskoColumn> columns);
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

 private:
  QTableView& view_;
  VeskoRowsModel* model_;  // owned by the view
  bool quiet_ = false;
};

}  // namespace korvint::hosts::qt
