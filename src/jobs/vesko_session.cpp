#include "jobs/vesko_session.h"

#include <algorithm>
#include <chrono>
#include <map>

#include "catalogue/file_names.h"
#include "jobs/entry_opening.h"
#include "jobs/local_time_text.h"
#include "jobs/search_progress.h"
#include "jobs/table_export.h"
#include "jobs/vesko_indexing.h"
#include "platform/cache_folder.h"
#include "platform/desktop_files.h"
#include "platform/settings_file.h"
#include "search/catalogue_folder.h"
#include "search/index_cache.h"
#include "search/index_search.h"
#include "search/matcher.h"
#include "search/query.h"
#include "search/result_line.h"
#include "search/searcher.h"

namespace korvint::jobs {
namespace {

// How far down a refreshed search compares its rows with those shown before,
// so that the table keeps its place only where the rows are the same.
constexpr std::size_t kRowsComparedBelow = 100;
constexpr std::size_t kRowsComparedAtMost = 20000;

std::string plural(std::uint64_t count, const char* one, const char* many) {
  return group_digits(count) + " " + (count == 1 ? one : many);
}

// Results no longer shown from this many on are freed on a thread of their own.
constexpr std::size_t kFreedAside = 100'000;

bool blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (const std::string& part : parts) {
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

// The catalogue a catalogue file stands for, whichever of its files is read:
// "NAME.lst" also for its backup "NAME.lst.old".
std::string catalogue_path(const search::Catalogue& catalogue) {
  const std::string& path = catalogue.path();
  return catalogue.from_old() ? path.substr(0, path.size() - catalogue::kBackupEnding.size()) : path;
}
std::string catalogue_file_name(const search::Catalogue& catalogue) {
  const std::string& name = catalogue.source().file_name;
  return catalogue.from_old() ? name.substr(0, name.size() - catalogue::kBackupEnding.size()) : name;
}

// True when `fresh` is the very file `kept` was opened from, chosen the same way.
bool same_catalogue(const search::Catalogue& kept, const search::Catalogue& fresh) {
  return kept.path() == fresh.path() && kept.identity() == fresh.identity() &&
         kept.source().from_old == fresh.source().from_old && kept.source().growing == fresh.source().growing &&
         kept.counts() && !kept.changed();
}

// "Reloaded: a.lst (new), b.lst (changed), c.lst (gone)", or "" when the two
// sets hold the same catalogues.
std::string reload_summary(const std::vector<std::shared_ptr<search::Catalogue>>& before,
                           const std::vector<std::shared_ptr<search::Catalogue>>& after) {
  std::map<std::string, const search::Catalogue*> old;
  for (const auto& catalogue : before) old[catalogue_path(*catalogue)] = catalogue.get();
  std::vector<std::string> parts;
  for (const auto& catalogue : after) {
    const auto it = old.find(catalogue_path(*catalogue));
    if (it == old.end()) {
      parts.push_back(catalogue_file_name(*catalogue) + " (new)");
      continue;
    }
    if (it->second != catalogue.get()) parts.push_back(catalogue_file_name(*catalogue) + " (changed)");
    old.erase(it);
  }
  for (const auto& [path, catalogue] : old) parts.push_back(catalogue_file_name(*catalogue) + " (gone)");
  return parts.empty() ? std::string() : "Reloaded: " + joined(parts, ", ");
}

const search::Hit& row_hit(const ShownResults& shown, std::size_t row) {
  return shown.order.empty() ? (*shown.results)[row] : *shown.order[row];
}

// True when rows [0, count) of `a` and `b` show the same: the catalogue, the
// full path, the size and the date. A row that cannot be read is not the same.
bool same_rows(const ShownResults& a, const ShownResults& b, std::size_t count, const std::string& code_page) {
  if (!a.results || !b.results || a.results->size() < count || b.results->size() < count) return false;
  search::NameDecoder decoder(code_page);
  std::string path_a, path_b;
  for (std::size_t row = 0; row < count; ++row) {
    const search::Hit& x = row_hit(a, row);
    const search::Hit& y = row_hit(b, row);
    if (x.size != y.size || x.time().packed() != y.time().packed() || x.is_folder() != y.is_folder() ||
        a.results->catalogue_of(x).name() != b.results->catalogue_of(y).name())
      return false;
    if (!a.results->full_path(x, decoder, path_a) || !b.results->full_path(y, decoder, path_b) || path_a != path_b)
      return false;
  }
  return true;
}

// True when `next` shows every row `now` shows, in the same place, and
// perhaps more after them: the table then keeps where it stands.
bool extends(const ShownResults& now, const ShownResults& next) {
  if (!now.results || !next.results || !now.order.empty() || !next.order.empty() ||
      next.results->size() < now.results->size())
    return false;
  for (std::size_t row = 0; row < now.results->size(); ++row) {
    const search::Hit& x = (*now.results)[row];
    const search::Hit& y = (*next.results)[row];
    if (x.line != y.line || x.bits != y.bits || &now.results->catalogue_of(x) != &next.results->catalogue_of(y))
      return false;
  }
  return true;
}

// The status line while a search runs.
constexpr std::string_view kSearching = "Searching...";
std::string searching_text(std::size_t found) {
  std::string text(kSearching);
  if (found > 0) text += " " + group_digits(found) + " found so far";
  return text;
}

}  // namespace

std::optional<LoadedCatalogues> load_catalogues(const std::vector<std::string>& folders,
                                                const std::string& code_page, unsigned threads,
                                                const std::atomic<bool>* cancel,
                                                const std::vector<std::shared_ptr<search::Catalogue>>& kept,
                                                const std::string& index_folder,
                                                search::index::IndexPool* index_pool) {
  search::CatalogueSet set = search::open_catalogue_folders(folders);
  for (const std::string& folder : folders)
    if (std::find(set.missing_folders.begin(), set.missing_folders.end(), folder) == set.missing_folders.end())
      search::index::remove_vanished_indexes(index_folder, folder);
  search::index::remove_dead_builds(index_folder);
  for (auto& catalogue : set.catalogues) {
    const auto same = std::find_if(kept.begin(), kept.end(), [&](const auto& k) { return same_catalogue(*k, *catalogue); });
    if (same != kept.end()) catalogue = *same;
  }
  search::SearchOptions options;
  options.code_page = code_page;
  options.threads = threads;
  // Counting every line once gives the entries, the skipped lines and each
  // catalogue's encoding for good, so no later search changes how names read.
  std::vector<std::string> reread;
  // Through the pool, which lets go of the indexes that changed and keeps
  // these open for the first keystroke.
  if (index_pool != nullptr) index_pool->prune();
  search::index::take_counts_from_indexes(index_folder, set.catalogues, index_pool);
  for (int attempt = 0; attempt < 3; ++attempt) {
    search::check_catalogues(set.catalogues, options, cancel);
    if (cancel != nullptr && cancel->load()) return std::nullopt;
    if (!search::reopen_changed(set.catalogues, "while it was read: read again", reread, set.errors)) break;
  }
  // One still changing after three reads has no counts: it is searched all the same.

  LoadedCatalogues loaded;
  loaded.no_folder = set.catalogues.empty() && !folders.empty() && set.missing_folders.size() == folders.size();
  loaded.notes = std::move(set.errors);
  loaded.notes.insert(loaded.notes.end(), set.notes.begin(), set.notes.end());
  loaded.notes.insert(loaded.notes.end(), reread.begin(), reread.end());
  if (set.catalogues.empty() && loaded.notes.empty())
    loaded.notes.push_back("no catalogues in \"" + joined(folders, "\", \"") + "\"");
  search::NameDecoder decoder(code_page);
  const std::int64_t now = search::local_seconds_now();
  for (const auto& catalogue : set.catalogues) {
    // Its write time and whether its medium is attached are asked of the system here, on the worker.
    CatalogueFacts facts{search::catalogue_overview(*catalogue, decoder), {}};
    if (facts.overview.written) facts.age = search::age_text(*facts.overview.written, now);
    if (catalogue->counts()) loaded.entries += catalogue->counts()->entries;
    if (std::string note = search::skipped_lines_note(*catalogue); !note.empty()) loaded.notes.push_back(std::move(note));
    loaded.facts.push_back(std::move(facts));
  }
  loaded.reloaded = reload_summary(kept, set.catalogues);
  loaded.catalogues = std::move(set.catalogues);
  return loaded;
}

VeskoServices program_services() {
  VeskoServices services;
  services.index_folder = platform::index_cache_folder();
  return services;
}

VeskoSession::VeskoSession(ui::VeskoForm& form, VeskoServices services)
    : form_(form), services_(std::move(services)), results_(services_.code_page),
      worker_(std::make_unique<SearchWorker>()) {
  if (services_.files == nullptr) services_.files = &platform::system_file_services();
  if (!services_.show_in_file_manager) services_.show_in_file_manager = &platform::show_in_file_manager;
  form_.lstCatalogues.setRows(&catalogue_rows_);
  form_.lstResults.setRows(&results_);
  // Painted rows of a catalogue that changed are empty until it is read again.
  results_.on_unreadable([this] { form_.host.post([this] { catalogues_changed(); }); });
  if (!services_.index_folder.empty()) {
    indexes_ = std::make_unique<IndexKeeper>(services_.index_folder);
    index_pool_ = std::make_shared<search::index::IndexPool>();
  }
}

VeskoSession::~VeskoSession() {
  {
    // A job still running after the worker gives up on it posts nothing more.
    const std::lock_guard lock(reach_->mutex);
    reach_->open = false;
  }
  indexes_.reset();
  worker_.reset();
  // What the worker posted refers to this session: it must not run any more.
  form_.host.dropPosted();
  form_.host.watchFolders({}, {});
  form_.lstCatalogues.setRows(nullptr);
  form_.lstResults.setRows(nullptr);
}

void VeskoSession::post(const std::shared_ptr<Reach>& reach, ui::VeskoHost& host, std::function<void()> task) {
  const std::lock_guard lock(reach->mutex);
  if (reach->open) host.post(std::move(task));
}

void VeskoSession::open_folders(std::vector<std::string> folders) {
  folders_ = std::move(folders);
  loaded_ = LoadedCatalogues{};
  search_notes_.clear();
  catalogue_rows_.show({});
  form_.lstCatalogues.rowsChanged();
  show_results({});
  summary_.clear();
  if (folders_.empty()) {
    ++load_generation_;
    ++search_generation_;
    worker_->cancel();
    loading_ = searching_ = false;
    loaded_.no_folder = true;
    form_.host.watchFolders({}, {});
    form_.lblFolder.setCaption("No catalogue folder");
    show_status(idle_status());
    return;
  }
  const std::string shown = joined(folders_, "; ");
  form_.lblFolder.setCaption("Catalogues in " + shown);
  form_.lblStatus.setCaption("Reading the catalogues in " + shown + "...");
  load(false, true);
}

void VeskoSession::catalogues_changed() {
  if (folders_.empty()) return;
  if (loading_) {
    reload_waiting_ = true;
    return;
  }
  load(true, false);
}

void VeskoSession::reload_all() {
  if (folders_.empty()) return;
  load(true, true);
}

void VeskoSession::load(bool reload, bool everything) {
  const std::uint64_t generation = ++load_generation_;
  ++search_generation_;
  loading_ = true;
  reload_waiting_ = false;
  search_interrupted_ = search_interrupted_ || searching_;
  searching_ = false;
  // A reload takes over what did not change; F5 reads everything afresh.
  std::vector<std::shared_ptr<search::Catalogue>> kept = everything ? decltype(loaded_.catalogues){} : loaded_.catalogues;
  worker_->submit([this, reach = reach_, host = &form_.host, generation, reload, everything, kept = std::move(kept),
                   folders = folders_, code_page = services_.code_page, threads = services_.threads,
                   index_folder = services_.index_folder, pool = index_pool_](const std::atomic<bool>& cancel) {
    auto loaded = load_catalogues(folders, code_page, threads, &cancel, kept, index_folder, pool.get());
    if (!loaded) return;
    if (everything)
      loaded->reloaded = reload ? "Reloaded all " + plural(loaded->catalogues.size(), "catalogue", "catalogues") : "";
    auto delivered = std::make_shared<LoadedCatalogues>(std::move(*loaded));
    post(reach, *host, [this, generation, delivered, reload] { on_loaded(generation, std::move(*delivered), reload); });
  });
}

void VeskoSession::on_loaded(std::uint64_t generation, LoadedCatalogues loaded, bool reload) {
  if (generation != load_generation_) return;
  loading_ = false;
  // The selection follows the catalogues it named, where they still are.
  std::vector<std::string> selected;
  for (const auto& catalogue : selected_catalogues(false)) selected.push_back(catalogue_path(*catalogue));
  const bool same_set = reload && loaded.reloaded.empty();
  loaded_ = std::move(loaded);
  std::vector<std::string> watched;
  for (const auto& catalogue : loaded_.catalogues) watched.push_back(catalogue->path());
  form_.host.watchFolders(folders_, watched);
  keep_indexes();
  if (!same_set) {
    catalogue_rows_.show(loaded_.facts);
    form_.lstCatalogues.rowsChanged();
    std::vector<std::size_t> rows;
    for (std::size_t index = 0; index < loaded_.catalogues.size(); ++index)
      if (std::find(selected.begin(), selected.end(), catalogue_path(*loaded_.catalogues[index])) != selected.end())
        rows.push_back(catalogue_rows_.row_of(index));
    std::sort(rows.begin(), rows.end());
    if (!rows.empty()) form_.lstCatalogues.selectRows(rows);
  }
  form_.lblFolder.setCaption(catalogue_folder_caption(joined(folders_, "; "), loaded_.facts));
  if (reload_waiting_) {
    load(true, false);
    return;
  }
  // A reload that found nothing new leaves the results as they stand, unless
  // it stopped the search that was to replace them.
  const bool interrupted = search_interrupted_;
  search_interrupted_ = false;
  if (same_set && !interrupted && results_.shown().results) {
    show_status(summary_);
    return;
  }
  run_query(reload);
}

void VeskoSession::txtQuery_Change() {
  loaded_.reloaded.clear();
  run_query();
}

void VeskoSession::clear_query() {
  form_.txtQuery.setText("");
  loaded_.reloaded.clear();
  run_query();
}

void VeskoSession::lstCatalogues_SelectionChange() { run_query(); }

std::optional<std::size_t> VeskoSession::current_catalogue() const {
  const auto row = form_.lstCatalogues.currentRow();
  if (!row || *row >= catalogue_rows_.row_count()) return std::nullopt;
  return catalogue_rows_.index_of(*row);
}

std::vector<std::shared_ptr<search::Catalogue>> VeskoSession::selected_catalogues(bool all_when_none) const {
  const std::vector<std::size_t> rows = form_.lstCatalogues.selectedRows();
  if (rows.empty() && all_when_none) return loaded_.catalogues;
  std::vector<std::size_t> indexes;
  for (const std::size_t row : rows)
    if (row < catalogue_rows_.row_count()) indexes.push_back(catalogue_rows_.index_of(row));
  // The search goes through them in the catalogues' order, whatever the table's.
  std::sort(indexes.begin(), indexes.end());
  std::vector<std::shared_ptr<search::Catalogue>> chosen;
  for (const std::size_t index : indexes)
    if (index < loaded_.catalogues.size()) chosen.push_back(loaded_.catalogues[index]);
  return chosen;
}

void VeskoSession::lstCatalogues_HeaderClick(int column) {
  if (column < 0 || column >= static_cast<int>(ui::catalogue_columns().size())) return;
  const bool descending = catalogue_sort_ && catalogue_sort_->first == column && !catalogue_sort_->second;
  catalogue_sort_ = std::pair{column, descending};
  // The selection stays with the catalogues it holds.
  const auto selected = selected_catalogues(false);
  catalogue_rows_.sort_by(static_cast<CatalogueColumn>(column), descending);
  form_.lstCatalogues.showSortColumn(column, descending);
  form_.lstCatalogues.rowsChanged();
  std::vector<std::size_t> rows;
  for (std::size_t index = 0; index < loaded_.catalogues.size(); ++index)
    if (std::find(selected.begin(), selected.end(), loaded_.catalogues[index]) != selected.end())
      rows.push_back(catalogue_rows_.row_of(index));
  std::sort(rows.begin(), rows.end());
  if (!rows.empty()) form_.lstCatalogues.selectRows(rows);
}

void VeskoSession::run_query(bool refresh) {
  const std::uint64_t generation = ++search_generation_;
  progress_.reset();
  early_rows_.reset();
  if (loading_) return;  // runs when the catalogues are in
  const std::string text = form_.txtQuery.text();
  if (blank(text) || loaded_.no_folder) {
    worker_->cancel();
    searching_ = false;
    show_results({});
    summary_.clear();
    search_notes_.clear();
    show_status(idle_status());
    return;
  }
  std::string error;
  std::optional<search::Query> query = search::parse_query(text, error);
  if (!query) {
    worker_->cancel();
    searching_ = false;
    show_results({});
    summary_.clear();
    form_.lblStatus.setCaption(error);
    return;
  }
  searching_ = true;
  search::SearchOptions options;
  options.code_page = services_.code_page;
  options.threads = services_.threads;
  options.observer = services_.search_observer;
  // The first rows go to the window as soon as they are found, while the
  // same search goes on to the end; a refresh shows its rows once, when
  // they are all in, so the table does not jump.
  const std::vector<std::shared_ptr<search::Catalogue>> catalogues = selected_catalogues();
  // A refresh shows its rows once, when they are all in, so the table does not jump.
  progress_ = std::make_shared<SearchProgress>(
      catalogues, refresh ? std::vector<std::size_t>{} : std::vector<std::size_t>{kFirstRows, kFirstResults});
  // A search that overtakes one the window said it waits for says so at
  // once: what that one found is not what this one finds.
  if (status_.starts_with(kSearching)) show_status(std::string(kSearching));
  // The session is closed on the window's thread, which runs this too.
  form_.host.postAfter(kSearchingAfter, [this, reach = reach_, generation] {
    if (reach->open) show_progress(generation);
  });
  // A refresh compares its rows with those shown down to a little below what
  // the table shows, to keep its place there.
  ShownResults before = refresh ? results_.shown() : ShownResults{};
  const std::size_t place = std::max(form_.lstResults.topRow(), form_.lstResults.currentRow().value_or(0));
  worker_->submit([this, reach = reach_, host = &form_.host, generation, query = std::move(*query),
                   catalogues, progress = progress_, options, sort = sort_, refresh, before = std::move(before), place,
                   code_page = services_.code_page,
                   index_folder = services_.index_folder, pool = index_pool_](const std::atomic<bool>& cancel) {
    const auto start = std::chrono::steady_clock::now();
    // Shows `results`, sorted when a column was clicked (unless cancelled on the way).
    auto show = [&](std::shared_ptr<const search::ResultSet> results, std::string summary, bool complete,
                    std::vector<std::string> notes) {
      ShownResults shown;
      if (sort) {
        auto order = sorted_rows(*results, sort->column, sort->descending, code_page, &cancel);
        if (!order) return;
        shown.order = std::move(*order);
      }
      shown.results = std::move(results);
      const std::size_t compared = std::min(place + kRowsComparedBelow, kRowsComparedAtMost);
      const bool keep_place =
          complete && refresh && place < compared &&
          same_rows(before, shown, std::min({compared, before.results ? before.results->size() : 0, shown.results->size()}),
                    code_page) &&
          std::min(before.results->size(), shown.results->size()) > place;
      post(reach, *host, [this, generation, shown = std::move(shown), summary = std::move(summary), complete,
                          keep_place, notes = std::move(notes)]() mutable {
        on_searched(generation, std::move(shown), std::move(summary), complete, keep_place, std::move(notes));
      });
    };
    // The first screenful goes to the window as soon as it is found, and
    // more once kFirstResults are, while the same search goes on to the end.
    ProgressSink sink(progress, [&](search::ResultSet first) {
      const std::size_t count = first.size();
      show(std::make_shared<const search::ResultSet>(std::move(first)),
           "The first " + group_digits(count) + " found; searching on...", false, {});
    });
    const search::Matcher matcher(query);
    // Catalogues with a fresh index are read only where it points.
    const search::index::IndexPlanner planner(matcher.query(), index_folder, pool.get());
    search::SearchOptions planned = options;
    planned.planner = &planner;
    const search::SearchOutcome outcome = search::run_search(catalogues, matcher, planned, sink, &cancel);
    if (outcome.cancelled || cancel.load()) return;
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    // Errors first: the status line is cut at its end.
    std::vector<std::string> notes = outcome.errors;
    notes.insert(notes.end(), outcome.notes.begin(), outcome.notes.end());
    show(std::make_shared<const search::ResultSet>(progress->finish()),
         search::status_summary(outcome, static_cast<std::uint64_t>(milliseconds.count())), true, std::move(notes));
  });
}

void VeskoSession::on_searched(std::uint64_t generation, ShownResults shown, std::string summary, bool complete,
                               bool keep_place, std::vector<std::string> notes) {
  if (generation != search_generation_) {
    release_aside(std::move(shown));  // a search overtaken by a keystroke
    return;
  }
  searching_ = !complete;
  // Rows found early stay where the user may be looking at them, when the
  // rows that follow begin with them.
  if (early_rows_ && extends(results_.shown(), shown)) keep_place = true;
  early_rows_.reset();
  show_results(std::move(shown), keep_place);
  summary_ = std::move(summary);
  const bool changed = !notes.empty();
  search_notes_ = std::move(notes);
  show_status(summary_);
  // A catalogue found changed on the way is read again, with the rest of its folder.
  if (changed && complete) catalogues_changed();
}

void VeskoSession::show_progress(std::uint64_t generation) {
  if (generation != search_generation_ || !searching_ || !progress_) return;
  std::optional<SearchGlimpse> glimpse = progress_->glimpse(early_rows_);
  if (!glimpse) return;  // its first rows, or all of them, are on their way
  if (glimpse->rows) {
    // Fewer than the first rows: sorted here at once.
    ShownResults shown;
    shown.results = std::make_shared<const search::ResultSet>(std::move(*glimpse->rows));
    if (sort_)
      if (auto order = sorted_rows(*shown.results, sort_->column, sort_->descending, services_.code_page, nullptr))
        shown.order = std::move(*order);
    const bool keep_place = early_rows_ && extends(results_.shown(), shown);
    show_results(std::move(shown), keep_place);
    early_rows_ = glimpse->found;
  }
  show_status(searching_text(glimpse->found));
  form_.host.postAfter(kSearchingEvery, [this, reach = reach_, generation] {
    if (reach->open) show_progress(generation);
  });
}

std::optional<std::pair<int, bool>> VeskoSession::results_sort() const {
  if (!sort_) return std::nullopt;
  return std::pair{static_cast<int>(sort_->column), sort_->descending};
}

void VeskoSession::restore_sort(int column, bool descending) {
  if (column < 0 || column >= static_cast<int>(ui::result_columns().size())) return;
  sort_ = Sort{static_cast<ResultColumn>(column), descending};
  form_.lstResults.showSortColumn(column, descending);
}

void VeskoSession::restore_catalogue_sort(int column, bool descending) {
  if (column < 0 || column >= static_cast<int>(ui::catalogue_columns().size())) return;
  catalogue_sort_ = std::pair{column, descending};
  catalogue_rows_.sort_by(static_cast<CatalogueColumn>(column), descending);
  form_.lstCatalogues.showSortColumn(column, descending);
}

void VeskoSession::lstResults_HeaderClick(int column) {
  const auto chosen = static_cast<ResultColumn>(column);
  const bool descending = sort_ && sort_->column == chosen && !sort_->descending;
  sort_ = Sort{chosen, descending};
  form_.lstResults.showSortColumn(column, descending);
  // A search on its way is run again in the new order; results already shown are sorted on the worker.
  if (searching_ || loading_ || !results_.shown().results) {
    if (searching_) run_query();
    return;
  }
  const std::uint64_t generation = ++search_generation_;
  searching_ = true;
  // A million rows take a second or more: the status says why the rows have
  // not followed the arrow yet, until they do.
  show_status(kSorting);
  worker_->submit([this, reach = reach_, host = &form_.host, generation, results = results_.shown().results,
                   sort = *sort_, summary = summary_, notes = search_notes_,
                   code_page = services_.code_page](const std::atomic<bool>& cancel) {
    auto order = sorted_rows(*results, sort.column, sort.descending, code_page, &cancel);
    if (!order) return;
    ShownResults shown{results, std::move(*order)};
    post(reach, *host, [this, generation, shown = std::move(shown), summary, notes]() mutable {
      on_searched(generation, std::move(shown), summary, true, false, std::move(notes));
    });
  });
}

void VeskoSession::lstResults_Open() {
  const auto row = form_.lstResults.currentRow();
  if (!row || *row >= results_.row_count()) return;
  const std::optional<std::string> path = results_.full_path(*row);
  if (!path) return;  // its catalogue changed: it is being read again
  open_entry(results_.catalogue(*row), *path, services_, form_.host);
}

void VeskoSession::lstResults_ContextMenu() {
  const auto row = form_.lstResults.currentRow();
  if (!row || *row >= results_.row_count()) return;
  const auto item = form_.host.popupResultMenu();
  if (!item) return;
  switch (*item) {
    case ui::ResultMenuItem::CopyPath:
    case ui::ResultMenuItem::CopyLines:
    case ui::ResultMenuItem::CopyName: copy_results(*item); break;
    case ui::ResultMenuItem::OpenFolder: lstResults_Open(); break;
    case ui::ResultMenuItem::Export: export_results(); break;
    case ui::ResultMenuItem::ShowInCatalogue:
      if (show_in_catalogue) show_in_catalogue(results_.catalogue(*row), results_.hit(*row));
      break;
  }
}

std::vector<std::size_t> VeskoSession::chosen_results() const {
  std::vector<std::size_t> rows = form_.lstResults.selectedRows();
  std::erase_if(rows, [this](std::size_t row) { return row >= results_.row_count(); });
  if (rows.empty())
    if (const auto row = form_.lstResults.currentRow(); row && *row < results_.row_count()) rows.push_back(*row);
  return rows;
}

void VeskoSession::copy_results(ui::ResultMenuItem what) {
  std::string text;
  search::NameDecoder decoder(services_.code_page);
  for (const std::size_t row : chosen_results()) {
    if (what == ui::ResultMenuItem::CopyLines) {
      // The command line's own lines.
      if (!search::append_result_line(text, results_.catalogue(row), results_.hit(row), decoder)) return;
      continue;
    }
    const auto part = what == ui::ResultMenuItem::CopyName ? results_.name(row) : results_.full_path(row);
    if (!part) return;  // its catalogue changed: it is being read again
    text += *part + "\n";
  }
  // Lines between the rows, none after the last: one path pastes as it is.
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty()) form_.host.setClipboardText(text);
}

void VeskoSession::export_results() {
  if (results_.row_count() == 0) {
    form_.host.messageBox("There are no results to export.");
    return;
  }
  const std::string path = form_.host.SaveExportFile("Vesko results.csv");
  if (path.empty()) return;
  if (const platform::Status written = write_export(path); !written.ok())
    form_.host.messageBox("Could not export to " + path + ": " + written.message());
}

platform::Status VeskoSession::write_export(const std::string& path) {
  const ExportFormat format = export_format_of(path);
  std::string text(kUtf8Bom);
  std::vector<std::string> fields;
  for (const ui::VeskoColumn& column : ui::result_columns()) fields.emplace_back(column.title);
  append_export_line(text, fields, format);
  for (std::size_t row = 0; row < results_.row_count(); ++row) {
    fields.assign(ui::result_columns().size(), {});
    for (std::size_t column = 0; column < fields.size(); ++column)
      results_.cell(row, static_cast<int>(column), fields[column]);
    // Sizes in bytes, as numbers; a folder has none.
    const search::Hit& hit = results_.hit(row);
    fields[static_cast<std::size_t>(ResultColumn::Size)] = hit.is_folder() ? "" : std::to_string(hit.size);
    append_export_line(text, fields, format);
  }
  // Written beside the file and put in its place: a failure leaves what was
  // there before (the dialog asked before replacing it).
  return platform::write_settings_atomically(path, text);
}

void VeskoSession::select_first_result() {
  if (results_.row_count() > 0 && form_.lstResults.selectedRows().empty()) form_.lstResults.selectRows({0});
}

void VeskoSession::release_aside(ShownResults gone) {
  // Millions of results take long to free: not on the window's thread.
  if (gone.results && gone.results->size() >= kFreedAside)
    release_.release(std::make_shared<const ShownResults>(std::move(gone)));
}

void VeskoSession::show_results(ShownResults shown, bool keep_place) {
  release_aside(results_.show(std::move(shown)));
  if (keep_place) {
    form_.lstResults.rowsRefreshed();
  } else {
    form_.lstResults.rowsChanged();
  }
}

void VeskoSession::keep_indexes() {
  if (!indexes_) return;
  indexing_.clear();
  const std::uint64_t generation = load_generation_;
  indexes_->refresh(
      loaded_.catalogues,
      [this, reach = reach_, host = &form_.host, generation](std::size_t done, std::size_t total) {
        post(reach, *host, [this, generation, done, total] {
          if (generation != load_generation_) return;
          indexing_ = indexing_text(done, total);
          show_status(status_);
        });
      },
      // A catalogue that could not be indexed is searched whole: the status line says why.
      [this, reach = reach_, host = &form_.host, generation](std::vector<std::string> errors) {
        if (errors.empty()) return;
        post(reach, *host, [this, generation, errors = std::move(errors)] {
          if (generation != load_generation_) return;
          indexing_ = indexing_failed_text(errors);
          show_status(status_);
        });
      });
}

void VeskoSession::show_status(const std::string& text) {
  status_ = text;
  // What went wrong first, then the counts, then what a reload found: a
  // long line is cut at its end, where the least is lost.
  std::string line;
  auto add = [&line](const std::string& part) {
    if (!part.empty()) line += (line.empty() ? "" : "; ") + part;
  };
  for (const std::string& note : search_notes_) add(note);
  for (const std::string& note : loaded_.notes) add(note);
  add(text);
  add(indexing_);
  add(loaded_.reloaded);
  form_.lblStatus.setCaption(line);
}

std::string VeskoSession::idle_status() const {
  if (loaded_.no_folder) return std::string(kNoFolderYet);
  return plural(loaded_.catalogues.size(), "catalogue", "catalogues") + " (" +
         plural(loaded_.entries, "entry", "entries") + "): type to search";
}

}  // namespace korvint::jobs
