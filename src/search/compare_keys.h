#pragma once
// The keys a comparison matches paths by: a path below the compared folder
// as text ("/" made "\", folded as the file system folds names when paths
// compare without case) and 64-bit hashes of it and of its folder's path,
// made alike from the text a search holds and from a hit read on its own.

#include <cstdint>
#include <string>
#include <string_view>

#include "search/catalogue.h"
#include "search/hit_list.h"
#include "search/name_decoder.h"
#include "search/result_set.h"

namespace korvint::search::compare_keys {

/// The path hash of an entry outside the compared folder (or that cannot be read).
inline constexpr std::uint64_t kOutside = 0;
/// The path hash of an entry whose key is made after the search (real hashes are odd).
inline constexpr std::uint64_t kLater = 2;

/// The buffers one thread reuses to make keys.
struct KeyReader {
  explicit KeyReader(const std::string& code_page) : decoder(code_page) {}
  NameDecoder decoder;
  std::string raw, decoded, name;
};

/// `raw`, read from `catalogue` (in the encoding it has now), decoded and
/// appended to `key` as paths are matched.
void append_key(const Catalogue& catalogue, std::string_view raw, bool ignore_case, KeyReader& reader, std::string& key);
/// The same, `raw` read as `encoding` (what a catalogue whose encoding is not known yet may turn out to be).
void append_key(TextEncoding encoding, std::string_view raw, bool ignore_case, KeyReader& reader, std::string& key);

/// The compared folder as a key prefix: its levels, each ended by "\"; "" for the root.
std::string folder_prefix(std::string_view folder, bool ignore_case);

/// The key of the folder that holds the entry of key `key` ("" for the compared folder).
std::string_view parent_of(std::string_view key);

/// The whole key of `hit` (a folder's ends with "\") read on its own into
/// `key`, and in `folder_size` the length of its folder's part (all of a
/// folder's). False when it cannot be read.
bool read_key(const Catalogue& catalogue, const Hit& hit, bool ignore_case, KeyReader& reader, std::string& key,
              std::size_t& folder_size);

/// The key of `hit` below `prefix` into `out`; false when it cannot be read or lies outside.
bool key_below(const Catalogue& catalogue, const Hit& hit, std::string_view prefix, bool ignore_case,
               KeyReader& reader, std::string& out);

/// The hash of a folder's part of a key (the key's first `folder_size` bytes)
/// below `prefix`; 0 when that part lies above the compared folder.
std::uint64_t folder_hash(std::string_view key, std::size_t folder_size, std::string_view prefix);

/// The hashes an entry is matched by.
struct PathHashes {
  std::uint64_t path = kOutside;  ///< of its path below the compared folder
  std::uint64_t parent = 0;       ///< of its folder's path
};

/// The hashes of the entry of whole key `key` (see read_key()), its folder's
/// part hashed as `folder_part_hash` (folder_hash(), unused for a folder).
/// Only for a key that lies below `prefix` and is not the compared folder itself.
PathHashes path_hashes(std::string_view key, std::size_t folder_size, std::uint64_t folder_part_hash, bool is_folder,
                       std::string_view prefix);

}  // namespace korvint::search::compare_keys
