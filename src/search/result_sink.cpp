#include "search/result_sink.h"

#include <algorithm>

namespace korvint::search {

ResultCollector::ResultCollector(const std::vector<std::shared_ptr<Catalogue>>& catalogues)
    : catalogues_(catalogues.begin(), catalogues.end()) {}

bool ResultCollector::take(const std::shared_ptr<const Catalogue>& catalogue, std::vector<Hit> hits) {
  if (hits.empty()) return true;
  // A catalogue searched again comes from its file opened afresh.
  catalogues_[hits.front().catalogue()] = catalogue;
  size_ += hits.size();
  parts_.push_back(std::move(hits));
  return true;
}

bool ResultCollector::withdraw(std::size_t, std::size_t count) {
  while (count > 0 && !parts_.empty()) {
    std::vector<Hit>& last = parts_.back();
    const std::size_t dropped = std::min(count, last.size());
    last.resize(last.size() - dropped);
    size_ -= dropped;
    count -= dropped;
    if (last.empty()) parts_.pop_back();
  }
  return true;
}

ResultSet ResultCollector::first(std::size_t count) const {
  std::vector<Hit> hits;
  hits.reserve(std::min(count, size_));
  for (const auto& part : parts_) {
    if (hits.size() == count) break;
    hits.insert(hits.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(std::min(part.size(), count - hits.size())));
  }
  std::vector<std::vector<Hit>> parts;
  parts.push_back(std::move(hits));
  return ResultSet(catalogues_, std::move(parts));
}

ResultSet ResultCollector::results() {
  size_ = 0;
  return ResultSet(catalogues_, std::move(parts_));
}

}  // namespace korvint::search
