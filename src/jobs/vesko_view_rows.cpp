#include "jobs/vesko_view_rows.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "catalogue/calendar_time.h"
#include "search/name_order.h"
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
  order_ = {};
  std::vector<std::vector<search::Hit>> parts;
  parts.push_back(std::move(found.files));
  files_.show(ShownResults{std::make_shared<const search::ResultSet>(std::move(found.catalogues), std::move(parts)), {}});
  arrange({});
}

void DuplicateRows::arrange(DuplicateOrder order) {
  order_ = std::move(order);
  starts_.clear();
  std::size_t row = 0;
  for (std::size_t shown = 0; shown < groups_.size(); ++shown) {
    starts_.push_back(row);
    row += 1 + groups_[order_.groups.empty() ? shown : order_.groups[shown]].count;
  }
}

std::pair<std::size_t, std::optional<std::size_t>> DuplicateRows::locate(std::size_t row) const {
  const std::size_t shown =
      static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), row) - starts_.begin()) - 1;
  const std::size_t group = order_.groups.empty() ? shown : order_.groups[shown];
  if (row == starts_[shown]) return {group, std::nullopt};
  const std::size_t place = groups_[group].first + (row - starts_[shown] - 1);
  return {group, order_.files.empty() ? place : order_.files[place]};
}

void DuplicateRows::cell(std::size_t row, int column, std::string& out) const {
  out.clear();
  const auto [group, file] = locate(row);
  if (file) {
    if (column >= kFirstFileColumn) files_.cell(*file, column - kFirstFileColumn, out);
    return;
  }
  // A group keeps its number (its place by waste) in any order.
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
  comparison_ = std::make_shared<const search::Comparison>(std::move(comparison));
  arrange({});
}

void ComparisonRows::arrange(const std::vector<std::size_t>& order) {
  const search::Comparison& shown = *comparison_;
  rows_.clear();
  if (!shown.a || !shown.b) return;  // none yet: not even the groups' rows
  for (const auto kind : {search::DifferenceKind::OnlyInA, search::DifferenceKind::OnlyInB,
                          search::DifferenceKind::Changed}) {
    rows_.push_back({kHeading, kind});
    for (std::size_t i = 0; i < shown.differences.size(); ++i) {
      const std::size_t difference = order.empty() ? i : order[i];
      if (shown.differences[difference].kind == kind) rows_.push_back({difference, kind});
    }
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
        out = comparison_->a->name() + ": " + plural(comparison_->only_in_a, "entry", "entries") + ", " +
              search::byte_size_text(comparison_->only_in_a_bytes);
        break;
      case search::DifferenceKind::OnlyInB:
        out = comparison_->b->name() + ": " + plural(comparison_->only_in_b, "entry", "entries") + ", " +
              search::byte_size_text(comparison_->only_in_b_bytes);
        break;
      case search::DifferenceKind::Changed:
        out = plural(comparison_->changed, "file", "files") + " in both with another size or date";
        break;
    }
    return;
  }
  const search::Difference& difference = comparison_->differences[shown.difference];
  const bool side_b = difference.kind == search::DifferenceKind::OnlyInB;
  switch (what) {
    case ComparisonColumn::Difference: out = std::string(1, static_cast<char>(difference.kind)); break;
    case ComparisonColumn::Path: comparison_->relative_path(difference.entry, side_b, decoder_, out); break;
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
  const search::Difference& difference = comparison_->differences[shown.difference];
  const auto& catalogue = difference.kind == search::DifferenceKind::OnlyInB ? comparison_->b : comparison_->a;
  return ViewEntry{catalogue.get(), difference.entry};
}

namespace {

// `indexes` sorted by `before(a, b)` (a strict order), the other way round
// when `descending`; equal ones keep their order either way.
template <typename Before>
void sort_indexes(std::vector<std::size_t>& indexes, bool descending, Before before) {
  std::stable_sort(indexes.begin(), indexes.end(), [&](std::size_t a, std::size_t b) {
    return descending ? before(b, a) : before(a, b);
  });
}

std::vector<std::size_t> identity(std::size_t count) {
  std::vector<std::size_t> indexes(count);
  for (std::size_t i = 0; i < count; ++i) indexes[i] = i;
  return indexes;
}

}  // namespace

std::optional<DuplicateOrder> sort_duplicates(const search::ResultSet& files,
                                              const std::vector<search::DuplicateGroup>& groups, int column,
                                              bool descending, const std::string& code_page,
                                              const std::atomic<bool>* cancel) {
  DuplicateOrder order{identity(groups.size()), identity(files.size())};
  const auto by = static_cast<DuplicateColumn>(column);
  if (by == DuplicateColumn::Group || by == DuplicateColumn::Copies || by == DuplicateColumn::Wasted) {
    sort_indexes(order.groups, descending, [&](std::size_t a, std::size_t b) {
      if (by == DuplicateColumn::Copies) return groups[a].count < groups[b].count;
      if (by == DuplicateColumn::Wasted) return groups[a].wasted < groups[b].wasted;
      return a < b;
    });
    return order;
  }
  if (column < kFirstFileColumn || files.empty()) return order;
  // Every file's place among all of them as the results sort: the same order within a group.
  const auto sorted = sorted_rows(files, static_cast<ResultColumn>(column - kFirstFileColumn), descending, code_page,
                                  cancel);
  if (!sorted) return std::nullopt;
  std::vector<std::size_t> rank(files.size());
  const search::Hit* first = &files[0];  // the duplicates' files are one part
  for (std::size_t place = 0; place < sorted->size(); ++place)
    rank[static_cast<std::size_t>((*sorted)[place] - first)] = place;
  for (const search::DuplicateGroup& group : groups) {
    const auto begin = order.files.begin() + static_cast<std::ptrdiff_t>(group.first);
    std::sort(begin, begin + static_cast<std::ptrdiff_t>(group.count),
              [&](std::size_t a, std::size_t b) { return rank[a] < rank[b]; });
  }
  // The ranks already say the direction: groups follow their first file.
  std::stable_sort(order.groups.begin(), order.groups.end(), [&](std::size_t a, std::size_t b) {
    return rank[order.files[groups[a].first]] < rank[order.files[groups[b].first]];
  });
  return order;
}

std::optional<std::vector<std::size_t>> sort_comparison(const search::Comparison& comparison, int column,
                                                        bool descending, const std::string& code_page,
                                                        const std::atomic<bool>* cancel) {
  const std::vector<search::Difference>& differences = comparison.differences;
  std::vector<std::size_t> order = identity(differences.size());
  const auto by = static_cast<ComparisonColumn>(column);
  if (by == ComparisonColumn::Path) {
    std::vector<std::string> keys(differences.size());
    search::NameDecoder decoder(code_page);
    std::string path;
    for (std::size_t i = 0; i < differences.size(); ++i) {
      if ((i & 0xFFF) == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed)) return std::nullopt;
      path.clear();
      // A path that cannot be read (its catalogue changed) sorts as empty.
      comparison.relative_path(differences[i].entry, differences[i].kind == search::DifferenceKind::OnlyInB, decoder,
                               path);
      search::append_sort_key(path, keys[i]);
    }
    sort_indexes(order, descending,
                 [&](std::size_t a, std::size_t b) { return search::compare_natural(keys[a], keys[b]) < 0; });
    return order;
  }
  if (by == ComparisonColumn::Difference) return order;  // one kind a group
  // A size or date as its cell shows it: none (sorted first) on the side that lacks the entry.
  auto value = [by](const search::Difference& difference) -> std::pair<bool, std::uint64_t> {
    const bool in_b = difference.kind == search::DifferenceKind::OnlyInB;
    const bool changed = difference.kind == search::DifferenceKind::Changed;
    switch (by) {
      case ComparisonColumn::SizeA: return {!in_b, in_b ? 0 : difference.bytes};
      case ComparisonColumn::DateA: return {!in_b, in_b ? 0 : difference.entry.time().packed()};
      case ComparisonColumn::SizeB:
        return {in_b || changed, changed ? difference.other.size : in_b ? difference.bytes : 0};
      case ComparisonColumn::DateB:
        return {in_b || changed, changed ? difference.other.time().packed() : in_b ? difference.entry.time().packed() : 0};
      default: return {false, 0};
    }
  };
  sort_indexes(order, descending,
               [&](std::size_t a, std::size_t b) { return value(differences[a]) < value(differences[b]); });
  return order;
}

}  // namespace korvint::jobs
