#pragma once
// The browse window at work: one catalogue read into a FolderTree on a
// worker (a new catalogue cancelling the one being read, closing the window
// cancelling it too), its folders shown as a tree with their totals, the
// selected folder's files beside it, and the same actions on them as on
// results. Every handler runs on the window's thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "jobs/browse_rows.h"
#include "jobs/vesko_session.h"
#include "jobs/vesko_worker.h"
#include "ui/vesko_browse.h"
#include "ui/vesko_form.h"

namespace korvint::jobs {

/// The status line while a catalogue is read.
inline constexpr std::string_view kReadingCatalogue = "Reading catalogue...";

class VeskoBrowse final : public ui::BrowseEvents {
 public:
  /// `form` and `session` must outlive the browse window's handlers.
  VeskoBrowse(ui::VeskoForm& form, VeskoSession& session);
  /// Stops the worker; what it posted and has not run yet does nothing.
  ~VeskoBrowse() override;
  VeskoBrowse(const VeskoBrowse&) = delete;
  VeskoBrowse& operator=(const VeskoBrowse&) = delete;

  /// A double click or Enter on a catalogue, or "Browse": catalogue `index`
  /// (of the session's) from its root.
  void browse_catalogue(std::size_t index);
  /// "Show in catalogue": the catalogue of `hit` with the folder that holds
  /// it selected and the file selected among its files (a folder: that
  /// folder selected).
  void show_in_catalogue(const search::Catalogue& catalogue, const search::Hit& hit);

  void browse_FolderSelected() override;
  void browse_TreeHeaderClick(int column) override;
  void browse_TreeContextMenu() override;
  void browse_FilesHeaderClick(int column) override;
  void browse_FileOpen() override;
  void browse_FilesContextMenu() override;
  void browse_Copy() override;
  void browse_Closed() override;

  /// The folders' order (a FolderOrder) and whether turned round, as a header click leaves it.
  [[nodiscard]] std::pair<int, bool> folder_sort() const {
    return {static_cast<int>(folders_.order()), folders_.descending()};
  }
  /// The files' sort column (nullopt: the catalogue's order) and whether descending.
  [[nodiscard]] std::pair<std::optional<int>, bool> file_sort() const { return {files_sort_, files_descending_}; }
  /// The sorts remembered from an earlier start, for the catalogues browsed
  /// from now on; values out of range are ignored.
  void restore_sort(std::optional<int> folder_column, bool folder_descending, std::optional<int> file_column,
                    bool file_descending);

  /// True from a catalogue asked for until its tree is shown (or why not).
  [[nodiscard]] bool working() const { return working_; }
  [[nodiscard]] const FolderTreeRows& folders() const { return folders_; }
  [[nodiscard]] const FolderFileRows& files() const { return files_; }

 private:
  struct Reach {
    std::mutex mutex;
    bool open = true;
  };
  // Reads `catalogue` afresh on the worker and shows its tree, `at` (a
  // result of the version searched) selected when the file is still that version.
  void open(const std::shared_ptr<search::Catalogue>& catalogue, std::optional<search::Hit> at);
  // Shows the files of `folder`, the one whose line is at `file_line` selected.
  void show_files(ui::TreeRows::Node folder, std::optional<std::uint64_t> file_line = std::nullopt);
  // The full path of `folder` (UTF-8, ending with its separator); nullopt when the catalogue changed.
  [[nodiscard]] std::optional<std::string> folder_path(ui::TreeRows::Node folder) const;
  [[nodiscard]] std::vector<std::size_t> chosen_files() const;
  // Shows the folders' order in the tree's header.
  void show_folder_order();
  [[nodiscard]] ui::BrowseWindow& window();

  ui::VeskoForm& form_;
  VeskoSession& session_;
  ui::BrowseWindow* window_ = nullptr;  ///< made by the host when first shown
  FolderTreeRows folders_;
  FolderFileRows files_;
  std::string summary_;  ///< the status of the tree shown
  std::optional<int> files_sort_;
  bool files_descending_ = false;
  std::uint64_t generation_ = 0;
  bool working_ = false;
  std::shared_ptr<Reach> reach_ = std::make_shared<Reach>();
  std::unique_ptr<SearchWorker> worker_;  ///< stopped first when the browse window's handlers go
};

}  // namespace korvint::jobs
