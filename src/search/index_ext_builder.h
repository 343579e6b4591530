#pragma once
// Gathers the extensions of a catalogue's names while its index is built and
// stores them as the table of extensions (search/index_ext.h).

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "search/index_token_counts.h"

namespace korvint::search::index {

class ExtensionCollector {
 public:
  /// For a catalogue of `entries` entries: its memory is taken at once, 4 bytes an entry.
  explicit ExtensionCollector(std::uint64_t entries) { key_of_.reserve(entries); }

  /// Notes entry `ordinal` (every entry, in order) named `name`, a folder's when `folder`.
  void add(std::uint32_t ordinal, std::string_view name, bool folder);

  /// The table's rows (`table`) and lists (`lists`): the extensions held by
  /// `least` entries or more are listed; one whose entries all hold it as the
  /// listed token of the same bytes (`token_entries[tokens.number(key)]`) as
  /// the places in that token's list of the entries without it.
  void finish(std::uint32_t least, const ListedTokens& tokens,
              const std::vector<std::vector<std::uint32_t>>& token_entries, std::string& table, std::string& lists);

 private:
  static constexpr std::uint32_t kNoKey = 0xffffffffu;     // no extension a query can ask for
  static constexpr std::uint32_t kNotAscii = 0xfffffffeu;  // an extension that is not ASCII
  static constexpr std::uint32_t kNotForExt = 0x80000000u;  // added to a key: ext: never takes the entry
  std::unordered_map<std::string, std::uint32_t> numbers_;  // of each extension
  std::vector<std::string_view> keys_;                      // by number, into numbers_
  std::vector<std::uint32_t> key_of_;                       // of each entry: its number, kNoKey or kNotAscii
  std::string key_;
};

}  // namespace korvint::search::index
