#pragma once
// Reads a stored search index (see search/index_format.h) through reads at
// an offset, never a map: a file another process cuts short or rewrites
// gives a failed read, never a fault. Nothing in it is trusted unchecked:
// the header's checksum, the file's size, each table's checksum; anything
// damaged, foreign or of another version reads as no index at all.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "search/catalogue.h"
#include "search/index_format.h"

namespace korvint::search::index {

struct WordTable;  // search/index_words.h

/// Reads `size` bytes at `offset` into `out`; false unless all were read.
using ReadAt = std::function<bool(std::uint64_t offset, std::size_t size, char* out)>;

class IndexFile {
 public:
  /// The index read through `read` from a file of `file_size` bytes;
  /// nullopt when its header is not a whole, sound header of this version
  /// for a file of that size.
  static std::optional<IndexFile> open(ReadAt read, std::uint64_t file_size);

  /// The index stored at `path`, read through the file; nullopt as open() gives it.
  static std::optional<IndexFile> open_file(const std::string& path);

  /// The index stored at `path`, when it is the index of `catalogue` as
  /// opened (path, identity, size); nullopt otherwise.
  static std::optional<IndexFile> open_for(const std::string& path, const Catalogue& catalogue);

  [[nodiscard]] const Header& header() const { return header_; }
  /// The counts the index was built with (those of the catalogue as indexed).
  [[nodiscard]] const LineCounts& counts() const { return header_.counts; }

  /// The blocks listed under `trigram`, in order (empty when none); nullopt
  /// when the index is damaged. A list read is kept for this index and its
  /// copies (a few thousand numbers at most), so the trigrams a word shares
  /// with the one typed before it are not read again.
  [[nodiscard]] std::optional<std::vector<std::uint32_t>> blocks_of(Trigram trigram) const;
  /// The block table, read and checked once for this index and every copy
  /// of it; nullptr when it is damaged.
  [[nodiscard]] std::shared_ptr<const std::vector<BlockInfo>> blocks() const;
  /// The table of words (read_words()), read and checked once for this index
  /// and every copy of it, since every search of a word asks for it; nullptr
  /// when it is damaged.
  [[nodiscard]] std::shared_ptr<const WordTable> words() const;

  /// The same index read through `read`, which must read the very file
  /// version this one was opened from (another opening of it): what was read
  /// and checked of it is shared, not read again.
  [[nodiscard]] IndexFile reading_through(ReadAt read) const;
  /// Reads `size` bytes at `offset` into `out`; false unless they lie in the file and were read.
  bool read(std::uint64_t offset, std::size_t size, std::string& out) const;

 private:
  // What is read once for a version of the file and shared by its copies.
  struct Decoded {
    std::once_flag once;
    std::shared_ptr<const std::vector<BlockInfo>> blocks;
    std::once_flag words_once;
    std::shared_ptr<const WordTable> words;
    std::mutex lists_mutex;
    std::unordered_map<Trigram, std::vector<std::uint32_t>> lists;  // read and checked
    std::size_t listed = 0;                                          // numbers in `lists`
  };
  /// The most numbers of lists kept for an index: 64 KiB of them.
  static constexpr std::size_t kMostKept = 16u << 10;
  [[nodiscard]] std::optional<std::vector<std::uint32_t>> read_list(Trigram trigram) const;
  IndexFile(ReadAt read, Header header)
      : read_(std::move(read)), header_(std::move(header)), decoded_(std::make_shared<Decoded>()) {}
  [[nodiscard]] std::shared_ptr<const std::vector<BlockInfo>> read_blocks() const;

  ReadAt read_;
  Header header_;
  std::shared_ptr<Decoded> decoded_;
};

/// The folding of names (its source and version, platform::search_folding())
/// as the number an index's header keeps: an index whose names were folded
/// under another folding is not used, since a word would not find them.
std::uint32_t folding_key();

/// True when the index of `header` was built from `catalogue` as it was
/// opened, under this folding.
bool indexes(const Header& header, const Catalogue& catalogue);

}  // namespace korvint::search::index
