#pragma once
// Where a search's results go as it finds them: a sink takes each finished
// chunk's hits, in catalogue order and line order, and may stop the search.
// The command line prints them at once; the window keeps them in a ResultSet
// through a ResultCollector.

#include <cstddef>
#include <memory>
#include <vector>

#include "search/catalogue.h"
#include "search/result_set.h"

namespace korvint::search {

class ResultSink {
 public:
  virtual ~ResultSink() = default;

  /// The next results, all of `catalogue`, whose index among the catalogues
  /// given to run_search() is hits[i].catalogue(). Every hit comes once, in
  /// catalogue order and then line order. False stops the search.
  virtual bool take(const std::shared_ptr<const Catalogue>& catalogue, std::vector<Hit> hits) = 0;

  /// The last `count` results taken, all of catalogue `index` (the last one
  /// taken from), came from a version of its file that changed before all its
  /// results were found: they do not stand. Its results come again from its
  /// file opened afresh ("NAME.lst changed during the search: searched
  /// again"), or none when it changed too often or cannot be read. False stops the search.
  virtual bool withdraw(std::size_t index, std::size_t count) = 0;
};

/// The sink that keeps every result, for a ResultSet.
class ResultCollector final : public ResultSink {
 public:
  /// Collects the results of a search of `catalogues`, as given to run_search().
  explicit ResultCollector(const std::vector<std::shared_ptr<Catalogue>>& catalogues);

  bool take(const std::shared_ptr<const Catalogue>& catalogue, std::vector<Hit> hits) override;
  bool withdraw(std::size_t index, std::size_t count) override;

  /// The number of results kept.
  [[nodiscard]] std::size_t size() const { return size_; }
  /// A copy of the first `count` results kept so far.
  [[nodiscard]] ResultSet first(std::size_t count) const;
  /// Every result kept, which the collector gives up.
  ResultSet results();

 private:
  std::vector<std::shared_ptr<const Catalogue>> catalogues_;
  std::vector<std::vector<Hit>> parts_;
  std::size_t size_ = 0;
};

}  // namespace korvint::search
