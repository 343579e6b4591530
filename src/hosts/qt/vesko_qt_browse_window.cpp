#include "hosts/qt/vesko_qt_browse_window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>
#include <vector>

#include "hosts/qt/qt_text.h"
#include "hosts/qt/window_place.h"
#include "ui/control_shape.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

void FolderTreeModel::set_tree(const TreeRows* tree) {
  beginResetModel();
  tree_ = tree;
  endResetModel();
}

void FolderTreeModel::reset() {
  beginResetModel();
  endResetModel();
}

QModelIndex FolderTreeModel::index_of(TreeRows::Node node) const {
  if (tree_ == nullptr) return {};
  const auto up = tree_->parent(node);
  return createIndex(up ? static_cast<int>(tree_->index_of(node)) : 0, 0, static_cast<quintptr>(node));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (tree_ == nullptr || row < 0 || column < 0 || column >= columnCount(parent)) return {};
  if (!parent.isValid()) {
    const auto root = tree_->root();
    return root && row == 0 ? createIndex(0, column, static_cast<quintptr>(*root)) : QModelIndex();
  }
  const TreeRows::Node up = node_of(parent);
  if (static_cast<std::size_t>(row) >= tree_->child_count(up)) return {};
  return createIndex(row, column, static_cast<quintptr>(tree_->child(up, static_cast<std::size_t>(row))));
}

QModelIndex FolderTreeModel::parent(const QModelIndex& index) const {
  if (tree_ == nullptr || !index.isValid()) return {};
  const auto up = tree_->parent(node_of(index));
  return up ? index_of(*up) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (tree_ == nullptr) return 0;
  if (!parent.isValid()) return tree_->root() ? 1 : 0;
  if (parent.column() != 0) return 0;
  return static_cast<int>(tree_->child_count(node_of(parent)));
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return static_cast<int>(browse_folder_columns().size()); }

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
  if (tree_ == nullptr || !index.isValid()) return {};
  const VeskoColumn& column = browse_folder_columns()[static_cast<std::size_t>(index.column())];
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(column.right_aligned ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  tree_->cell(node_of(index), index.column(), cell_);
  return to_qt(cell_);
}

QVariant FolderTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount({})) return {};
  const VeskoColumn& column = browse_folder_columns()[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return to_qt(column.title);
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(column.right_aligned ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

/// The status line as a Label: plain text, cut at its end, whole in its tooltip.
class VeskoQtBrowseWindow::StatusLabel final : public Label {
 public:
  explicit StatusLabel(QLabel& label) : label_(label) {}
  [[nodiscard]] std::string caption() const override { return from_qt(label_.text()); }
  void setCaption(std::string_view caption) override {
    label_.setText(to_qt(caption));
    label_.setToolTip(to_qt(caption));
  }

 private:
  QLabel& label_;
};

VeskoQtBrowseWindow::VeskoQtBrowseWindow(QWidget& owner, BrowseEvents& events)
    : QWidget(&owner, Qt::Window), events_(events) {
  setObjectName(QStringLiteral("browseWindow"));
  auto* layout = new QVBoxLayout(this);
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setChildrenCollapsible(false);
  tree_ = new QTreeView(splitter_);
  tree_->setObjectName(QStringLiteral("tvwFolders"));
  model_ = new FolderTreeModel(tree_);
  tree_->setModel(model_);
  tree_->setUniformRowHeights(true);  // a folder of many thousands opens without measuring them
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_->header()->setSectionsClickable(true);
  tree_->header()->setSortIndicatorShown(true);
  tree_->header()->setStretchLastSection(false);
  tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  for (std::size_t i = 1; i < browse_folder_columns().size(); ++i)
    tree_->header()->resizeSection(static_cast<int>(i), twips_to_pixels(browse_folder_columns()[i].width, dpi));
  for (int i = 0; i < tree_->header()->count(); ++i) folder_widths_.push_back(tree_->header()->sectionSize(i));
  // A total's column resized by the user is the width wanted from now on.
  connect(tree_->header(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
    if (!fitting_ && column > 0 && column < static_cast<int>(folder_widths_.size()))
      folder_widths_[static_cast<std::size_t>(column)] = width;
  });
  files_view_ = new QTableView(splitter_);
  files_view_->setObjectName(QStringLiteral("lstFiles"));
  files_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  files_view_->setContextMenuPolicy(Qt::CustomContextMenu);
  files_ = std::make_unique<VeskoQtTable>(*files_view_, browse_file_columns());
  files_view_->horizontalHeader()->setSortIndicatorShown(false);
  splitter_->addWidget(tree_);
  splitter_->addWidget(files_view_);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 1);
  layout->addWidget(splitter_, 1);
  status_label_ = new QLabel(this);
  status_label_->setObjectName(QStringLiteral("lblBrowseStatus"));
  status_label_->setTextFormat(Qt::PlainText);
  // The label's text never widens the window.
  status_label_->setMinimumWidth(1);
  status_label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  layout->addWidget(status_label_);
  status_ = std::make_unique<StatusLabel>(*status_label_);
  setMinimumSize(twips_to_pixels(kVeskoMinWidthTwips, dpi), twips_to_pixels(3600, dpi));
  resize(twips_to_pixels(13200, dpi), twips_to_pixels(kVeskoClientHeightTwips, dpi));

  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    if (!quiet_) events_.browse_FolderSelected();
  });
  connect(tree_->header(), &QHeaderView::sectionClicked, this, [this](int column) { events_.browse_TreeHeaderClick(column); });
  connect(tree_, &QTreeView::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = tree_->indexAt(at);
    if (!index.isValid()) return;
    tree_->setCurrentIndex(index);
    events_.browse_TreeContextMenu();
  });
  connect(files_view_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { events_.browse_FilesHeaderClick(column); });
  connect(files_view_, &QTableView::doubleClicked, this, [this] { events_.browse_FileOpen(); });
  connect(files_view_, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = files_view_->indexAt(at);
    if (!index.isValid()) return;
    files_view_->setCurrentIndex(index);
    events_.browse_FilesContextMenu();
  });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { close(); });
  tree_->installEventFilter(this);
  tree_->viewport()->installEventFilter(this);  // its width is what the columns share
  files_view_->installEventFilter(this);
}

VeskoQtBrowseWindow::~VeskoQtBrowseWindow() = default;

void VeskoQtBrowseWindow::showBrowse(std::string_view title) {
  setWindowTitle(to_qt(title));
  show();
  raise();
  activateWindow();
}

namespace {

// The widths of `header`'s sections, in their order.
std::vector<int> section_widths(const QHeaderView& header) {
  std::vector<int> widths;
  for (int i = 0; i < header.count(); ++i) widths.push_back(header.sectionSize(i));
  return widths;
}

// Gives `header`'s sections `widths`, except one that stretches (it takes what the others leave).
void set_section_widths(QHeaderView& header, const std::vector<int>& widths) {
  for (int i = 0; i < std::min<int>(header.count(), static_cast<int>(widths.size())); ++i)
    if (header.sectionResizeMode(i) != QHeaderView::Stretch && widths[static_cast<std::size_t>(i)] > 0)
      header.resizeSection(i, widths[static_cast<std::size_t>(i)]);
}

}  // namespace

void VeskoQtBrowseWindow::restore(const VeskoWindowMemory& remembered) {
  const VeskoWindowMemory memory = at_dpi(remembered, logicalDpiX() > 0 ? logicalDpiX() : 96);
  if (memory.browse_rect) place_on_screen(*this, *memory.browse_rect);
  if (memory.browse_maximized) setWindowState(windowState() | Qt::WindowMaximized);
  for (std::size_t i = 1; i < std::min(folder_widths_.size(), memory.browse_folder_widths.size()); ++i)
    if (memory.browse_folder_widths[i] > 0) folder_widths_[i] = memory.browse_folder_widths[i];
  fit_folder_columns();
  set_section_widths(*files_view_->horizontalHeader(), memory.browse_file_widths);
  // The splitter has its panes' sizes to share once the window is laid out, when first shown.
  split_ = memory.browse_split;
}

void VeskoQtBrowseWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!split_) return;
  const int both = splitter_->sizes().value(0) + splitter_->sizes().value(1);
  splitter_->setSizes({*split_, std::max(0, both - *split_)});
  split_.reset();
}

void VeskoQtBrowseWindow::remember(VeskoWindowMemory& memory) const {
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  const auto at = [dpi, &memory](int pixels) { return dpi > 0 ? pixels * memory.dpi / dpi : pixels; };
  if (const PixelRect place = place_of(*this); place.width > 0 && place.height > 0)
    memory.browse_rect = PixelRect{place.left, place.top, at(place.width), at(place.height)};
  memory.browse_maximized = isMaximized();
  memory.browse_split = at(split_.value_or(splitter_->sizes().value(0)));
  memory.browse_folder_widths.clear();
  memory.browse_file_widths.clear();
  for (const int width : folder_widths_) memory.browse_folder_widths.push_back(at(width));
  for (const int width : section_widths(*files_view_->horizontalHeader())) memory.browse_file_widths.push_back(at(width));
}

void VeskoQtBrowseWindow::treeChanged(std::optional<TreeRows::Node> selected) {
  quiet_ = true;
  model_->reset();
  const QModelIndex root = model_->index(0, 0, {});
  if (root.isValid()) tree_->expand(root);
  if (selected) {
    const QModelIndex index = model_->index_of(*selected);
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) tree_->expand(up);
    tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tree_->scrollTo(index);
  }
  quiet_ = false;
}

std::optional<TreeRows::Node> VeskoQtBrowseWindow::selectedFolder() const {
  const QModelIndex current = tree_->currentIndex();
  if (!current.isValid()) return std::nullopt;
  return FolderTreeModel::node_of(current);
}

void VeskoQtBrowseWindow::showSortColumn(int column, bool descending) {
  tree_->header()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void VeskoQtBrowseWindow::closeEvent(QCloseEvent* event) {
  events_.browse_Closed();
  QWidget::closeEvent(event);
}

void VeskoQtBrowseWindow::fit_folder_columns() {
  // In a narrow tree the totals give way, in proportion, until the names keep two fifths of it.
  const int room = tree_->viewport()->width();
  int others = 0;
  for (std::size_t i = 1; i < folder_widths_.size(); ++i) others += folder_widths_[i];
  const int least_name = room * 2 / 5;
  fitting_ = true;
  for (std::size_t i = 1; i < folder_widths_.size(); ++i) {
    const int wanted = folder_widths_[i];
    const int shown = others > 0 && room - others < least_name ? std::max(1, wanted * (room - least_name) / others) : wanted;
    tree_->header()->resizeSection(static_cast<int>(i), shown);
  }
  fitting_ = false;
}

bool VeskoQtBrowseWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_->viewport() && event->type() == QEvent::Resize) fit_folder_columns();
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool menu_key = key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && (key->modifiers() & Qt::ShiftModifier));
  if (watched == files_view_) {
    if (key->matches(QKeySequence::Copy)) {
      events_.browse_Copy();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      events_.browse_FileOpen();
      return true;
    }
    if (menu_key) {
      events_.browse_FilesContextMenu();
      return true;
    }
  }
  if (watched == tree_ && menu_key) {
    events_.browse_TreeContextMenu();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace korvint::hosts::qt
