#pragma once
// What the view window's table shows: the duplicates as groups, each a row
// of its own (copies, size, bytes wasted) followed by its files; or two
// catalogues compared as three groups (only in A, only in B, changed), each
// under a row naming it. Cells are made when the host asks for them.

#include <cstddef>
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

/// The duplicates: a row for each group, then a row for each of its files.
class DuplicateRows final : public ViewRows {
 public:
  explicit DuplicateRows(std::string code_page = {}) : files_(std::move(code_page)) {}
  /// Shows `found` from now on (its files are kept, not copied).
  void show(search::Duplicates found);
  [[nodiscard]] const std::vector<search::DuplicateGroup>& groups() const { return groups_; }

  [[nodiscard]] std::size_t row_count() const override { return groups_.size() + files_.row_count(); }
  void cell(std::size_t row, int column, std::string& out) const override;
  [[nodiscard]] std::span<const ui::VeskoColumn> columns() const override;
  [[nodiscard]] std::optional<ViewEntry> entry(std::size_t row) const override;

 private:
  // The group of `row` and, for a file's row, the file's index.
  [[nodiscard]] std::pair<std::size_t, std::optional<std::size_t>> locate(std::size_t row) const;

  std::vector<search::DuplicateGroup> groups_;
  std::vector<std::size_t> starts_;  ///< the row of each group's own row
  ResultRows files_;                 ///< every group's files, group after group
};

/// Two catalogues compared: "Only in A", "Only in B" and "Changed", each a
/// row naming the group (with its count and bytes) followed by its entries in
/// their catalogue's order.
class ComparisonRows final : public ViewRows {
 public:
  explicit ComparisonRows(std::string code_page = {}) : decoder_(std::move(code_page)) {}
  void show(search::Comparison comparison);
  [[nodiscard]] const search::Comparison& comparison() const { return comparison_; }

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
  search::Comparison comparison_;
  std::vector<Row> rows_;
  mutable search::NameDecoder decoder_;
};

}  // namespace korvint::jobs
