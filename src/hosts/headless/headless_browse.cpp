#include "hosts/headless/headless_browse.h"

namespace korvint::hosts::headless {

void HeadlessFolderTree::treeChanged(std::optional<TreeRows::Node> selected) {
  ++changes;
  selected_ = tree_ != nullptr && tree_->root() ? selected : std::nullopt;
}

std::string HeadlessFolderTree::node_text(TreeRows::Node node) const {
  std::string text, cell;
  for (int column = 0; column < static_cast<int>(browse_folder_columns().size()); ++column) {
    tree_->cell(node, column, cell);
    text += (column == 0 ? "" : "\t") + cell;
  }
  return text;
}

std::vector<std::string> HeadlessFolderTree::child_names(std::optional<TreeRows::Node> node) const {
  std::vector<std::string> names;
  if (tree_ == nullptr || !tree_->root()) return names;
  const TreeRows::Node parent = node.value_or(*tree_->root());
  std::string name;
  for (std::size_t i = 0; i < tree_->child_count(parent); ++i) {
    tree_->cell(tree_->child(parent, i), 0, name);
    names.push_back(name);
  }
  return names;
}

std::optional<TreeRows::Node> HeadlessFolderTree::child_named(std::string_view name,
                                                              std::optional<TreeRows::Node> node) const {
  if (tree_ == nullptr || !tree_->root()) return std::nullopt;
  const TreeRows::Node parent = node.value_or(*tree_->root());
  std::string cell;
  for (std::size_t i = 0; i < tree_->child_count(parent); ++i) {
    tree_->cell(tree_->child(parent, i), 0, cell);
    if (cell == name) return tree_->child(parent, i);
  }
  return std::nullopt;
}

std::string HeadlessFolderTree::selected_path() const {
  std::string path;
  if (tree_ == nullptr || !selected_) return path;
  std::string name;
  for (auto node = selected_; node && tree_->parent(*node); node = tree_->parent(*node)) {
    tree_->cell(*node, 0, name);
    path = path.empty() ? name : name + "/" + path;
  }
  return path;
}

}  // namespace korvint::hosts::headless
