#pragma once
// The words of names in a search index (see search/index_format.h): the
// tokens of entries' names (maximal runs of ASCII letters and digits of the
// skeleton) that many entries hold, each with the ordinals of the entries
// that hold it (their places among the catalogue's entry lines), and for
// each block the ordinal of its first entry. An ASCII word made only of token
// bytes lies inside one token of a name, so the entries listed under the
// tokens that contain it are exactly those whose frequent tokens hold it; the
// rest hold it in a rare token, which the rare keys of the buckets narrow to
// blocks.
//
// As stored: the table (entries, blocks, each block's first entry, then each
// token: its length and bytes, its count, its list's place, size and
// checksum), checksummed whole; then the posting lists (encode_list()).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/index_reader.h"

namespace korvint::search::index {

/// One token of the table.
struct Word {
  std::string token;
  std::uint32_t count = 0;      ///< entries listed
  std::uint64_t offset = 0;     ///< of its list, from the start of the lists
  std::uint32_t bytes = 0;      ///< of its list
  std::uint64_t checksum = 0;   ///< of its list
};

/// The table of words as the builder makes it and the reader checks it.
struct WordTable {
  std::uint32_t entries = 0;                ///< the catalogue's entry lines
  std::vector<std::uint32_t> first_entry;   ///< of each block
  std::vector<Word> words;

  /// The block that holds entry `ordinal` (below `entries`).
  [[nodiscard]] std::uint32_t block_of(std::uint32_t ordinal) const;
};

/// The table as stored.
std::string encode_words(const WordTable& table);

/// The table of `index`, checked (its checksum, its places inside the lists'
/// bytes, the blocks' first entries in order); nullopt when damaged.
std::optional<WordTable> read_words(const IndexFile& index);

/// The entries listed under `word` of the table of `index`; nullopt when damaged.
std::optional<std::vector<std::uint32_t>> entries_of(const IndexFile& index, const WordTable& table, const Word& word);

}  // namespace korvint::search::index
