#pragma once
// What a comparison's search of one chunk records of each hit as it finds it
// (its line, its key's hashes and where its key's text is kept), the runs of
// records a side's search leaves, and those records met again in the order of
// the side's hits. Internal to the comparison (compare.cpp and its parts).

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/large_memory.h"
#include "search/catalogue.h"
#include "search/compare_keys.h"
#include "search/hit_list.h"
#include "search/result_set.h"

namespace korvint::search::compare_detail {

/// No index (no match, no run).
inline constexpr std::size_t kNone = ~std::size_t{0};
/// No text kept (yet).
inline constexpr std::uint32_t kNoText = ~std::uint32_t{0};

// Texts kept to compare paths: each "[length: 4 bytes][bytes]", found by its
// offset, so a record points at its key's text in 32 bits. Reserved for the
// most a chunk can hold and filled at once: a large buffer each.
using KeptTexts = std::basic_string<char, std::char_traits<char>, platform::LargeBufferAllocator<char>>;

/// Appends `piece` to `text`; returns where it is kept.
inline std::uint32_t keep_text(KeptTexts& text, std::string_view piece) {
  const auto at = static_cast<std::uint32_t>(text.size());
  const auto length = static_cast<std::uint32_t>(piece.size());
  text.append(reinterpret_cast<const char*>(&length), sizeof length);
  text.append(piece);
  return at;
}
/// The piece keep_text() kept in `text` at `at`.
inline std::string_view kept_text(const KeptTexts& text, std::uint32_t at) {
  std::uint32_t length = 0;
  std::memcpy(&length, text.data() + at, sizeof length);
  return std::string_view(text).substr(at + sizeof length, length);
}
/// True when `piece` can be kept in `text` with 32-bit offsets.
inline bool fits(const KeptTexts& text, std::string_view piece) {
  return text.size() + piece.size() + 8 < kNoText;
}

// The marks of a record whose key was made before its catalogue's encoding
// was known, as the encoding its text was read as; it stands if that is the one.
inline constexpr std::uint64_t kAssumedUtf8 = std::uint64_t{1} << 62;
inline constexpr std::uint64_t kAssumedCodePage = std::uint64_t{1} << 63;
inline constexpr std::uint64_t kAssumed = kAssumedUtf8 | kAssumedCodePage;
// The mark of such a record of A whose key is B's entry `extra`, the only one
// with its hash, found during the search (the text is kept otherwise).
inline constexpr std::uint64_t kFoundInB = std::uint64_t{1} << 61;
/// A record's line without its marks.
inline constexpr std::uint64_t kLineBits = kFoundInB - 1;

/// True when the record marked `assumed` stands in a catalogue of `encoding`.
inline bool assumed_right(std::uint64_t assumed, TextEncoding encoding) {
  return assumed == 0 || (assumed == kAssumedUtf8 && encoding != TextEncoding::CodePage) ||
         (assumed == kAssumedCodePage && encoding == TextEncoding::CodePage);
}

/// Whether a side has anything below its compared folder (the folder itself
/// or an entry), as its search found it: for certain, or by a key made in an
/// assumed encoding.
struct FoundBelow {
  std::atomic<bool> sure{false}, as_utf8{false}, as_code_page{false};
  void clear() {
    sure.store(false);
    as_utf8.store(false);
    as_code_page.store(false);
  }
  /// Something was found below, its key made with the mark `assumed`.
  void note(std::uint64_t assumed) {
    (assumed == 0 ? sure : assumed == kAssumedUtf8 ? as_utf8 : as_code_page).store(true, std::memory_order_relaxed);
  }
  /// True when something below stands in a catalogue of `encoding`.
  [[nodiscard]] bool in(TextEncoding encoding) const {
    return sure.load() || (encoding == TextEncoding::CodePage ? as_code_page.load() : as_utf8.load());
  }
};

/// What one side found.
struct Side {
  std::shared_ptr<const Catalogue> catalogue;
  std::string prefix;  ///< the compared folder as a key prefix
  HitStore hits;
  bool anything_below = false;
};

/// What a search of one chunk made of each hit it kept, in line order.
struct Record {
  std::uint64_t line = 0;  ///< with an assumed encoding's mark
  compare_keys::PathHashes hashes;  ///< kLater: to be made after the search
  std::uint64_t extra = 0;  ///< B: where its folder's part and name are kept; A: its match in B (kNone: none)
};

/// Records in the order their searches made them: a large buffer.
using Records = std::vector<Record, platform::LargeBufferAllocator<Record>>;

/// Where the searches of the chunks one worker takes one after another keep
/// their records and texts, one after the other: their large pages are
/// filled in turn, not one left partly filled at the end of every chunk's.
struct Lane {
  Records records;
  KeptTexts text;
  bool held = false;  ///< a recorder is filling it
};

/// One search of one chunk: its records (and, for B, the texts they point into) in a lane.
struct Run {
  const Catalogue* catalogue = nullptr;
  Chunk chunk;
  Lane* lane = nullptr;
  std::size_t first = 0;  ///< its first record in the lane
  std::size_t count = 0;  ///< its records
  /// Its records, once Runs::take() has handed it over (the lanes no longer grow).
  std::span<const Record> records;
  [[nodiscard]] const KeptTexts& text() const { return lane->text; }
};

/// Keeps the runs of a side's search as their recorders end, and the lanes
/// they are kept in. Any thread.
class Runs {
 public:
  /// Called as a chunk of `catalogue` is opened: true (once) when it is
  /// another than before, a catalogue opened afresh because it changed, which
  /// is searched from its start once every chunk of the one before has ended.
  /// What was recorded of that one is dropped.
  bool start(const Catalogue& catalogue);
  /// A run of `chunk` in a lane no other recorder holds (a new one when all
  /// are held), held until add(). A new lane sets aside room at once for the
  /// records and texts of `reserve_bytes` of lines, so as not to be copied to grow.
  std::unique_ptr<Run> open(const Catalogue& catalogue, const Chunk& chunk, std::uint64_t reserve_bytes);
  /// Takes the run its recorder filled and lets its lane go.
  void add(std::unique_ptr<Run> run);
  /// The runs of `catalogue` (as searched last), in chunk order, those of a
  /// chunk searched twice (its lines settled by the encoding) left out: its
  /// hits' keys are made after the search. Their lanes stay here.
  std::vector<std::unique_ptr<Run>> take(const Catalogue* catalogue);

 private:
  std::mutex mutex_;
  const Catalogue* searched_ = nullptr;
  std::vector<std::unique_ptr<Run>> runs_;
  std::vector<std::unique_ptr<Lane>> lanes_;
};

/// Calls `take(i, record, run)` for each of `hits` in order: the record its
/// chunk's search made of it, nullptr when none stands (its key waited for the
/// encoding and was read as another than `encoding`, the catalogue's), and
/// the index of the run.
template <typename Take>
void merge_records(std::vector<std::unique_ptr<Run>>& runs, const HitStore& hits, TextEncoding encoding, Take take) {
  std::size_t r = 0;
  std::size_t at = 0;
  for (std::size_t i = 0; i < hits.size(); ++i) {
    const std::uint64_t line = hits[i].line;
    while (r < runs.size() && runs[r]->chunk.end <= line) {
      ++r;
      at = 0;
    }
    const Record* record = nullptr;
    if (r < runs.size() && runs[r]->chunk.begin <= line) {
      const std::span<const Record> records = runs[r]->records;
      while (at < records.size() && (records[at].line & kLineBits) < line) ++at;
      if (at < records.size() && (records[at].line & kLineBits) == line && records[at].hashes.path != compare_keys::kLater &&
          assumed_right(records[at].line & kAssumed, encoding))
        record = &records[at];
    }
    take(i, record, r);
  }
}

/// The stretch [begin, end) of `hits` that run `run` (of runs sorted by their
/// chunks) found, or that no run found before it (`run` == kNone).
struct Stretch {
  std::size_t begin = 0, end = 0;
  std::size_t run = kNone;
};

/// The stretches of `hits` in order, each run's and those between them.
std::vector<Stretch> stretches(const std::vector<std::unique_ptr<Run>>& runs, const HitStore& hits);

}  // namespace korvint::search::compare_detail
