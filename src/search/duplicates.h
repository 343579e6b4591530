#pragma once
// Files held more than once across catalogues: alike by name and size, by
// size and date, or by name alone, among the files a query finds. Computed
// below any window, as values a window or the command line shows.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "search/query.h"
#include "search/result_set.h"
#include "search/searcher.h"

namespace korvint::search {

/// What two files must share to be duplicates (at least one of them).
struct DuplicateKeys {
  bool name = true;   ///< the name, decoded and case-folded as the search folds it (marks kept)
  bool size = true;
  bool date = false;  ///< the date and time to the second
};

/// Reads "name,size", "size,date", "name" (the words in any order and case);
/// nullopt with `error` naming the word that is not a key.
std::optional<DuplicateKeys> parse_duplicate_keys(std::string_view text, std::string& error);

/// One group of files alike by the keys: at least two.
struct DuplicateGroup {
  std::size_t first = 0;    ///< its first file in Duplicates::files
  std::size_t count = 0;    ///< its number of files
  std::uint64_t size = 0;   ///< the size of its largest file
  std::uint64_t bytes = 0;  ///< the sizes of all its files
  /// What keeping one copy (the largest) frees: size × (copies − 1) when the
  /// sizes are equal, as they are whenever size is a key.
  std::uint64_t wasted = 0;
};

struct Duplicates {
  /// The catalogues searched, as given; Hit::catalogue() indexes them.
  std::vector<std::shared_ptr<const Catalogue>> catalogues;
  /// The files of every group, group after group; within a group in catalogue
  /// order, then line order.
  std::vector<Hit> files;
  /// Most wasted bytes first; of equal waste, more copies first, then the
  /// group whose first file comes first in catalogue and line order.
  std::vector<DuplicateGroup> groups;
  SearchOutcome outcome;  ///< the search's, its errors and notes included
  [[nodiscard]] std::span<const Hit> members(const DuplicateGroup& group) const {
    return std::span<const Hit>(files).subspan(group.first, group.count);
  }
};

/// The files of the groups and where each group starts, without the groups'
/// records (4 bytes a group, not 40): what the command line writes from.
struct DuplicateFiles {
  std::vector<std::shared_ptr<const Catalogue>> catalogues;  ///< as Duplicates::catalogues
  std::vector<Hit> files;                                    ///< as Duplicates::files
  std::vector<std::uint32_t> starts;  ///< each group's first file in `files`, in the groups' order
  SearchOutcome outcome;
  /// What the files found and their keys took beyond `files` and `starts`:
  /// the room a writer of the lines may take without passing the grouping's memory.
  std::size_t spare_bytes = 0;
};

/// Finds the files of `catalogues` that `query` finds (files of size 0 and
/// folders never) and groups those alike by `keys`. Files are keyed by 32
/// bits of a hash of their key, then each group of equal hashes is told apart
/// exactly: its first file's key read again and every other file's compared
/// with it. Memory: the search's 32 bytes a file found; with the size a key, 1
/// to 2 bytes a file found to tell the sizes that may be shared; 8 bytes a
/// file that may have a twin (with the size a key: one whose size another
/// file may have) while grouping. The runs of equal hashes are told apart a
/// part (a stretch of hashes) at a time: beside the keys, 16 bytes a run of
/// the part and its first file's name and a byte a file of it, a part's
/// share held to about a quarter of the keys' (at most `max_part_keys` keys
/// a part when it is not 0, a run larger than that a part of its own;
/// each part reads the catalogues once more). The files of the groups are
/// put in place among the hits, the others let go, group after group, then
/// in the groups' order: beside the hits, the members' 8 bytes a file, then
/// in their room 16 bytes a group (a group holds two files or more), then 4
/// bytes a file, and two bits a file. They are copied out a block at a time: the result's 32 bytes
/// a file never stand beside all the hits. The names are read on every core, forward through each
/// catalogue a block at a time. A catalogue that changes while its names are
/// read is left out, named in the errors.
DuplicateFiles find_duplicate_files(const std::vector<std::shared_ptr<Catalogue>>& catalogues, Query query,
                                    const DuplicateKeys& keys, const SearchOptions& options,
                                    const std::atomic<bool>* cancel = nullptr, std::size_t max_part_keys = 0);

/// find_duplicate_files() with each group's record (40 bytes a group, made
/// once the starts are let go).
Duplicates find_duplicates(const std::vector<std::shared_ptr<Catalogue>>& catalogues, Query query,
                           const DuplicateKeys& keys, const SearchOptions& options,
                           const std::atomic<bool>* cancel = nullptr, std::size_t max_part_keys = 0);

}  // namespace korvint::search
