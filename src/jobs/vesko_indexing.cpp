#include "jobs/vesko_indexing.h"

#include "search/index_cache.h"

namespace korvint::jobs {

IndexKeeper::~IndexKeeper() { stop(); }

void IndexKeeper::stop() {
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
  cancel_ = false;
}

void IndexKeeper::refresh(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues, Progress progress,
                          Finished finished) {
  stop();
  std::vector<std::shared_ptr<const search::Catalogue>> given(catalogues.begin(), catalogues.end());
  thread_ = std::thread([this, given = std::move(given), progress = std::move(progress),
                         finished = std::move(finished)] {
    // Its own opening of each file: the searches keep theirs to themselves.
    std::vector<std::shared_ptr<search::Catalogue>> opened;
    for (const auto& catalogue : given) {
      if (cancel_) return;
      search::OpenProblem problem = search::OpenProblem::None;
      std::string message;
      if (auto fresh = catalogue->reopen(problem, message)) opened.push_back(std::move(fresh));
    }
    auto outcome = search::index::refresh_indexes(cache_folder_, opened, 1, progress, &cancel_);
    if (finished && !cancel_) finished(std::move(outcome.errors));
  });
}

std::string indexing_text(std::size_t done, std::size_t total) {
  if (done >= total) return {};
  return "Indexing " + std::to_string(done + 1) + " of " + std::to_string(total) + "...";
}

std::string indexing_failed_text(const std::vector<std::string>& errors) {
  if (errors.empty()) return {};
  std::string text = "Not indexed: " + errors.front();
  if (errors.size() > 1) text += ", and " + std::to_string(errors.size() - 1) + " more";
  return text;
}

}  // namespace korvint::jobs
