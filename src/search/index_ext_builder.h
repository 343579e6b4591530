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
  /// Notes entry `ordinal` (entries come in order) named `name`, a folder's when `folder`.
  void add(std::uint32_t ordinal, std::string_view name, bool folder);

  /// The table's rows (`table`) and lists (`lists`): the extensions held by
  /// `least` entries or more are listed; one whose entries all hold it as the
  /// listed token of the same bytes (`token_entries[tokens.number(key)]`) as
  /// the places in that token's list of the entries without it.
  void finish(std::uint32_t least, const ListedTokens& tokens,
              const std::vector<std::vector<std::uint32_t>>& token_entries, std::string& table, std::string& lists);

 private:
  std::unordered_map<std::string, std::uint32_t> numbers_;  // of each extension, into entries_
  std::vector<std::vector<std::uint32_t>> entries_;         // of each extension
  std::vector<std::uint32_t> not_ascii_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> not_for_ext_;  // entry, its extension's number
  std::string key_;
};

}  // namespace korvint::search::index
