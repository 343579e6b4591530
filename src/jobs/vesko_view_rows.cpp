#include "jobs/vesko_view_rows.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "catalogue/calendar_time.h"
#include "search/catalogue_overview.h"
#include "ui/vesko_views.h"

namespace korvint::jobs {
namespace {

// The duplicates' columns, as ui::duplicate_columns() has them.
enum class DuplicateColumn { Group, Copies, Wasted, Name, Folder, Size, Date, Catalogue };
// The first of them that a file's row fills as the results do (ResultColumn::Name).
constexpr int kFirstFileColumn = static_cast<int>(DuplicateColumn::Name);

// The comparison's columns, as ui::comparison_columns() has them.
enum class ComparisonColumn { Difference, Path, SizeA, DateA, SizeB, DateB };

std::string heading(search::DifferenceKind kind) {
  switch (kind) {
    case search::DifferenceKind::OnlyInA: return "Only in A";
    case search::DifferenceKind::OnlyInB: return "Only in B";
    case search::DifferenceKind::Changed: break;
  }
  return "Changed";
}

std::string plural(std::uint64_t count, const char* one, const char* many) {
  return group_digits(count) + " " + (count == 1 ? one : many);
}

}  // namespace

void DuplicateRows::show(search::Duplicates found) {
  groups_ = std::move(found.groups);
  starts_.clear();
  std::size_t row = 0;
  for (const search::DuplicateGroup& group : groups_) {
    starts_.push_back(row);
    row += 1 + group.count;
  }
  std::vector<std::vector<search::Hit>> parts;
  parts.push_back(std::move(found.files));
  files_.show(ShownResults{std::make_shared<const search::ResultSet>(std::move(found.catalogues), std::move(parts)), {}});
}

std::pair<std::size_t, std::optional<std::size_t>> DuplicateRows::locate(std::size_t row) const {
  const std::size_t group =
      static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), row) - starts_.begin()) - 1;
  if (row == starts_[group]) return {group, std::nullopt};
  return {group, groups_[group].first + (row - starts_[group] - 1)};
}

void DuplicateRows::cell(std::size_t row, int column, std::string& out) const {
  out.clear();
  const auto [group, file] = locate(row);
  if (file) {
    if (column >= kFirstFileColumn) files_.cell(*file, column - kFirstFileColumn, out);
    return;
  }
  const search::DuplicateGroup& shown = groups_[group];
  switch (static_cast<DuplicateColumn>(column)) {
    case DuplicateColumn::Group: out = group_digits(group + 1); break;
    case DuplicateColumn::Copies: out = group_digits(shown.count); break;
    case DuplicateColumn::Wasted: out = search::byte_size_text(shown.wasted); break;
    case DuplicateColumn::Name: files_.cell(shown.first, static_cast<int>(ResultColumn::Name), out); break;
    case DuplicateColumn::Size: out = group_digits(shown.size); break;
    default: break;
  }
}

std::span<const ui::VeskoColumn> DuplicateRows::columns() const { return ui::duplicate_columns(); }

std::optional<ViewEntry> DuplicateRows::entry(std::size_t row) const {
  const auto file = locate(row).second;
  if (!file) return std::nullopt;
  return ViewEntry{&files_.catalogue(*file), files_.hit(*file)};
}

void ComparisonRows::show(search::Comparison comparison) {
  comparison_ = std::move(comparison);
  rows_.clear();
  if (!comparison_.a || !comparison_.b) return;  // none yet: not even the groups' rows
  for (const auto kind : {search::DifferenceKind::OnlyInA, search::DifferenceKind::OnlyInB,
                          search::DifferenceKind::Changed}) {
    rows_.push_back({kHeading, kind});
    for (std::size_t i = 0; i < comparison_.differences.size(); ++i)
      if (comparison_.differences[i].kind == kind) rows_.push_back({i, kind});
  }
}

void ComparisonRows::cell(std::size_t row, int column, std::string& out) const {
  out.clear();
  const Row& shown = rows_[row];
  const auto what = static_cast<ComparisonColumn>(column);
  if (shown.difference == kHeading) {
    if (what == ComparisonColumn::Difference) out = heading(shown.kind);
    if (what != ComparisonColumn::Path) return;
    switch (shown.kind) {
      case search::DifferenceKind::OnlyInA:
        out = comparison_.a->name() + ": " + plural(comparison_.only_in_a, "entry", "entries") + ", " +
              search::byte_size_text(comparison_.only_in_a_bytes);
        break;
      case search::DifferenceKind::OnlyInB:
        out = comparison_.b->name() + ": " + plural(comparison_.only_in_b, "entry", "entries") + ", " +
              search::byte_size_text(comparison_.only_in_b_bytes);
        break;
      case search::DifferenceKind::Changed:
        out = plural(comparison_.changed, "file", "files") + " in both with another size or date";
        break;
    }
    return;
  }
  const search::Difference& difference = comparison_.differences[shown.difference];
  const bool side_b = difference.kind == search::DifferenceKind::OnlyInB;
  switch (what) {
    case ComparisonColumn::Difference: out = std::string(1, static_cast<char>(difference.kind)); break;
    case ComparisonColumn::Path: comparison_.relative_path(difference.entry, side_b, decoder_, out); break;
    case ComparisonColumn::SizeA:
      if (!side_b) out = group_digits(difference.bytes);
      break;
    case ComparisonColumn::DateA:
      if (!side_b) catalogue::append_time_text(out, difference.entry.time());
      break;
    case ComparisonColumn::SizeB:
      if (side_b) out = group_digits(difference.bytes);
      if (difference.kind == search::DifferenceKind::Changed) out = group_digits(difference.other.size);
      break;
    case ComparisonColumn::DateB:
      if (side_b) catalogue::append_time_text(out, difference.entry.time());
      if (difference.kind == search::DifferenceKind::Changed) catalogue::append_time_text(out, difference.other.time());
      break;
  }
}

std::span<const ui::VeskoColumn> ComparisonRows::columns() const { return ui::comparison_columns(); }

std::optional<ViewEntry> ComparisonRows::entry(std::size_t row) const {
  const Row& shown = rows_[row];
  if (shown.difference == kHeading) return std::nullopt;
  const search::Difference& difference = comparison_.differences[shown.difference];
  const auto& catalogue = difference.kind == search::DifferenceKind::OnlyInB ? comparison_.b : comparison_.a;
  return ViewEntry{catalogue.get(), difference.entry};
}

}  // namespace korvint::jobs
