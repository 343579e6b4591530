#include "search/index_reader.h"

#include <algorithm>

#include "platform/absolute_path.h"
#include "platform/case_folding.h"
#include "platform/read_only_file.h"
#include "search/index_words.h"

namespace korvint::search::index {

std::optional<IndexFile> IndexFile::open(ReadAt read, std::uint64_t file_size) {
  std::string head(kHeaderBytes, '\0');
  if (file_size < kHeaderBytes || !read(0, kHeaderBytes, head.data())) return std::nullopt;
  const std::size_t size = header_size(head);
  if (size == 0 || size > file_size) return std::nullopt;
  head.resize(size);
  if (!read(kHeaderBytes, size - kHeaderBytes, head.data() + kHeaderBytes)) return std::nullopt;
  auto header = decode_header(head);
  if (!header || header->file_size != file_size) return std::nullopt;
  // The tables lie where the header says, inside the file.
  const std::uint64_t table_end = header->blocks_offset + std::uint64_t{header->block_count} * kBlockBytes;
  const std::uint64_t directory_end =
      header->directory_offset + (std::uint64_t{1} << header->bucket_bits) * kBucketPlaceBytes;
  if (header->blocks_offset != size || table_end < header->blocks_offset || table_end > header->directory_offset ||
      directory_end != header->ext_offset || header->ext_offset > file_size ||
      header->ext_bytes > file_size - header->ext_offset)
    return std::nullopt;
  return IndexFile(std::move(read), std::move(*header));
}

std::optional<IndexFile> IndexFile::open_file(const std::string& path) {
  platform::OpenFailure failure = platform::OpenFailure::None;
  platform::Status error;
  auto file = std::make_shared<platform::ReadOnlyFile>(platform::ReadOnlyFile::open(path, failure, error));
  const auto identity = file->is_open() ? file->identity() : std::nullopt;
  if (!identity) return std::nullopt;
  return open(
      [file](std::uint64_t offset, std::size_t size, char* out) {
        const auto got = file->read_at(offset, size, out);
        return got && *got == size;
      },
      identity->size);
}

std::optional<IndexFile> IndexFile::open_for(const std::string& path, const Catalogue& catalogue) {
  auto index = open_file(path);
  if (!index || !indexes(index->header(), catalogue)) return std::nullopt;
  return index;
}

std::uint32_t folding_key() {
  static const std::uint32_t key = static_cast<std::uint32_t>(checksum(platform::search_folding().version));
  return key;
}

bool indexes(const Header& header, const Catalogue& catalogue) {
  const platform::FileVersion& id = catalogue.identity();
  return id != platform::FileVersion{} && header.folding == folding_key() && header.device == id.device &&
         header.file == id.file && header.size == id.size && header.size == catalogue.size() &&
         header.write_time == id.write_time && header.body_begin == catalogue.body_begin() &&
         header.path == platform::absolute_path(catalogue.path());
}

bool IndexFile::read(std::uint64_t offset, std::size_t size, std::string& out) const {
  if (offset > header_.file_size || size > header_.file_size - offset) return false;
  out.resize(size);
  return size == 0 || read_(offset, size, out.data());
}

std::optional<std::vector<std::uint32_t>> IndexFile::blocks_of(Trigram trigram) const {
  Decoded& decoded = *decoded_;
  {
    const std::lock_guard lock(decoded.lists_mutex);
    if (const auto kept = decoded.lists.find(trigram); kept != decoded.lists.end()) return kept->second;
  }
  auto list = read_list(trigram);
  if (!list || list->size() > kMostKept / 4) return list;
  const std::lock_guard lock(decoded.lists_mutex);
  if (decoded.listed + list->size() > kMostKept || decoded.lists.size() >= kMostKept / 16) {
    decoded.lists.clear();
    decoded.listed = 0;
  }
  if (decoded.lists.emplace(trigram, *list).second) decoded.listed += list->size();
  return list;
}

std::optional<std::vector<std::uint32_t>> IndexFile::read_list(Trigram trigram) const {
  const std::uint32_t bucket = bucket_of(trigram, header_.bucket_bits);
  std::string place;
  if (!read(header_.directory_offset + std::uint64_t{bucket} * kBucketPlaceBytes, kBucketPlaceBytes, place))
    return std::nullopt;
  const std::uint64_t offset = get_u64(place.data());
  const std::uint32_t size = get_u32(place.data() + 8);
  const std::uint64_t sum = get_u64(place.data() + 16);
  const std::uint64_t lists_start = header_.blocks_offset + std::uint64_t{header_.block_count} * kBlockBytes;
  std::string bytes;
  if (offset < lists_start || size < kBucketHead || offset + size > header_.directory_offset || !read(offset, size, bytes) ||
      checksum(bytes) != sum || get_u32(bytes.data()) != bucket)
    return std::nullopt;
  const std::uint32_t rows = get_u32(bytes.data() + 4);
  if (rows > (size - kBucketHead) / kBucketRow) return std::nullopt;
  const std::size_t lists = kBucketHead + std::size_t{rows} * kBucketRow;
  for (std::uint32_t r = 0; r < rows; ++r) {
    const char* row = bytes.data() + kBucketHead + std::size_t{r} * kBucketRow;
    if (get_u32(row) != trigram) continue;
    const std::uint32_t count = get_u32(row + 4);
    const std::uint32_t from = get_u32(row + 8);
    // The list ends where the next row's begins, or with the bucket.
    const std::size_t to = r + 1 < rows ? get_u32(row + kBucketRow + 8) : size - lists;
    if (from > to || to > size - lists) return std::nullopt;
    return decode_list(std::string_view(bytes).substr(lists + from, to - from), count, header_.block_count);
  }
  return std::vector<std::uint32_t>{};
}

IndexFile IndexFile::reading_through(ReadAt read) const {
  IndexFile copy = *this;
  copy.read_ = std::move(read);
  return copy;
}

std::shared_ptr<const std::vector<BlockInfo>> IndexFile::blocks() const {
  std::call_once(decoded_->once, [this] { decoded_->blocks = read_blocks(); });
  return decoded_->blocks;
}

std::shared_ptr<const WordTable> IndexFile::words() const {
  std::call_once(decoded_->words_once, [this] {
    if (auto table = read_words(*this)) decoded_->words = std::make_shared<const WordTable>(std::move(*table));
  });
  return decoded_->words;
}

std::shared_ptr<const std::vector<BlockInfo>> IndexFile::read_blocks() const {
  std::string table;
  if (!read(header_.blocks_offset, std::size_t{header_.block_count} * kBlockBytes, table) ||
      checksum(table) != header_.blocks_checksum)
    return nullptr;
  auto blocks = std::make_shared<std::vector<BlockInfo>>(header_.block_count);
  std::uint64_t end = header_.body_begin;
  for (std::size_t b = 0; b < blocks->size(); ++b) {
    const char* p = table.data() + b * kBlockBytes;
    BlockInfo& info = (*blocks)[b];
    info.begin = get_u64(p);
    info.end = get_u64(p + 8);
    info.folder = get_u64(p + 16);
    info.min_size = get_u64(p + 24);
    info.max_size = get_u64(p + 32);
    info.min_time = get_u64(p + 40);
    info.max_time = get_u64(p + 48);
    info.flags = static_cast<std::uint32_t>(get_u64(p + 56));
    // Blocks follow one another through the catalogue's body.
    if (info.begin != end || info.end <= info.begin || info.end > header_.size) return nullptr;
    if (info.folder != kRootFolder && info.folder >= info.begin) return nullptr;
    end = info.end;
  }
  if (!blocks->empty() && end != header_.size) return nullptr;
  return blocks;
}

}  // namespace korvint::search::index
