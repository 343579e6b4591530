#pragma once
// What Vesko's two tables show: the results of a search, row by row without
// a copy of their texts, in the order chosen by a click on a column header;
// and the catalogues with their root, entries and the date they were made.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/catalogue_overview.h"
#include "search/name_decoder.h"
#include "search/result_set.h"
#include "ui/vesko_controls.h"

namespace korvint::jobs {

/// What the Size column says of a folder.
inline constexpr std::string_view kFolderSize = "Folder";

/// The results' columns, in the order the window shows them.
enum class ResultColumn { Name, Folder, Size, Date, Catalogue };

/// The results as shown: the set and, once sorted, the order of its rows.
struct ShownResults {
  std::shared_ptr<const search::ResultSet> results;
  std::vector<const search::Hit*> order;  ///< empty: the results' own order
};

/// The rows of `results` sorted by `column`: names, folders and catalogues as
/// text, decoded (`code_page` for catalogues that are not UTF-8) and folded as
/// the search compares them, with digits as numbers (search/name_order.h);
/// results that compare equal kept in catalogue order. nullopt when `cancel`
/// became true on the way.
std::optional<std::vector<const search::Hit*>> sorted_rows(const search::ResultSet& results, ResultColumn column,
                                                          bool descending, const std::string& code_page,
                                                          const std::atomic<bool>* cancel);

/// The results table: each cell made when the host asks for it. A result
/// whose catalogue changed since the search shows empty cells, never the text
/// of another version.
class ResultRows final : public ui::TableRows {
 public:
  /// `code_page` decodes catalogues that are not UTF-8 ("" = the default).
  explicit ResultRows(std::string code_page = {}) : decoder_(std::move(code_page)) {}

  /// Shows `shown` from now on; returns what was shown before.
  ShownResults show(ShownResults shown) {
    ShownResults before = std::exchange(shown_, std::move(shown));
    told_ = false;
    return before;
  }
  /// Called once for the results shown, the first time a result cannot be
  /// read because its catalogue changed.
  void on_unreadable(std::function<void()> tell) { on_unreadable_ = std::move(tell); }
  [[nodiscard]] const ShownResults& shown() const { return shown_; }

  [[nodiscard]] std::size_t row_count() const override;
  void cell(std::size_t row, int column, std::string& out) const override;

  /// The result in `row` < row_count().
  [[nodiscard]] const search::Hit& hit(std::size_t row) const;
  /// Its full path in UTF-8 (a folder's ends with its separator); nullopt
  /// when its catalogue changed.
  [[nodiscard]] std::optional<std::string> full_path(std::size_t row) const;
  /// Its name in UTF-8; nullopt when its catalogue changed.
  [[nodiscard]] std::optional<std::string> name(std::size_t row) const;
  /// Its catalogue.
  [[nodiscard]] const search::Catalogue& catalogue(std::size_t row) const;

 private:
  using Reader = bool (search::ResultSet::*)(const search::Hit&, search::NameDecoder&, std::string&) const;
  // What `reader` gives of the result in `row`; nullopt, told once, when its catalogue changed.
  std::optional<std::string> read(Reader reader, std::size_t row) const;
  void unreadable() const;

  ShownResults shown_;
  mutable search::NameDecoder decoder_;
  std::function<void()> on_unreadable_;
  mutable bool told_ = false;
};

/// One catalogue as the catalogue table shows it: its overview, and its
/// age when it was read.
struct CatalogueFacts {
  search::CatalogueOverview overview;
  std::string age;  ///< "3 days"; "" when its time cannot be read
};

/// The catalogue table's columns, in the order the window shows them.
enum class CatalogueColumn { Name, Root, Files, Folders, Size, Written, Age, Medium };

/// The catalogue table, in the catalogues' order or sorted by a column. Rows
/// are the table's; indexes are the catalogues' (LoadedCatalogues).
class CatalogueRows final : public ui::TableRows {
 public:
  /// Shows `rows` (one a catalogue, by index), in the order chosen last.
  void show(std::vector<CatalogueFacts> rows);
  /// Sorts by `column` from now on: numbers and times by value, texts as
  /// names are compared (digits as numbers); equal ones in the catalogues' order.
  void sort_by(CatalogueColumn column, bool descending);
  [[nodiscard]] const std::vector<CatalogueFacts>& rows() const { return rows_; }
  /// The catalogue shown in `row` < row_count().
  [[nodiscard]] std::size_t index_of(std::size_t row) const { return order_[row]; }
  /// The row that shows catalogue `index`.
  [[nodiscard]] std::size_t row_of(std::size_t index) const;
  [[nodiscard]] std::size_t row_count() const override { return rows_.size(); }
  void cell(std::size_t row, int column, std::string& out) const override;

 private:
  void order();

  std::vector<CatalogueFacts> rows_;
  std::vector<std::size_t> order_;
  std::optional<std::pair<CatalogueColumn, bool>> sort_;
};

/// The line above the catalogue table: "Catalogues in FOLDERS: 31 catalogues,
/// 2.5M entries, 4.2 TB".
std::string catalogue_folder_caption(const std::string& folders, const std::vector<CatalogueFacts>& rows);

/// 1234567 as "1,234,567".
std::string group_digits(std::uint64_t value);

}  // namespace korvint::jobs
