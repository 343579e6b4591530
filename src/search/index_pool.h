#pragma once
// The indexes a window searches on every keystroke, opened and checked once
// and kept while their files stay the same: each use asks the system only
// whether the file at the index's path is still the version kept (device,
// inode or file index, size, last write), and opens and checks it afresh
// when it is not. An index is never trusted past a change of its file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/read_only_file.h"
#include "search/catalogue.h"
#include "search/index_reader.h"

namespace korvint::search::index {

class IndexPool {
 public:
  /// Keeps at most `most` indexes (the least recently used go first).
  explicit IndexPool(std::size_t most = 4096) : most_(most) {}

  /// The index at `path` when it is the fresh index of `catalogue` as opened;
  /// nullptr when there is none (missing, damaged, of another version of the
  /// catalogue or another format). Any thread.
  std::shared_ptr<const IndexFile> index_for(const std::string& path, const Catalogue& catalogue);

  /// The index at `path`, kept or opened afresh; nullptr when the file is
  /// missing or holds no sound index of this format. Any thread.
  std::shared_ptr<const IndexFile> index_at(const std::string& path);

  /// Lets go of every index whose file changed or is gone (its descriptor
  /// closed, so a deleted index's space is given back).
  void prune();

  /// How many indexes are kept.
  [[nodiscard]] std::size_t size() const;

 private:
  struct Kept {
    platform::FileVersion version;  // of the index file when opened
    // Kept with its file open where that costs nothing (POSIX); else without
    // a way to read it, and each use opens the file again.
    std::shared_ptr<const IndexFile> index;
    bool readable = false;
    std::uint64_t used = 0;
  };
  void keep(const std::string& path, Kept kept);

  mutable std::mutex mutex_;
  std::unordered_map<std::string, Kept> kept_;
  std::uint64_t clock_ = 0;
  std::size_t most_;
};

/// The fresh index at `path` of `catalogue`: through `pool` when given, else
/// opened afresh for this one use; nullptr when there is none.
std::shared_ptr<const IndexFile> fresh_index(IndexPool* pool, const std::string& path, const Catalogue& catalogue);

}  // namespace korvint::search::index
