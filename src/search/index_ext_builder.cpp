#include "search/index_ext_builder.h"

#include <algorithm>
#include <optional>

#include "search/index_ext.h"
#include "search/index_format.h"
#include "search/text_match.h"

namespace korvint::search::index {

void ExtensionCollector::add(std::uint32_t ordinal, std::string_view name, bool folder) {
  const NameExtension extension = extension_of(name, folder);
  if (extension.kind == NameExtension::Kind::NotAscii) {
    not_ascii_.push_back(ordinal);
    return;
  }
  if (extension.kind == NameExtension::Kind::None || extension.text.empty() ||
      extension.text.size() > kLongestExtension)
    return;  // no extension a query can ask for, or one never listed
  key_.clear();
  for (const char c : extension.text) key_.push_back(ascii_lower(c));
  auto found = numbers_.find(key_);
  if (found == numbers_.end()) {
    found = numbers_.emplace(key_, static_cast<std::uint32_t>(entries_.size())).first;
    entries_.emplace_back();
  }
  entries_[found->second].push_back(ordinal);
  if (extension.not_for_ext) not_for_ext_.emplace_back(ordinal, found->second);
}

namespace {

// The places in `token` of its entries that are not in `entries`; nullopt
// when one of `entries` is not in `token`.
std::optional<std::vector<std::uint32_t>> places_without(const std::vector<std::uint32_t>& token,
                                                         const std::vector<std::uint32_t>& entries) {
  std::vector<std::uint32_t> places;
  std::size_t e = 0;
  for (std::uint32_t place = 0; place < token.size(); ++place) {
    if (e < entries.size() && entries[e] < token[place]) return std::nullopt;
    if (e < entries.size() && entries[e] == token[place]) ++e;
    else places.push_back(place);
  }
  if (e != entries.size()) return std::nullopt;
  return places;
}

}  // namespace

void ExtensionCollector::finish(std::uint32_t least, const ListedTokens& tokens,
                                const std::vector<std::vector<std::uint32_t>>& token_entries, std::string& table,
                                std::string& lists) {
  ExtensionTable out;
  auto add_row = [&](ExtensionRow::Kind kind, std::string key, const std::vector<std::uint32_t>& list) {
    ExtensionRow row;
    row.kind = kind;
    row.key = std::move(key);
    row.count = static_cast<std::uint32_t>(list.size());
    row.offset = lists.size();
    encode_list(list, lists);
    row.bytes = static_cast<std::uint32_t>(lists.size() - row.offset);
    row.checksum = checksum(std::string_view(lists).substr(row.offset));
    out.rows.push_back(std::move(row));
  };
  std::vector<char> listed(entries_.size(), 0);
  for (const auto& [key, number] : numbers_) {
    const std::vector<std::uint32_t>& entries = entries_[number];
    if (entries.size() < std::max<std::uint32_t>(least, 1)) continue;
    listed[number] = 1;
    const std::uint32_t token = tokens.number(key);
    const auto places = token == TokenCounts::kNone ? std::nullopt : places_without(token_entries[token], entries);
    if (places) add_row(ExtensionRow::kNotInToken, key, *places);
    else add_row(ExtensionRow::kEntries, key, entries);
  }
  add_row(ExtensionRow::kNotAscii, "", not_ascii_);
  std::vector<std::uint32_t> not_for_ext;
  for (const auto& [entry, number] : not_for_ext_)
    if (listed[number] != 0) not_for_ext.push_back(entry);
  add_row(ExtensionRow::kNotForExt, "", not_for_ext);
  std::sort(out.rows.begin(), out.rows.end(), [](const ExtensionRow& a, const ExtensionRow& b) {
    return a.kind != b.kind ? a.kind < b.kind : a.key < b.key;
  });
  table = encode_extensions(out);
}

}  // namespace korvint::search::index
