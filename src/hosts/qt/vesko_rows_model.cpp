#include "hosts/qt/vesko_rows_model.h"

#include <algorithm>
#include <climits>

#include "hosts/qt/qt_text.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

VeskoRowsModel::VeskoRowsModel(std::span<const VeskoColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(columns) {}

void VeskoRowsModel::set_rows(const TableRows* rows) {
  rows_ = rows;
  reset();
}

void VeskoRowsModel::reset(bool keep_told) {
  beginResetModel();
  total_ = rows_ == nullptr ? 0 : static_cast<int>(std::min<std::size_t>(rows_->row_count(), INT_MAX));
  count_ = std::min(total_, std::max(kFirstRows, keep_told ? count_ : 0));
  endResetModel();
}

bool VeskoRowsModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && count_ < total_; }

void VeskoRowsModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  // As many more as are told already, up to a bound: a few turns reach far, none holds the window long.
  const int more = std::min({total_ - count_, std::max(count_, kFirstRows), kMostRowsAtOnce});
  beginInsertRows({}, count_, count_ + more - 1);
  count_ += more;
  endInsertRows();
}

int VeskoRowsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

int VeskoRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant VeskoRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || rows_ == nullptr || index.row() >= count_) return {};
  if (role == Qt::TextAlignmentRole) {
    const bool right = columns_[static_cast<std::size_t>(index.column())].right_aligned;
    return QVariant::fromValue(Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  rows_->cell(static_cast<std::size_t>(index.row()), index.column(), cell_);
  return to_qt(cell_);
}

QVariant VeskoRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(columns_.size()))
    return {};
  return to_qt(columns_[static_cast<std::size_t>(section)].title);
}

}  // namespace korvint::hosts::qt
