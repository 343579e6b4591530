#pragma once
// Vesko's window at work: the catalogue folder read on the worker thread, the
// search run as the user types (each keystroke cancelling the running one),
// the results sorted by a header click, a result opened or copied. Every
// handler runs on the window's thread and returns at once; what the worker
// finds comes back through the host's post().

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/vesko_rows.h"
#include "jobs/vesko_worker.h"
#include "platform/file_services.h"
#include "platform/status.h"
#include "search/catalogue.h"
#include "ui/vesko_form.h"

namespace korvint::jobs {

/// What Vesko's handlers reach the system through; tests may replace parts.
struct VeskoServices {
  platform::FileServices* files = nullptr;  ///< unset: the system's
  /// Shows a file or folder in the file manager; unset: the platform's.
  std::function<platform::Status(std::string_view)> show_in_file_manager;
  std::string code_page;  ///< for catalogues that are not UTF-8 ("" = the default)
  unsigned threads = 0;   ///< search threads (0: one per core)
};

/// A catalogue folder read for the window: the catalogues, checked (their
/// entries and skipped lines counted, their encoding decided), their rows for
/// the catalogue table, and what stood in the way.
struct LoadedCatalogues {
  std::vector<std::shared_ptr<search::Catalogue>> catalogues;
  std::vector<CatalogueFacts> facts;  ///< one a catalogue
  std::vector<std::string> notes;     ///< unreadable folders, files that are no catalogues, skipped lines
  std::uint64_t entries = 0;
};

/// Opens and checks the catalogues of `folders`; nullopt when `cancel` became true.
std::optional<LoadedCatalogues> load_catalogues(const std::vector<std::string>& folders,
                                                const std::string& code_page, unsigned threads,
                                                const std::atomic<bool>* cancel);

class VeskoSession {
 public:
  /// The results a search shows before it has found them all.
  static constexpr std::size_t kFirstResults = 1000;
  /// The status line while the results shown are sorted again.
  static constexpr const char* kSorting = "Sorting\xE2\x80\xA6";

  /// `form` must outlive the session.
  explicit VeskoSession(ui::VeskoForm& form, VeskoServices services = {});
  /// Stops the worker and drops what it posted and the window has not run yet.
  ~VeskoSession();
  VeskoSession(const VeskoSession&) = delete;
  VeskoSession& operator=(const VeskoSession&) = delete;

  /// Searches the catalogues of `folders` from now on: shows them, reads them
  /// on the worker, then runs the query in the box.
  void open_folders(std::vector<std::string> folders);
  [[nodiscard]] const std::vector<std::string>& folders() const { return folders_; }

  /// The query box changed: the running search gives way to a new one.
  void txtQuery_Change();
  /// Esc: empties the query box and the results.
  void clear_query();
  /// The catalogue selection changed: only the selected ones are searched (all when none).
  void lstCatalogues_SelectionChange();
  /// A click on a results column header: sorts by it, the second click the other way round.
  void lstResults_HeaderClick(int column);
  /// Enter or a double click: shows the current result in the file manager
  /// when its disk is attached, else says which catalogue and root hold it.
  void lstResults_Open();
  /// The right-click menu over the current result.
  void lstResults_ContextMenu();

  /// True from a change until its results (or catalogues) are shown.
  [[nodiscard]] bool working() const { return loading_ || searching_; }
  [[nodiscard]] const ResultRows& results() const { return results_; }
  [[nodiscard]] const CatalogueRows& catalogues() const { return catalogue_rows_; }

 private:
  struct Sort {
    ResultColumn column;
    bool descending;
  };

  void run_query();
  void on_loaded(std::uint64_t generation, LoadedCatalogues loaded);
  /// Shows a search's results; `complete` false for the first rows of one still running.
  void on_searched(std::uint64_t generation, ShownResults shown, std::string summary, bool complete);
  void show_results(ShownResults shown);
  void show_status(const std::string& text);
  [[nodiscard]] std::string idle_status() const;
  [[nodiscard]] std::vector<std::shared_ptr<search::Catalogue>> selected_catalogues() const;

  ui::VeskoForm& form_;
  VeskoServices services_;
  std::vector<std::string> folders_;
  LoadedCatalogues loaded_;
  CatalogueRows catalogue_rows_;
  ResultRows results_;
  std::optional<Sort> sort_;
  std::string summary_;  ///< the status of the results shown, without the notes
  std::uint64_t load_generation_ = 0;
  std::uint64_t search_generation_ = 0;
  bool loading_ = false;
  bool searching_ = false;
  std::unique_ptr<SearchWorker> worker_;  ///< stopped first when the session goes
};

}  // namespace korvint::jobs
