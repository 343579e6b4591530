#pragma once
// Vesko's browse window over Qt: a window of its own beside the main one,
// the folder tree (a QTreeView over a model that asks the tree's rows for
// what it paints) and the selected folder's files side by side, a status
// line below; its events go to the browse handlers.

#include <QAbstractItemModel>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hosts/qt/vesko_qt_controls.h"
#include "ui/vesko_browse.h"
#include "ui/window_memory.h"

class QLabel;
class QSplitter;
class QTableView;
class QTreeView;

namespace korvint::hosts::qt {
using namespace korvint::ui;

/// A Qt item model over TreeRows: an index's internal id is its folder's number.
class FolderTreeModel final : public QAbstractItemModel {
 public:
  explicit FolderTreeModel(QObject* parent) : QAbstractItemModel(parent) {}
  /// Shows `tree` (nullptr: none) and tells the views everything changed.
  void set_tree(const TreeRows* tree);
  /// The tree changed: the views show it anew.
  void reset();
  /// The index of `node`'s first column.
  [[nodiscard]] QModelIndex index_of(TreeRows::Node node) const;
  [[nodiscard]] static TreeRows::Node node_of(const QModelIndex& index) {
    return static_cast<TreeRows::Node>(index.internalId());
  }

  [[nodiscard]] QModelIndex index(int row, int column, const QModelIndex& parent) const override;
  [[nodiscard]] QModelIndex parent(const QModelIndex& index) const override;
  [[nodiscard]] int rowCount(const QModelIndex& parent) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent) const override;
  [[nodiscard]] bool hasChildren(const QModelIndex& parent) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const TreeRows* tree_ = nullptr;
  mutable std::string cell_;
};

class VeskoQtBrowseWindow final : public QWidget, public BrowseWindow, public FolderTreeView {
 public:
  /// A top-level window kept above `owner`, its events going to `events`.
  VeskoQtBrowseWindow(QWidget& owner, BrowseEvents& events);
  ~VeskoQtBrowseWindow() override;

  FolderTreeView& tvwFolders() override { return *this; }
  TableView& lstFiles() override { return *files_; }
  Label& lblBrowseStatus() override { return *status_; }
  void showBrowse(std::string_view title) override;

  void setTree(const TreeRows* tree) override { model_->set_tree(tree); }
  void treeChanged(std::optional<TreeRows::Node> selected) override;
  [[nodiscard]] std::optional<TreeRows::Node> selectedFolder() const override;
  void showSortColumn(int column, bool descending) override;

  /// Puts the window, not shown yet, where `memory` (at the window's
  /// resolution) says it was left: place, splitter, column widths.
  void restore(const VeskoWindowMemory& memory);
  /// Writes the window's place, splitter and column widths into `memory`.
  void remember(VeskoWindowMemory& memory) const;

  [[nodiscard]] QTreeView& tree() const { return *tree_; }
  [[nodiscard]] QSplitter& splitter() const { return *splitter_; }
  [[nodiscard]] QTableView& files() const { return *files_view_; }
  [[nodiscard]] QLabel& status() const { return *status_label_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class StatusLabel;
  BrowseEvents& events_;
  QSplitter* splitter_ = nullptr;
  QTreeView* tree_ = nullptr;
  FolderTreeModel* model_ = nullptr;  // owned by the tree
  QTableView* files_view_ = nullptr;
  QLabel* status_label_ = nullptr;
  std::unique_ptr<VeskoQtTable> files_;
  std::unique_ptr<Label> status_;
  bool quiet_ = false;  ///< true while the program selects a folder
  // The totals' columns as wanted, shown narrower in a narrow tree.
  void fit_folder_columns();
  std::vector<int> folder_widths_;  ///< the tree's columns as made, resized or remembered
  bool fitting_ = false;            ///< true while fit_folder_columns() resizes them
  std::optional<int> split_;  ///< the tree's width remembered, put back when first shown
};

}  // namespace korvint::hosts::qt
