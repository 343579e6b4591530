#pragma once
// Two catalogues compared by the paths of their entries below their roots (or
// below one folder of each): what only one holds, and the files both hold
// that differ in size or date. Computed below any window, as values a window
// or the command line shows.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/query.h"
#include "search/result_set.h"
#include "search/searcher.h"

namespace korvint::search {

/// One side of a comparison: a catalogue and the folder of it compared.
struct CompareSide {
  std::shared_ptr<Catalogue> catalogue;
  /// A folder below the root, "/" or "\" between its levels, in UTF-8; "" for the root.
  std::string folder;
};

struct CompareOptions {
  bool all = false;          ///< a line for every entry below a folder missing as a whole
  bool ignore_date = false;  ///< files in both differ only by their size
  SearchOptions search;
};

enum class DifferenceKind : char {
  OnlyInA = '-',
  OnlyInB = '+',
  Changed = '~',  ///< a file in both, with another size (or date)
};

struct Difference {
  DifferenceKind kind = DifferenceKind::OnlyInA;
  Hit entry;  ///< the entry of A (OnlyInA, Changed) or of B (OnlyInB)
  Hit other;  ///< Changed: the file of B
  /// A file's size; a folder's: the sizes of the files below it that its side alone holds.
  std::uint64_t bytes = 0;
  /// A folder missing as a whole whose entries below have no line of their own.
  bool whole = false;
};

struct Comparison {
  std::shared_ptr<const Catalogue> a;
  std::shared_ptr<const Catalogue> b;
  /// The entries of A (OnlyInA, Changed) in A's order, then those of B in B's.
  std::vector<Difference> differences;
  std::uint64_t only_in_a = 0;        ///< lines of OnlyInA
  std::uint64_t only_in_a_bytes = 0;  ///< the sizes of every file only A holds (below folders too)
  std::uint64_t only_in_b = 0;
  std::uint64_t only_in_b_bytes = 0;
  std::uint64_t changed = 0;
  bool cancelled = false;
  /// What stood in the way (a folder not in its catalogue, a catalogue that
  /// changed while it was read), each naming the catalogue and the reason.
  std::vector<std::string> errors;
  std::vector<std::string> notes;  ///< the searches' notes

  /// The path of `entry` of side A (or B) relative to its compared folder, in
  /// UTF-8 with its catalogue's separator (a folder's ends with it). False
  /// when its catalogue changed since.
  bool relative_path(const Hit& entry, bool side_b, NameDecoder& decoder, std::string& out) const;

  std::size_t a_levels = 0;  ///< the levels of A's compared folder, left out of its paths
  std::size_t b_levels = 0;
};

/// True when paths compare without case: either root is a Windows drive
/// ("D:\", "d:/") or a UNC path ("\\server\share\").
bool paths_ignore_case(std::string_view root_a, std::string_view root_b);

/// A relative path (UTF-8) as paths are matched: every "/" a "\", and
/// case-folded as the file system folds names when `ignore_case`.
std::string path_key(std::string_view path, bool ignore_case);
/// The same appended to `out`, without a string of its own.
void append_path_key(std::string_view path, bool ignore_case, std::string& out);

/// Compares the entries `query` finds in `a` with those it finds in `b` by
/// their paths relative to the compared folders (see paths_ignore_case()).
/// Folders are compared by presence; files found in both by size and date. An
/// entry below a folder only one side holds is left to that folder's line
/// unless `options.all`. Paths are matched by a 64-bit hash and then compared
/// whole. Each key is made as the search finds its entry, from the text the
/// search holds (HitObserver): B is searched first and its keys kept (each
/// folder's part once, each entry's name), then A, each entry looked up in
/// B's table as it is found; one B holds alike is not kept. Memory: for B, 32
/// bytes an entry found, 32 for its hashes and where its key is kept, 16 in
/// the hash table and its key's text; for A, 32 bytes and 24 for each entry
/// that makes a line, and while it is searched 32 for each entry whose text
/// waits for the catalogue's encoding.
Comparison compare_catalogues(const CompareSide& a, const CompareSide& b, Query query, const CompareOptions& options,
                              const std::atomic<bool>* cancel = nullptr);

/// "12 only in A (3.1 GB), 4 only in B, 2 changed".
std::string comparison_summary(const Comparison& comparison);

}  // namespace korvint::search
