#include "search/searcher.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <thread>

#include "search/chunk_search.h"

namespace korvint::search {
namespace {

struct Task {
  std::size_t catalogue = 0;  // index among the searched catalogues
  std::size_t chunk_index = 0;  // index among that catalogue's chunks
  Chunk chunk;
};

// Runs `work(task_index, state)` for every task on `threads` threads (the
// caller is one of them); each thread has its own `state` from `make_state()`.
template <typename MakeState, typename Work>
void run_tasks(std::size_t task_count, unsigned threads, MakeState make_state, Work work) {
  if (task_count == 0) return;
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    auto state = make_state();
    for (std::size_t i = next.fetch_add(1); i < task_count; i = next.fetch_add(1)) work(i, state);
  };
  const auto helpers = static_cast<unsigned>(std::min<std::size_t>(threads, task_count) - 1);
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (unsigned i = 0; i < helpers; ++i) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}

bool stopped(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }

unsigned thread_count(const SearchOptions& options) {
  return options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
}

// Adds `text` to `list` unless it is there already.
void add_once(std::vector<std::string>& list, std::string text) {
  if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(std::move(text));
}

// The name of a catalogue's file in notes.
const std::string& file_name_of(const Catalogue& catalogue) {
  return catalogue.source().file_name.empty() ? catalogue.name() : catalogue.source().file_name;
}

// One search over `catalogues` as they are; the hits of a catalogue that
// changed on the way are left out.
SearchOutcome search_once(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                          const SearchOptions& options, const std::atomic<bool>* cancel) {
  const unsigned threads = thread_count(options);
  SearchOutcome outcome;
  std::vector<Task> tasks;
  std::vector<std::shared_ptr<Catalogue>> searched;
  std::vector<std::unique_ptr<ChunkFolders>> chunk_folders;
  std::vector<std::unique_ptr<Catalogue::Hold>> holds;
  for (const auto& catalogue : catalogues) {
    if (!matcher.selects(*catalogue)) continue;
    holds.push_back(std::make_unique<Catalogue::Hold>(*catalogue));
    const std::size_t index = searched.size();
    searched.push_back(catalogue);
    ++outcome.searched_catalogues;
    if (catalogue->counts()) outcome.searched_entries += catalogue->counts()->entries;
    chunk_folders.push_back(std::make_unique<ChunkFolders>(*catalogue, catalogue->chunks(options.chunk_bytes)));
    const auto& chunks = chunk_folders.back()->chunks();
    for (std::size_t k = 0; k < chunks.size(); ++k) tasks.push_back(Task{index, k, chunks[k]});
  }

  // With a limit, the tasks after a finished run of tasks that already holds
  // enough hits need not run at all.
  std::vector<ChunkResult> found(tasks.size());
  std::vector<char> done(tasks.size(), 0);
  std::mutex progress;
  std::size_t finished_prefix = 0;
  std::size_t prefix_hits = 0;
  std::atomic<std::size_t> needed_tasks{tasks.size()};
  auto make_scratch = [&] { return std::make_unique<MatchScratch>(options.code_page); };
  auto job = [&](std::size_t i) {
    const Task& task = tasks[i];
    return ChunkJob{*searched[task.catalogue], task.catalogue, *chunk_folders[task.catalogue], task.chunk_index,
                    matcher, options.max_hits, options.block_bytes, cancel};
  };
  run_tasks(tasks.size(), threads, make_scratch, [&](std::size_t i, std::unique_ptr<MatchScratch>& scratch) {
    if (i >= needed_tasks.load() || stopped(cancel)) return;
    search_chunk(job(i), *scratch, found[i]);
    if (options.max_hits == 0) return;
    std::lock_guard<std::mutex> lock(progress);
    done[i] = 1;
    while (finished_prefix < tasks.size() && done[finished_prefix]) {
      prefix_hits += found[finished_prefix].hit_count;
      ++finished_prefix;
      if (prefix_hits >= options.max_hits) needed_tasks = std::min(needed_tasks.load(), finished_prefix);
    }
  });

  // The blocks were read without a look at the file's identity each: one look
  // now tells whether what was read is one version.
  for (const auto& catalogue : searched) catalogue->still_as_opened();

  // Each catalogue's encoding, from the non-ASCII lines its chunks met; then
  // the lines whose verification depended on it.
  {
    std::vector<ChunkResult> seen(searched.size());
    for (auto& part : seen) part.complete = true;
    for (std::size_t i = 0; i < tasks.size(); ++i) {
      ChunkResult& total = seen[tasks[i].catalogue];
      total.complete = total.complete && found[i].complete;
      total.non_ascii = total.non_ascii || found[i].non_ascii;
      total.valid_utf8 = total.valid_utf8 && found[i].valid_utf8;
    }
    for (std::size_t c = 0; c < searched.size(); ++c)
      if (!searched[c]->encoding_known() && !searched[c]->changed())
        searched[c]->decide_encoding(seen[c].non_ascii, seen[c].valid_utf8, seen[c].complete);
  }
  std::vector<std::size_t> unsettled;
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    if (found[i].utf8_lines.empty() && found[i].code_page_lines.empty()) continue;
    if (searched[tasks[i].catalogue]->encoding() == TextEncoding::Utf8) {
      std::vector<std::uint64_t>().swap(found[i].utf8_lines);  // verified as they should be
      std::vector<std::uint32_t>().swap(found[i].code_page_lines);
    } else {
      unsettled.push_back(i);
    }
  }
  run_tasks(unsettled.size(), threads, make_scratch, [&](std::size_t k, std::unique_ptr<MatchScratch>& scratch) {
    if (!stopped(cancel)) settle_open_lines(job(unsettled[k]), *scratch, found[unsettled[k]]);
  });
  outcome.cancelled = stopped(cancel);

  std::size_t total = 0;
  for (std::size_t i = 0; i < tasks.size(); ++i)
    if (!searched[tasks[i].catalogue]->changed()) total += found[i].hit_count;
  if (options.max_hits != 0 && total >= options.max_hits) {
    outcome.limited = true;
    total = options.max_hits;
  }
  // A catalogue that changed gave hits of no version in particular: none is kept.
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    if (!searched[tasks[i].catalogue]->changed()) continue;
    found[i].hits.clear();
    found[i].hit_count = 0;
  }
  std::vector<std::vector<Hit>> parts;
  std::size_t kept = 0;
  for (auto& chunk : found) {
    for (auto& part : chunk.hits) {
      if (kept == total) break;
      part.resize(std::min(part.size(), total - kept));
      kept += part.size();
      parts.push_back(std::move(part));
    }
    std::vector<std::vector<Hit>>().swap(chunk.hits);
  }
  ResultSet results(std::vector<std::shared_ptr<const Catalogue>>(searched.begin(), searched.end()), std::move(parts));
  outcome.results = std::move(results);
  return outcome;
}

}  // namespace

SearchOutcome run_search(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                         const SearchOptions& options, const std::atomic<bool>* cancel) {
  // A catalogue that keeps changing is left out after the third search.
  constexpr int kSearches = 3;
  std::vector<std::shared_ptr<Catalogue>> current = catalogues;
  std::vector<std::string> notes;
  std::vector<std::string> errors;
  for (int search = 1;; ++search) {
    SearchOutcome outcome = search_once(current, matcher, options, cancel);
    bool changed = false;
    for (const auto& catalogue : current) changed = changed || catalogue->changed();
    if (changed && !outcome.cancelled && search < kSearches) {
      reopen_changed(current, "during the search: searched again", notes, errors);
      continue;
    }
    for (const auto& catalogue : current)
      if (catalogue->changed()) add_once(errors, file_name_of(*catalogue) + " kept changing during the search: left out");
    outcome.notes = std::move(notes);
    outcome.errors = std::move(errors);
    return outcome;
  }
}

bool reopen_changed(std::vector<std::shared_ptr<Catalogue>>& catalogues, std::string_view how,
                    std::vector<std::string>& notes, std::vector<std::string>& errors) {
  bool any = false;
  std::vector<std::shared_ptr<Catalogue>> kept;
  kept.reserve(catalogues.size());
  for (auto& catalogue : catalogues) {
    if (!catalogue->changed()) {
      kept.push_back(std::move(catalogue));
      continue;
    }
    any = true;
    const std::string& file = file_name_of(*catalogue);
    OpenProblem problem = OpenProblem::None;
    std::string message;
    std::shared_ptr<Catalogue> fresh = catalogue->reopen(problem, message);
    if (fresh) {
      add_once(notes, file + " changed " + std::string(how));
      kept.push_back(std::move(fresh));
    } else {
      add_once(errors, file + " changed and cannot be read now: " +
                           (problem == OpenProblem::NotACatalogue ? "it is not a catalogue any more" : message));
    }
  }
  catalogues = std::move(kept);
  return any;
}

void check_catalogues(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const SearchOptions& options,
                      const std::atomic<bool>* cancel) {
  std::vector<Task> tasks;
  std::vector<std::unique_ptr<Catalogue::Hold>> holds;
  for (std::size_t c = 0; c < catalogues.size(); ++c) {
    if (catalogues[c]->counts()) continue;
    holds.push_back(std::make_unique<Catalogue::Hold>(*catalogues[c]));
    for (const Chunk& chunk : catalogues[c]->chunks(options.chunk_bytes)) tasks.push_back(Task{c, 0, chunk});
  }
  std::vector<LineCounts> counted(tasks.size());
  run_tasks(tasks.size(), thread_count(options), [] { return 0; }, [&](std::size_t i, int) {
    if (!stopped(cancel)) counted[i] = catalogues[tasks[i].catalogue]->count_lines(tasks[i].chunk);
  });
  if (stopped(cancel)) return;
  for (const auto& catalogue : catalogues)
    if (!catalogue->counts()) catalogue->still_as_opened();
  std::vector<LineCounts> totals(catalogues.size());
  for (std::size_t i = 0; i < tasks.size(); ++i) totals[tasks[i].catalogue].add(counted[i]);
  for (std::size_t c = 0; c < catalogues.size(); ++c)
    if (!catalogues[c]->counts() && !catalogues[c]->changed()) catalogues[c]->set_counts(totals[c]);
}

}  // namespace korvint::search
