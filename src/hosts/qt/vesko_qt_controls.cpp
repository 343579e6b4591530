#include "hosts/qt/vesko_qt_controls.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QEvent>
#include <QScrollBar>
#include <algorithm>

#include "hosts/qt/qt_text.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

namespace {

// Keeps the column that takes a table's spare width at least as wide as it
// was drawn: stretched while the other columns leave it that much room, and
// at its drawn width with a horizontal scroll bar once they do not, instead
// of squeezed to a few pixels in a small window.
class SpareColumnFloor final : public QObject {
 public:
  SpareColumnFloor(QTableView& view, int column, int least)
      : QObject(&view), view_(view), viewport_(view.viewport()), column_(column), least_(least) {
    viewport_->installEventFilter(this);
  }

  // Compares with the viewport kept, not view_.viewport(): the filter also
  // sees the events of the view's destruction, when its scroll area is gone.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == viewport_ && event->type() == QEvent::Resize) fit();
    return false;
  }

 private:
  void fit() {
    QHeaderView& header = *view_.horizontalHeader();
    int others = 0;
    for (int i = 0; i < header.count(); ++i)
      if (i != column_) others += header.sectionSize(i);
    const bool room = view_.viewport()->width() - others >= least_;
    const auto mode = room ? QHeaderView::Stretch : QHeaderView::Interactive;
    if (header.sectionResizeMode(column_) == mode) return;
    header.setSectionResizeMode(column_, mode);
    if (!room) header.resizeSection(column_, least_);
  }

  QTableView& view_;
  QObject* viewport_;
  int column_;
  int least_;
};

}  // namespace

VeskoQtTable::VeskoQtTable(QTableView& view, std::span<const VeskoColumn> columns)
    : view_(view), model_(new VeskoRowsModel(columns, &view)) {
  view_.setModel(model_);
  view_.setSelectionBehavior(QAbstractItemView::SelectRows);
  view_.setShowGrid(false);
  view_.setWordWrap(false);
  view_.setAlternatingRowColors(true);
  view_.verticalHeader()->hide();
  // Rows of one height: the view never measures a million of them.
  view_.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_.verticalHeader()->setDefaultSectionSize(QFontMetrics(view_.font()).height() + 4);
  view_.horizontalHeader()->setSectionsClickable(true);
  view_.horizontalHeader()->setHighlightSections(false);
  view_.horizontalHeader()->setStretchLastSection(true);
  const double scale = view_.logicalDpiX() / 1440.0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    view_.setColumnWidth(static_cast<int>(i), static_cast<int>(columns[i].width * scale));
    // The column with the distinctive text (a folder, a root) takes the spare width.
    if (columns[i].takes_spare_width) {
      view_.horizontalHeader()->setSectionResizeMode(static_cast<int>(i), QHeaderView::Stretch);
      view_.horizontalHeader()->setStretchLastSection(false);
      new SpareColumnFloor(view_, static_cast<int>(i), static_cast<int>(columns[i].width * scale));
    }
  }
  // A long folder keeps its start and its end, where folders differ.
  view_.setTextElideMode(Qt::ElideMiddle);
}

void VeskoQtTable::rowsChanged() {
  model_->reset();
  view_.scrollToTop();
}

void VeskoQtTable::rowsRefreshed() {
  const int scrolled = view_.verticalScrollBar()->value();
  const QModelIndex current = view_.currentIndex();
  const int row = current.isValid() ? current.row() : -1;
  const int column = current.isValid() ? current.column() : 0;
  model_->reset(true);
  if (row >= 0 && row < model_->rowCount({}))
    view_.selectionModel()->setCurrentIndex(model_->index(row, column),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view_.verticalScrollBar()->setValue(scrolled);
}

std::size_t VeskoQtTable::topRow() const {
  const int row = view_.rowAt(0);
  return row < 0 ? 0 : static_cast<std::size_t>(row);
}

void VeskoQtTable::selectRows(const std::vector<std::size_t>& rows) {
  quiet_ = true;
  QItemSelection selection;
  for (const std::size_t row : rows) {
    if (row >= static_cast<std::size_t>(model_->rowCount({}))) continue;
    const QModelIndex index = model_->index(static_cast<int>(row), 0);
    selection.select(index, index);
  }
  view_.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (!selection.isEmpty())
    view_.selectionModel()->setCurrentIndex(selection.indexes().front(), QItemSelectionModel::NoUpdate);
  quiet_ = false;
}

std::vector<std::size_t> VeskoQtTable::selectedRows() const {
  std::vector<std::size_t> rows;
  if (view_.selectionModel() == nullptr) return rows;
  for (const QModelIndex& index : view_.selectionModel()->selectedRows()) rows.push_back(static_cast<std::size_t>(index.row()));
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::optional<std::size_t> VeskoQtTable::currentRow() const {
  const QModelIndex current = view_.currentIndex();
  if (!current.isValid()) return std::nullopt;
  return static_cast<std::size_t>(current.row());
}

void VeskoQtTable::showSortColumn(int column, bool descending) {
  view_.horizontalHeader()->setSortIndicatorShown(true);
  view_.horizontalHeader()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

}  // namespace korvint::hosts::qt
