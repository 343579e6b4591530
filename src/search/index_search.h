#pragma once
// The search through the catalogues' indexes: a query's words give the
// trigrams every matching line's text holds, its size, date and type terms
// the blocks' summaries they need; the blocks listed under all of them are
// the only ones read, and their lines are verified by the very matcher of
// the scan, so the results are the scan's, in the same order. A catalogue
// without a fresh index (none, another version of the file, damaged) is
// read whole, as without indexes.

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/chunk_plan.h"
#include "search/index_ext_search.h"
#include "search/index_format.h"
#include "search/query.h"

namespace korvint::search::index {

class IndexPool;

/// A run of token bytes of a word, and where the word bounds it: by a
/// literal byte that is no token byte before it (the name's token starts
/// with the run) or after it (the token ends with it).
struct TokenRun {
  std::string bytes;
  bool starts = false;
  bool ends = false;
  friend bool operator==(const TokenRun&, const TokenRun&) = default;
};

class IndexPlanner final : public ChunkPlanner {
 public:
  /// Plans the search of `query` through the indexes in `cache_folder`,
  /// taken from `pool` when given (else each opened for this search).
  /// When `counting`, the results the index alone proves are counted
  /// (PlannedChunks::counted) instead of read: only for a search that needs
  /// how many, not which (a sink that keeps nothing; with a limit the
  /// search ends once the count reaches it).
  IndexPlanner(const Query& query, std::string cache_folder, IndexPool* pool = nullptr, bool counting = false);

  std::optional<PlannedChunks> plan(Catalogue& catalogue, std::uint64_t chunk_bytes) const override;

  /// The catalogues planned through a fresh index so far.
  [[nodiscard]] std::size_t indexed() const { return indexed_.load(); }

 private:
  std::string cache_folder_;
  IndexPool* pool_;
  std::vector<Trigram> name_trigrams_;  // in every matching line's text
  std::vector<Trigram> path_trigrams_;  // in its text, its folder's path or the root
  std::vector<const Term*> fields_;     // size, date, type and extension terms that must hold
  // For each ext: term, the trigrams of each of its alternatives (".jpg"): one of them must all be there.
  std::vector<std::vector<std::vector<Trigram>>> either_;
  // For each word against the name, its runs of token bytes, and whether it
  // is one token's bytes alone (its entries are then those the words give).
  struct WordRuns {
    std::vector<TokenRun> runs;
    bool whole = false;
  };
  std::vector<WordRuns> words_;
  std::vector<ExtensionAsk> extension_asks_;  // the terms the table of extensions narrows
  // Notes what `term` asks of the extensions; true when they decide it alone
  // (then its words narrow nothing more; a wildcard's trigrams are left out, in `whole_words`).
  bool takes_extension_ask(const Term& term, std::vector<const Term*>& whole_words);
  bool exact_ = false;  // every term is a word that is one run of token bytes, `ext:x` or `*.x`
  bool counting_ = false;
  Query query_;
  mutable std::atomic<std::size_t> indexed_{0};
};

/// The literal runs of at least three ASCII bytes that every text matching
/// `term` holds, as an ASCII word reads text (empty for a term the index
/// cannot narrow: negated, with marks, not a text term).
std::vector<std::string> literal_runs(const Term& term);

/// The runs of token bytes (is_token_byte()) every name matching `term`
/// holds, each inside one token of the name's skeleton (empty for a term the
/// words cannot narrow: negated, with marks, against the path, not text).
std::vector<TokenRun> token_runs(const Term& term);

/// True when `token` may be the token of a name that holds `run` there.
bool token_fits(std::string_view token, const TokenRun& run);

}  // namespace korvint::search::index
