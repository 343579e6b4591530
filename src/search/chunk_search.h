#pragma once
// The search of one chunk of a catalogue: read in blocks, candidates from the
// prefilter, each widened to its line, parsed and verified, hits kept in line order.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "search/catalogue.h"
#include "search/chunk_plan.h"
#include "search/hit_observer.h"
#include "search/matcher.h"
#include "search/result_set.h"

namespace korvint::search {

/// The folder line that governs the first line of each chunk of a catalogue,
/// found once: from the last folder line of the chunk before, or what governs
/// that chunk's start. Any thread may ask; a racing thread finds the same.
class ChunkFolders {
 public:
  ChunkFolders(const Catalogue& catalogue, std::vector<Chunk> chunks);
  /// Chunks whose governing folder lines are known already (`starts`, one a chunk).
  ChunkFolders(const Catalogue& catalogue, std::vector<Chunk> chunks, const std::vector<std::uint64_t>& starts);
  /// Planned chunks: their governing folder lines and the only lines to read of some (PlannedChunks).
  ChunkFolders(const Catalogue& catalogue, PlannedChunks planned);

  [[nodiscard]] const std::vector<Chunk>& chunks() const { return chunks_; }

  /// The offset of the folder line that governs the first line of chunk `k`
  /// (kRootFolder for the root).
  std::uint64_t at_start(std::size_t k);

  /// The only lines of chunk `k` to read; nullptr when every line is.
  [[nodiscard]] const ChunkLines* lines(std::size_t k) const {
    return k < lines_.size() && !lines_[k].parts.empty() ? &lines_[k] : nullptr;
  }

 private:
  const Catalogue& catalogue_;
  std::vector<Chunk> chunks_;
  std::unique_ptr<std::atomic<std::uint64_t>[]> known_;
  std::vector<ChunkLines> lines_;
};

/// One chunk to search and what the search of it needs.
struct ChunkJob {
  const Catalogue& catalogue;
  std::size_t index;  ///< the catalogue's index among the searched ones
  ChunkFolders& folders;
  std::size_t chunk_index;
  const Matcher& matcher;
  std::size_t limit;        ///< stop after this many hits (0: all)
  std::size_t block_bytes;  ///< read at a time
  const std::atomic<bool>* cancel;  ///< the caller's: stops the chunk soon after it becomes true
  const std::atomic<bool>* halt;    ///< the search's own stop (a limit reached, a sink that had enough)
  const HitObserver* observer = nullptr;  ///< when given, sees each hit as it is found and may leave it out
};

/// A line offset beyond every line.
inline constexpr std::uint64_t kNoLine = ~std::uint64_t{0};

/// What the search of one chunk found.
struct ChunkResult {
  /// The hits in line order, in parts of a few thousand: never copied to grow.
  std::vector<std::vector<Hit>> hits;
  std::size_t hit_count = 0;
  /// While a catalogue's encoding is not known, a line with a valid UTF-8 name
  /// is verified as UTF-8 and remembered: should another line prove the
  /// catalogue is not UTF-8, these few are verified again.
  std::vector<std::uint64_t> utf8_lines;
  /// Lines passed over meanwhile, though read in the code page a run of
  /// their bytes might give the word: verified should the catalogue be in
  /// the code page (rare: valid UTF-8 in a code page's text). Offsets from
  /// the chunk's start.
  std::vector<std::uint32_t> code_page_lines;
  bool complete = false;  ///< the chunk was read to its end
  bool non_ascii = false;
  bool valid_utf8 = true;
  /// While the catalogue's encoding is not known: the first line whose
  /// verdict, or whose result's text, depends on it (a line of `utf8_lines`
  /// or `code_page_lines`, a result with a byte >= 0x80 in its path or root).
  /// The hits before it stand whatever the encoding turns out to be.
  std::uint64_t open_from = kNoLine;
};

/// Searches the chunk of `job` into `result`.
void search_chunk(const ChunkJob& job, MatchScratch& scratch, ChunkResult& result);

/// Settles the lines of `result` whose verdict waited for the catalogue's
/// encoding, once it is decided: in a UTF-8 catalogue they stand as they are;
/// otherwise the lines verified as UTF-8, and those passed over, are verified
/// through the code page.
void settle_open_lines(const ChunkJob& job, MatchScratch& scratch, ChunkResult& result);

}  // namespace korvint::search
