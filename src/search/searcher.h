#pragma once
// The parallel search: every catalogue is cut into chunks at line ends, worker
// threads search one chunk at a time, and the hits go to a sink in catalogue
// order as the chunks finish. Cancellable from another thread at any moment.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/catalogue.h"
#include "search/chunk_plan.h"
#include "search/hit_observer.h"
#include "search/matcher.h"
#include "search/result_sink.h"

namespace korvint::search {

struct SearchOptions {
  std::size_t max_hits = 0;               ///< stop after this many results (0: all)
  std::uint64_t chunk_bytes = 4u << 20;   ///< the size a worker takes at a time
  unsigned threads = 0;                   ///< workers (0: one per core)
  std::string code_page;                  ///< for catalogues that are not UTF-8 ("" = default)
  std::size_t block_bytes = 128u << 10;   ///< the size a worker reads into its buffer at a time
  /// How many results (32 bytes each) may wait for the sink: the workers go
  /// no further ahead, and a catalogue whose encoding they wait for has it
  /// decided without waiting for its last chunk.
  std::size_t waiting_hits = std::size_t{1} << 17;
  /// When given, tells which chunks of each catalogue to read (an index); the rest are not read.
  const ChunkPlanner* planner = nullptr;
  /// When given, sees each hit as its chunk's search finds it (and may leave it out).
  const HitObserver* observer = nullptr;
};

struct SearchOutcome {
  std::uint64_t found = 0;  ///< the results the sink took and kept (withdrawn ones not counted)
  bool cancelled = false;   ///< the caller's cancel flag stopped the search; results are incomplete
  bool limited = false;     ///< max_hits was reached; more may exist
  bool stopped = false;     ///< the sink stopped the search
  std::uint64_t searched_catalogues = 0;  ///< the catalogues the query did not leave out
  std::uint64_t searched_entries = 0;     ///< their entries, where check_catalogues() counted them
  /// Catalogues that changed during the search and were searched again,
  /// opened afresh: "disk-a.lst changed during the search: searched again".
  std::vector<std::string> notes;
  /// Catalogues that changed during the search and could not be searched
  /// again: left out of the results, with the reason.
  std::vector<std::string> errors;
};

/// Searches `catalogues` for `matcher`, reading only the lines the prefilter
/// points at, and hands the results to `sink` as they are found: each
/// finished chunk's hits in catalogue order and line order, while the later
/// chunks are searched. Hits carry the index of their catalogue in
/// `catalogues`. The sink is called on one thread at a time and may stop the
/// search; `cancel`, when given, stops it soon after it becomes true.
///
/// Hits are handed over only once they stand: their chunk read from the file
/// as opened (its identity checked after the chunk), and, while a
/// catalogue's encoding is not known yet, only those whose verdict and text
/// are the same in any encoding; the rest once the catalogue's last chunk
/// decided it (and kept in the catalogue, so a catalogue set must not be
/// searched by two searches at once). A catalogue whose file changed during
/// its search is opened afresh and searched again before the catalogues
/// after it, at most three times; what the sink took of its old version is
/// withdrawn first (ResultSink::withdraw()).
SearchOutcome run_search(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                         const SearchOptions& options, ResultSink& sink, const std::atomic<bool>* cancel = nullptr);

/// Reads every line of the catalogues not checked yet and records their exact
/// counts of entries and skipped lines (see Catalogue::counts()). Slower than a
/// search: the window does it once per catalogue, the command line on request.
/// A catalogue that changed on the way gets no counts (see reopen_changed()).
void check_catalogues(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const SearchOptions& options,
                      const std::atomic<bool>* cancel = nullptr);

/// Replaces each catalogue of `catalogues` that changed() by its file opened
/// afresh, noting "FILE changed " followed by `how` ("during the search:
/// searched again") in `notes`; one that can no longer be opened as a
/// catalogue is removed, the reason in `errors`. True when any was.
bool reopen_changed(std::vector<std::shared_ptr<Catalogue>>& catalogues, std::string_view how,
                    std::vector<std::string>& notes, std::vector<std::string>& errors);

}  // namespace korvint::search
