#include "search/index_pool.h"

#include <algorithm>

namespace korvint::search::index {
namespace {

// Reads through the open `file`, shared by every copy of the reader.
ReadAt reader_of(std::shared_ptr<platform::ReadOnlyFile> file) {
  return [file = std::move(file)](std::uint64_t offset, std::size_t size, char* out) {
    const auto got = file->read_at(offset, size, out);
    return got && *got == size;
  };
}

}  // namespace

std::shared_ptr<const IndexFile> IndexPool::index_for(const std::string& path, const Catalogue& catalogue) {
  auto index = index_at(path);
  if (!index || !indexes(index->header(), catalogue)) return nullptr;
  return index;
}

std::shared_ptr<const IndexFile> IndexPool::index_at(const std::string& path) {
  if (path.empty()) return nullptr;
  const std::lock_guard lock(mutex_);
  const auto found = kept_.find(path);
  if (found != kept_.end() && found->second.readable) {
    // Its file is open: the path must still name that very version of it.
    const auto now = platform::identity_of(path);
    if (now && *now == found->second.version) {
      found->second.used = ++clock_;
      return found->second.index;
    }
  }
  platform::OpenFailure failure = platform::OpenFailure::None;
  platform::Status error;
  auto file = std::make_shared<platform::ReadOnlyFile>(platform::ReadOnlyFile::open(path, failure, error));
  const auto version = file->is_open() ? file->identity() : std::nullopt;
  if (!version) {
    if (found != kept_.end()) kept_.erase(found);
    return nullptr;
  }
  const bool readable = file->worth_keeping();
  std::shared_ptr<const IndexFile> index;
  if (found != kept_.end() && found->second.version == *version) {
    // The same version, opened again (Windows): what was checked of it holds.
    index = std::make_shared<const IndexFile>(found->second.index->reading_through(reader_of(file)));
  } else {
    auto opened = IndexFile::open(reader_of(file), version->size);
    if (!opened) {
      if (found != kept_.end()) kept_.erase(found);
      return nullptr;
    }
    index = std::make_shared<const IndexFile>(std::move(*opened));
  }
  Kept kept;
  kept.version = *version;
  kept.readable = readable;
  kept.index = readable ? index : std::make_shared<const IndexFile>(index->reading_through({}));
  keep(path, std::move(kept));
  return index;
}

void IndexPool::keep(const std::string& path, Kept kept) {
  kept.used = ++clock_;
  kept_[path] = std::move(kept);
  if (kept_.size() <= most_) return;
  const auto oldest = std::min_element(kept_.begin(), kept_.end(),
                                       [](const auto& a, const auto& b) { return a.second.used < b.second.used; });
  kept_.erase(oldest);
}

void IndexPool::prune() {
  const std::lock_guard lock(mutex_);
  for (auto it = kept_.begin(); it != kept_.end();) {
    const auto now = platform::identity_of(it->first);
    if (now && *now == it->second.version) ++it;
    else it = kept_.erase(it);
  }
}

std::shared_ptr<const IndexFile> fresh_index(IndexPool* pool, const std::string& path, const Catalogue& catalogue) {
  if (pool != nullptr) return pool->index_for(path, catalogue);
  auto index = path.empty() ? std::nullopt : IndexFile::open_for(path, catalogue);
  return index ? std::make_shared<const IndexFile>(std::move(*index)) : nullptr;
}

std::size_t IndexPool::size() const {
  const std::lock_guard lock(mutex_);
  return kept_.size();
}

}  // namespace korvint::search::index
