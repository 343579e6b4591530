#include "jobs/vesko_browse.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "jobs/entry_opening.h"
#include "jobs/view_actions.h"
#include "search/quantity_text.h"

namespace korvint::jobs {
namespace {

using Node = ui::TreeRows::Node;

std::string count_of(std::uint64_t count, const char* one, const char* many) {
  return group_digits(count) + " " + (count == 1 ? one : many);
}

// Why `catalogue` could not be opened afresh, naming it.
std::string open_error(const search::Catalogue& catalogue, search::OpenProblem problem, const std::string& message) {
  if (problem == search::OpenProblem::NotAFile) return "\"" + catalogue.path() + "\" is not a file any more";
  if (problem == search::OpenProblem::NotACatalogue)
    return "\"" + catalogue.path() + "\" is not a catalogue any more (its first line names no root)";
  return message.empty() ? "Cannot read \"" + catalogue.path() + "\"" : message;
}

// How often a catalogue that changes while it is read is read again.
constexpr int kReadAttempts = 3;

// The tree's menu over a folder.
enum TreeMenuItem : std::size_t { OpenFolder, CopyPath, SortByName, SortBySize };

}  // namespace

VeskoBrowse::VeskoBrowse(ui::VeskoForm& form, VeskoSession& session)
    : form_(form), session_(session), folders_(session.services().code_page) {}

VeskoBrowse::~VeskoBrowse() {
  {
    std::lock_guard lock(reach_->mutex);
    reach_->open = false;
  }
  worker_.reset();
}

ui::BrowseWindow& VeskoBrowse::window() {
  if (window_ == nullptr) window_ = &form_.host.browseWindow(*this);
  return *window_;
}

void VeskoBrowse::browse_catalogue(std::size_t index) {
  const auto& catalogues = session_.catalogues();
  if (index < catalogues.size()) open(catalogues[index], std::nullopt);
}

void VeskoBrowse::show_in_catalogue(const search::Catalogue& catalogue, const search::Hit& hit) {
  for (const auto& loaded : session_.catalogues())
    if (loaded.get() == &catalogue) open(loaded, hit);
}

void VeskoBrowse::open(const std::shared_ptr<search::Catalogue>& catalogue, std::optional<search::Hit> at) {
  ui::BrowseWindow& shown = window();
  // The tree of the catalogue before goes at once: its rows are not shown while another is read.
  folders_.show(nullptr);
  files_.show(nullptr, search::kRootFolder, {});
  shown.tvwFolders().setTree(&folders_);
  shown.tvwFolders().treeChanged(std::nullopt);
  shown.lstFiles().setRows(&files_);
  shown.lstFiles().rowsChanged();
  shown.showBrowse(catalogue->name() + " - Vesko");
  shown.lblBrowseStatus().setCaption(kReadingCatalogue);

  if (!worker_) worker_ = std::make_unique<SearchWorker>();
  const std::uint64_t generation = ++generation_;
  working_ = true;
  const unsigned threads = session_.services().threads;
  worker_->submit([this, reach = reach_, host = &form_.host, generation, catalogue, at, threads](
                      const std::atomic<bool>& cancel) {
    const auto start = std::chrono::steady_clock::now();
    // The file as it stands now: it may have been replaced, or deleted, since
    // it was searched; one that changes while it is read (a scan writing it)
    // is read again, a few times.
    std::shared_ptr<search::Catalogue> fresh;
    std::optional<search::FolderTree> tree;
    std::string error;
    for (int attempt = 0; attempt < kReadAttempts && !tree && !cancel; ++attempt) {
      search::OpenProblem problem = search::OpenProblem::None;
      fresh = catalogue->reopen(problem, error);
      if (!fresh) {
        error = open_error(*catalogue, problem, error);
        break;
      }
      tree = search::FolderTree::build(fresh, error, &cancel, threads);
    }
    if (cancel) return;
    // A result's offsets hold only in the version that was searched.
    const bool same = fresh && fresh->identity() == catalogue->identity();
    auto built = tree ? std::make_shared<const search::FolderTree>(std::move(*tree)) : nullptr;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::lock_guard lock(reach->mutex);
    if (!reach->open) return;
    const bool moved = at && !same;  // the result's place is not known in the file as it is now
    host->post([this, reach, generation, built, error, at = same ? at : std::nullopt, moved, ms] {
      if (!reach->open || generation != generation_) return;  // gone, or another catalogue asked for
      working_ = false;
      if (!built) {
        window_->lblBrowseStatus().setCaption(error);
        return;
      }
      folders_.show(built);
      const search::FolderTotals& all = built->totals(search::FolderTree::kRoot);
      summary_ = built->catalogue()->name() + ": " + count_of(all.folders, "folder", "folders") + ", " +
                 count_of(all.files, "file", "files") + ", " + search::byte_size_text(all.bytes) + " (" +
                 group_digits(static_cast<std::uint64_t>(ms.count())) + " ms)";
      if (built->skipped() > 0) summary_ = count_of(built->skipped(), "line", "lines") + " skipped; " + summary_;
      if (moved)
        summary_ = "\"" + built->catalogue()->path() + "\" changed since it was searched: search again to show the result; " + summary_;
      Node selected = search::FolderTree::kRoot;
      std::optional<std::uint64_t> file_line;
      if (at) {
        selected = built->folder_of_line(at->line);
        if (!at->is_folder()) file_line = at->line;
      }
      window_->tvwFolders().treeChanged(selected);
      show_folder_order();
      show_files(selected, file_line);
    });
  });
}

void VeskoBrowse::show_files(Node folder, std::optional<std::uint64_t> file_line) {
  const auto& tree = folders_.tree();
  if (!tree || window_ == nullptr) return;
  search::NameDecoder decoder(session_.services().code_page);
  auto files = tree->files(folder, decoder);
  if (!files) {
    window_->lblBrowseStatus().setCaption("\"" + tree->catalogue()->path() +
                                          "\" changed since it was read: open it again; " + summary_);
    files.emplace();
  } else {
    // The files of the folder, said: a folder that holds only folders shows an empty list.
    std::string name;
    folders_.cell(folder, 0, name);
    window_->lblBrowseStatus().setCaption(summary_ + "; " + name + ": " +
                                          (files->empty() ? "no files of its own" : count_of(files->size(), "file", "files")));
  }
  files_.show(tree->catalogue(), tree->line(folder), std::move(*files));
  files_.sort(files_sort_, files_descending_);
  window_->lstFiles().rowsChanged();
  window_->lstFiles().showSortColumn(files_sort_.value_or(-1), files_descending_);
  if (file_line)
    if (const auto row = files_.row_of_line(*file_line)) window_->lstFiles().selectRows({*row});
}

void VeskoBrowse::browse_FolderSelected() {
  if (window_ == nullptr) return;
  if (const auto folder = window_->tvwFolders().selectedFolder()) show_files(*folder);
}

void VeskoBrowse::browse_TreeHeaderClick(int column) {
  if (column < 0 || column > static_cast<int>(FolderOrder::Folders) || window_ == nullptr) return;
  const auto order = static_cast<FolderOrder>(column);
  const bool descending = order == folders_.order() ? !folders_.descending() : false;
  folders_.sort(order, descending);
  window_->tvwFolders().treeChanged(window_->tvwFolders().selectedFolder());
  show_folder_order();
}

void VeskoBrowse::show_folder_order() {
  // Totals come largest first unless turned round.
  const bool by_name = folders_.order() == FolderOrder::Name;
  window_->tvwFolders().showSortColumn(static_cast<int>(folders_.order()),
                                       by_name ? folders_.descending() : !folders_.descending());
}

void VeskoBrowse::browse_TreeContextMenu() {
  if (window_ == nullptr || !folders_.tree()) return;
  const auto folder = window_->tvwFolders().selectedFolder();
  if (!folder) return;
  const auto chosen = form_.host.popupMenu({"&Open folder", "Copy full &path\tCtrl+C", "Sort by &name", "Sort by &size"});
  if (!chosen) return;
  switch (*chosen) {
    case OpenFolder:
      if (const auto path = folder_path(*folder)) open_entry(*folders_.tree()->catalogue(), *path, session_.services(), form_.host);
      break;
    case CopyPath:
      if (const auto path = folder_path(*folder)) form_.host.setClipboardText(*path);
      break;
    case SortByName: browse_TreeHeaderClick(static_cast<int>(FolderOrder::Name)); break;
    case SortBySize: browse_TreeHeaderClick(static_cast<int>(FolderOrder::Size)); break;
    default: break;
  }
}

std::optional<std::string> VeskoBrowse::folder_path(Node folder) const {
  const search::FolderTree& tree = *folders_.tree();
  const search::Catalogue& catalogue = *tree.catalogue();
  search::NameDecoder decoder(session_.services().code_page);
  std::string path;
  if (folder == search::FolderTree::kRoot) {
    decoder.decode(catalogue.encoding(), catalogue.root(), path);
    return path;
  }
  search::Hit hit;
  hit.line = tree.line(folder);
  hit.bits = std::uint64_t{1} << 63;  // a folder's
  if (!search::full_path(catalogue, hit, decoder, path)) return std::nullopt;
  return path;
}

void VeskoBrowse::restore_sort(std::optional<int> folder_column, bool folder_descending, std::optional<int> file_column,
                               bool file_descending) {
  if (folder_column && *folder_column >= 0 && *folder_column <= static_cast<int>(FolderOrder::Folders))
    folders_.sort(static_cast<FolderOrder>(*folder_column), folder_descending);
  if (file_column && *file_column >= 0 && *file_column < static_cast<int>(ui::browse_file_columns().size())) {
    files_sort_ = file_column;
    files_descending_ = file_descending;
  }
}

void VeskoBrowse::browse_FilesHeaderClick(int column) {
  if (column < 0 || column >= static_cast<int>(files_.columns().size()) || window_ == nullptr) return;
  files_descending_ = files_sort_ == column ? !files_descending_ : false;
  files_sort_ = column;
  files_.sort(files_sort_, files_descending_);
  window_->lstFiles().rowsChanged();
  window_->lstFiles().showSortColumn(column, files_descending_);
}

std::vector<std::size_t> VeskoBrowse::chosen_files() const {
  if (window_ == nullptr) return {};
  std::vector<std::size_t> rows = window_->lstFiles().selectedRows();
  std::erase_if(rows, [this](std::size_t row) { return row >= files_.row_count(); });
  if (rows.empty())
    if (const auto row = window_->lstFiles().currentRow(); row && *row < files_.row_count()) rows.push_back(*row);
  return rows;
}

void VeskoBrowse::browse_FileOpen() {
  if (window_ == nullptr) return;
  if (const auto row = window_->lstFiles().currentRow()) open_view_row(files_, *row, session_.services(), form_.host);
}

void VeskoBrowse::browse_FilesContextMenu() {
  const std::vector<std::size_t> chosen = chosen_files();
  if (chosen.empty()) return;
  const auto item = form_.host.popupResultMenu();
  if (!item) return;
  switch (*item) {
    case ui::ResultMenuItem::CopyPath:
    case ui::ResultMenuItem::CopyLines:
    case ui::ResultMenuItem::CopyName: copy_view_rows(files_, chosen, *item, session_.services(), form_.host); break;
    case ui::ResultMenuItem::OpenFolder: browse_FileOpen(); break;
    case ui::ResultMenuItem::Export: export_view_rows(files_, "Vesko folder.csv", form_.host); break;
    case ui::ResultMenuItem::ShowInCatalogue: break;  // it is shown here already
  }
}

void VeskoBrowse::browse_Copy() {
  copy_view_rows(files_, chosen_files(), ui::ResultMenuItem::CopyPath, session_.services(), form_.host);
}

void VeskoBrowse::browse_Closed() {
  if (worker_) worker_->cancel();
  ++generation_;  // what the worker still posts is not shown
  working_ = false;
}

}  // namespace korvint::jobs
