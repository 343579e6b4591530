#include "jobs/vesko_rows.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "catalogue/calendar_time.h"
#include "search/name_order.h"

namespace korvint::jobs {
namespace {

template <typename T>
int compare_values(T a, T b) {
  return a == b ? 0 : (a < b ? -1 : 1);
}

// A row with the sort keys its sort compares, made once.
struct Keyed {
  std::string_view first;
  std::string_view second;
  const search::Hit* hit;
};

// Thrown out of the sort when the search is cancelled; std::stable_sort
// leaves the rows in some order, which are then dropped.
struct SortCancelled {};

bool is_ascii(std::string_view text) {
  unsigned char high = 0;
  for (const char c : text) high |= static_cast<unsigned char>(c);
  return high < 0x80;
}

// The sort keys of texts of a catalogue, kept in blocks that never move: an
// ASCII text is its own key, any other is decoded and folded once.
class SortKeys {
 public:
  explicit SortKeys(const std::string& code_page) : decoder_(code_page) {}

  /// The key of `raw`, text of `catalogue` read into a buffer that the next read reuses.
  std::string_view key(const search::Catalogue& catalogue, std::string_view raw) {
    if (is_ascii(raw)) return keep(raw);
    decoder_.decode(catalogue.encoding(), raw, decoded_);
    return key(decoded_);
  }

  /// The key of `utf8`.
  std::string_view key(std::string_view utf8) {
    if (is_ascii(utf8)) return utf8;
    key_.clear();
    search::append_sort_key(utf8, key_);
    return keep(key_);
  }

 private:
  // A lasting copy of `text`, in blocks that never move.
  std::string_view keep(std::string_view text) {
    if (blocks_.empty() || used_ + text.size() > capacity_) {
      capacity_ = std::max<std::size_t>(kBlock, text.size());
      blocks_.push_back(std::make_unique<char[]>(capacity_));
      used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    std::copy(text.begin(), text.end(), at);
    used_ += text.size();
    return {at, text.size()};
  }

  static constexpr std::size_t kBlock = 1 << 20;
  search::NameDecoder decoder_;
  std::string decoded_;
  std::string key_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace

std::optional<std::vector<const search::Hit*>> sorted_rows(const search::ResultSet& results, ResultColumn column,
                                                          bool descending, const std::string& code_page,
                                                          const std::atomic<bool>* cancel) {
  if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) return std::nullopt;
  SortKeys keys(code_page);
  // A catalogue's root and name have one key for all its rows.
  std::vector<std::string_view> roots;
  std::vector<std::string_view> names;
  for (const auto& catalogue : results.catalogues()) {
    roots.push_back(keys.key(*catalogue, catalogue->root()));
    names.push_back(keys.key(catalogue->name()));  // a file name: UTF-8
  }
  std::vector<Keyed> rows;
  rows.reserve(results.size());
  // Each catalogue opened once for all its names, not once a page.
  std::vector<std::unique_ptr<search::Catalogue::Hold>> holds;
  if (column == ResultColumn::Name || column == ResultColumn::Folder)
    for (const auto& catalogue : results.catalogues()) holds.push_back(std::make_unique<search::Catalogue::Hold>(*catalogue));
  // A row whose catalogue changed reads as empty; the window reloads it.
  std::string text;
  auto read = [&](bool (search::ResultSet::*reader)(const search::Hit&, std::string&) const, const search::Hit& hit) {
    (results.*reader)(hit, text);
    return std::string_view(text);
  };
  std::size_t folder_catalogue = ~std::size_t{0};
  std::uint64_t folder_line = 0;
  std::string_view folder_key;
  std::uint32_t steps = 0;
  try {
    results.for_each([&](const search::Hit& hit) {
      if ((++steps & 0xFFF) == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed))
        throw SortCancelled{};
      const search::Catalogue& catalogue = results.catalogue_of(hit);
      switch (column) {
        case ResultColumn::Name: rows.push_back({keys.key(catalogue, read(&search::ResultSet::raw_name, hit)), {}, &hit}); break;
        case ResultColumn::Folder:
          // The files of a folder come one after the other: its key is made once.
          if (hit.is_folder()) {
            rows.push_back({roots[hit.catalogue()], keys.key(catalogue, read(&search::ResultSet::raw_folder, hit)), &hit});
            break;
          }
          if (hit.catalogue() != folder_catalogue || hit.folder != folder_line) {
            folder_catalogue = hit.catalogue();
            folder_line = hit.folder;
            folder_key = keys.key(catalogue, read(&search::ResultSet::raw_folder, hit));
          }
          rows.push_back({roots[hit.catalogue()], folder_key, &hit});
          break;
        case ResultColumn::Catalogue: rows.push_back({names[hit.catalogue()], {}, &hit}); break;
        case ResultColumn::Size:
        case ResultColumn::Date: rows.push_back({{}, {}, &hit}); break;
      }
    });
    auto order = [column](const Keyed& a, const Keyed& b) {
      switch (column) {
        case ResultColumn::Size: return compare_values(a.hit->size, b.hit->size);
        case ResultColumn::Date: return compare_values(a.hit->time().packed(), b.hit->time().packed());
        default: {
          const int first = search::compare_natural(a.first, b.first);
          return first != 0 ? first : search::compare_natural(a.second, b.second);
        }
      }
    };
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

std::optional<std::string> ResultRows::read(Reader reader, std::size_t row) const {
  std::string text;
  if (!((*shown_.results).*reader)(hit(row), decoder_, text)) {
    unreadable();
    return std::nullopt;
  }
  return text;
}

std::optional<std::string> ResultRows::full_path(std::size_t row) const { return read(&search::ResultSet::full_path, row); }

std::optional<std::string> ResultRows::name(std::size_t row) const { return read(&search::ResultSet::name, row); }

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
      if (!results.name(result, decoder_, out)) {
        unreadable();
      } else if (result.is_folder()) {
        // A folder ends with its catalogue's separator, as its full path does.
        std::string path;
        if (results.full_path(result, decoder_, path) && !path.empty()) out += path.back();
      }
      break;
    case ResultColumn::Folder:
      if (!results.folder_path(result, decoder_, out)) unreadable();
      break;
    case ResultColumn::Size:
      out = result.is_folder() ? std::string(kFolderSize) : group_digits(result.size);
      break;
    case ResultColumn::Date: catalogue::append_time_text(out, result.time()); break;
    case ResultColumn::Catalogue: out = results.catalogue_of(result).name(); break;
  }
}

void CatalogueRows::show(std::vector<CatalogueFacts> rows) {
  rows_ = std::move(rows);
  order();
}

void CatalogueRows::sort_by(CatalogueColumn column, bool descending) {
  sort_ = std::pair{column, descending};
  order();
}

std::size_t CatalogueRows::row_of(std::size_t index) const {
  return static_cast<std::size_t>(std::find(order_.begin(), order_.end(), index) - order_.begin());
}

void CatalogueRows::order() {
  order_.resize(rows_.size());
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = i;
  if (!sort_) return;
  // Copied out by name: clang cannot capture a structured binding in C++20.
  const auto column = sort_->first;
  const bool descending = sort_->second;
  // A catalogue not yet counted, or whose time cannot be read, sorts first.
  const auto compare = [this, column](std::size_t a, std::size_t b) {
    const search::CatalogueOverview& x = rows_[a].overview;
    const search::CatalogueOverview& y = rows_[b].overview;
    const auto by = [](auto p, auto q) { return p < q ? -1 : q < p ? 1 : 0; };
    switch (column) {
      case CatalogueColumn::Name: return search::compare_natural(x.name, y.name);
      case CatalogueColumn::Root: return search::compare_natural(x.root, y.root);
      case CatalogueColumn::Files: return by(std::pair{x.counted, x.files}, std::pair{y.counted, y.files});
      case CatalogueColumn::Folders: return by(std::pair{x.counted, x.folders}, std::pair{y.counted, y.folders});
      case CatalogueColumn::Size: return by(std::pair{x.counted, x.bytes}, std::pair{y.counted, y.bytes});
      case CatalogueColumn::Written: return by(x.written, y.written);
      case CatalogueColumn::Age: return by(y.written, x.written);  // the youngest first
      case CatalogueColumn::Medium: return by(static_cast<int>(x.medium), static_cast<int>(y.medium));
    }
    return 0;
  };
  std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
    const int c = compare(a, b);
    return descending ? c > 0 : c < 0;
  });
}

void CatalogueRows::cell(std::size_t row, int column, std::string& out) const {
  const CatalogueFacts& facts = rows_[order_[row]];
  const search::CatalogueOverview& overview = facts.overview;
  out.clear();
  switch (static_cast<CatalogueColumn>(column)) {
    case CatalogueColumn::Name: out = overview.name; break;
    case CatalogueColumn::Root: out = overview.root; break;
    case CatalogueColumn::Files:
      if (overview.counted) out = group_digits(overview.files);
      break;
    case CatalogueColumn::Folders:
      if (overview.counted) out = group_digits(overview.folders);
      break;
    case CatalogueColumn::Size:
      if (overview.counted) out = search::byte_size_text(overview.bytes);
      break;
    case CatalogueColumn::Written:
      if (overview.written) out = search::local_seconds_text(*overview.written);
      break;
    case CatalogueColumn::Age: out = facts.age; break;
    case CatalogueColumn::Medium: out = search::presence_text(overview.medium); break;
  }
}

std::string catalogue_folder_caption(const std::string& folders, const std::vector<CatalogueFacts>& rows) {
  std::string caption = "Catalogues in " + folders;
  if (rows.empty()) return caption;
  std::vector<search::CatalogueOverview> overviews;
  for (const CatalogueFacts& facts : rows) overviews.push_back(facts.overview);
  return caption + ": " + search::overview_total_text(overviews);
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
