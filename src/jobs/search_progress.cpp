#include "jobs/search_progress.h"

#include <utility>

namespace korvint::jobs {

SearchProgress::SearchProgress(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues, std::size_t first)
    : collector_(catalogues), first_(first) {}

std::optional<search::ResultSet> SearchProgress::take(const std::shared_ptr<const search::Catalogue>& catalogue,
                                                      std::vector<search::Hit> hits) {
  const std::lock_guard lock(mutex_);
  collector_.take(catalogue, std::move(hits));
  if (first_ == 0 || first_gone_ || collector_.size() < first_) return std::nullopt;
  first_gone_ = true;
  return collector_.first(first_);
}

void SearchProgress::withdraw(std::size_t count) {
  const std::lock_guard lock(mutex_);
  collector_.withdraw(0, count);
}

search::ResultSet SearchProgress::finish() {
  const std::lock_guard lock(mutex_);
  finished_ = true;
  return collector_.results();
}

std::optional<SearchGlimpse> SearchProgress::glimpse(std::optional<std::size_t> shown) const {
  const std::lock_guard lock(mutex_);
  if (finished_ || first_gone_) return std::nullopt;
  SearchGlimpse glimpse{collector_.size(), std::nullopt};
  // Fewer than the first ones: copying them is cheap.
  if (first_ != 0 && (!shown || glimpse.found != *shown)) glimpse.rows = collector_.first(glimpse.found);
  return glimpse;
}

bool ProgressSink::take(const std::shared_ptr<const search::Catalogue>& catalogue, std::vector<search::Hit> hits) {
  // Shown outside the lock: sorting them may take a while.
  if (auto first = progress_->take(catalogue, std::move(hits))) show_first_(std::move(*first));
  return true;
}

bool ProgressSink::withdraw(std::size_t, std::size_t count) {
  progress_->withdraw(count);
  return true;
}

}  // namespace korvint::jobs
