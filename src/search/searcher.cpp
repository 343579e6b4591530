#include "search/searcher.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <thread>

#include "search/line_scan.h"
#include "search/utf8.h"

namespace korvint::search {
namespace {

struct Task {
  std::size_t catalogue = 0;  // index among the searched catalogues
  std::size_t chunk_index = 0;  // index among that catalogue's chunks
  Chunk chunk;
};

constexpr std::uint64_t kUnknown = ~std::uint64_t{0} - 1;

// The folder line that governs the first line of each chunk of a catalogue,
// found once: from the last folder line of the chunk before, or what governs
// that chunk's start. Any thread may ask; a racing thread finds the same.
class ChunkFolders {
 public:
  ChunkFolders(const Catalogue& catalogue, std::vector<Chunk> chunks)
      : catalogue_(catalogue), chunks_(std::move(chunks)), known_(new std::atomic<std::uint64_t>[chunks_.size()]) {
    for (std::size_t i = 0; i < chunks_.size(); ++i) known_[i] = kUnknown;
  }

  [[nodiscard]] const std::vector<Chunk>& chunks() const { return chunks_; }

  std::uint64_t at_start(std::size_t k) {
    std::size_t from = k;
    while (from > 0 && known_[from].load() == kUnknown) --from;
    if (from == 0) known_[0] = kRootFolder;
    for (std::size_t i = from + 1; i <= k; ++i) {
      const Chunk& before = chunks_[i - 1];
      known_[i] = catalogue_.last_folder_line(before.begin, before.end).value_or(known_[i - 1].load());
    }
    return known_[k].load();
  }

 private:
  const Catalogue& catalogue_;
  std::vector<Chunk> chunks_;
  std::unique_ptr<std::atomic<std::uint64_t>[]> known_;
};

// What the search of one chunk found.
struct ChunkResult {
  std::vector<Hit> hits;
  // While a catalogue's encoding is not known, a line with a valid UTF-8 name
  // is verified as UTF-8 (its hits kept apart) and remembered: should another
  // line prove the catalogue is not UTF-8, these few are verified again.
  std::vector<Hit> utf8_hits;
  std::vector<std::uint64_t> utf8_lines;
  bool complete = false;  // the chunk was read to its end
  bool non_ascii = false;
  bool valid_utf8 = true;
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

// The folder of the lines of one chunk, asked in line order, found by looking
// back only as far as needed: to the previous line asked about, or once before
// the chunk's start.
class FolderCursor {
 public:
  FolderCursor(const Catalogue& catalogue, ChunkFolders& chunk_folders, std::size_t chunk_index)
      : catalogue_(catalogue),
        chunk_folders_(chunk_folders),
        chunk_index_(chunk_index),
        scanned_(chunk_folders.chunks()[chunk_index].begin) {}

  // The offset of the folder line that governs the line starting at `line`.
  std::uint64_t folder_of(std::uint64_t line) {
    std::optional<std::uint64_t> found = catalogue_.last_folder_line(scanned_, line);
    if (!found && !known_) found = chunk_folders_.at_start(chunk_index_);
    if (found || !known_) {
      folder_ = found.value_or(kRootFolder);
      path_ = folder_ == kRootFolder ? std::string_view()
                                     : folder_path_of_line(catalogue_.line_at(folder_)).value_or(std::string_view());
    }
    known_ = true;
    scanned_ = line;
    return folder_;
  }

  // The relative path of the folder the last folder_of() found.
  [[nodiscard]] std::string_view path() const { return path_; }

 private:
  const Catalogue& catalogue_;
  ChunkFolders& chunk_folders_;
  std::size_t chunk_index_;
  std::uint64_t scanned_;
  std::uint64_t folder_ = kRootFolder;
  std::string_view path_;
  bool known_ = false;
};

// Verifies one parsed line, its text read as `encoding`, and records it when it matches.
void verify_line(const Catalogue& catalogue, TextEncoding encoding, std::size_t index, std::uint64_t line,
                 const EntryLine& entry, const Matcher& matcher, FolderCursor& folders, MatchScratch& scratch,
                 std::vector<Hit>& hits) {
  std::uint64_t folder_line = kRootFolder;
  std::string_view folder;
  if (matcher.needs_folder() && !entry.is_folder) {
    folder_line = folders.folder_of(line);
    folder = folders.path();
  }
  if (!matcher.matches(catalogue, encoding, entry, folder, scratch)) return;
  if (!matcher.needs_folder() && !entry.is_folder) folder_line = folders.folder_of(line);
  hits.push_back(Hit::make(line, folder_line, entry, index));
}

// Searches one chunk: candidates from the prefilter, each widened to its line,
// parsed and verified; a line that does not parse is passed over.
void search_chunk(const Catalogue& catalogue, std::size_t index, ChunkFolders& chunk_folders, std::size_t chunk_index,
                  const Matcher& matcher, std::size_t limit, const std::atomic<bool>* cancel, MatchScratch& scratch,
                  ChunkResult& result) {
  const Chunk& chunk = chunk_folders.chunks()[chunk_index];
  const char* const base = catalogue.bytes().data();
  const char* const end = base + chunk.end;
  const bool known = catalogue.encoding_known();
  FolderCursor folders(catalogue, chunk_folders, chunk_index);
  unsigned since_check = 0;
  bool go_on = true;
  // One line [start, lf): parse, verify, record; false to stop the chunk.
  auto visit = [&](const char* start, const char* lf) {
    if (++since_check == 4096) {
      since_check = 0;
      if (stopped(cancel)) return go_on = false;
    }
    if (lf == start || lf[-1] != '\r') return true;
    const auto entry = parse_entry_line(std::string_view(start, static_cast<std::size_t>(lf - 1 - start)));
    if (!entry) return true;
    const auto line = static_cast<std::uint64_t>(start - base);
    if (entry->ascii || known) {
      verify_line(catalogue, catalogue.encoding(), index, line, *entry, matcher, folders, scratch, result.hits);
    } else {
      result.non_ascii = true;
      if (is_valid_utf8(entry->path)) {
        verify_line(catalogue, TextEncoding::Utf8, index, line, *entry, matcher, folders, scratch, result.utf8_hits);
        result.utf8_lines.push_back(line);
      } else {
        result.valid_utf8 = false;
        verify_line(catalogue, TextEncoding::CodePage, index, line, *entry, matcher, folders, scratch, result.hits);
      }
    }
    if (limit != 0 && result.hits.size() + result.utf8_hits.size() >= limit) return go_on = false;
    return true;
  };
  if (matcher.finder().every_line()) {
    for_each_line(base + chunk.begin, end, [&](const char* start, const char* lf) {
      return lf == nullptr || visit(start, lf);  // a last line without its line end is not read
    });
  } else {
    const CandidateFinder& finder = matcher.finder();
    const char* pos = base + chunk.begin;
    while (pos < end && go_on) {
      const char* candidate = finder.find(pos, end);
      if (candidate == end) break;
      const char* start = candidate;
      while (start > pos && start[-1] != '\n') --start;
      const auto* lf = static_cast<const char*>(std::memchr(candidate, '\n', static_cast<std::size_t>(end - candidate)));
      if (lf == nullptr) break;
      pos = lf + 1;
      visit(start, lf);
    }
  }
  result.complete = go_on;
}

// Settles a chunk's lines with valid UTF-8 names once the catalogue's encoding
// is decided: their hits stand for a UTF-8 catalogue, else they are verified
// again through the code page. Hits end in line order.
void settle_utf8_lines(const Catalogue& catalogue, std::size_t index, ChunkFolders& chunk_folders,
                       std::size_t chunk_index, const Matcher& matcher, MatchScratch& scratch, ChunkResult& result) {
  std::vector<Hit> late;
  if (catalogue.encoding() == TextEncoding::Utf8) {
    late.swap(result.utf8_hits);
  } else {
    FolderCursor folders(catalogue, chunk_folders, chunk_index);
    for (const std::uint64_t line : result.utf8_lines)
      if (const auto entry = parse_entry_line(catalogue.line_at(line)))
        verify_line(catalogue, catalogue.encoding(), index, line, *entry, matcher, folders, scratch, late);
  }
  std::vector<Hit>().swap(result.utf8_hits);
  std::vector<std::uint64_t>().swap(result.utf8_lines);
  if (late.empty()) return;
  std::vector<Hit> merged;
  merged.reserve(result.hits.size() + late.size());
  std::merge(result.hits.begin(), result.hits.end(), late.begin(), late.end(), std::back_inserter(merged),
             [](const Hit& a, const Hit& b) { return a.line < b.line; });
  result.hits.swap(merged);
}

}  // namespace

SearchOutcome run_search(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                         const SearchOptions& options, const std::atomic<bool>* cancel) {
  const unsigned threads = thread_count(options);
  SearchOutcome outcome;
  std::vector<Task> tasks;
  std::vector<std::shared_ptr<Catalogue>> searched;
  std::vector<std::unique_ptr<ChunkFolders>> chunk_folders;
  for (const auto& catalogue : catalogues) {
    if (!matcher.selects(*catalogue)) continue;
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
  run_tasks(tasks.size(), threads, make_scratch, [&](std::size_t i, std::unique_ptr<MatchScratch>& scratch) {
    if (i >= needed_tasks.load() || stopped(cancel)) return;
    const Task& task = tasks[i];
    search_chunk(*searched[task.catalogue], task.catalogue, *chunk_folders[task.catalogue], task.chunk_index, matcher,
                 options.max_hits, cancel, *scratch, found[i]);
    if (options.max_hits == 0) return;
    std::lock_guard<std::mutex> lock(progress);
    done[i] = 1;
    while (finished_prefix < tasks.size() && done[finished_prefix]) {
      prefix_hits += found[finished_prefix].hits.size() + found[finished_prefix].utf8_hits.size();
      ++finished_prefix;
      if (prefix_hits >= options.max_hits) needed_tasks = std::min(needed_tasks.load(), finished_prefix);
    }
  });

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
      if (!searched[c]->encoding_known())
        searched[c]->decide_encoding(seen[c].non_ascii, seen[c].valid_utf8, seen[c].complete);
  }
  run_tasks(tasks.size(), threads, make_scratch, [&](std::size_t i, std::unique_ptr<MatchScratch>& scratch) {
    if (!found[i].utf8_lines.empty() && !stopped(cancel))
      settle_utf8_lines(*searched[tasks[i].catalogue], tasks[i].catalogue, *chunk_folders[tasks[i].catalogue],
                        tasks[i].chunk_index, matcher, *scratch, found[i]);
  });
  outcome.cancelled = stopped(cancel);

  std::size_t total = 0;
  for (const auto& part : found) total += part.hits.size();
  if (options.max_hits != 0 && total >= options.max_hits) {
    outcome.limited = true;
    total = options.max_hits;
  }
  std::vector<std::vector<Hit>> parts;
  parts.reserve(found.size());
  std::size_t kept = 0;
  for (auto& part : found) {
    part.hits.resize(std::min(part.hits.size(), total - kept));
    kept += part.hits.size();
    parts.push_back(std::move(part.hits));
  }
  ResultSet results(std::vector<std::shared_ptr<const Catalogue>>(searched.begin(), searched.end()), std::move(parts));
  outcome.results = std::move(results);
  return outcome;
}

void check_catalogues(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const SearchOptions& options,
                      const std::atomic<bool>* cancel) {
  std::vector<Task> tasks;
  for (std::size_t c = 0; c < catalogues.size(); ++c)
    if (!catalogues[c]->counts())
      for (const Chunk& chunk : catalogues[c]->chunks(options.chunk_bytes)) tasks.push_back(Task{c, 0, chunk});
  std::vector<LineCounts> counted(tasks.size());
  run_tasks(tasks.size(), thread_count(options), [] { return 0; }, [&](std::size_t i, int) {
    if (!stopped(cancel)) counted[i] = catalogues[tasks[i].catalogue]->count_lines(tasks[i].chunk);
  });
  if (stopped(cancel)) return;
  std::vector<LineCounts> totals(catalogues.size());
  for (std::size_t i = 0; i < tasks.size(); ++i) totals[tasks[i].catalogue].add(counted[i]);
  for (std::size_t c = 0; c < catalogues.size(); ++c)
    if (!catalogues[c]->counts()) catalogues[c]->set_counts(totals[c]);
}

}  // namespace korvint::search
