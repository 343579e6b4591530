#pragma once
// What the table of extensions (search/index_ext.h) tells a query: the
// entries an `ext:` term or a wildcard ending in ".x" may take, and those it
// takes for certain.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "search/index_candidates.h"
#include "search/index_reader.h"
#include "search/index_words.h"
#include "search/query.h"

namespace korvint::search::index {

/// The extensions a term asks for: an `ext:` term's alternatives, or the x of
/// a wildcard against the name that ends in ".x" (x without `*`, `?` or a dot).
struct ExtensionAsk {
  std::vector<std::string> extensions;  ///< folded as the term holds them
  bool for_ext = false;  ///< `ext:`: only files, and not a name whose only dot is its first byte
  bool whole = false;    ///< the term asks nothing more (`ext:`, `*.x`): the entries listed match it for certain
};
/// What `term` asks of the extensions; nullopt when nothing (negated, another kind of term).
std::optional<ExtensionAsk> extension_ask(const Term& term);

/// The candidates of every ask of `asks` in the catalogue of `index` (both
/// joined: an entry is certain when certain for each); nullopt in the outer
/// optional when the index is damaged, in the inner when `asks` is empty.
/// `every_word` lists the blocks whose text the trigrams cannot stand for.
std::optional<std::optional<Candidates>> extension_candidates(const IndexFile& index, const WordTable& words,
                                                              const std::vector<ExtensionAsk>& asks,
                                                              const std::vector<std::uint32_t>& every_word);

}  // namespace korvint::search::index
