#pragma once
// The results of a window's search while it runs: the worker's sink keeps
// them here, and the window's thread looks in while the user waits, to say
// how many are found so far and to show the first of them before the search
// ends.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "search/catalogue.h"
#include "search/result_set.h"
#include "search/result_sink.h"

namespace korvint::jobs {

/// What the window may show of a search still running.
struct SearchGlimpse {
  std::size_t found = 0;                  ///< results kept so far
  std::optional<search::ResultSet> rows;  ///< a copy of them, when the window is to show them
};

/// Shared by the worker searching (take, withdraw, finish) and the window's
/// thread (glimpse); every call is safe from either.
class SearchProgress {
 public:
  /// Collects results of `catalogues` (as given to run_search()); the first
  /// of them are handed back by take() as their count reaches each of
  /// `steps` (ascending; none: never, and glimpse() then shows no rows: the
  /// search shows its rows once, at its end).
  SearchProgress(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues, std::vector<std::size_t> steps);

  /// Keeps `hits`; a copy of the first results when their count has just
  /// reached a step (as many as the largest step reached).
  std::optional<search::ResultSet> take(const std::shared_ptr<const search::Catalogue>& catalogue,
                                        std::vector<search::Hit> hits);
  /// Drops the last `count` results (their catalogue changed during the search).
  void withdraw(std::size_t count);
  /// Every result, which this gives up: the search ended.
  search::ResultSet finish();

  /// How the search stands for the window: the results found so far, and a
  /// copy of them when the window is to show them before the first step's
  /// rows are handed over and it shows none of them yet (`shown` nullopt) or
  /// another number (`*shown`); nullopt once the first ones went or the search ended.
  [[nodiscard]] std::optional<SearchGlimpse> glimpse(std::optional<std::size_t> shown) const;

 private:
  mutable std::mutex mutex_;
  search::ResultCollector collector_;
  std::vector<std::size_t> steps_;
  std::size_t next_step_ = 0;  // the first of `steps_` not reached yet
  bool first_gone_ = false;
  bool finished_ = false;
};

/// The sink of a window's search: keeps its results in `progress` and hands
/// the first ones to `show_first` (on the searching thread) as soon as they are in.
class ProgressSink final : public search::ResultSink {
 public:
  ProgressSink(std::shared_ptr<SearchProgress> progress, std::function<void(search::ResultSet)> show_first)
      : progress_(std::move(progress)), show_first_(std::move(show_first)) {}

  bool take(const std::shared_ptr<const search::Catalogue>& catalogue, std::vector<search::Hit> hits) override;
  bool withdraw(std::size_t index, std::size_t count) override;

 private:
  std::shared_ptr<SearchProgress> progress_;
  std::function<void(search::ResultSet)> show_first_;
};

}  // namespace korvint::jobs
