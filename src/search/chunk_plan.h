#pragma once
// Which chunks of a catalogue a search reads, when something (an index) can
// tell that the others hold no result: the search then reads only these,
// and verifies their lines exactly as it verifies any.

#include <cstdint>
#include <optional>
#include <vector>

#include "search/catalogue.h"

namespace korvint::search {

/// Some lines of a part of a chunk (an index's block) whose every line is an
/// entry line (ending in CR LF).
struct LinePart {
  Chunk bytes;                         ///< the part, inside its chunk
  std::uint32_t total = 0;             ///< its lines
  std::vector<std::uint32_t> wanted;   ///< the places among them of those to read, in order
};

/// The lines of a chunk that may hold results, when an index names them:
/// those of its parts, in order; no part: every line.
struct ChunkLines {
  std::vector<LinePart> parts;
};

/// Chunks of a catalogue in order, each with the folder line that governs
/// its first line (kRootFolder for the root).
struct PlannedChunks {
  std::vector<Chunk> chunks;
  std::vector<std::uint64_t> folders;
  /// Empty, or one a chunk: the only lines of it to read.
  std::vector<ChunkLines> lines;
  /// Results outside the chunks known without reading them: only a planner
  /// made for counting gives them, for a search whose sink keeps no result.
  std::uint64_t counted = 0;
};

class ChunkPlanner {
 public:
  virtual ~ChunkPlanner() = default;
  /// The only chunks of `catalogue` (as opened) that may hold results, of
  /// about `chunk_bytes` at most; nullopt when it cannot tell (every chunk
  /// is read). May record what it knows of the catalogue (its counts).
  virtual std::optional<PlannedChunks> plan(Catalogue& catalogue, std::uint64_t chunk_bytes) const = 0;
};

}  // namespace korvint::search
