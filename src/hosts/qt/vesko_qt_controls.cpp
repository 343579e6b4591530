#include "hosts/qt/vesko_qt_controls.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "hosts/qt/qt_text.h"
#include "ui/column_fit.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

// Hands the table the events it follows: the viewport resized (the columns
// fit again), a mouse button held on the header (a resize then is the user's).
class TableHooks final : public QObject {
 public:
  TableHooks(VeskoQtTable& table, QTableView& view)
      : QObject(&view), table_(table), viewport_(view.viewport()), header_(view.horizontalHeader()->viewport()) {
    viewport_->installEventFilter(this);
    header_->installEventFilter(this);
  }

  // Compares with the widgets kept, not asked of the view: the filter also
  // sees the events of the view's destruction, when its scroll area is gone.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == viewport_ && event->type() == QEvent::Resize) table_.fit_to_texts();
    if (watched == header_) {
      if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        table_.header_held_ = true;
      if (event->type() == QEvent::MouseButtonRelease) table_.header_held_ = false;
    }
    return false;
  }

 private:
  VeskoQtTable& table_;
  QObject* viewport_;
  QObject* header_;
};

VeskoQtTable::VeskoQtTable(QTableView& view, std::span<const VeskoColumn> columns)
    : view_(view), model_(new VeskoRowsModel(columns, &view)), columns_(columns), user_sized_(columns.size()) {
  view_.setModel(model_);
  view_.setSelectionBehavior(QAbstractItemView::SelectRows);
  view_.setShowGrid(false);
  view_.setWordWrap(false);
  view_.setAlternatingRowColors(true);
  view_.verticalHeader()->hide();
  // Rows of one height: the view never measures a million of them.
  view_.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_.verticalHeader()->setDefaultSectionSize(QFontMetrics(view_.font()).height() + 4);
  QHeaderView& header = *view_.horizontalHeader();
  header.setSectionsClickable(true);
  header.setHighlightSections(false);
  header.setStretchLastSection(true);
  const double scale = view_.logicalDpiX() / 1440.0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    view_.setColumnWidth(static_cast<int>(i), static_cast<int>(columns[i].width * scale));
    // The column with the distinctive text (a folder, a root) takes the spare width.
    if (columns[i].takes_spare_width) {
      header.setSectionResizeMode(static_cast<int>(i), QHeaderView::Stretch);
      header.setStretchLastSection(false);
      spare_ = static_cast<int>(i);
      spare_least_ = spare_least_width(columns[i], view_.logicalDpiX());
    }
  }
  // A long folder keeps its start and its end, where folders differ.
  view_.setTextElideMode(Qt::ElideMiddle);
  hooks_ = new TableHooks(*this, view_);
  QObject::connect(&header, &QHeaderView::sectionResized, hooks_,
                   [this](int column, int, int) { on_section_resized(column); });
}

VeskoQtTable::~VeskoQtTable() { delete hooks_; }

void VeskoQtTable::on_section_resized(int column) {
  if (fitting_ || !header_held_ || column == spare_ || column < 0 || column >= static_cast<int>(user_sized_.size()))
    return;
  user_sized_[static_cast<std::size_t>(column)] = true;
}

void VeskoQtTable::fit_to_texts() {
  if (fitting_) return;
  fitting_ = true;
  QHeaderView& header = *view_.horizontalHeader();
  const QFontMetrics metrics(view_.font());
  // The item view's margins either side of a cell's text, and a pixel or two to spare.
  const int margins = 2 * (view_.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view_) + 1) + 2;
  const int count = std::min(header.count(), static_cast<int>(columns_.size()));
  const int rows = model_->rowCount({});
  const int first = rows <= kFitEveryRowUpTo ? 0 : std::max(0, view_.rowAt(0));
  const int bottom = view_.rowAt(view_.viewport()->height() - 1);
  const int last = rows <= kFitEveryRowUpTo || bottom < 0 ? rows - 1 : bottom;
  std::vector<int> texts(static_cast<std::size_t>(count));
  std::vector<int> user(static_cast<std::size_t>(count));
  for (int column = 0; column < count; ++column) {
    const VeskoColumn& shape = columns_[static_cast<std::size_t>(column)];
    // The user's widths, and those of columns that never fit, stay as they are.
    if (user_sized_[static_cast<std::size_t>(column)] || !fits_texts(shape)) {
      if (column != spare_) user[static_cast<std::size_t>(column)] = header.sectionSize(column);
      continue;
    }
    int text = shape.longest.empty() ? 0 : metrics.horizontalAdvance(to_qt(shape.longest)) + margins;
    if (fits_rows(shape))
      for (int row = first; row <= last; ++row)
        text = std::max(text, metrics.horizontalAdvance(model_->index(row, column).data().toString()) + margins);
    texts[static_cast<std::size_t>(column)] = text;
  }
  const std::vector<int> widths =
      fit_columns(columns_.first(static_cast<std::size_t>(count)), texts, user, view_.viewport()->width(),
                  view_.logicalDpiX());
  for (int column = 0; column < count; ++column)
    if (column != spare_ && user[static_cast<std::size_t>(column)] == 0 &&
        widths[static_cast<std::size_t>(column)] != header.sectionSize(column))
      header.resizeSection(column, widths[static_cast<std::size_t>(column)]);
  fitting_ = false;
  keep_spare_floor();
}

void VeskoQtTable::keep_spare_floor() {
  if (spare_ < 0) return;
  QHeaderView& header = *view_.horizontalHeader();
  int others = 0;
  for (int i = 0; i < header.count(); ++i)
    if (i != spare_) others += header.sectionSize(i);
  const bool room = view_.viewport()->width() - others >= spare_least_;
  const auto mode = room ? QHeaderView::Stretch : QHeaderView::Interactive;
  if (header.sectionResizeMode(spare_) == mode) return;
  fitting_ = true;
  header.setSectionResizeMode(spare_, mode);
  if (!room) header.resizeSection(spare_, spare_least_);
  fitting_ = false;
}

std::vector<int> VeskoQtTable::user_widths() const {
  std::vector<int> widths;
  for (std::size_t i = 0; i < user_sized_.size(); ++i)
    widths.push_back(user_sized_[i] ? view_.columnWidth(static_cast<int>(i)) : 0);
  return widths;
}

void VeskoQtTable::restore_user_widths(const std::vector<int>& widths) {
  fitting_ = true;
  for (std::size_t i = 0; i < widths.size() && i < user_sized_.size(); ++i) {
    if (static_cast<int>(i) == spare_ || widths[i] <= 0) continue;
    view_.setColumnWidth(static_cast<int>(i), widths[i]);
    user_sized_[i] = true;
  }
  fitting_ = false;
  fit_to_texts();
}

void VeskoQtTable::rowsChanged() {
  model_->reset();
  view_.scrollToTop();
  fit_to_texts();
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
  fit_to_texts();
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
