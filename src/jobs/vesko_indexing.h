#pragma once
// The window keeps its catalogues' indexes fresh: after a folder is read, the
// missing and stale ones are built on a thread of their own, one catalogue at
// a time so that a core is left to the search, which goes on meanwhile (a
// catalogue without a fresh index is read whole).

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "search/catalogue.h"

namespace korvint::jobs {

class IndexKeeper {
 public:
  /// `done` catalogues of `total` to build are built (done == total: all).
  using Progress = std::function<void(std::size_t done, std::size_t total)>;
  /// The catalogues that could not be indexed, "a.lst: the reason" each (called once a refresh ends uncancelled).
  using Finished = std::function<void(std::vector<std::string> errors)>;

  explicit IndexKeeper(std::string cache_folder) : cache_folder_(std::move(cache_folder)) {}
  /// Stops the build under way (within a block of a catalogue) and waits for it.
  ~IndexKeeper();
  IndexKeeper(const IndexKeeper&) = delete;
  IndexKeeper& operator=(const IndexKeeper&) = delete;

  /// Stops what runs and builds the indexes `catalogues` lack, the most
  /// recently written first, each from its file opened afresh; `progress` is
  /// called on the keeper's thread before each and after the last, then
  /// `finished` (when given) with what failed.
  void refresh(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues, Progress progress,
               Finished finished = {});

 private:
  void stop();

  std::string cache_folder_;
  std::atomic<bool> cancel_{false};
  std::thread thread_;
};

/// The status line's words for a build under way: "Indexing 3 of 31..."; "" once done.
std::string indexing_text(std::size_t done, std::size_t total);

/// The status line's words for catalogues that could not be indexed: "Not
/// indexed: a.lst: the reason" (", and 2 more"); "" when none.
std::string indexing_failed_text(const std::vector<std::string>& errors);

}  // namespace korvint::jobs
