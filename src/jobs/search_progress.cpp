#include "jobs/search_progress.h"

#include <utility>

namespace korvint::jobs {

SearchProgress::SearchProgress(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues,
                               std::vector<std::size_t> steps)
    : collector_(catalogues), steps_(std::move(steps)) {}

std::optional<search::ResultSet> SearchProgress::take(const std::shared_ptr<const search::Catalogue>& catalogue,
                                                      std::vector<search::Hit> hits) {
  const std::lock_guard lock(mutex_);
  collector_.take(catalogue, std::move(hits));
  std::size_t reached = 0;
  for (; next_step_ < steps_.size() && collector_.size() >= steps_[next_step_]; ++next_step_) reached = steps_[next_step_];
  if (reached == 0) return std::nullopt;
  first_gone_ = true;
  return collector_.first(reached);
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
  if (!steps_.empty() && (!shown || glimpse.found != *shown)) glimpse.rows = collector_.first(glimpse.found);
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
