#include "search/searcher.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <thread>

namespace korvint::search {
namespace {

struct Task {
  std::size_t catalogue = 0;
  Chunk chunk;
};

// Runs `work(task_index, state)` for every task on `threads` threads (the
// caller is one of them); each thread has its own `state` from `make_state()`.
template <typename MakeState, typename Work>
void run_tasks(std::size_t task_count, unsigned threads, MakeState make_state, Work work) {
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    auto state = make_state();
    for (std::size_t i = next.fetch_add(1); i < task_count; i = next.fetch_add(1)) work(i, state);
  };
  if (task_count == 0) return;
  const auto helpers = static_cast<unsigned>(std::min<std::size_t>(threads, task_count) - 1);
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (unsigned i = 0; i < helpers; ++i) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}

bool stopped(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }

// The folder of the lines of one chunk, found by looking back only as far as
// needed: from the previous line asked about, or once before the chunk start.
class FolderCursor {
 public:
  FolderCursor(const Catalogue& catalogue, std::uint64_t chunk_begin)
      : catalogue_(catalogue), scanned_(chunk_begin) {}

  // The offset of the folder line that governs the line starting at `line`.
  std::uint64_t folder_of(std::uint64_t line) {
    if (const auto found = catalogue_.last_folder_line(scanned_, line)) {
      folder_ = *found;
    } else if (!known_) {
      folder_ = catalogue_.last_folder_line(catalogue_.body_begin(), scanned_).value_or(kRootFolder);
    }
    known_ = true;
    scanned_ = line;
    return folder_;
  }

 private:
  const Catalogue& catalogue_;
  std::uint64_t scanned_;
  std::uint64_t folder_ = kRootFolder;
  bool known_ = false;
};

// Searches one chunk, appending its hits in line order (at most `limit`, 0: all).
void search_chunk(const Catalogue& catalogue, std::size_t index, const Chunk& chunk, const Matcher& matcher,
                  std::size_t limit, const std::atomic<bool>* cancel, MatchScratch& scratch, std::vector<Hit>& hits) {
  const char* const base = catalogue.bytes().data();
  const char* const end = base + chunk.end;
  const char* pos = base + chunk.begin;
  const CandidateFinder& finder = matcher.finder();
  FolderCursor folders(catalogue, chunk.begin);
  std::string_view folder;
  unsigned lines_since_check = 0;
  while (pos < end) {
    if (++lines_since_check == 1024) {
      lines_since_check = 0;
      if (stopped(cancel)) return;
    }
    const char* candidate = finder.find(pos, end);
    if (candidate == end) return;
    // Widen the candidate to its line.
    const char* start = candidate;
    while (start > pos && start[-1] != '\n') --start;
    const auto* lf = static_cast<const char*>(std::memchr(candidate, '\n', static_cast<std::size_t>(end - candidate)));
    if (lf == nullptr) return;  // a last line without its line end is not read
    pos = lf + 1;
    if (lf == start || lf[-1] != '\r') continue;
    const auto entry = parse_entry_line(std::string_view(start, static_cast<std::size_t>(lf - 1 - start)));
    if (!entry) continue;
    const auto line = static_cast<std::uint64_t>(start - base);
    std::uint64_t folder_line = kRootFolder;
    if (matcher.needs_folder() && !entry->is_folder) {
      folder_line = folders.folder_of(line);
      folder = folder_line == kRootFolder ? std::string_view()
                                          : folder_path_of_line(catalogue.line_at(folder_line)).value_or(std::string_view());
    }
    if (!matcher.matches(catalogue, *entry, folder, scratch)) continue;
    if (!matcher.needs_folder() && !entry->is_folder) folder_line = folders.folder_of(line);
    hits.push_back(Hit::make(line, folder_line, *entry, index));
    if (limit != 0 && hits.size() >= limit) return;
  }
}

}  // namespace

SearchOutcome run_search(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                         const SearchOptions& options, const std::atomic<bool>* cancel) {
  const unsigned threads = options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  SearchOutcome outcome;

  // First sight of a catalogue: count its lines and decide its encoding.
  std::vector<Task> counting;
  for (std::size_t c = 0; c < catalogues.size(); ++c)
    if (!catalogues[c]->counts())
      for (const Chunk& chunk : catalogues[c]->chunks(options.chunk_bytes)) counting.push_back(Task{c, chunk});
  std::vector<LineCounts> counted(counting.size());
  run_tasks(counting.size(), threads, [] { return 0; }, [&](std::size_t i, int) {
    if (!stopped(cancel)) counted[i] = catalogues[counting[i].catalogue]->count_lines(counting[i].chunk);
  });
  if (stopped(cancel)) {
    outcome.cancelled = true;
    return outcome;
  }
  {
    std::vector<LineCounts> totals(catalogues.size());
    for (std::size_t i = 0; i < counting.size(); ++i) totals[counting[i].catalogue].add(counted[i]);
    for (std::size_t c = 0; c < catalogues.size(); ++c)
      if (!catalogues[c]->counts()) catalogues[c]->set_counts(totals[c]);
  }

  std::vector<Task> tasks;
  std::vector<std::shared_ptr<const Catalogue>> searched;
  for (const auto& catalogue : catalogues) {
    if (!matcher.selects(*catalogue)) continue;
    const std::size_t index = searched.size();
    searched.push_back(catalogue);
    ++outcome.searched_catalogues;
    outcome.searched_entries += catalogue->counts()->entries;
    for (const Chunk& chunk : catalogue->chunks(options.chunk_bytes)) tasks.push_back(Task{index, chunk});
  }

  // With a limit, the tasks after a finished run of tasks that already holds
  // enough hits need not run at all.
  std::vector<std::vector<Hit>> found(tasks.size());
  std::vector<char> done(tasks.size(), 0);
  std::mutex progress;
  std::size_t finished_prefix = 0;
  std::size_t prefix_hits = 0;
  std::atomic<std::size_t> needed_tasks{tasks.size()};
  auto make_scratch = [&] { return std::make_unique<MatchScratch>(options.code_page); };
  run_tasks(tasks.size(), threads, make_scratch, [&](std::size_t i, std::unique_ptr<MatchScratch>& scratch) {
    if (i >= needed_tasks.load() || stopped(cancel)) return;
    search_chunk(*searched[tasks[i].catalogue], tasks[i].catalogue, tasks[i].chunk, matcher, options.max_hits,
                 cancel, *scratch, found[i]);
    if (options.max_hits == 0) return;
    std::lock_guard<std::mutex> lock(progress);
    done[i] = 1;
    while (finished_prefix < tasks.size() && done[finished_prefix]) {
      prefix_hits += found[finished_prefix].size();
      ++finished_prefix;
      if (prefix_hits >= options.max_hits) needed_tasks = std::min(needed_tasks.load(), finished_prefix);
    }
  });
  outcome.cancelled = stopped(cancel);

  std::size_t total = 0;
  for (const auto& part : found) total += part.size();
  if (options.max_hits != 0 && total >= options.max_hits) {
    outcome.limited = true;
    total = options.max_hits;
  }
  ResultSet results(std::move(searched));
  std::vector<Hit>& hits = results.hits();
  hits.reserve(total);
  for (auto& part : found) {
    const std::size_t take = std::min(part.size(), total - hits.size());
    hits.insert(hits.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(take));
    std::vector<Hit>().swap(part);
  }
  outcome.results = std::move(results);
  return outcome;
}

}  // namespace korvint::search
