#pragma once
// The search index of one catalogue, as stored: what the builder writes and
// the reader checks, the small codec of its posting lists, and the trigrams
// of names as the search folds them.
//
// The file: a header (magic, format version, the catalogue's identity and
// path, its exact line counts, the places and checksums of the tables), the
// block table (each block of consecutive catalogue lines: its byte range, the
// folder line that governs its first line, the least and most size and date
// of its entries, whether it holds files and folders), then the posting lists
// grouped in buckets by trigram, each bucket with its own checksum, and the
// directory of the buckets. A block is listed under a trigram when the text
// of one of its lines (a file's name, a folder's relative path) or the path
// of the folder governing its first line holds the trigram in its skeleton
// (search/ascii_folds.h), so an ASCII word is in a line only where all of the
// word's trigrams list the line's block.
//
// The words of names (search/index_words.h) lie between the block table and
// the buckets: the tokens of names (maximal runs of ASCII letters and digits
// of the skeleton) that many entries hold, each with the ordinals of those
// entries; the trigrams inside the other, rare tokens of files' names are
// listed under their own keys (kRareTag), apart from the rest of the text's.
// The table of extensions (search/index_ext.h) and its lists end the file.

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/catalogue.h"

namespace korvint::search::index {

/// Changes whenever the layout or the folding of the indexed text changes:
/// an index of another version is never read.
inline constexpr std::uint32_t kFormatVersion = 3;
inline constexpr char kMagic[8] = {'K', 'V', 'N', 'D', 'X', '\r', '\n', '\x1a'};

/// Three ASCII bytes (each 1..0x7f) as one number below 2^21; two as one below 2^14.
using Trigram = std::uint32_t;
inline constexpr Trigram kTrigramSpace = Trigram{1} << 21;
/// Added to a trigram or pair: the blocks where it lies inside a rare token
/// of a name; the untagged key lists the blocks where it lies elsewhere in
/// text, so a block holds it in its text when either key lists it.
inline constexpr Trigram kRareTag = kTrigramSpace;
inline constexpr Trigram kKeySpace = kTrigramSpace << 1;
/// Lists the blocks that hold a line whose text the trigrams cannot stand for
/// (a code page's non-ASCII name): they are candidates for every word.
inline constexpr Trigram kEveryWord = 0;

/// A block's flags.
inline constexpr std::uint32_t kHasFiles = 1;
inline constexpr std::uint32_t kHasFolders = 2;

/// One block of the block table.
struct BlockInfo {
  std::uint64_t begin = 0;   ///< its first line's offset
  std::uint64_t end = 0;     ///< after its last line end
  std::uint64_t folder = 0;  ///< the folder line governing its first line (kRootFolder: the root)
  std::uint64_t min_size = 0, max_size = 0;  ///< of its files
  std::uint64_t min_time = 0, max_time = 0;  ///< of its entries (CalendarTime::packed())
  std::uint32_t flags = 0;
};
inline constexpr std::size_t kBlockBytes = 64;  ///< a BlockInfo as stored

/// The fixed part of the header; the catalogue's path follows it.
struct Header {
  std::uint32_t version = kFormatVersion;
  std::uint64_t file_size = 0;  ///< the index file's whole size
  // The catalogue's identity when indexed.
  std::uint64_t device = 0, file = 0, size = 0;
  std::int64_t write_time = 0;
  std::uint64_t body_begin = 0;
  LineCounts counts;  ///< its exact line counts
  std::uint32_t block_count = 0;
  std::uint32_t bucket_bits = 0;
  std::uint32_t folding = 0;  ///< the folding the names were indexed under (index_reader.h's folding_key())
  std::uint64_t blocks_offset = 0, directory_offset = 0;
  std::uint64_t blocks_checksum = 0;
  /// The table of words (index_words.h): its place, size and checksum; its
  /// posting lists follow it, up to the buckets.
  std::uint64_t words_offset = 0, words_bytes = 0, words_checksum = 0;
  /// The table of extensions (index_ext.h): its place, size and checksum; its lists follow it to the file's end.
  std::uint64_t ext_offset = 0, ext_bytes = 0, ext_checksum = 0;
  std::string path;  ///< the catalogue's path as opened
};
inline constexpr std::size_t kHeaderBytes = 200;  ///< before the path
inline constexpr std::size_t kMostPath = 1u << 16;

/// A bucket's place in the directory.
struct BucketPlace {
  std::uint64_t offset = 0;
  std::uint32_t size = 0;
  std::uint64_t checksum = 0;
};
inline constexpr std::size_t kBucketPlaceBytes = 24;
/// A bucket starts with its number and its count of trigrams, then a row per
/// trigram (trigram, blocks listed, the list's offset into the bucket's lists).
inline constexpr std::size_t kBucketHead = 8;
inline constexpr std::size_t kBucketRow = 12;

/// The bucket of `trigram` among 2^bits.
inline std::uint32_t bucket_of(Trigram trigram, std::uint32_t bits) {
  return bits == 0 ? 0 : static_cast<std::uint32_t>((trigram * 0x9E3779B1u) >> (32 - bits));
}

/// A 64-bit checksum of `bytes` (not cryptographic: it tells damage, not forgery).
std::uint64_t checksum(std::string_view bytes);

/// Little-endian fixed-width numbers.
void put_u32(std::string& out, std::uint32_t value);
void put_u64(std::string& out, std::uint64_t value);
/// Read inline: the block table and every checksum read them by the million.
inline std::uint32_t get_u32(const char* at) {
  std::uint32_t value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, at, sizeof value);
  } else {
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
  }
  return value;
}
inline std::uint64_t get_u64(const char* at) {
  std::uint64_t value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, at, sizeof value);
  } else {
    for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
  }
  return value;
}

/// Appends the sorted, distinct `values` as a posting list: the first as it
/// is, each next as its distance from the one before less one, each number a
/// variable-length integer of 7 bits a byte.
void encode_list(const std::vector<std::uint32_t>& values, std::string& out);
/// Reads `count` values of a list written by encode_list() from `bytes`;
/// nullopt when it is damaged: cut short, too long, or a value of `limit` or more.
std::optional<std::vector<std::uint32_t>> decode_list(std::string_view bytes, std::uint32_t count, std::uint32_t limit);

/// The header as stored (with its checksum), and read back: nullopt for
/// anything but a whole header of this version.
std::string encode_header(const Header& header);
std::optional<Header> decode_header(std::string_view bytes);
/// How many bytes the header of `bytes` (at least kHeaderBytes) takes with its path, 0 if unknown.
std::size_t header_size(std::string_view bytes);

/// Adds the trigrams of the skeleton `skeleton` (ASCII lowercase, kNotAscii
/// elsewhere) to `out`: every three bytes in a row none of which is kNotAscii.
void add_trigrams(std::string_view skeleton, std::vector<Trigram>& out);

/// True for the bytes a token is made of: ASCII letters (lowercase in a skeleton) and digits.
inline bool is_token_byte(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

/// Calls `visit` with each token of `skeleton`: its maximal runs of token bytes.
template <typename Visit>
void for_each_token(std::string_view skeleton, Visit&& visit) {
  std::size_t i = 0;
  while (i < skeleton.size()) {
    while (i < skeleton.size() && !is_token_byte(skeleton[i])) ++i;
    const std::size_t start = i;
    while (i < skeleton.size() && is_token_byte(skeleton[i])) ++i;
    if (i > start) visit(skeleton.substr(start, i - start));
  }
}

/// Adds the pairs of token bytes in a row of `token` to `out`, as keys below 2^14.
void add_pairs(std::string_view token, std::vector<Trigram>& out);

/// The name of the index file of the catalogue at `path` (absolute), which
/// lies in `folder`: "<hash of the folder>-<hash of the path>.kvx", so that
/// the indexes of one catalogue folder can be told from the others'.
std::string index_file_name(std::string_view folder, std::string_view path);
/// The prefix index_file_name() gives every catalogue of `folder`.
std::string folder_prefix(std::string_view folder);

}  // namespace korvint::search::index
