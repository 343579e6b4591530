#include "jobs/vesko_session.h"

#include <chrono>

#include "jobs/local_time_text.h"
#include "platform/desktop_files.h"
#include "search/catalogue_folder.h"
#include "search/matcher.h"
#include "search/query.h"
#include "search/result_line.h"
#include "search/searcher.h"

namespace korvint::jobs {
namespace {

std::string plural(std::uint64_t count, const char* one, const char* many) {
  return group_digits(count) + " " + (count == 1 ? one : many);
}

bool blank(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (const std::string& part : parts) {
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

}  // namespace

std::optional<LoadedCatalogues> load_catalogues(const std::vector<std::string>& folders,
                                                const std::string& code_page, unsigned threads,
                                                const std::atomic<bool>* cancel) {
  search::CatalogueSet set = search::open_catalogue_folders(folders);
  search::SearchOptions options;
  options.code_page = code_page;
  options.threads = threads;
  // Counting every line once gives the entries, the skipped lines and each
  // catalogue's encoding for good, so no later search changes how names read.
  search::check_catalogues(set.catalogues, options, cancel);
  if (cancel != nullptr && cancel->load()) return std::nullopt;

  LoadedCatalogues loaded;
  loaded.notes = std::move(set.errors);
  loaded.notes.insert(loaded.notes.end(), set.notes.begin(), set.notes.end());
  if (set.catalogues.empty() && loaded.notes.empty())
    loaded.notes.push_back("no catalogues in \"" + joined(folders, "\", \"") + "\"");
  search::NameDecoder decoder(code_page);
  for (const auto& catalogue : set.catalogues) {
    CatalogueFacts facts;
    facts.name = catalogue->name();
    decoder.decode(catalogue->encoding(), catalogue->root(), facts.root);
    if (catalogue->counts()) {
      facts.entries = group_digits(catalogue->counts()->entries);
      loaded.entries += catalogue->counts()->entries;
    }
    if (const auto written = platform::local_write_time(catalogue->path())) facts.scanned = local_time_text(*written);
    if (std::string note = search::skipped_lines_note(*catalogue); !note.empty()) loaded.notes.push_back(std::move(note));
    loaded.facts.push_back(std::move(facts));
  }
  loaded.catalogues = std::move(set.catalogues);
  return loaded;
}

VeskoSession::VeskoSession(ui::VeskoForm& form, VeskoServices services)
    : form_(form), services_(std::move(services)), results_(services_.code_page),
      worker_(std::make_unique<SearchWorker>()) {
  if (services_.files == nullptr) services_.files = &platform::system_file_services();
  if (!services_.show_in_file_manager) services_.show_in_file_manager = &platform::show_in_file_manager;
  form_.lstCatalogues.setRows(&catalogue_rows_);
  form_.lstResults.setRows(&results_);
}

VeskoSession::~VeskoSession() {
  worker_.reset();
  // What the worker posted refers to this session: it must not run any more.
  form_.host.dropPosted();
  form_.lstCatalogues.setRows(nullptr);
  form_.lstResults.setRows(nullptr);
}

void VeskoSession::open_folders(std::vector<std::string> folders) {
  folders_ = std::move(folders);
  const std::uint64_t generation = ++load_generation_;
  ++search_generation_;
  loading_ = true;
  searching_ = false;
  loaded_ = LoadedCatalogues{};
  catalogue_rows_.show({});
  form_.lstCatalogues.rowsChanged();
  show_results({});
  summary_.clear();
  const std::string shown = joined(folders_, "; ");
  form_.lblFolder.setCaption("Catalogues in " + shown);
  form_.lblStatus.setCaption("Reading the catalogues in " + shown + "...");
  worker_->submit([this, generation, folders = folders_, code_page = services_.code_page,
                   threads = services_.threads](const std::atomic<bool>& cancel) {
    auto loaded = load_catalogues(folders, code_page, threads, &cancel);
    if (!loaded) return;
    auto delivered = std::make_shared<LoadedCatalogues>(std::move(*loaded));
    form_.host.post([this, generation, delivered] { on_loaded(generation, std::move(*delivered)); });
  });
}

void VeskoSession::on_loaded(std::uint64_t generation, LoadedCatalogues loaded) {
  if (generation != load_generation_) return;
  loading_ = false;
  loaded_ = std::move(loaded);
  catalogue_rows_.show(loaded_.facts);
  form_.lstCatalogues.rowsChanged();
  run_query();
}

void VeskoSession::txtQuery_Change() { run_query(); }

void VeskoSession::clear_query() {
  form_.txtQuery.setText("");
  run_query();
}

void VeskoSession::lstCatalogues_SelectionChange() { run_query(); }

std::vector<std::shared_ptr<search::Catalogue>> VeskoSession::selected_catalogues() const {
  const std::vector<std::size_t> rows = form_.lstCatalogues.selectedRows();
  if (rows.empty()) return loaded_.catalogues;
  std::vector<std::shared_ptr<search::Catalogue>> chosen;
  for (const std::size_t row : rows)
    if (row < loaded_.catalogues.size()) chosen.push_back(loaded_.catalogues[row]);
  return chosen;
}

void VeskoSession::run_query() {
  const std::uint64_t generation = ++search_generation_;
  if (loading_) return;  // runs when the catalogues are in
  const std::string text = form_.txtQuery.text();
  if (blank(text)) {
    worker_->cancel();
    searching_ = false;
    show_results({});
    summary_.clear();
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
  worker_->submit([this, generation, query = std::move(*query), catalogues = selected_catalogues(), options,
                   sort = sort_](const std::atomic<bool>& cancel) mutable {
    const auto start = std::chrono::steady_clock::now();
    const search::Matcher matcher(query);
    // First a search that stops at the first few results: a word found in
    // many names shows its first rows at once, while the whole search goes on.
    // A search that finds fewer is already complete.
    options.max_hits = kFirstResults;
    for (;;) {
      auto outcome = std::make_shared<search::SearchOutcome>(search::run_search(catalogues, matcher, options, &cancel));
      if (outcome->cancelled || cancel.load()) return;
      ShownResults shown;
      if (sort) {
        auto order = sorted_rows(outcome->results, sort->column, sort->descending, options.code_page, &cancel);
        if (!order) return;
        shown.order = std::move(*order);
      }
      const bool complete = !outcome->limited;
      std::string summary;
      if (complete) {
        const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        summary = search::status_summary(*outcome, static_cast<std::uint64_t>(milliseconds.count()));
      } else {
        summary = "The first " + group_digits(outcome->results.size()) + " found; searching on...";
      }
      // The hits stay where the search made them; the order points into them.
      shown.results = std::shared_ptr<const search::ResultSet>(outcome, &outcome->results);
      form_.host.post([this, generation, shown = std::move(shown), summary = std::move(summary), complete]() mutable {
        on_searched(generation, std::move(shown), std::move(summary), complete);
      });
      if (complete) return;
      options.max_hits = 0;
    }
  });
}

void VeskoSession::on_searched(std::uint64_t generation, ShownResults shown, std::string summary, bool complete) {
  if (generation != search_generation_) return;
  searching_ = !complete;
  show_results(std::move(shown));
  summary_ = std::move(summary);
  show_status(summary_);
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
  worker_->submit([this, generation, results = results_.shown().results, sort = *sort_, summary = summary_,
                   code_page = services_.code_page](const std::atomic<bool>& cancel) {
    auto order = sorted_rows(*results, sort.column, sort.descending, code_page, &cancel);
    if (!order) return;
    ShownResults shown{results, std::move(*order)};
    form_.host.post([this, generation, shown = std::move(shown), summary]() mutable {
      on_searched(generation, std::move(shown), summary, true);
    });
  });
}

void VeskoSession::lstResults_Open() {
  const auto row = form_.lstResults.currentRow();
  if (!row || *row >= results_.row_count()) return;
  const std::string path = results_.full_path(*row);
  const search::Catalogue& catalogue = results_.catalogue(*row);
  std::string root;
  search::NameDecoder(services_.code_page).decode(catalogue.encoding(), catalogue.root(), root);
  if (services_.files->exists(path)) {
    const platform::Status shown = services_.show_in_file_manager(path);
    if (!shown.ok()) form_.host.messageBox(shown.message());
    return;
  }
  if (services_.files->exists(root)) {
    form_.host.messageBox(path + " is no longer there.\nThe catalogue \"" + catalogue.name() + "\" of " + root +
                          " lists it as it was when the catalogue was made.");
    return;
  }
  form_.host.messageBox(path + " is on a disk that is not attached.\nCatalogue: " + catalogue.name() +
                        "\nRoot: " + root);
}

void VeskoSession::lstResults_ContextMenu() {
  const auto row = form_.lstResults.currentRow();
  if (!row || *row >= results_.row_count()) return;
  const auto item = form_.host.popupResultMenu();
  if (!item) return;
  switch (*item) {
    case ui::ResultMenuItem::CopyPath: form_.host.setClipboardText(results_.full_path(*row)); break;
    case ui::ResultMenuItem::CopyName: form_.host.setClipboardText(results_.name(*row)); break;
    case ui::ResultMenuItem::OpenFolder: lstResults_Open(); break;
  }
}

void VeskoSession::show_results(ShownResults shown) {
  results_.show(std::move(shown));
  form_.lstResults.rowsChanged();
}

void VeskoSession::show_status(const std::string& text) {
  std::string line = text;
  for (const std::string& note : loaded_.notes) line += (line.empty() ? "" : "; ") + note;
  form_.lblStatus.setCaption(line);
}

std::string VeskoSession::idle_status() const {
  return plural(loaded_.catalogues.size(), "catalogue", "catalogues") + " (" +
         plural(loaded_.entries, "entry", "entries") + "): type to search";
}

}  // namespace korvint::jobs
