#include "jobs/browse_rows.h"

#include <algorithm>
#include <numeric>

#include "catalogue/calendar_time.h"
#include "jobs/vesko_rows.h"
#include "search/name_order.h"
#include "search/quantity_text.h"

namespace korvint::jobs {
namespace {

// Sorts `items` (stable) by their natural name keys, or by `number` of each, as `descending` says.
template <typename Item, typename NameOf, typename NumberOf>
void sort_items(std::vector<Item>& items, bool by_name, bool descending, NameOf name_of, NumberOf number_of) {
  if (by_name) {
    std::vector<std::pair<std::string, Item>> keyed;
    keyed.reserve(items.size());
    for (const Item& item : items) {
      std::string key;
      search::append_sort_key(name_of(item), key);
      keyed.emplace_back(std::move(key), item);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
      const int c = search::compare_natural(a.first, b.first);
      return descending ? c > 0 : c < 0;
    });
    for (std::size_t i = 0; i < items.size(); ++i) items[i] = keyed[i].second;
    return;
  }
  std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    return descending ? number_of(a) > number_of(b) : number_of(a) < number_of(b);
  });
}

}  // namespace

void FolderTreeRows::show(std::shared_ptr<const search::FolderTree> tree) {
  tree_ = std::move(tree);
  sorted_.clear();
  position_.assign(tree_ ? tree_->size() : 0, 0);
}

void FolderTreeRows::sort(FolderOrder order, bool descending) {
  order_ = order;
  descending_ = descending;
  sorted_.clear();
}

std::optional<ui::TreeRows::Node> FolderTreeRows::root() const {
  if (!tree_) return std::nullopt;
  return search::FolderTree::kRoot;
}

const std::vector<ui::TreeRows::Node>& FolderTreeRows::children(Node node) const {
  if (const auto found = sorted_.find(node); found != sorted_.end()) return found->second;
  std::vector<Node> children = tree_->children(node);
  const search::FolderTree& tree = *tree_;
  std::string name;
  auto name_of = [&](Node child) -> const std::string& {
    name = tree.name(child, decoder_).value_or(std::string());
    return name;
  };
  auto number_of = [&](Node child) {
    const search::FolderTotals& totals = tree.totals(child);
    return order_ == FolderOrder::Files ? totals.files : order_ == FolderOrder::Folders ? totals.folders : totals.bytes;
  };
  // Names A to Z; totals largest first.
  const bool by_name = order_ == FolderOrder::Name;
  sort_items(children, by_name, by_name ? descending_ : !descending_, name_of, number_of);
  for (std::size_t i = 0; i < children.size(); ++i) position_[children[i]] = static_cast<std::uint32_t>(i);
  return sorted_.emplace(node, std::move(children)).first->second;
}

std::size_t FolderTreeRows::child_count(Node node) const {
  if (!tree_) return 0;
  // A folder not opened yet needs no order to be counted.
  if (!sorted_.contains(node)) {
    std::size_t count = 0;
    for (Node child = tree_->first_child(node); child != search::FolderTree::kNone; child = tree_->next_sibling(child))
      ++count;
    return count;
  }
  return children(node).size();
}

ui::TreeRows::Node FolderTreeRows::child(Node node, std::size_t index) const { return children(node).at(index); }

std::optional<ui::TreeRows::Node> FolderTreeRows::parent(Node node) const {
  if (!tree_ || node >= tree_->size()) return std::nullopt;
  const Node up = tree_->parent(node);
  if (up == search::FolderTree::kNone) return std::nullopt;
  return up;
}

std::size_t FolderTreeRows::index_of(Node node) const {
  const auto up = parent(node);
  if (!up) return 0;
  children(*up);  // places its children
  return position_[node];
}

void FolderTreeRows::cell(Node node, int column, std::string& out) const {
  out.clear();
  if (!tree_ || node >= tree_->size()) return;
  const search::FolderTotals& totals = tree_->totals(node);
  switch (column) {
    case 0: out = tree_->name(node, decoder_).value_or(std::string()); break;
    case 1: out = search::byte_size_text(totals.bytes); break;
    case 2: out = group_digits(totals.files); break;
    case 3: out = group_digits(totals.folders); break;
    default: break;
  }
}

void FolderFileRows::show(std::shared_ptr<const search::Catalogue> catalogue, std::uint64_t folder,
                          std::vector<search::FolderFile> files) {
  catalogue_ = std::move(catalogue);
  folder_ = folder;
  files_ = std::move(files);
  order_.resize(files_.size());
  std::iota(order_.begin(), order_.end(), std::size_t{0});
}

void FolderFileRows::sort(std::optional<int> column, bool descending) {
  std::iota(order_.begin(), order_.end(), std::size_t{0});
  if (!column) return;
  auto name_of = [this](std::size_t file) -> const std::string& { return files_[file].name; };
  auto number_of = [this, column](std::size_t file) {
    return *column == 1 ? files_[file].size : files_[file].time.packed();
  };
  sort_items(order_, *column == 0, descending, name_of, number_of);
}

std::optional<std::size_t> FolderFileRows::row_of_line(std::uint64_t line) const {
  for (std::size_t row = 0; row < order_.size(); ++row)
    if (files_[order_[row]].line == line) return row;
  return std::nullopt;
}

void FolderFileRows::cell(std::size_t row, int column, std::string& out) const {
  out.clear();
  const search::FolderFile& file = files_[order_[row]];
  switch (column) {
    case 0: out = file.name; break;
    case 1: out = group_digits(file.size); break;
    case 2: catalogue::append_time_text(out, file.time); break;
    default: break;
  }
}

std::span<const ui::VeskoColumn> FolderFileRows::columns() const { return ui::browse_file_columns(); }

std::optional<ViewEntry> FolderFileRows::entry(std::size_t row) const {
  if (row >= order_.size() || !catalogue_) return std::nullopt;
  const search::FolderFile& file = files_[order_[row]];
  search::Hit hit;
  hit.line = file.line;
  hit.folder = folder_;
  hit.size = file.size;
  hit.bits = file.time.packed();
  return ViewEntry{catalogue_.get(), hit};
}

}  // namespace korvint::jobs
