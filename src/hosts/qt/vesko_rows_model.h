#pragma once
// A Qt item model over Vesko's table rows: Qt asks for the cells of the rows
// it paints, the model reads each from the rows then, so a million results
// cost Qt nothing until they are scrolled to.

#include <QAbstractTableModel>
#include <span>
#include <string>

#include "ui/vesko_controls.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

class VeskoRowsModel final : public QAbstractTableModel {
 public:
  VeskoRowsModel(std::span<const VeskoColumn> columns, QObject* parent);

  /// Shows `rows` (nullptr: none) and tells the views everything changed.
  void set_rows(const TableRows* rows);
  /// The rows changed: the views show them anew.
  void reset();

  [[nodiscard]] int rowCount(const QModelIndex& parent) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::span<const VeskoColumn> columns_;
  const TableRows* rows_ = nullptr;
  int count_ = 0;  ///< the rows as last told: Qt must not see a count change between resets
  mutable std::string cell_;
};

}  // namespace korvint::hosts::qt
