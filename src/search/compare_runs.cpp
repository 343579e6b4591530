#include "search/compare_runs.h"

#include <algorithm>

namespace korvint::search::compare_detail {

bool Runs::start(const Catalogue& catalogue) {
  const std::lock_guard lock(mutex_);
  if (searched_ == &catalogue) return false;
  const bool again = searched_ != nullptr;
  searched_ = &catalogue;
  runs_.clear();
  // No run points into the lanes now; those still held are filled by a
  // search of the version before, whose run is dropped when it comes.
  for (auto& lane : lanes_) {
    if (lane->held) continue;
    lane->records.clear();
    lane->text.clear();
  }
  return again;
}

std::unique_ptr<Run> Runs::open(const Catalogue& catalogue, const Chunk& chunk, std::uint64_t reserve_bytes) {
  auto run = std::make_unique<Run>();
  run->catalogue = &catalogue;
  run->chunk = chunk;
  const std::lock_guard lock(mutex_);
  for (auto& lane : lanes_)
    if (!lane->held) run->lane = lane.get();
  if (run->lane == nullptr) {
    auto lane = std::make_unique<Lane>();
    // A record a line of 16 bytes or more, and its text, at most the line's.
    const auto bytes = static_cast<std::size_t>(std::min<std::uint64_t>(reserve_bytes, std::uint64_t{1} << 32));
    lane->records.reserve(bytes / 16);
    lane->text.reserve(bytes);
    run->lane = lane.get();
    lanes_.push_back(std::move(lane));
  }
  run->lane->held = true;
  run->first = run->lane->records.size();
  return run;
}

void Runs::add(std::unique_ptr<Run> run) {
  const std::lock_guard lock(mutex_);
  run->count = run->lane->records.size() - run->first;
  run->lane->held = false;
  runs_.push_back(std::move(run));
}

std::vector<std::unique_ptr<Run>> Runs::take(const Catalogue* catalogue) {
  std::vector<std::unique_ptr<Run>> runs;
  for (auto& run : runs_)
    if (run->catalogue == catalogue) runs.push_back(std::move(run));
  runs_.clear();
  std::stable_sort(runs.begin(), runs.end(), [](const auto& x, const auto& y) { return x->chunk.begin < y->chunk.begin; });
  std::vector<std::unique_ptr<Run>> once;
  for (std::size_t i = 0; i < runs.size();) {
    std::size_t j = i + 1;
    while (j < runs.size() && runs[j]->chunk.begin == runs[i]->chunk.begin) ++j;
    if (j == i + 1) once.push_back(std::move(runs[i]));
    i = j;
  }
  for (auto& run : once) run->records = std::span<const Record>(run->lane->records).subspan(run->first, run->count);
  return once;
}

std::vector<Stretch> stretches(const std::vector<std::unique_ptr<Run>>& runs, const HitStore& hits) {
  auto first_at = [&](std::uint64_t line) {
    std::size_t low = 0, high = hits.size();
    while (low < high) {
      const std::size_t middle = low + (high - low) / 2;
      if (hits[middle].line < line) low = middle + 1; else high = middle;
    }
    return low;
  };
  std::vector<Stretch> out;
  std::size_t at = 0;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const std::size_t begin = std::max(at, first_at(runs[r]->chunk.begin));
    const std::size_t end = std::max(begin, first_at(runs[r]->chunk.end));
    if (begin > at) out.push_back(Stretch{at, begin, kNone});
    out.push_back(Stretch{begin, end, r});
    at = end;
  }
  if (at < hits.size()) out.push_back(Stretch{at, hits.size(), kNone});
  return out;
}

}  // namespace korvint::search::compare_detail
