#pragma once
// Vesko's window at work: the catalogue folder read on the worker thread, the
// search run as the user types (each keystroke cancelling the running one),
// the results sorted by a header click, a result opened or copied, and the
// catalogues read again when their folder changes. Every handler runs on the
// window's thread and returns at once; what the worker finds comes back
// through the host's post().

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jobs/background_release.h"
#include "jobs/vesko_indexing.h"
#include "search/index_pool.h"
#include "jobs/vesko_rows.h"
#include "jobs/vesko_worker.h"
#include "platform/file_services.h"
#include "platform/status.h"
#include "search/catalogue.h"
#include "ui/vesko_form.h"

namespace korvint::search {
class HitObserver;
}

namespace korvint::jobs {

class SearchProgress;

/// What Vesko's handlers reach the system through; tests may replace parts.
struct VeskoServices {
  platform::FileServices* files = nullptr;  ///< unset: the system's
  /// Shows a file or folder in the file manager; unset: the platform's.
  std::function<platform::Status(std::string_view)> show_in_file_manager;
  std::string code_page;  ///< for catalogues that are not UTF-8 ("" = the default)
  unsigned threads = 0;   ///< search threads (0: one per core)
  /// The folder of the catalogues' indexes, kept fresh and used by the searches ("": none).
  std::string index_folder;
  /// Sees the hits of the window's searches as they are found (unset: nothing
  /// does); it must outlive the session. Tests hold a search with it.
  const search::HitObserver* search_observer = nullptr;
};

/// The services of the program as users run it: the system's, the indexes in the user's cache folder.
VeskoServices program_services();

/// What the window says while it has no catalogue folder to search.
inline constexpr std::string_view kNoFolderYet =
    "No catalogue folder yet \xE2\x80\x94 Change folder... or make one with Korvint";

/// A catalogue folder read for the window: the catalogues, checked (their
/// entries and skipped lines counted, their encoding decided), their rows for
/// the catalogue table, and what stood in the way.
struct LoadedCatalogues {
  std::vector<std::shared_ptr<search::Catalogue>> catalogues;
  std::vector<CatalogueFacts> facts;  ///< one a catalogue
  std::vector<std::string> notes;     ///< unreadable folders and files, files that are no catalogues, skipped lines
  std::uint64_t entries = 0;
  bool no_folder = false;  ///< every folder is missing: nothing to search yet
  /// What a reload found different, for the status line: "Reloaded: a.lst
  /// (new), b.lst (changed), c.lst (gone)"; empty when nothing was.
  std::string reloaded;
};

/// Opens and checks the catalogues of `folders`; nullopt when `cancel` became
/// true. A catalogue of `kept` that is still the file it was (the same
/// version, chosen the same way) is taken over as it is, counts and all.
std::optional<LoadedCatalogues> load_catalogues(const std::vector<std::string>& folders,
                                                const std::string& code_page, unsigned threads,
                                                const std::atomic<bool>* cancel,
                                                const std::vector<std::shared_ptr<search::Catalogue>>& kept = {},
                                                const std::string& index_folder = {},
                                                search::index::IndexPool* index_pool = nullptr);

class VeskoSession {
 public:
  /// The results shown (all of them, however many rows the table was told yet).
  [[nodiscard]] const ResultRows& results() const { return results_; }
  /// The results a search shows first, as soon as they are found, while it
  /// goes on: more rows than a screen holds.
  static constexpr std::size_t kFirstRows = 100;
  /// The results it shows next, also while it goes on, so that the table can
  /// be scrolled further before the search ends.
  static constexpr std::size_t kFirstResults = 1000;
  /// The status line while the results shown are sorted again.
  static constexpr const char* kSorting = "Sorting...";
  /// A search still running this long after it started says so in the status
  /// line ("Searching...", with how many it found so far) and shows those it
  /// found in the table; one that ends sooner never does, so typing a word
  /// the indexes answer in 5 to 40 ms does not make the window flicker.
  static constexpr std::chrono::milliseconds kSearchingAfter{200};
  /// How often, after that, a search still running shows how far it got.
  static constexpr std::chrono::milliseconds kSearchingEvery{400};

  /// `form` must outlive the session.
  explicit VeskoSession(ui::VeskoForm& form, VeskoServices services = {});
  /// Stops the worker and drops what it posted and the window has not run
  /// yet; a job that does not stop in time posts nothing any more.
  ~VeskoSession();
  VeskoSession(const VeskoSession&) = delete;
  VeskoSession& operator=(const VeskoSession&) = delete;

  /// Searches the catalogues of `folders` from now on: shows them, reads them
  /// on the worker, then runs the query in the box. No folders: there is no
  /// catalogue folder yet, and the status line says what to do.
  void open_folders(std::vector<std::string> folders);

  /// The query box changed: the running search gives way to a new one.
  void txtQuery_Change();
  /// Esc: empties the query box and the results.
  void clear_query();
  /// The catalogue selection changed: only the selected ones are searched (all when none).
  void lstCatalogues_SelectionChange();
  /// A click on a catalogue column header: sorts the catalogues by it, the
  /// second click the other way round; the selection stays with its catalogues.
  void lstCatalogues_HeaderClick(int column);
  /// A click on a results column header: sorts by it, the second click the other way round.
  void lstResults_HeaderClick(int column);
  /// Enter or a double click: shows the current result in the file manager
  /// when its disk is attached, else says which catalogue and root hold it.
  void lstResults_Open();
  /// The right-click menu over the current result: copies or exports the
  /// selected results (the current one when none is selected).
  void lstResults_ContextMenu();
  /// Ctrl+C in the results: the full paths of the selected ones, one a line.
  void lstResults_Copy() { copy_results(ui::ResultMenuItem::CopyPath); }
  /// "Export...": every result shown, in the order shown, to a CSV or TSV
  /// file the user names; what stood in the way in a message box.
  void export_results();
  /// The results' order chosen by header clicks: the column and whether
  /// descending; nullopt while they are in the catalogues' order.
  [[nodiscard]] std::optional<std::pair<int, bool>> results_sort() const;
  /// Sorts the results by `column` from now on (as the window was left the
  /// last time), before any search ran; a column that is none is ignored.
  void restore_sort(int column, bool descending);
  /// The catalogue table's order chosen by header clicks: the column and
  /// whether descending; nullopt while in the folder's order.
  [[nodiscard]] std::optional<std::pair<int, bool>> catalogue_sort() const { return catalogue_sort_; }
  /// Sorts the catalogue table by `column` from now on (as the window was
  /// left the last time); a column that is none is ignored.
  void restore_catalogue_sort(int column, bool descending);
  /// Selects the first result when there are results and none is selected.
  void select_first_result();

  /// Something in the catalogue folders changed (the host's watch, or a
  /// catalogue found changed while it was read): the catalogues are read
  /// again on the worker, the unchanged ones kept as they are, and the query
  /// run again, keeping the selected catalogues and where the results stand.
  void catalogues_changed();
  /// F5 or Ctrl+R: every catalogue read afresh, then the same.
  void reload_all();

  /// The catalogues read, by index.
  [[nodiscard]] const std::vector<std::shared_ptr<search::Catalogue>>& catalogues() const { return loaded_.catalogues; }
  /// The catalogues selected in the table, in their own order (all of them
  /// when none is selected and `all_when_none`), as a search takes them.
  [[nodiscard]] std::vector<std::shared_ptr<search::Catalogue>> chosen_catalogues(bool all_when_none) const {
    return selected_catalogues(all_when_none);
  }
  /// The catalogue (its index) in the table's current row; nullopt when none.
  [[nodiscard]] std::optional<std::size_t> current_catalogue() const;
  /// The services the session reaches the system through, every one set.
  [[nodiscard]] const VeskoServices& services() const { return services_; }

  /// True from a change until its results (or catalogues) are shown.
  [[nodiscard]] bool working() const { return loading_ || searching_; }

  /// "Show in catalogue" on a result: opens its catalogue's browse window there.
  std::function<void(const search::Catalogue&, const search::Hit&)> show_in_catalogue;

 private:
  struct Sort {
    ResultColumn column;
    bool descending;
  };
  // Whether work from the worker may still reach the window: cleared, under
  // its lock, when the session goes.
  struct Reach {
    std::mutex mutex;
    bool open = true;
  };

  void load(bool reload, bool everything);
  // Runs the query; `refresh` keeps the results' place where they stay the same.
  void run_query(bool refresh = false);
  void on_loaded(std::uint64_t generation, LoadedCatalogues loaded, bool reload);
  /// Shows a search's results; `complete` false for the first rows of one still running.
  void on_searched(std::uint64_t generation, ShownResults shown, std::string summary, bool complete,
                   bool keep_place, std::vector<std::string> notes);
  // Hands `task` to the window's thread through `host`, unless the session
  // has gone; what a worker job calls, reaching nothing of the session.
  static void post(const std::shared_ptr<Reach>& reach, ui::VeskoHost& host, std::function<void()> task);
  // While a search runs longer than a moment: how far it got, in the status
  // line and the table, again every kSearchingEvery until its first rows come.
  void show_progress(std::uint64_t generation);
  void show_results(ShownResults shown, bool keep_place = false);
  /// Lets go of results no longer shown; large ones are freed off the window's thread.
  void release_aside(ShownResults gone);
  void show_status(const std::string& text);
  // Builds the missing and stale indexes of the catalogues loaded, telling its progress in the status line.
  void keep_indexes();
  [[nodiscard]] std::string idle_status() const;
  // The catalogues selected in the table, in their own order; all of them
  // when none is selected and `all_when_none`.
  [[nodiscard]] std::vector<std::shared_ptr<search::Catalogue>> selected_catalogues(bool all_when_none = true) const;
  // The selected results, else the current one; none when there is neither.
  [[nodiscard]] std::vector<std::size_t> chosen_results() const;
  // Puts the chosen results on the clipboard as `what` says, one a line.
  void copy_results(ui::ResultMenuItem what);
  // Writes the rows shown to `path` (its name says CSV or TSV), in full or not at all; the reason when not.
  platform::Status write_export(const std::string& path);

  ui::VeskoForm& form_;
  VeskoServices services_;
  std::shared_ptr<Reach> reach_ = std::make_shared<Reach>();
  std::vector<std::string> folders_;
  LoadedCatalogues loaded_;
  CatalogueRows catalogue_rows_;
  ResultRows results_;
  std::optional<Sort> sort_;
  std::optional<std::pair<int, bool>> catalogue_sort_;  ///< the catalogue table's column and direction
  std::string summary_;  ///< the status of the results shown, without the notes
  std::vector<std::string> search_notes_;  ///< what the last search found changed
  std::uint64_t load_generation_ = 0;
  std::uint64_t search_generation_ = 0;
  /// The results of the search running, as its worker collects them.
  std::shared_ptr<SearchProgress> progress_;
  /// The rows show_progress() showed of the search running; nullopt while the
  /// rows shown are not those (another search's, or its first ones).
  std::optional<std::size_t> early_rows_;
  bool loading_ = false;
  bool searching_ = false;
  bool reload_waiting_ = false;  ///< a change came while a load ran: read again after it
  bool search_interrupted_ = false;  ///< a load stopped a search: it runs again after the load
  std::unique_ptr<SearchWorker> worker_;  ///< stopped first when the session goes
  std::unique_ptr<IndexKeeper> indexes_;  ///< builds the indexes (with an index folder)
  /// The indexes opened and checked, kept for the next keystroke; shared with the jobs that use them.
  std::shared_ptr<search::index::IndexPool> index_pool_;
  BackgroundRelease release_;  ///< frees results no longer shown, off the window's thread
  std::string indexing_;  ///< "Indexing 3 of 31..." while it does
  std::string status_;    ///< the status last shown, without the notes
};

}  // namespace korvint::jobs
