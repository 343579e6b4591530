#include "search/index_builder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "catalogue/parse_lines.h"
#include "platform/absolute_path.h"
#include "platform/program_folder.h"
#include "platform/settings_file.h"
#include "search/ascii_folds.h"
#include "search/index_format.h"
#include "search/index_reader.h"
#include "search/text_match.h"
#include "search/utf8.h"

namespace korvint::search::index {
namespace {

bool cancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }

// The folder of a path, without the name after its last separator.
std::string parent_of(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// The trigrams of one block: each listed once, with the block's number.
class TrigramPairs {
 public:
  TrigramPairs() : last_block_(kTrigramSpace, std::numeric_limits<std::uint32_t>::max()) {}

  void add(std::uint32_t block, const std::vector<Trigram>& trigrams) {
    for (const Trigram t : trigrams) {
      if (last_block_[t] == block) continue;
      last_block_[t] = block;
      trigrams_.push_back(t);
      blocks_.push_back(block);
    }
  }

  // The posting lists: for each trigram in order, its blocks in order.
  void lists(std::vector<Trigram>& distinct, std::vector<std::uint32_t>& starts, std::vector<std::uint32_t>& blocks) {
    std::vector<std::uint32_t> count(kTrigramSpace + 1, 0);
    for (const Trigram t : trigrams_) ++count[t + 1];
    for (Trigram t = 0; t < kTrigramSpace; ++t) {
      if (count[t + 1] != 0) {
        distinct.push_back(t);
        starts.push_back(count[t]);
      }
      count[t + 1] += count[t];
    }
    starts.push_back(static_cast<std::uint32_t>(trigrams_.size()));
    blocks.resize(trigrams_.size());
    for (std::size_t i = 0; i < trigrams_.size(); ++i) blocks[count[trigrams_[i]]++] = blocks_[i];
  }

 private:
  std::vector<std::uint32_t> last_block_;
  std::vector<Trigram> trigrams_;
  std::vector<std::uint32_t> blocks_;
};

// Reads the lines of each block and gathers their trigrams and summaries.
class BlockIndexer {
 public:
  BlockIndexer(const Catalogue& catalogue, TextEncoding encoding) : catalogue_(catalogue), encoding_(encoding) {}

  bool index(std::uint32_t number, const Chunk& chunk, BlockInfo& info, TrigramPairs& pairs) {
    info.begin = chunk.begin;
    info.end = chunk.end;
    info.folder = folder_;
    info.min_size = info.min_time = std::numeric_limits<std::uint64_t>::max();
    trigrams_.clear();
    add_text(folder_path_);  // a path: word may be in the path of the folder its first lines are in
    buffer_.resize(static_cast<std::size_t>(chunk.end - chunk.begin));
    if (!catalogue_.read(chunk.begin, buffer_.size(), buffer_.data(), false)) return false;
    const char* p = buffer_.data();
    const char* const end = p + buffer_.size();
    while (p < end) {
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      const char* line_end = lf == nullptr ? end : lf;
      std::string_view line(p, static_cast<std::size_t>(line_end - p));
      const bool has_cr = !line.empty() && line.back() == '\r';
      if (has_cr) line.remove_suffix(1);
      if (const auto folder = catalogue::folder_path_of_line(line)) {
        folder_ = chunk.begin + static_cast<std::uint64_t>(p - buffer_.data());
        folder_path_.assign(*folder);
        add_text(folder_path_);
      }
      if (lf != nullptr && has_cr) {
        if (const auto entry = catalogue::parse_entry_line(line)) {
          add_text(entry->path);
          const std::uint64_t time = entry->time.packed();
          info.min_time = std::min(info.min_time, time);
          info.max_time = std::max(info.max_time, time);
          if (entry->is_folder) {
            info.flags |= kHasFolders;
          } else {
            info.flags |= kHasFiles;
            info.min_size = std::min(info.min_size, entry->size);
            info.max_size = std::max(info.max_size, entry->size);
          }
        }
      }
      p = line_end + 1;
    }
    if (every_word_) trigrams_.push_back(kEveryWord);
    every_word_ = false;
    pairs.add(number, trigrams_);
    return true;
  }

 private:
  // Adds the trigrams of `text` as an ASCII word reads it.
  void add_text(std::string_view text) {
    skeleton_.clear();
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      for (const char c : text) skeleton_.push_back(ascii_lower(c));
    } else if (encoding_ == TextEncoding::Utf8 && is_valid_utf8(text)) {
      append_skeleton(text, skeleton_);
    } else {
      every_word_ = true;  // a code page's text: its skeleton depends on the code page chosen
      return;
    }
    add_trigrams(skeleton_, trigrams_);
  }

  const Catalogue& catalogue_;
  const TextEncoding encoding_;
  std::uint64_t folder_ = kRootFolder;
  std::string folder_path_;
  std::vector<char> buffer_;
  std::string skeleton_;
  std::vector<Trigram> trigrams_;
  bool every_word_ = false;
};

void put_block(std::string& out, const BlockInfo& b) {
  for (const std::uint64_t value : {b.begin, b.end, b.folder, b.min_size, b.max_size, b.min_time, b.max_time,
                                    std::uint64_t{b.flags}})
    put_u64(out, value);
}

}  // namespace

std::optional<std::string> build_index(const Catalogue& catalogue, const std::atomic<bool>* cancel,
                                       std::uint64_t block_bytes) {
  if (catalogue.path().empty() || catalogue.identity() == platform::FileVersion{}) return std::nullopt;
  const Catalogue::Hold hold(catalogue);
  const std::vector<Chunk> chunks = catalogue.chunks(block_bytes);
  if (chunks.size() >= std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  // The counts decide the encoding, which decides how names fold.
  LineCounts counts;
  for (const Chunk& chunk : chunks) {
    if (cancelled(cancel)) return std::nullopt;
    counts.add(catalogue.count_lines(chunk));
  }
  const bool non_ascii = counts.non_ascii || !catalogue.root_ascii();
  const bool utf8 = counts.valid_utf8 && is_valid_utf8(catalogue.root());
  const TextEncoding encoding = !non_ascii ? TextEncoding::Ascii : (utf8 ? TextEncoding::Utf8 : TextEncoding::CodePage);

  TrigramPairs pairs;
  BlockIndexer indexer(catalogue, encoding);
  std::vector<BlockInfo> blocks(chunks.size());
  for (std::size_t b = 0; b < chunks.size(); ++b) {
    if (cancelled(cancel) || !indexer.index(static_cast<std::uint32_t>(b), chunks[b], blocks[b], pairs))
      return std::nullopt;
  }
  if (!catalogue.still_as_opened()) return std::nullopt;

  std::vector<Trigram> distinct;
  std::vector<std::uint32_t> starts;
  std::vector<std::uint32_t> listed;
  pairs.lists(distinct, starts, listed);
  std::uint32_t bits = 0;
  while (bits < 16 && (std::size_t{1} << bits) * 8 < distinct.size()) ++bits;
  std::vector<std::vector<std::size_t>> buckets(std::size_t{1} << bits);
  for (std::size_t i = 0; i < distinct.size(); ++i) buckets[bucket_of(distinct[i], bits)].push_back(i);

  Header header;
  header.file_size = 0;
  const platform::FileVersion& id = catalogue.identity();
  header.device = id.device;
  header.file = id.file;
  header.size = catalogue.size();
  header.write_time = id.write_time;
  header.body_begin = catalogue.body_begin();
  header.counts = counts;
  header.block_count = static_cast<std::uint32_t>(blocks.size());
  header.bucket_bits = bits;
  header.folding = folding_key();
  header.path = platform::absolute_path(catalogue.path());
  if (header.path.size() > kMostPath) return std::nullopt;

  std::string table;
  for (const BlockInfo& block : blocks) put_block(table, block);
  header.blocks_checksum = checksum(table);
  header.blocks_offset = kHeaderBytes + header.path.size();

  std::string body;  // the buckets
  std::string directory;
  std::vector<std::uint32_t> list;
  for (std::size_t k = 0; k < buckets.size(); ++k) {
    std::string bucket;
    put_u32(bucket, static_cast<std::uint32_t>(k));
    put_u32(bucket, static_cast<std::uint32_t>(buckets[k].size()));
    std::string lists;
    for (const std::size_t i : buckets[k]) {
      list.assign(listed.begin() + starts[i], listed.begin() + starts[i + 1]);
      put_u32(bucket, distinct[i]);
      put_u32(bucket, static_cast<std::uint32_t>(list.size()));
      put_u32(bucket, static_cast<std::uint32_t>(lists.size()));
      encode_list(list, lists);
    }
    bucket += lists;
    if (bucket.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    put_u64(directory, header.blocks_offset + table.size() + body.size());
    put_u32(directory, static_cast<std::uint32_t>(bucket.size()));
    put_u32(directory, 0);
    put_u64(directory, checksum(bucket));
    body += bucket;
  }
  header.directory_offset = header.blocks_offset + table.size() + body.size();
  header.file_size = header.directory_offset + directory.size();
  std::string file = encode_header(header);
  file.reserve(header.file_size);
  file += table;
  file += body;
  file += directory;
  return file;
}

std::string index_path(std::string_view cache_folder, const Catalogue& catalogue) {
  if (cache_folder.empty() || catalogue.path().empty()) return {};
  const std::string path = platform::absolute_path(catalogue.path());
  std::string folder(cache_folder);
  if (folder.back() != '/' && folder.back() != '\\') folder += platform::path_separator();
  return folder + index_file_name(parent_of(path), path);
}

platform::Status write_index(std::string_view cache_folder, const Catalogue& catalogue, const std::atomic<bool>* cancel,
                             std::uint64_t block_bytes) {
  const std::string path = index_path(cache_folder, catalogue);
  if (path.empty()) return platform::Status::failure("no cache folder for the index of " + catalogue.path());
  const auto bytes = build_index(catalogue, cancel, block_bytes);
  if (!bytes) return platform::Status::failure(catalogue.source().file_name + " changed while it was indexed");
  return platform::write_settings_atomically(path, *bytes);
}

}  // namespace korvint::search::index
