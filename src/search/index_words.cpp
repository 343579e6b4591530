#include "search/index_words.h"

#include <algorithm>

namespace korvint::search::index {

std::uint32_t WordTable::block_of(std::uint32_t ordinal) const {
  const auto after = std::upper_bound(first_entry.begin(), first_entry.end(), ordinal);
  return static_cast<std::uint32_t>(after - first_entry.begin()) - 1;
}

std::string encode_words(const WordTable& table) {
  std::string out;
  put_u32(out, table.entries);
  put_u32(out, static_cast<std::uint32_t>(table.first_entry.size()));
  for (const std::uint32_t first : table.first_entry) put_u32(out, first);
  put_u32(out, static_cast<std::uint32_t>(table.words.size()));
  for (const Word& word : table.words) {
    out.push_back(static_cast<char>(word.token.size() & 0xff));
    out.push_back(static_cast<char>(word.token.size() >> 8));
    out += word.token;
    put_u32(out, word.count);
    put_u64(out, word.offset);
    put_u32(out, word.bytes);
    put_u64(out, word.checksum);
  }
  return out;
}

std::optional<WordTable> read_words(const IndexFile& index) {
  const Header& header = index.header();
  std::string bytes;
  if (header.words_bytes > header.file_size || !index.read(header.words_offset, header.words_bytes, bytes) ||
      checksum(bytes) != header.words_checksum)
    return std::nullopt;
  // The lists lie between the table and the buckets, which begin at the first bucket's place.
  const std::uint64_t lists_begin = header.words_offset + header.words_bytes;
  std::string place;
  if (!index.read(header.directory_offset, kBucketPlaceBytes, place)) return std::nullopt;
  const std::uint64_t lists_end = get_u64(place.data());
  if (lists_end < lists_begin || lists_end > header.directory_offset) return std::nullopt;

  std::size_t at = 0;
  auto has = [&](std::size_t n) { return bytes.size() - at >= n; };
  WordTable table;
  if (!has(8)) return std::nullopt;
  table.entries = get_u32(bytes.data());
  const std::uint32_t blocks = get_u32(bytes.data() + 4);
  at = 8;
  // Every entry lies in a block.
  if (blocks != header.block_count || (blocks == 0 && table.entries != 0) || !has(std::size_t{blocks} * 4 + 4))
    return std::nullopt;
  table.first_entry.resize(blocks);
  for (std::uint32_t b = 0; b < blocks; ++b, at += 4) {
    table.first_entry[b] = get_u32(bytes.data() + at);
    if (table.first_entry[b] > table.entries || (b == 0 ? table.first_entry[b] != 0 : table.first_entry[b] < table.first_entry[b - 1]))
      return std::nullopt;
  }
  const std::uint32_t count = get_u32(bytes.data() + at);
  at += 4;
  for (std::uint32_t w = 0; w < count; ++w) {
    if (!has(2)) return std::nullopt;
    const std::size_t length = static_cast<unsigned char>(bytes[at]) | static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    at += 2;
    if (!has(length + 24)) return std::nullopt;
    Word word;
    word.token = bytes.substr(at, length);
    at += length;
    word.count = get_u32(bytes.data() + at);
    word.offset = get_u64(bytes.data() + at + 4);
    word.bytes = get_u32(bytes.data() + at + 12);
    word.checksum = get_u64(bytes.data() + at + 16);
    at += 24;
    if (word.count > table.entries || word.offset > lists_end - lists_begin || word.bytes > lists_end - lists_begin - word.offset)
      return std::nullopt;
    table.words.push_back(std::move(word));
  }
  if (at != bytes.size()) return std::nullopt;
  return table;
}

std::optional<std::vector<std::uint32_t>> entries_of(const IndexFile& index, const WordTable& table, const Word& word) {
  const Header& header = index.header();
  std::string bytes;
  if (!index.read(header.words_offset + header.words_bytes + word.offset, word.bytes, bytes) ||
      checksum(bytes) != word.checksum)
    return std::nullopt;
  return decode_list(bytes, word.count, table.entries);
}

}  // namespace korvint::search::index
