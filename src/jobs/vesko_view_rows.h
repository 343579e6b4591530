#pragma once
// What the view window's table shows: the duplicates as groups, each a row
// of its own (copies, size, bytes wasted) followed by its files; or two
// catalogues compared as three groups (only in A, only in B, changed), each
// under a row naming it. Cells are made when the host asks for them. Sorted
// by a column, the groups keep together: the duplicates' groups sort among
// themselves and their files within each; the comparison's entries sort
// within their group. The order is made on the worker and handed over.

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jobs/vesko_rows.h"
#include "search/compare.h"
#include "search/duplicates.h"
#include "ui/vesko_layout.h"

namespace korvint::jobs {

/// A file or folder a row of a view stands for.
struct ViewEntry {
  const search::Catalogue* catalogue = nullptr;
  search::Hit hit;
};

/// A view's rows: cells for the table, and the entry behind a row for its actions.
class ViewRows : public ui::TableRows {
 public:
  [[nodiscard]] virtual std::span<const ui::VeskoColumn> columns() const = 0;
  /// The entry in `row` < row_count(); nullopt for a group's own row.
  [[nodiscard]] virtual std::optional<ViewEntry> entry(std::size_t row) const = 0;
};

/// The duplicates' order: the groups (their indexes) as shown, and in each
/// group's place of the files (first .. first + count) the files shown there.
struct DuplicateOrder {
  std::vector<std::size_t> groups;
  std::vector<std::size_t> files;
};

/// The duplicates' order by `column` of ui::duplicate_columns(): by Group,
/// Copies or Wasted the groups sort and their files keep their order; by a
/// file's column the files sort within each group as the results do
/// (sorted_rows()) and the groups by their first file. Equal ones keep their
/// order. nullopt when `cancel` became true.
std::optional<DuplicateOrder> sort_duplicates(const search::ResultSet& files,
                                              const std::vector<search::DuplicateGroup>& groups, int column,
                                              bool descending, const std::string& code_page,
                                              const std::atomic<bool>* cancel);

/// The comparison's differences (their indexes) by `column` of
/// ui::comparison_columns(): paths as names are sorted, sizes and dates by
/// value (an empty cell first); equal ones keep their order. nullopt when
/// `cancel` became true.
std::optional<std::vector<std::size_t>> sort_comparison(const search::Comparison& comparison, int column,
                                                        bool descending, const std::string& code_page,
                                                        const std::atomic<bool>* cancel);

/// The duplicates: a row for each group, then a row for each of its files.
class DuplicateRows final : public ViewRows {
 public:
  explicit DuplicateRows(std::string code_page = {}) : files_(std::move(code_page)) {}
  /// Shows `found` from now on (its files are kept, not copied), in its own order.
  void show(search::Duplicates found);
  /// Shows the rows in `order` (of the duplicates shown) from now on.
  void arrange(DuplicateOrder order);
  [[nodiscard]] const std::vector<search::DuplicateGroup>& groups() const { return groups_; }
  /// Every group's files, group after group, as found: what sort_duplicates() takes.
  [[nodiscard]] const std::shared_ptr<const search::ResultSet>& files() const { return files_.shown().results; }

  [[nodiscard]] std::size_t row_count() const override { return groups_.size() + files_.row_count(); }
  void cell(std::size_t row, int column, std::string& out) const override;
  [[nodiscard]] std::span<const ui::VeskoColumn> columns() const override;
  [[nodiscard]] std::optional<ViewEntry> entry(std::size_t row) const override;

 private:
  // The group of `row` and, for a file's row, the file's index.
  [[nodiscard]] std::pair<std::size_t, std::optional<std::size_t>> locate(std::size_t row) const;

  std::vector<search::DuplicateGroup> groups_;
  std::vector<std::size_t> starts_;  ///< the row of each group's own row, in the order shown
  DuplicateOrder order_;             ///< empty: the order found
  ResultRows files_;                 ///< every group's files, group after group
};

/// Two catalogues compared: "Only in A", "Only in B" and "Changed", each a
/// row naming the group (with its count and bytes) followed by its entries in
/// their catalogue's order.
class ComparisonRows final : public ViewRows {
 public:
  explicit ComparisonRows(std::string code_page = {}) : decoder_(std::move(code_page)) {}
  /// Shows `comparison` from now on, its entries in their catalogues' order.
  void show(search::Comparison comparison);
  /// Shows the entries in `order` (indexes of the differences) within their groups from now on.
  void arrange(const std::vector<std::size_t>& order);
  /// The comparison shown: what sort_comparison() takes, on any thread.
  [[nodiscard]] const std::shared_ptr<const search::Comparison>& comparison() const { return comparison_; }

  [[nodiscard]] std::size_t row_count() const override { return rows_.size(); }
  void cell(std::size_t row, int column, std::string& out) const override;
  [[nodiscard]] std::span<const ui::VeskoColumn> columns() const override;
  [[nodiscard]] std::optional<ViewEntry> entry(std::size_t row) const override;

 private:
  static constexpr std::size_t kHeading = static_cast<std::size_t>(-1);
  struct Row {
    std::size_t difference;  ///< index in the comparison's differences, or kHeading
    search::DifferenceKind kind;
  };
  std::shared_ptr<const search::Comparison> comparison_ = std::make_shared<const search::Comparison>();
  std::vector<Row> rows_;
  mutable search::NameDecoder decoder_;
};

}  // namespace korvint::jobs
