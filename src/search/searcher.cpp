#include "search/searcher.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "search/chunk_search.h"
#include "search/parallel_tasks.h"

namespace korvint::search {
namespace {

// A chunk of one of the catalogues checked.
struct Task {
  std::size_t catalogue = 0;
  Chunk chunk;
};

bool stopped(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }

unsigned thread_count(const SearchOptions& options) { return threads_or_cores(options.threads); }

// Adds `text` to `list` unless it is there already.
void add_once(std::vector<std::string>& list, std::string text) {
  if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(std::move(text));
}

// The name of a catalogue's file in notes.
const std::string& file_name_of(const Catalogue& catalogue) {
  return catalogue.source().file_name.empty() ? catalogue.name() : catalogue.source().file_name;
}

// Opens `catalogue`'s file afresh, noting it; nullptr with the reason in
// `errors` when it can no longer be read as a catalogue.
std::shared_ptr<Catalogue> reopened(const Catalogue& catalogue, std::string_view how, std::vector<std::string>& notes,
                                    std::vector<std::string>& errors) {
  const std::string& file = file_name_of(catalogue);
  OpenProblem problem = OpenProblem::None;
  std::string message;
  std::shared_ptr<Catalogue> fresh = catalogue.reopen(problem, message);
  if (fresh) {
    add_once(notes, file + " changed " + std::string(how));
  } else {
    add_once(errors, file + " changed and cannot be read now: " +
                         (problem == OpenProblem::NotACatalogue ? "it is not a catalogue any more" : message));
  }
  return fresh;
}

// One catalogue of a search: planned by the first worker that reaches it,
// its chunks searched by any worker, handed to the sink in order by one
// thread at a time.
struct Slot {
  std::size_t index = 0;  // among the catalogues given, as its hits carry it
  std::shared_ptr<Catalogue> catalogue;
  bool planned = false;   // its chunks are known (open() was called)
  bool planning = false;  // a worker is planning it
  std::unique_ptr<Catalogue::Hold> hold;
  std::unique_ptr<ChunkFolders> folders;
  std::vector<ChunkResult> results;  // one a chunk
  std::vector<char> done;            // the chunk's search ended
  std::size_t started = 0;           // chunks handed to workers, in order
  std::size_t running = 0;
  std::size_t delivered = 0;         // chunks whose every hit went to the sink
  std::size_t given_in_chunk = 0;    // hits of chunk `delivered` that already went
  std::size_t held_hits = 0;         // hits found and not handed over yet
  std::uint64_t taken = 0;           // hits of this version the sink took
  std::uint64_t counted = 0;        // results the planner counted without reading them
  int searches = 1;
  bool decided = false;              // the encoding is known: every hit stands as found
  bool waits_for_encoding = false;   // handing over waits for the last chunk to decide it
  bool gone = false;                 // left out: kept changing, or cannot be read any more

  // What searching a catalogue's file needs, made before it takes a slot.
  struct Opened {
    std::shared_ptr<Catalogue> catalogue;
    std::unique_ptr<Catalogue::Hold> hold;
    std::unique_ptr<ChunkFolders> folders;
    std::uint64_t counted = 0;
  };
  static Opened prepare(std::shared_ptr<Catalogue> catalogue, const SearchOptions& options) {
    Opened opened;
    opened.hold = std::make_unique<Catalogue::Hold>(*catalogue);
    auto planned = options.planner != nullptr ? options.planner->plan(*catalogue, options.chunk_bytes) : std::nullopt;
    if (planned) {
      opened.counted = planned->counted;
      opened.folders = std::make_unique<ChunkFolders>(*catalogue, std::move(*planned));
    }
    else
      opened.folders = std::make_unique<ChunkFolders>(*catalogue, catalogue->chunks(options.chunk_bytes));
    opened.catalogue = std::move(catalogue);
    return opened;
  }

  // Searches `opened` from now on, from its first chunk.
  void open(Opened opened) {
    planned = true;
    planning = false;
    folders = std::move(opened.folders);
    counted = opened.counted;
    hold = std::move(opened.hold);
    catalogue = std::move(opened.catalogue);
    const std::size_t chunks = folders->chunks().size();
    results.assign(chunks, ChunkResult{});
    done.assign(chunks, 0);
    started = running = delivered = given_in_chunk = held_hits = 0;
    taken = 0;
    decided = catalogue->encoding_known();
    waits_for_encoding = false;
  }
  [[nodiscard]] bool all_done() const {
    return std::all_of(done.begin(), done.end(), [](char d) { return d != 0; });
  }
};

// A search that streams: workers take chunks in catalogue order; the thread
// that finishes a chunk hands over every result that is then ready, in order;
// and the workers stop taking chunks while SearchOptions::waiting_hits
// results wait for the sink, so memory stays flat for any number of results.
class StreamingSearch {
 public:
  StreamingSearch(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                  const SearchOptions& options, ResultSink& sink, const std::atomic<bool>* cancel)
      : matcher_(matcher), options_(options), sink_(sink), cancel_(cancel), threads_(thread_count(options)) {
    std::size_t selected = 0;
    for (const auto& catalogue : catalogues) selected += matcher.selects(*catalogue) ? 1 : 0;
    slots_ = std::vector<Slot>(selected);
    std::size_t s = 0;
    for (std::size_t c = 0; c < catalogues.size(); ++c) {
      if (!matcher.selects(*catalogues[c])) continue;
      ++outcome_.searched_catalogues;
      if (catalogues[c]->counts()) outcome_.searched_entries += catalogues[c]->counts()->entries;
      slots_[s].index = c;
      slots_[s++].catalogue = catalogues[c];
    }
  }

  SearchOutcome run() {
    // The chunks are known as the catalogues are planned: a helper for each
    // core, unless there is nothing to search.
    const unsigned helpers = slots_.empty() ? 0 : threads_ - 1;
    std::vector<std::thread> pool;
    pool.reserve(helpers);
    for (unsigned i = 0; i < helpers; ++i) pool.emplace_back([this] { work(); });
    work();
    for (std::thread& thread : pool) thread.join();
    outcome_.cancelled = cancelled();
    return std::move(outcome_);
  }

 private:
  // A catalogue that keeps changing is left out after its third search.
  static constexpr int kSearches = 3;
  // How far the workers run ahead of the sink: results found and not handed
  // over yet (SearchOptions::waiting_hits) bound the memory; chunks started
  // and not handed over bound the reading ahead, generously, so that a
  // catalogue whose encoding its last chunk decides does not leave the
  // workers idle meanwhile.
  [[nodiscard]] std::size_t ahead_chunks() const { return std::max<std::size_t>(64, 4 * std::size_t{threads_}); }

  [[nodiscard]] bool cancelled() const { return stopped(cancel_); }
  [[nodiscard]] bool halted() const { return halt_.load(std::memory_order_relaxed) || cancelled(); }

  ChunkJob job(Slot& slot, std::size_t k) const {
    return ChunkJob{*slot.catalogue, slot.index, *slot.folders, k, matcher_, options_.max_hits, options_.block_bytes,
                    cancel_, &halt_, options_.observer};
  }

  // One worker: plans the next catalogue not planned yet or takes the next
  // chunk it may, in catalogue order, searches it, and hands over what is
  // ready then. The calling thread is one of them.
  void work() {
    MatchScratch scratch(options_.code_page);
    std::unique_lock lock(mutex_);
    hand_over(lock, scratch);  // no catalogue at all: the search is over at once
    for (;;) {
      Slot* slot = nullptr;
      std::size_t k = 0;
      while (!over_ && !pick(slot, k)) {
        if (halted()) {
          over_ = true;
          break;
        }
        // Woken when a chunk ends or results go; the timeout sees a cancel.
        wake_.wait_for(lock, std::chrono::milliseconds(20));
      }
      if (over_) break;
      if (!slot->planned) {
        // Planning through an index reads it: off the lock, beside the other workers.
        lock.unlock();
        Slot::Opened opened = Slot::prepare(slot->catalogue, options_);
        lock.lock();
        slot->open(std::move(opened));
        hand_over(lock, scratch);  // a catalogue without a chunk goes at once
        wake_.notify_all();
        continue;
      }
      lock.unlock();
      ChunkResult result;
      search_chunk(job(*slot, k), scratch, result);
      // What was read of a file that changed meanwhile stands for no version of it.
      slot->catalogue->still_as_opened();
      lock.lock();
      slot->held_hits += result.hit_count;
      slot->results[k] = std::move(result);
      slot->done[k] = 1;
      --slot->running;
      hand_over(lock, scratch);
      wake_.notify_all();
    }
    wake_.notify_all();
  }

  // The next catalogue to plan or chunk to search, in catalogue order, unless
  // the workers are as far ahead of the sink as they may be; a catalogue to
  // plan is one not planned (`chosen->planned` false). Under the lock.
  bool pick(Slot*& chosen, std::size_t& k) {
    std::size_t held_chunks = 0;
    std::size_t held_hits = 0;
    for (std::size_t s = cursor_; s < slots_.size(); ++s) {
      Slot& slot = slots_[s];
      if (slot.gone || slot.planning) continue;
      if (!slot.planned) {
        // The catalogue the sink waits for is always planned.
        if (s != cursor_ && (held_chunks >= ahead_chunks() || held_hits >= options_.waiting_hits)) return false;
        slot.planning = true;
        chosen = &slot;
        return true;
      }
      held_chunks += slot.started - slot.delivered;
      held_hits += slot.held_hits;
      if (slot.started == slot.results.size() || slot.catalogue->changed()) continue;
      // The chunk the sink waits for, and those its catalogue's encoding waits for, always start.
      const bool awaited = s == cursor_ && (slot.started == slot.delivered || slot.waits_for_encoding);
      if (!awaited && (held_chunks >= ahead_chunks() || held_hits >= options_.waiting_hits)) return false;
      chosen = &slot;
      k = slot.started++;
      ++slot.running;
      return true;
    }
    return false;
  }

  // Hands every result that is ready to the sink, in order: one thread at a
  // time, the lock released while the sink works. A thread that finds another
  // handing over leaves it to look again before it stops: what it did while
  // the lock was released (a chunk ended, say the last one a catalogue's
  // encoding waits for) may let it go on, and no worker may start the chunk
  // that would call it again.
  void hand_over(std::unique_lock<std::mutex>& lock, MatchScratch& scratch) {
    if (delivering_) {
      look_again_ = true;
      return;
    }
    delivering_ = true;
    do {
      look_again_ = false;
      hand_over_ready(lock, scratch);
    } while (look_again_ && !over_);
    delivering_ = false;
    wake_.notify_all();
  }

  // One pass of hand_over(): hands over until a result is awaited.
  void hand_over_ready(std::unique_lock<std::mutex>& lock, MatchScratch& scratch) {
    while (!over_) {
      if (halted() || cursor_ == slots_.size()) {
        over_ = true;
        break;
      }
      Slot& slot = slots_[cursor_];
      if (!slot.planned) break;  // its plan is on its way
      if (!slot.gone && slot.catalogue->changed()) {
        if (slot.running > 0) break;  // its running chunks end first
        search_again(slot, lock);
        continue;
      }
      if (!slot.gone && !hand_over_slot(slot, lock, scratch)) {
        if (slot.catalogue->changed() && slot.running == 0 && !halted()) continue;  // found changed on the way
        break;
      }
      // What was counted without reading stands once the rest of its version was searched.
      if (!slot.gone) add_counted(slot.counted);
      slot.hold.reset();
      slot.folders.reset();
      ++cursor_;
    }
  }

  // Hands over the chunks of `slot` that are ready; true once all went (or
  // its catalogue turned out changed), false while one is awaited.
  bool hand_over_slot(Slot& slot, std::unique_lock<std::mutex>& lock, MatchScratch& scratch) {
    for (;;) {
      if (halted()) return false;
      // The encoding is decided by the last chunk, or sooner when the
      // results waiting for it grow large.
      if (!slot.decided && (slot.all_done() || (slot.waits_for_encoding && slot.held_hits >= options_.waiting_hits))) {
        decide(slot, lock);
        if (slot.catalogue->changed()) return false;  // hand_over() searches it again
        if (!slot.decided) return false;            // stopped on the way
        continue;
      }
      if (slot.delivered == slot.results.size()) return true;
      const std::size_t k = slot.delivered;
      if (!slot.done[k]) return false;
      ChunkResult& result = slot.results[k];
      if (slot.decided && (!result.utf8_lines.empty() || !result.code_page_lines.empty())) {
        settle(slot, result, k, lock, scratch);
        if (slot.catalogue->changed()) return false;
      }
      // Before the encoding is known, the hits before the first that waits for it.
      const std::uint64_t before = slot.decided ? kNoLine : result.open_from;
      if (!give(slot, result, before, lock)) return false;
      if (!slot.decided && result.open_from != kNoLine) {
        slot.waits_for_encoding = true;
        return false;
      }
      std::vector<std::vector<Hit>>().swap(result.hits);
      slot.given_in_chunk = 0;
      ++slot.delivered;
    }
  }

  // Adds results counted without reading them; with a limit, the search ends at it.
  void add_counted(std::uint64_t counted) {
    outcome_.found += counted;
    if (options_.max_hits != 0 && outcome_.found >= options_.max_hits && counted != 0) {
      outcome_.found = options_.max_hits;
      outcome_.limited = true;
      halt_ = true;
    }
  }

  // Gives the sink the hits of `result` not given yet whose line lies before
  // `before`; false when the search is to stop.
  bool give(Slot& slot, ChunkResult& result, std::uint64_t before, std::unique_lock<std::mutex>& lock) {
    std::size_t skip = slot.given_in_chunk;
    for (auto& part : result.hits) {
      if (skip >= part.size()) {
        skip -= part.size();
        continue;
      }
      std::vector<Hit> hits;
      if (skip == 0 && before == kNoLine) {
        hits.swap(part);  // handed over as it is, never copied
      } else {
        // A part handed over before the encoding is known stays whole: its
        // chunk's hits are settled from all of them then.
        for (auto hit = part.begin() + static_cast<std::ptrdiff_t>(skip); hit != part.end() && hit->line < before; ++hit)
          hits.push_back(*hit);
      }
      skip = 0;
      if (hits.empty()) return true;  // the rest lies at or after `before`
      if (options_.max_hits != 0 && outcome_.found + hits.size() >= options_.max_hits) {
        hits.resize(static_cast<std::size_t>(options_.max_hits - outcome_.found));
        outcome_.limited = true;
        halt_ = true;
      }
      const std::size_t count = hits.size();
      slot.given_in_chunk += count;
      slot.held_hits -= std::min(slot.held_hits, count);
      slot.taken += count;
      outcome_.found += count;
      lock.unlock();
      const bool go_on = sink_.take(slot.catalogue, std::move(hits));
      lock.lock();
      if (!go_on) {
        outcome_.stopped = true;
        halt_ = true;
      }
      if (halted()) return false;
    }
    return true;
  }

  // Decides the encoding of the catalogue of `slot` for good from what its
  // chunks saw of the entries' text, the chunks not searched yet looked at
  // only where their lines hold bytes >= 0x80.
  void decide(Slot& slot, std::unique_lock<std::mutex>& lock) {
    bool non_ascii = false;
    bool valid_utf8 = true;
    bool complete = true;
    std::vector<Chunk> unseen;
    for (std::size_t k = 0; k < slot.results.size(); ++k) {
      if (!slot.done[k]) {
        unseen.push_back(slot.folders->chunks()[k]);
        continue;
      }
      const ChunkResult& result = slot.results[k];
      complete = complete && result.complete;
      non_ascii = non_ascii || result.non_ascii;
      valid_utf8 = valid_utf8 && result.valid_utf8;
    }
    Catalogue& catalogue = *slot.catalogue;
    // Its chunks not started wait until it is decided, as any others.
    slot.waits_for_encoding = false;
    lock.unlock();
    for (const Chunk& chunk : unseen) {
      if (!valid_utf8 || halted()) break;
      const LineCounts text = catalogue.text_of_entries(chunk);
      non_ascii = non_ascii || text.non_ascii;
      valid_utf8 = valid_utf8 && text.valid_utf8;
    }
    const bool decided = !catalogue.changed() && !halted();
    if (decided) catalogue.decide_encoding(non_ascii, valid_utf8, complete);
    lock.lock();
    slot.decided = decided;
  }

  // Settles the lines of chunk `k` whose verdict waited for the encoding.
  void settle(Slot& slot, ChunkResult& result, std::size_t k, std::unique_lock<std::mutex>& lock,
              MatchScratch& scratch) {
    const std::size_t before = result.hit_count;
    lock.unlock();
    settle_open_lines(job(slot, k), scratch, result);
    lock.lock();
    slot.held_hits = slot.held_hits + result.hit_count - std::min(slot.held_hits + result.hit_count, before);
  }

  // The catalogue of `slot` changed: what the sink took of it is withdrawn,
  // and it is searched again from its file opened afresh, or left out.
  void search_again(Slot& slot, std::unique_lock<std::mutex>& lock) {
    const std::uint64_t taken = slot.taken;
    lock.unlock();
    std::shared_ptr<Catalogue> fresh;
    std::vector<std::string> notes;
    std::vector<std::string> errors;
    if (slot.searches < kSearches)
      fresh = reopened(*slot.catalogue, "during the search: searched again", notes, errors);
    else
      errors.push_back(file_name_of(*slot.catalogue) + " kept changing during the search: left out");
    const bool go_on = taken == 0 || sink_.withdraw(slot.index, static_cast<std::size_t>(taken));
    Slot::Opened opened;
    if (fresh) opened = Slot::prepare(std::move(fresh), options_);
    lock.lock();
    for (std::string& note : notes) add_once(outcome_.notes, std::move(note));
    for (std::string& error : errors) add_once(outcome_.errors, std::move(error));
    if (!go_on) {
      outcome_.stopped = true;
      halt_ = true;
    }
    outcome_.found -= taken;
    slot.taken = 0;
    if (opened.catalogue) {
      slot.open(std::move(opened));
      ++slot.searches;
    } else {
      slot.gone = true;
    }
  }

  const Matcher& matcher_;
  const SearchOptions& options_;
  ResultSink& sink_;
  const std::atomic<bool>* cancel_;
  const unsigned threads_;
  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::size_t cursor_ = 0;   // the slot whose results the sink takes next
  bool delivering_ = false;  // a thread is handing results over
  bool look_again_ = false;  // a chunk ended while it did: it looks again before it stops
  bool over_ = false;        // nothing more to search or hand over
  std::atomic<bool> halt_{false};
  SearchOutcome outcome_;
};

}  // namespace

SearchOutcome run_search(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                         const SearchOptions& options, ResultSink& sink, const std::atomic<bool>* cancel) {
  return StreamingSearch(catalogues, matcher, options, sink, cancel).run();
}

bool reopen_changed(std::vector<std::shared_ptr<Catalogue>>& catalogues, std::string_view how,
                    std::vector<std::string>& notes, std::vector<std::string>& errors) {
  bool any = false;
  std::vector<std::shared_ptr<Catalogue>> kept;
  kept.reserve(catalogues.size());
  for (auto& catalogue : catalogues) {
    if (catalogue->changed()) {
      any = true;
      catalogue = reopened(*catalogue, how, notes, errors);
    }
    if (catalogue) kept.push_back(std::move(catalogue));
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
    for (const Chunk& chunk : catalogues[c]->chunks(options.chunk_bytes)) tasks.push_back(Task{c, chunk});
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
