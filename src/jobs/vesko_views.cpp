#include "jobs/vesko_views.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "jobs/view_actions.h"
#include "search/catalogue_overview.h"
#include "search/query.h"
#include "search/result_set.h"

namespace korvint::jobs {
namespace {

std::string count_of(std::uint64_t count, const char* one, const char* many) {
  return group_digits(count) + " " + (count == 1 ? one : many);
}

std::string elapsed_text(std::chrono::steady_clock::time_point start) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  return group_digits(static_cast<std::uint64_t>(ms.count())) + " ms";
}

// What the duplicates' status line says of them.
std::string duplicates_summary(const search::Duplicates& found, std::size_t catalogues) {
  if (found.groups.empty()) return "No duplicates among the files found in " + count_of(catalogues, "catalogue", "catalogues");
  std::uint64_t wasted = 0;
  for (const search::DuplicateGroup& group : found.groups) wasted += group.wasted;
  return count_of(found.groups.size(), "group", "groups") + " of duplicates, " +
         count_of(found.files.size(), "file", "files") + ", " + search::byte_size_text(wasted) + " wasted, in " +
         count_of(catalogues, "catalogue", "catalogues");
}

}  // namespace

VeskoViews::VeskoViews(ui::VeskoForm& form, VeskoSession& session)
    : form_(form), session_(session), duplicates_(session.services().code_page),
      comparison_(session.services().code_page) {}

VeskoViews::~VeskoViews() {
  {
    std::lock_guard lock(reach_->mutex);
    reach_->open = false;
  }
  worker_.reset();
}

ui::ViewWindow& VeskoViews::window() {
  if (window_ == nullptr) window_ = &form_.host.viewWindow(*this);
  return *window_;
}

bool VeskoViews::begin(const std::string& title, ViewRows& rows, const std::string& status, search::Query& query) {
  std::string error;
  std::optional<search::Query> parsed = search::Query{};
  if (!query_text_.empty()) parsed = search::parse_query(query_text_, error);
  if (!parsed) {
    form_.host.messageBox(error);
    return false;
  }
  query = std::move(*parsed);
  ui::ViewWindow& shown = window();
  shown.showView(title, rows.columns());
  shown.showOptions(options_);
  open_ = true;
  shown_ = &rows;
  shown.lstView().setRows(shown_);
  shown.lstView().rowsChanged();
  const auto sort = sort_of_shown();
  shown.lstView().showSortColumn(sort ? sort->first : -1, sort && sort->second);
  shown.lblViewStatus().setCaption(status);
  return true;
}

void VeskoViews::run(std::function<std::function<void()>(const std::atomic<bool>&)> job) {
  if (!worker_) worker_ = std::make_unique<SearchWorker>();
  const std::uint64_t generation = ++generation_;
  working_ = true;
  worker_->submit([this, reach = reach_, host = &form_.host, generation, job = std::move(job)](
                      const std::atomic<bool>& cancel) {
    std::function<void()> finish = job(cancel);
    if (cancel) return;
    std::lock_guard lock(reach->mutex);
    if (!reach->open) return;
    host->post([this, reach, generation, finish = std::move(finish)] {
      if (!reach->open || generation != generation_) return;  // the views went, or another view was asked for
      working_ = false;
      computing_ = false;
      finish();
    });
  });
}

void VeskoViews::show_duplicates() {
  auto catalogues = session_.chosen_catalogues(true);
  if (catalogues.empty()) {
    form_.host.messageBox("There are no catalogues to look for duplicates in.");
    return;
  }
  searched_ = std::move(catalogues);
  query_text_ = form_.txtQuery.text();
  options_.comparison = false;
  compute_duplicates();
}

void VeskoViews::compute_duplicates() {
  search::Query query;
  const std::string looking = "Finding duplicates in " + count_of(searched_.size(), "catalogue", "catalogues") +
                              "...";
  duplicates_.show({});
  if (!begin(std::string(ui::kDuplicatesTitle), duplicates_, looking, query)) return;
  export_name_ = "Vesko duplicates.csv";
  // The choice names the keys as the command line's --by does.
  static constexpr std::string_view kKeyWords[] = {"name,size", "size,date", "name"};
  std::string error;
  const auto keys = search::parse_duplicate_keys(kKeyWords[std::clamp(options_.by, 0, 2)], error);
  search::SearchOptions options;
  options.code_page = session_.services().code_page;
  options.threads = session_.services().threads;
  run([this, catalogues = searched_, query = std::move(query), keys = keys.value_or(search::DuplicateKeys{}),
       options](const std::atomic<bool>& cancel) {
    const auto start = std::chrono::steady_clock::now();
    auto found = std::make_shared<search::Duplicates>(search::find_duplicates(catalogues, query, keys, options, &cancel));
    const std::string summary = duplicates_summary(*found, catalogues.size()) + " (" + elapsed_text(start) + ")";
    return std::function<void()>([this, found, summary] {
      std::vector<std::string> errors = found->outcome.errors;
      errors.insert(errors.end(), found->outcome.notes.begin(), found->outcome.notes.end());
      duplicates_.show(std::move(*found));
      if (shown_ == &duplicates_) window_->lstView().rowsChanged();
      show_status(errors, summary);
      sort_shown();
    });
  });
  computing_ = true;
}

void VeskoViews::show_comparison(std::size_t a, std::size_t b) {
  const auto& catalogues = session_.catalogues();
  if (a >= catalogues.size() || b >= catalogues.size() || a == b) return;
  if (compared_[0] != catalogues[a] || compared_[1] != catalogues[b]) {
    // Another two catalogues: their folders are not those of the last two.
    options_.folder_a.clear();
    options_.folder_b.clear();
  }
  compared_[0] = catalogues[a];
  compared_[1] = catalogues[b];
  query_text_ = form_.txtQuery.text();
  options_.comparison = true;
  compute_comparison();
}

void VeskoViews::compute_comparison() {
  const search::CompareSide sides[2] = {{compared_[0], options_.folder_a}, {compared_[1], options_.folder_b}};
  search::Query query;
  comparison_.show({});
  const std::string& a = compared_[0]->name();
  const std::string& b = compared_[1]->name();
  if (!begin(a + " compared with " + b + " - Vesko", comparison_, "Comparing " + a + " with " + b + "...",
             query))
    return;
  export_name_ = "Vesko comparison.csv";
  search::CompareOptions options;
  options.all = options_.all;
  options.ignore_date = options_.ignore_date;
  options.search.code_page = session_.services().code_page;
  options.search.threads = session_.services().threads;
  run([this, a = sides[0], b = sides[1], query = std::move(query), options](const std::atomic<bool>& cancel) {
    const auto start = std::chrono::steady_clock::now();
    auto compared = std::make_shared<search::Comparison>(search::compare_catalogues(a, b, query, options, &cancel));
    const std::string summary = "A: " + a.catalogue->name() + ", B: " + b.catalogue->name() + ": " +
                                search::comparison_summary(*compared) + " (" + elapsed_text(start) + ")";
    return std::function<void()>([this, compared, summary] {
      std::vector<std::string> errors = compared->errors;
      errors.insert(errors.end(), compared->notes.begin(), compared->notes.end());
      comparison_.show(std::move(*compared));
      if (shown_ == &comparison_) window_->lstView().rowsChanged();
      show_status(errors, summary);
      sort_shown();
    });
  });
  computing_ = true;
}

void VeskoViews::view_OptionsChange() {
  if (!open_ || window_ == nullptr || shown_ == nullptr) return;
  ui::ViewOptions chosen = window_->options();
  chosen.comparison = options_.comparison;
  if (chosen == options_) return;  // a folder box left unchanged
  options_ = std::move(chosen);
  if (options_.comparison)
    compute_comparison();
  else
    compute_duplicates();
}

void VeskoViews::view_HeaderClick(int column) {
  if (!open_ || window_ == nullptr || shown_ == nullptr || column < 0 || column >= static_cast<int>(shown_->columns().size()))
    return;
  std::optional<std::pair<int, bool>>& sort = sort_of_shown();
  sort = std::pair{column, sort && sort->first == column && !sort->second};
  window_->lstView().showSortColumn(column, sort->second);
  if (computing_) return;  // the rows are sorted once they come
  sort_shown();
}

void VeskoViews::sort_shown() {
  const auto sort = sort_of_shown();
  if (!sort || shown_ == nullptr) return;
  window_->lblViewStatus().setCaption(VeskoSession::kSorting);
  // Named copies, not a structured binding: lambdas below capture them.
  const auto column = sort->first;
  const bool descending = sort->second;
  const std::string code_page = session_.services().code_page;
  if (shown_ == &duplicates_) {
    run([this, files = duplicates_.files(), groups = duplicates_.groups(), column, descending,
         code_page](const std::atomic<bool>& cancel) {
      auto order = std::make_shared<std::optional<DuplicateOrder>>(
          files ? sort_duplicates(*files, groups, column, descending, code_page, &cancel) : std::nullopt);
      return std::function<void()>([this, order] {
        if (*order) duplicates_.arrange(std::move(**order));
        window_->lstView().rowsChanged();
        window_->lblViewStatus().setCaption(status_);
      });
    });
    return;
  }
  run([this, compared = comparison_.comparison(), column, descending, code_page](const std::atomic<bool>& cancel) {
    auto order = std::make_shared<std::optional<std::vector<std::size_t>>>(
        sort_comparison(*compared, column, descending, code_page, &cancel));
    return std::function<void()>([this, order] {
      if (*order) comparison_.arrange(**order);
      window_->lstView().rowsChanged();
      window_->lblViewStatus().setCaption(status_);
    });
  });
}

void VeskoViews::lstCatalogues_ContextMenu() {
  const auto& catalogues = session_.catalogues();
  if (catalogues.empty()) return;
  // The two selected, as indexes, when exactly two are.
  std::vector<std::size_t> selected;
  for (const auto& chosen : session_.chosen_catalogues(false))
    selected.push_back(static_cast<std::size_t>(std::find(catalogues.begin(), catalogues.end(), chosen) -
                                                catalogues.begin()));
  const std::optional<std::size_t> current = session_.current_catalogue();
  // "Browse" the current catalogue first: what a double click on it does.
  std::vector<std::string> items;
  if (current && browse) items.emplace_back("&Browse\tEnter");
  const std::size_t browse_items = items.size();
  items.emplace_back("Find &duplicates\tCtrl+D");
  if (selected.size() == 2)
    items.push_back("&Compare " + catalogues[selected[0]]->name() + " with " + catalogues[selected[1]]->name());
  // "Compare with..." the others, the current catalogue being A.
  std::vector<std::size_t> others;
  if (current)
    for (std::size_t i = 0; i < catalogues.size(); ++i)
      if (i != *current) {
        others.push_back(i);
        items.push_back("Compare with " + catalogues[i]->name());
      }
  const std::optional<std::size_t> picked = form_.host.popupMenu(items);
  if (!picked) return;
  if (*picked < browse_items) {
    browse(*current);
    return;
  }
  const std::optional<std::size_t> chosen = *picked - browse_items;
  if (*chosen == 0) {
    show_duplicates();
    return;
  }
  const std::size_t first_other = selected.size() == 2 ? 2 : 1;
  if (*chosen < first_other) {
    show_comparison(selected[0], selected[1]);
    return;
  }
  if (current && *chosen - first_other < others.size()) show_comparison(*current, others[*chosen - first_other]);
}

void VeskoViews::show_status(const std::vector<std::string>& errors, const std::string& text) {
  // What went wrong first: a long line is cut at its end.
  std::string line;
  for (const std::string& part : errors) line += part + "; ";
  status_ = line + text;
  window_->lblViewStatus().setCaption(status_);
}

std::vector<std::size_t> VeskoViews::chosen_rows() const {
  if (window_ == nullptr || shown_ == nullptr) return {};
  std::vector<std::size_t> rows = window_->lstView().selectedRows();
  std::erase_if(rows, [this](std::size_t row) { return row >= shown_->row_count(); });
  if (rows.empty())
    if (const auto row = window_->lstView().currentRow(); row && *row < shown_->row_count()) rows.push_back(*row);
  return rows;
}

void VeskoViews::view_Open() {
  if (window_ == nullptr || shown_ == nullptr) return;
  if (const auto row = window_->lstView().currentRow()) open_view_row(*shown_, *row, session_.services(), form_.host);
}

void VeskoViews::view_ContextMenu() {
  if (chosen_rows().empty()) return;
  const auto item = form_.host.popupResultMenu();
  if (!item) return;
  switch (*item) {
    case ui::ResultMenuItem::CopyPath:
    case ui::ResultMenuItem::CopyLines:
    case ui::ResultMenuItem::CopyName: copy(*item); break;
    case ui::ResultMenuItem::OpenFolder: view_Open(); break;
    case ui::ResultMenuItem::Export: export_rows(); break;
    case ui::ResultMenuItem::ShowInCatalogue:
      if (const auto rows = chosen_rows(); show_in_catalogue && !rows.empty())
        if (const auto entry = shown_->entry(rows.front())) show_in_catalogue(*entry->catalogue, entry->hit);
      break;
  }
}

void VeskoViews::view_Copy() { copy(ui::ResultMenuItem::CopyPath); }

void VeskoViews::copy(ui::ResultMenuItem what) {
  if (shown_ != nullptr) copy_view_rows(*shown_, chosen_rows(), what, session_.services(), form_.host);
}

void VeskoViews::export_rows() { export_view_rows(*shown_, export_name_, form_.host); }

void VeskoViews::view_Closed() {
  if (worker_) worker_->cancel();
  ++generation_;  // what the worker still posts is not shown
  working_ = false;
  computing_ = false;
  open_ = false;
}

}  // namespace korvint::jobs
