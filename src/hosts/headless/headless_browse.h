#pragma once
// Vesko's browse window without a toolkit: a tree that reads its folders
// through the model as a tree control would, the files' table and a status
// line. Tests play the user on it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/headless/headless_controls.h"
#include "hosts/headless/vesko_headless.h"
#include "ui/vesko_browse.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;

/// A tree that keeps the selected folder and the sort shown.
class HeadlessFolderTree final : public FolderTreeView {
 public:
  void setTree(const TreeRows* tree) override { tree_ = tree; }
  void treeChanged(std::optional<TreeRows::Node> selected) override;
  [[nodiscard]] std::optional<TreeRows::Node> selectedFolder() const override { return selected_; }
  void showSortColumn(int column, bool descending) override { sort_column = column, sort_descending = descending; }

  /// The cells of `node`, joined with TAB, read through the model.
  [[nodiscard]] std::string node_text(TreeRows::Node node) const;
  /// The names of the children of `node` (the root when nullopt), in the order shown.
  [[nodiscard]] std::vector<std::string> child_names(std::optional<TreeRows::Node> node = std::nullopt) const;
  /// The child of `node` (the root when nullopt) named `name`; nullopt when none.
  [[nodiscard]] std::optional<TreeRows::Node> child_named(std::string_view name,
                                                          std::optional<TreeRows::Node> node = std::nullopt) const;
  /// The names from the root's child down to the selected folder, joined with "/".
  [[nodiscard]] std::string selected_path() const;
  /// Plays the user selecting `node`.
  void user_selects(TreeRows::Node node) { selected_ = node; }

  int changes = 0;  ///< how often the tree was shown anew
  int sort_column = -1;
  bool sort_descending = false;

 private:
  const TreeRows* tree_ = nullptr;
  std::optional<TreeRows::Node> selected_;
};

/// The browse window: the tree, the files, a status line, and its title.
class HeadlessBrowseWindow final : public BrowseWindow {
 public:
  explicit HeadlessBrowseWindow(BrowseEvents& events) : events(events) {}
  FolderTreeView& tvwFolders() override { return tree; }
  TableView& lstFiles() override { return files; }
  Label& lblBrowseStatus() override { return status; }
  void showBrowse(std::string_view browse_title) override {
    title = browse_title;
    shown = true;
  }

  BrowseEvents& events;  ///< the test plays the user through it
  HeadlessFolderTree tree;
  HeadlessTable files{static_cast<int>(browse_file_columns().size())};
  HeadlessLabel status;
  std::string title;
  bool shown = false;
};

}  // namespace korvint::hosts::headless
