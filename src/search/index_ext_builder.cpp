#include "search/index_ext_builder.h"

#include <algorithm>
#include <optional>

#include "search/index_ext.h"
#include "search/index_format.h"
#include "search/text_match.h"

namespace korvint::search::index {

void ExtensionCollector::add(std::uint32_t ordinal, std::string_view name, bool folder) {
  key_of_.resize(ordinal, kNoKey);  // entries come in order: nothing to fill
  const NameExtension extension = extension_of(name, folder);
  if (extension.kind == NameExtension::Kind::NotAscii) {
    key_of_.push_back(kNotAscii);
    return;
  }
  if (extension.kind == NameExtension::Kind::None || extension.text.empty() ||
      extension.text.size() > kLongestExtension || keys_.size() >= kNotForExt - 2) {
    key_of_.push_back(kNoKey);  // no extension a query can ask for, or one never listed
    return;
  }
  key_.clear();
  for (const char c : extension.text) key_.push_back(ascii_lower(c));
  auto found = numbers_.find(key_);
  if (found == numbers_.end()) {
    found = numbers_.emplace(key_, static_cast<std::uint32_t>(keys_.size())).first;
    keys_.push_back(found->first);
  }
  key_of_.push_back(found->second | (extension.not_for_ext ? kNotForExt : 0));
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
  // A counting sort of the entries by extension, of the listed ones only.
  std::vector<std::uint32_t> start(keys_.size() + 1, 0);
  for (const std::uint32_t key : key_of_)
    if (key < kNotAscii) ++start[(key & ~kNotForExt) + 1];
  std::vector<char> listed(keys_.size(), 0);
  for (std::size_t k = 0; k < keys_.size(); ++k) {
    listed[k] = start[k + 1] >= std::max<std::uint32_t>(least, 1);
    if (!listed[k]) start[k + 1] = 0;
    start[k + 1] += start[k];
  }
  std::vector<std::uint32_t> sorted(start.back());
  std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
  std::vector<std::uint32_t> not_ascii;
  std::vector<std::uint32_t> not_for_ext;
  for (std::uint32_t e = 0; e < key_of_.size(); ++e) {
    const std::uint32_t key = key_of_[e];
    if (key == kNotAscii) not_ascii.push_back(e);
    if (key >= kNotAscii || !listed[key & ~kNotForExt]) continue;
    sorted[next[key & ~kNotForExt]++] = e;
    if ((key & kNotForExt) != 0) not_for_ext.push_back(e);
  }
  std::vector<std::uint32_t>().swap(key_of_);

  ExtensionTable out;
  auto add_row = [&](ExtensionRow::Kind kind, std::string_view key, const std::vector<std::uint32_t>& list) {
    ExtensionRow row;
    row.kind = kind;
    row.key = std::string(key);
    row.count = static_cast<std::uint32_t>(list.size());
    row.offset = lists.size();
    encode_list(list, lists);
    row.bytes = static_cast<std::uint32_t>(lists.size() - row.offset);
    row.checksum = checksum(std::string_view(lists).substr(row.offset));
    out.rows.push_back(std::move(row));
  };
  for (std::size_t k = 0; k < keys_.size(); ++k) {
    if (!listed[k]) continue;
    const std::vector<std::uint32_t> entries(sorted.begin() + start[k], sorted.begin() + start[k + 1]);
    const std::uint32_t token = tokens.number(keys_[k]);
    const auto places = token == TokenCounts::kNone ? std::nullopt : places_without(token_entries[token], entries);
    if (places) add_row(ExtensionRow::kNotInToken, keys_[k], *places);
    else add_row(ExtensionRow::kEntries, keys_[k], entries);
  }
  add_row(ExtensionRow::kNotAscii, "", not_ascii);
  add_row(ExtensionRow::kNotForExt, "", not_for_ext);
  std::sort(out.rows.begin(), out.rows.end(), [](const ExtensionRow& a, const ExtensionRow& b) {
    return a.kind != b.kind ? a.kind < b.kind : a.key < b.key;
  });
  table = encode_extensions(out);
}

}  // namespace korvint::search::index
