#pragma once
// The view window at work: the duplicates among the chosen catalogues, or two
// catalogues compared, each computed on a worker of its own (a new one
// cancelling the one running, closing the window cancelling it too) and
// shown as groups; the same actions on their files as on results. Every
// handler runs on the window's thread.

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jobs/vesko_session.h"
#include "jobs/vesko_view_rows.h"
#include "jobs/vesko_worker.h"
#include "ui/vesko_form.h"
#include "ui/vesko_views.h"

namespace korvint::jobs {

class VeskoViews final : public ui::ViewEvents {
 public:
  /// `form` and `session` must outlive the views.
  VeskoViews(ui::VeskoForm& form, VeskoSession& session);
  /// Stops the worker; what it posted and has not run yet does nothing.
  ~VeskoViews() override;
  VeskoViews(const VeskoViews&) = delete;
  VeskoViews& operator=(const VeskoViews&) = delete;

  /// Ctrl+D: the files alike by the keys chosen in the view (name and size
  /// at first) among those the query finds in the chosen catalogues (all
  /// when none is selected).
  void show_duplicates();
  /// Compares catalogue `a` with `b` (indexes of the session's catalogues),
  /// narrowed by the query, with the options chosen in the view (the
  /// folders start at the roots for another two catalogues).
  void show_comparison(std::size_t a, std::size_t b);
  /// The catalogues' right-click menu: duplicates, the two selected compared,
  /// or the current one compared with another.
  void lstCatalogues_ContextMenu();

  void view_Open() override;
  void view_ContextMenu() override;
  void view_Copy() override;
  void view_Closed() override;
  void view_OptionsChange() override;
  void view_HeaderClick(int column) override;

  /// True from a view asked for until it is shown.
  [[nodiscard]] bool working() const { return working_; }
  /// "Browse" on the catalogues' menu: opens catalogue `index`'s browse window.
  std::function<void(std::size_t index)> browse;
  /// "Show in catalogue" on a row: opens its catalogue's browse window there.
  std::function<void(const search::Catalogue&, const search::Hit&)> show_in_catalogue;
  /// The rows the window shows now (nullptr before any view).
  [[nodiscard]] const ViewRows* rows() const { return shown_; }

 private:
  struct Reach {
    std::mutex mutex;
    bool open = true;
  };
  using Outcome = std::pair<std::vector<std::string>, std::string>;  // errors, then what was found

  // Shows the window with `rows` emptied, the options and `status`; true
  // when the query the view was asked with reads (else a message box says why).
  bool begin(const std::string& title, ViewRows& rows, const std::string& status, search::Query& query);
  // Computes the view shown again from what it was asked for, with the options chosen.
  void compute_duplicates();
  void compute_comparison();
  // Sorts the rows shown on the worker as the header clicks of their view chose.
  void sort_shown();
  [[nodiscard]] std::optional<std::pair<int, bool>>& sort_of_shown() {
    return shown_ == &duplicates_ ? duplicates_sort_ : comparison_sort_;
  }
  // Runs `job` on the worker; what it returns is shown by `finish` on the window's thread.
  void run(std::function<std::function<void()>(const std::atomic<bool>&)> job);
  void show_status(const std::vector<std::string>& errors, const std::string& text);
  // The selected rows, else the current one.
  [[nodiscard]] std::vector<std::size_t> chosen_rows() const;
  void copy(ui::ResultMenuItem what);
  void export_rows();
  [[nodiscard]] ui::ViewWindow& window();

  ui::VeskoForm& form_;
  VeskoSession& session_;
  ui::ViewWindow* window_ = nullptr;  ///< made by the host when first shown
  DuplicateRows duplicates_;
  ComparisonRows comparison_;
  const ViewRows* shown_ = nullptr;
  std::string export_name_;
  // What the view shown was asked for: the query, the catalogues searched
  // for duplicates or the two compared, and the options.
  std::string query_text_;
  std::vector<std::shared_ptr<search::Catalogue>> searched_;
  std::shared_ptr<search::Catalogue> compared_[2];
  ui::ViewOptions options_;
  // Each view's sort by header clicks: the column and whether descending.
  std::optional<std::pair<int, bool>> duplicates_sort_;
  std::optional<std::pair<int, bool>> comparison_sort_;
  std::string status_;  ///< the status line of the rows shown, back after sorting
  std::uint64_t generation_ = 0;
  bool working_ = false;
  bool computing_ = false;  ///< the job running computes the view (a sort follows it)
  bool open_ = false;       ///< the window shows a view: closed, a box it leaves changes nothing
  std::shared_ptr<Reach> reach_ = std::make_shared<Reach>();
  std::unique_ptr<SearchWorker> worker_;  ///< stopped first when the views go
};

}  // namespace korvint::jobs
