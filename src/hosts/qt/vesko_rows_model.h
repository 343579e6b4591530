#pragma once
// A Qt item model over Vesko's table rows: Qt asks for the cells of the rows
// it paints, the model reads each from the rows then, so a million results
// cost Qt nothing until they are scrolled to. Qt's views keep a record for
// every row they are told of (the header's sections), made and cleared on
// the window's thread: the rows are told a batch at a time, more as the view
// scrolls to their end (fetchMore), so tens of millions of results never
// hold the window for long.

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
  /// The rows changed: the views show them anew, from the first batch on
  /// (`keep_told`: as many as were told before, for a view that keeps its place).
  void reset(bool keep_told = false);

  /// The most rows told at first, and at most at a time after.
  static constexpr int kFirstRows = 100'000;
  static constexpr int kMostRowsAtOnce = 1'000'000;

  [[nodiscard]] bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  [[nodiscard]] int rowCount(const QModelIndex& parent) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::span<const VeskoColumn> columns_;
  const TableRows* rows_ = nullptr;
  int count_ = 0;  ///< the rows as last told: Qt must not see a count change between resets
  int total_ = 0;  ///< the rows there are to tell (count_ and more)
  mutable std::string cell_;
};

}  // namespace korvint::hosts::qt
