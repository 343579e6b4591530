#pragma once
// What the browse window shows of one catalogue's FolderTree: the folders as
// a tree sorted by name or by what lies below them (each folder's children
// sorted when it is first shown, kept as numbers), and the files of one
// folder as a table sorted by a column. Names are read from the catalogue
// when the host asks for a cell.

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "jobs/vesko_view_rows.h"
#include "search/folder_totals.h"
#include "ui/vesko_browse.h"

namespace korvint::jobs {

/// What the folders are sorted by: the tree's columns.
enum class FolderOrder { Name, Size, Files, Folders };

/// The folder tree, in the order chosen.
class FolderTreeRows final : public ui::TreeRows {
 public:
  explicit FolderTreeRows(std::string code_page = {}) : decoder_(std::move(code_page)) {}
  /// Shows `tree` from now on (nullptr: none).
  void show(std::shared_ptr<const search::FolderTree> tree);
  /// Sorts every folder's children by `order` from now on: names A to Z,
  /// totals largest first; `descending` the other way round.
  void sort(FolderOrder order, bool descending);
  [[nodiscard]] FolderOrder order() const { return order_; }
  [[nodiscard]] bool descending() const { return descending_; }
  [[nodiscard]] const std::shared_ptr<const search::FolderTree>& tree() const { return tree_; }

  [[nodiscard]] std::optional<Node> root() const override;
  [[nodiscard]] std::size_t child_count(Node node) const override;
  [[nodiscard]] Node child(Node node, std::size_t index) const override;
  [[nodiscard]] std::optional<Node> parent(Node node) const override;
  [[nodiscard]] std::size_t index_of(Node node) const override;
  void cell(Node node, int column, std::string& out) const override;

 private:
  // The children of `node` in the order chosen, sorted the first time asked for.
  const std::vector<Node>& children(Node node) const;

  std::shared_ptr<const search::FolderTree> tree_;
  FolderOrder order_ = FolderOrder::Size;
  bool descending_ = false;
  mutable search::NameDecoder decoder_;
  mutable std::unordered_map<Node, std::vector<Node>> sorted_;  ///< only of the folders shown
  mutable std::vector<std::uint32_t> position_;                 ///< each folder's place among its parent's children
};

/// The files of one folder, sorted by a column (Name, Size, Date).
class FolderFileRows final : public ViewRows {
 public:
  /// Shows `files`, the files of `folder` (its line) in `catalogue`, in catalogue order.
  void show(std::shared_ptr<const search::Catalogue> catalogue, std::uint64_t folder,
            std::vector<search::FolderFile> files);
  /// Sorts by `column` (of ui::browse_file_columns()); nullopt: catalogue order.
  void sort(std::optional<int> column, bool descending);
  /// The row of the file whose line is at `line`; nullopt when it is not shown.
  [[nodiscard]] std::optional<std::size_t> row_of_line(std::uint64_t line) const;

  [[nodiscard]] std::size_t row_count() const override { return order_.size(); }
  void cell(std::size_t row, int column, std::string& out) const override;
  [[nodiscard]] std::span<const ui::VeskoColumn> columns() const override;
  [[nodiscard]] std::optional<ViewEntry> entry(std::size_t row) const override;

 private:
  std::shared_ptr<const search::Catalogue> catalogue_;
  std::uint64_t folder_ = search::kRootFolder;
  std::vector<search::FolderFile> files_;
  std::vector<std::size_t> order_;  ///< the file shown in each row
};

}  // namespace korvint::jobs
