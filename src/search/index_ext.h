#pragma once
// The extensions of names in a search index (see search/index_format.h): for
// each extension many entries hold (the text after the name's last dot,
// ASCII, lowercased: how `ext:` and a wildcard ending in ".x" read it), the
// ordinals of those entries; where they all hold the extension as a listed
// token of the words (search/index_words.h), only the places in that token's
// list of those that do not are stored, so the table costs little. Two more
// lists: the entries whose text after the last dot is not ASCII (its folding
// depends on the encoding: any extension may be theirs), and the entries an
// `ext:` never takes though a wildcard may (folders, names starting with
// their only dot).
//
// As stored: the rows (kind, key, count, the list's place, size and
// checksum), checksummed whole, then the lists (encode_list()).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/index_reader.h"
#include "search/index_words.h"

namespace korvint::search::index {

/// Extensions longer than this are never listed (their entries are found through the trigrams).
inline constexpr std::size_t kLongestExtension = 32;

/// How the table sees the name of one entry.
struct NameExtension {
  enum class Kind { None, Ascii, NotAscii };
  Kind kind = Kind::None;  ///< None: no dot; NotAscii: a byte of 0x80 or more after the last dot
  std::string_view text;   ///< after the last dot, as it is (Ascii)
  bool not_for_ext = false;  ///< a folder, or a name whose only dot is its first byte
};
/// The extension of the raw name `name` of an entry (a folder's when `folder`).
NameExtension extension_of(std::string_view name, bool folder);

/// One list of the table.
struct ExtensionRow {
  enum Kind : std::uint8_t {
    kEntries = 0,     ///< the entries of the extension `key`
    kNotInToken = 1,  ///< the places in the list of the listed token `key` of the entries without the extension
    kNotAscii = 2,    ///< the entries whose extension is not ASCII
    kNotForExt = 3,   ///< the entries ext: never takes
  };
  Kind kind = kEntries;
  std::string key;
  std::uint32_t count = 0;  ///< numbers in its list
  std::uint64_t offset = 0;  ///< of its list, from the start of the lists
  std::uint32_t bytes = 0;
  std::uint64_t checksum = 0;
};

/// The table as the builder makes it and the reader checks it; rows in order of kind, then key.
struct ExtensionTable {
  std::vector<ExtensionRow> rows;
  /// The row of `kind` and `key`; nullptr when the table has none.
  [[nodiscard]] const ExtensionRow* find(ExtensionRow::Kind kind, std::string_view key) const;
  /// The row listing the entries of extension `key` (either kind); nullptr when not listed.
  [[nodiscard]] const ExtensionRow* of_extension(std::string_view key) const;
};

/// The rows as stored.
std::string encode_extensions(const ExtensionTable& table);

/// The table of `index`, checked (its checksum, its lists inside the file);
/// nullopt when damaged.
std::optional<ExtensionTable> read_extensions(const IndexFile& index);

/// How many entries `row` lists (for kNotInToken: its token's less those at
/// its places); nullopt when its token is not in `words` (damaged).
std::optional<std::uint32_t> entry_count(const WordTable& words, const ExtensionRow& row);

/// The entries of `row` in order (for kNotInToken: the entries of its token
/// in `words` but those at the places listed); nullopt when damaged.
std::optional<std::vector<std::uint32_t>> entries_of(const IndexFile& index, const WordTable& words,
                                                     const ExtensionRow& row);

}  // namespace korvint::search::index
