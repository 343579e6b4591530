#include "search/index_ext.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace korvint::search::index {

NameExtension extension_of(std::string_view name, bool folder) {
  NameExtension out;
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos) return out;
  out.text = name.substr(dot + 1);
  const bool ascii =
      std::all_of(out.text.begin(), out.text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  out.kind = ascii ? NameExtension::Kind::Ascii : NameExtension::Kind::NotAscii;
  out.not_for_ext = folder || dot == 0;
  return out;
}

const ExtensionRow* ExtensionTable::find(ExtensionRow::Kind kind, std::string_view key) const {
  const auto before = [](const ExtensionRow& row, const std::pair<ExtensionRow::Kind, std::string_view>& k) {
    return row.kind != k.first ? row.kind < k.first : std::string_view(row.key) < k.second;
  };
  const auto at = std::lower_bound(rows.begin(), rows.end(), std::pair(kind, key), before);
  return at != rows.end() && at->kind == kind && at->key == key ? &*at : nullptr;
}

const ExtensionRow* ExtensionTable::of_extension(std::string_view key) const {
  const ExtensionRow* row = find(ExtensionRow::kEntries, key);
  return row != nullptr ? row : find(ExtensionRow::kNotInToken, key);
}

std::string encode_extensions(const ExtensionTable& table) {
  std::string out;
  put_u32(out, static_cast<std::uint32_t>(table.rows.size()));
  for (const ExtensionRow& row : table.rows) {
    out.push_back(static_cast<char>(row.kind));
    out.push_back(static_cast<char>(row.key.size()));
    out += row.key;
    put_u32(out, row.count);
    put_u64(out, row.offset);
    put_u32(out, row.bytes);
    put_u64(out, row.checksum);
  }
  return out;
}

std::optional<ExtensionTable> read_extensions(const IndexFile& index) {
  const Header& header = index.header();
  std::string bytes;
  if (!index.read(header.ext_offset, header.ext_bytes, bytes) || checksum(bytes) != header.ext_checksum)
    return std::nullopt;
  const std::uint64_t lists = header.file_size - header.ext_offset - header.ext_bytes;  // read() checked the bounds
  std::size_t at = 0;
  auto has = [&](std::size_t n) { return bytes.size() - at >= n; };
  if (!has(4)) return std::nullopt;
  const std::uint32_t count = get_u32(bytes.data());
  at = 4;
  ExtensionTable table;
  for (std::uint32_t r = 0; r < count; ++r) {
    if (!has(2)) return std::nullopt;
    ExtensionRow row;
    const auto kind = static_cast<unsigned char>(bytes[at]);
    const auto length = static_cast<unsigned char>(bytes[at + 1]);
    at += 2;
    if (kind > ExtensionRow::kNotForExt || length > kLongestExtension || !has(length + 24)) return std::nullopt;
    row.kind = static_cast<ExtensionRow::Kind>(kind);
    row.key = bytes.substr(at, length);
    at += length;
    row.count = get_u32(bytes.data() + at);
    row.offset = get_u64(bytes.data() + at + 4);
    row.bytes = get_u32(bytes.data() + at + 12);
    row.checksum = get_u64(bytes.data() + at + 16);
    at += 24;
    if (row.offset > lists || row.bytes > lists - row.offset) return std::nullopt;
    // In order, each once: find() looks them up by halves.
    if (!table.rows.empty() && std::tie(table.rows.back().kind, table.rows.back().key) >= std::tie(row.kind, row.key))
      return std::nullopt;
    table.rows.push_back(std::move(row));
  }
  if (at != bytes.size()) return std::nullopt;
  return table;
}

std::optional<std::uint32_t> entry_count(const WordTable& words, const ExtensionRow& row) {
  if (row.kind != ExtensionRow::kNotInToken) return row.count;
  const auto word = std::find_if(words.words.begin(), words.words.end(), [&](const Word& w) { return w.token == row.key; });
  if (word == words.words.end() || word->count < row.count) return std::nullopt;
  return word->count - row.count;
}

std::optional<std::vector<std::uint32_t>> entries_of(const IndexFile& index, const WordTable& words,
                                                     const ExtensionRow& row) {
  const Header& header = index.header();
  std::string bytes;
  if (!index.read(header.ext_offset + header.ext_bytes + row.offset, row.bytes, bytes) || checksum(bytes) != row.checksum)
    return std::nullopt;
  if (row.kind != ExtensionRow::kNotInToken) return decode_list(bytes, row.count, words.entries);
  const auto word = std::find_if(words.words.begin(), words.words.end(), [&](const Word& w) { return w.token == row.key; });
  if (word == words.words.end()) return std::nullopt;
  const auto token = entries_of(index, words, *word);
  if (!token) return std::nullopt;
  const auto without = decode_list(bytes, row.count, word->count);
  if (!without) return std::nullopt;
  std::vector<std::uint32_t> entries;
  entries.reserve(token->size() - without->size());
  auto skip = without->begin();
  for (std::uint32_t place = 0; place < token->size(); ++place) {
    if (skip != without->end() && *skip == place) {
      ++skip;
      continue;
    }
    entries.push_back((*token)[place]);
  }
  return entries;
}

}  // namespace korvint::search::index
