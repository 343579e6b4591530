#include "jobs/vesko_rows.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "search/catalogue_line.h"

namespace korvint::jobs {
namespace {

// Orders without ASCII case, then by length: the order people expect of names.
int compare_caseless(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename T>
int compare_values(T a, T b) {
  return a == b ? 0 : (a < b ? -1 : 1);
}

// A row with the texts its sort compares, read from the catalogue once.
struct Keyed {
  std::string_view first;
  std::string_view second;
  const search::Hit* hit;
};

// Keeps the texts read for the sort, in blocks that never move.
class KeyTexts {
 public:
  // A lasting copy of `text`.
  std::string_view keep(std::string_view text) {
    if (blocks_.empty() || kBlockBytes - used_ < text.size()) {
      blocks_.push_back(std::make_unique<char[]>(std::max(kBlockBytes, text.size())));
      used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    std::copy(text.begin(), text.end(), at);
    used_ += text.size();
    return {at, text.size()};
  }

 private:
  static constexpr std::size_t kBlockBytes = 1u << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;
};

// Thrown out of the sort when the search is cancelled; std::stable_sort
// leaves the rows in some order, which are then dropped.
struct SortCancelled {};

}  // namespace

std::optional<std::vector<const search::Hit*>> sorted_rows(const search::ResultSet& results, ResultColumn column,
                                                          bool descending, const std::atomic<bool>* cancel) {
  std::vector<Keyed> rows;
  rows.reserve(results.size());
  // Each catalogue opened once for all its names, not once a page.
  std::vector<std::unique_ptr<search::Catalogue::Hold>> holds;
  if (column == ResultColumn::Name || column == ResultColumn::Folder)
    for (const auto& catalogue : results.catalogues()) holds.push_back(std::make_unique<search::Catalogue::Hold>(*catalogue));
  KeyTexts texts;
  std::string text;
  // A row whose catalogue changed reads as empty; the window reloads it.
  auto read = [&](bool (search::ResultSet::*reader)(const search::Hit&, std::string&) const, const search::Hit& hit) {
    (results.*reader)(hit, text);
    return texts.keep(text);
  };
  results.for_each([&](const search::Hit& hit) {
    const search::Catalogue& catalogue = results.catalogue_of(hit);
    switch (column) {
      case ResultColumn::Name: rows.push_back({read(&search::ResultSet::raw_name, hit), {}, &hit}); break;
      case ResultColumn::Folder:
        rows.push_back({catalogue.root(), read(&search::ResultSet::raw_folder, hit), &hit});
        break;
      case ResultColumn::Catalogue: rows.push_back({catalogue.name(), {}, &hit}); break;
      case ResultColumn::Size:
      case ResultColumn::Date: rows.push_back({{}, {}, &hit}); break;
    }
  });
  auto order = [column](const Keyed& a, const Keyed& b) {
    switch (column) {
      case ResultColumn::Size: return compare_values(a.hit->size, b.hit->size);
      case ResultColumn::Date: return compare_values(a.hit->time().packed(), b.hit->time().packed());
      default: {
        const int first = compare_caseless(a.first, b.first);
        return first != 0 ? first : compare_caseless(a.second, b.second);
      }
    }
  };
  std::uint32_t steps = 0;
  try {
    std::stable_sort(rows.begin(), rows.end(), [&](const Keyed& a, const Keyed& b) {
      if ((++steps & 0xFFF) == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed))
        throw SortCancelled{};
      const int c = order(a, b);
      return descending ? c > 0 : c < 0;
    });
  } catch (const SortCancelled&) {
    return std::nullopt;
  }
  std::vector<const search::Hit*> sorted;
  sorted.reserve(rows.size());
  for (const Keyed& row : rows) sorted.push_back(row.hit);
  return sorted;
}

std::size_t ResultRows::row_count() const { return shown_.results ? shown_.results->size() : 0; }

const search::Hit& ResultRows::hit(std::size_t row) const {
  return shown_.order.empty() ? (*shown_.results)[row] : *shown_.order[row];
}

const search::Catalogue& ResultRows::catalogue(std::size_t row) const {
  return shown_.results->catalogue_of(hit(row));
}

std::optional<std::string> ResultRows::full_path(std::size_t row) const {
  std::string path;
  if (!shown_.results->full_path(hit(row), decoder_, path)) {
    unreadable();
    return std::nullopt;
  }
  return path;
}

std::optional<std::string> ResultRows::name(std::size_t row) const {
  std::string text;
  if (!shown_.results->name(hit(row), decoder_, text)) {
    unreadable();
    return std::nullopt;
  }
  return text;
}

void ResultRows::unreadable() const {
  if (told_ || !on_unreadable_) return;
  told_ = true;
  on_unreadable_();
}

void ResultRows::cell(std::size_t row, int column, std::string& out) const {
  out.clear();
  const search::Hit& result = hit(row);
  const search::ResultSet& results = *shown_.results;
  switch (static_cast<ResultColumn>(column)) {
    case ResultColumn::Name:
      if (!results.name(result, decoder_, out)) unreadable();
      break;
    case ResultColumn::Folder:
      if (!results.folder_path(result, decoder_, out)) unreadable();
      break;
    case ResultColumn::Size:
      if (!result.is_folder()) out = group_digits(result.size);
      break;
    case ResultColumn::Date: search::append_time_text(out, result.time()); break;
    case ResultColumn::Catalogue: out = results.catalogue_of(result).name(); break;
  }
}

void CatalogueRows::cell(std::size_t row, int column, std::string& out) const {
  const CatalogueFacts& facts = rows_[row];
  switch (column) {
    case 0: out = facts.name; break;
    case 1: out = facts.root; break;
    case 2: out = facts.entries; break;
    case 3: out = facts.scanned; break;
    default: out.clear();
  }
}

std::string group_digits(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  grouped.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace korvint::jobs
