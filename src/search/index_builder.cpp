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
#include "search/index_ext_builder.h"
#include "search/index_format.h"
#include "search/index_token_counts.h"
#include "search/index_words.h"
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

// The keys of each block, the blocks in order: each key listed once a block.
class TrigramPairs {
 public:
  TrigramPairs() : last_block_(kKeySpace, std::numeric_limits<std::uint32_t>::max()) {}

  void add(std::uint32_t block, const std::vector<Trigram>& trigrams) {
    while (block_starts_.size() <= block) block_starts_.push_back(trigrams_.size());
    for (const Trigram t : trigrams) {
      if (last_block_[t] == block) continue;
      last_block_[t] = block;
      trigrams_.push_back(t);
    }
  }

  // The posting lists: for each key in order, its blocks in order.
  void lists(std::vector<Trigram>& distinct, std::vector<std::uint32_t>& starts, std::vector<std::uint32_t>& blocks) {
    std::vector<std::uint32_t>().swap(last_block_);
    std::vector<std::uint32_t> count(kKeySpace + 1, 0);
    for (const Trigram t : trigrams_) ++count[t + 1];
    for (Trigram t = 0; t < kKeySpace; ++t) {
      if (count[t + 1] != 0) {
        distinct.push_back(t);
        starts.push_back(count[t]);
      }
      count[t + 1] += count[t];
    }
    starts.push_back(static_cast<std::uint32_t>(trigrams_.size()));
    blocks.resize(trigrams_.size());
    block_starts_.push_back(trigrams_.size());
    for (std::uint32_t b = 0; b + 1 < block_starts_.size(); ++b)
      for (std::size_t i = block_starts_[b]; i < block_starts_[b + 1]; ++i) blocks[count[trigrams_[i]]++] = b;
  }

 private:
  std::vector<std::uint32_t> last_block_;
  std::vector<Trigram> trigrams_;          // the keys of block 0, then of block 1, ...
  std::vector<std::size_t> block_starts_;  // where each block's keys begin in trigrams_
};

// A catalogue of this many blocks or more has its tokens counted in one block of kSampleStride.
constexpr std::size_t kSampledFrom = 64;
constexpr std::size_t kSampleStride = 4;

// Tokens longer than this are never listed (rare whatever their count).
constexpr std::size_t kLongestToken = 255;

// The lines of one block, one at a time: each line with its text, and for
// entry lines the entry.
template <typename Visit>
void for_each_line(std::string_view block, Visit&& visit) {
  const char* p = block.data();
  const char* const end = p + block.size();
  while (p < end) {
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* line_end = lf == nullptr ? end : lf;
    std::string_view line(p, static_cast<std::size_t>(line_end - p));
    const bool has_cr = !line.empty() && line.back() == '\r';
    if (has_cr) line.remove_suffix(1);
    std::optional<catalogue::EntryLine> entry;
    if (lf != nullptr && has_cr) entry = catalogue::parse_entry_line(line);
    visit(static_cast<std::uint64_t>(p - block.data()), line, entry ? &*entry : nullptr);
    p = line_end + 1;
  }
}

// Reads the lines of each block and gathers their keys, their words and summaries.
class BlockIndexer {
 public:
  BlockIndexer(const Catalogue& catalogue, TextEncoding encoding) : catalogue_(catalogue), encoding_(encoding) {}

  // Reads the block of `chunk` into the buffer; false when it cannot be read.
  bool read(const Chunk& chunk) {
    buffer_.resize(static_cast<std::size_t>(chunk.end - chunk.begin));
    return catalogue_.read(chunk.begin, buffer_.size(), buffer_.data(), false);
  }

  // The first pass: counts the tokens of the names of the block read.
  void count_tokens(TokenCounts& counts) {
    for_each_line(std::string_view(buffer_.data(), buffer_.size()),
                  [&](std::uint64_t, std::string_view, const catalogue::EntryLine* entry) {
                    if (entry == nullptr || !make_skeleton(entry->name)) return;
                    line_tokens_.clear();
                    for_each_token(skeleton_, [&](std::string_view token) {
                      if (token.size() <= kLongestToken) line_tokens_.push_back(token);
                    });
                    std::sort(line_tokens_.begin(), line_tokens_.end());
                    line_tokens_.erase(std::unique(line_tokens_.begin(), line_tokens_.end()), line_tokens_.end());
                    for (const std::string_view token : line_tokens_) counts.add(token);
                  });
  }

  // The second pass: the keys, words and summary of the block read, block `number` of `chunk`.
  void index(std::uint32_t number, const Chunk& chunk, BlockInfo& info, TrigramPairs& pairs, const ListedTokens& counts,
             std::vector<std::vector<std::uint32_t>>& postings, ExtensionCollector& extensions, std::uint32_t& entries) {
    info.begin = chunk.begin;
    info.end = chunk.end;
    info.folder = folder_;
    info.min_size = info.min_time = std::numeric_limits<std::uint64_t>::max();
    trigrams_.clear();
    add_text(folder_path_);  // a path: word may be in the path of the folder its first lines are in
    for_each_line(std::string_view(buffer_.data(), buffer_.size()),
                  [&](std::uint64_t at, std::string_view line, const catalogue::EntryLine* entry) {
                    if (const auto folder = catalogue::folder_path_of_line(line)) {
                      folder_ = chunk.begin + at;
                      folder_path_.assign(*folder);
                      if (entry == nullptr || !entry->is_folder) add_text(folder_path_);
                    }
                    if (entry == nullptr) return;
                    if (entry->is_folder) add_text(entry->path);
                    add_name(*entry, counts, postings, entries);
                    extensions.add(entries, entry->name, entry->is_folder);
                    ++entries;
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
                  });
    if (every_word_) trigrams_.push_back(kEveryWord);
    every_word_ = false;
    pairs.add(number, trigrams_);
  }

 private:
  // Makes the skeleton of `text` as an ASCII word reads it; false when that
  // depends on the code page chosen (a code page's non-ASCII text).
  bool make_skeleton(std::string_view text) {
    skeleton_.clear();
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
      for (const char c : text) skeleton_.push_back(ascii_lower(c));
      return true;
    }
    if (encoding_ == TextEncoding::Utf8 && is_valid_utf8(text)) {
      append_skeleton(text, skeleton_);
      return true;
    }
    return false;
  }

  // Adds the trigrams of `text` as an ASCII word reads it.
  void add_text(std::string_view text) {
    if (make_skeleton(text)) add_trigrams(skeleton_, trigrams_);
    else every_word_ = true;  // a code page's text: its skeleton depends on the code page chosen
  }

  // Adds the words of the name of `entry`, entry number `ordinal`: a frequent
  // token's entries list it and its trigrams are keys as any text's; a rare
  // token's trigrams and pairs are rare keys. A file's trigrams that reach
  // past a token are keys too (a folder's whole path gave them already).
  void add_name(const catalogue::EntryLine& entry, const ListedTokens& counts,
                std::vector<std::vector<std::uint32_t>>& postings, std::uint32_t ordinal) {
    if (!make_skeleton(entry.name)) {
      every_word_ = true;
      return;
    }
    if (!entry.is_folder) {
      for (std::size_t i = 0; i + 3 <= skeleton_.size(); ++i)
        if (!is_token_byte(skeleton_[i]) || !is_token_byte(skeleton_[i + 1]) || !is_token_byte(skeleton_[i + 2]))
          add_trigrams(std::string_view(skeleton_).substr(i, 3), trigrams_);
    }
    for_each_token(skeleton_, [&](std::string_view token) {
      const std::uint32_t number = token.size() <= kLongestToken ? counts.number(token) : TokenCounts::kNone;
      if (number != TokenCounts::kNone) {
        auto& list = postings[number];
        if (list.empty() || list.back() != ordinal) list.push_back(ordinal);
        if (!entry.is_folder) add_trigrams(token, trigrams_);
        return;
      }
      const std::size_t from = trigrams_.size();
      add_trigrams(token, trigrams_);
      add_pairs(token, trigrams_);
      for (std::size_t i = from; i < trigrams_.size(); ++i) trigrams_[i] |= kRareTag;
    });
  }

  const Catalogue& catalogue_;
  const TextEncoding encoding_;
  std::uint64_t folder_ = kRootFolder;
  std::string folder_path_;
  std::vector<char> buffer_;
  std::string skeleton_;
  std::vector<std::string_view> line_tokens_;
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
                                       std::uint64_t block_bytes, std::uint32_t frequent_entries) {
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
  if (counts.entries >= std::numeric_limits<std::uint32_t>::max()) return std::nullopt;  // entries are numbered in 32 bits
  const bool non_ascii = counts.non_ascii || !catalogue.root_ascii();
  const bool utf8 = counts.valid_utf8 && is_valid_utf8(catalogue.root());
  const TextEncoding encoding = !non_ascii ? TextEncoding::Ascii : (utf8 ? TextEncoding::Utf8 : TextEncoding::CodePage);

  BlockIndexer indexer(catalogue, encoding);
  std::vector<std::string> frequent;
  std::vector<std::vector<std::uint32_t>> postings;  // the entries of each frequent token
  {
    // Which tokens are listed is a choice the answers do not depend on: in a
    // large catalogue those frequent in every kSampleStride-th block are.
    const std::size_t stride = chunks.size() >= kSampledFrom ? kSampleStride : 1;
    const auto least = static_cast<std::uint32_t>((std::max<std::uint32_t>(frequent_entries, 1) + stride - 1) / stride);
    TokenCounts counts_of_tokens;
    for (std::size_t b = 0; b < chunks.size(); b += stride) {
      if (cancelled(cancel) || !indexer.read(chunks[b])) return std::nullopt;
      indexer.count_tokens(counts_of_tokens);
    }
    frequent = counts_of_tokens.those_from(least);
    postings.resize(frequent.size());

  }
  const ListedTokens listed_tokens(frequent);
  TrigramPairs pairs;
  std::vector<BlockInfo> blocks(chunks.size());
  WordTable words;
  words.first_entry.resize(chunks.size());
  ExtensionCollector extensions(counts.entries);
  std::uint32_t entries = 0;
  for (std::size_t b = 0; b < chunks.size(); ++b) {
    if (cancelled(cancel) || !indexer.read(chunks[b])) return std::nullopt;
    words.first_entry[b] = entries;
    indexer.index(static_cast<std::uint32_t>(b), chunks[b], blocks[b], pairs, listed_tokens, postings, extensions,
                  entries);
  }
  if (!catalogue.still_as_opened()) return std::nullopt;
  words.entries = entries;
  std::string ext_table;
  std::string ext_lists;
  extensions.finish(frequent_entries, listed_tokens, postings, ext_table, ext_lists);
  std::string lists;
  for (std::size_t w = 0; w < frequent.size(); ++w) {
    Word word;
    word.token = frequent[w];
    word.count = static_cast<std::uint32_t>(postings[w].size());
    word.offset = lists.size();
    encode_list(postings[w], lists);
    word.bytes = static_cast<std::uint32_t>(lists.size() - word.offset);
    word.checksum = checksum(std::string_view(lists).substr(word.offset));
    std::vector<std::uint32_t>().swap(postings[w]);
    words.words.push_back(std::move(word));
  }
  const std::string word_table = encode_words(words);

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
  header.words_offset = header.blocks_offset + table.size();
  header.words_bytes = word_table.size();
  header.words_checksum = checksum(word_table);
  const std::uint64_t buckets_offset = header.words_offset + word_table.size() + lists.size();

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
    put_u64(directory, buckets_offset + body.size());
    put_u32(directory, static_cast<std::uint32_t>(bucket.size()));
    put_u32(directory, 0);
    put_u64(directory, checksum(bucket));
    body += bucket;
  }
  header.directory_offset = buckets_offset + body.size();
  header.ext_offset = header.directory_offset + directory.size();
  header.ext_bytes = ext_table.size();
  header.ext_checksum = checksum(ext_table);
  header.file_size = header.ext_offset + ext_table.size() + ext_lists.size();
  std::string file = encode_header(header);
  file.reserve(header.file_size);
  file += table;
  file += word_table;
  file += lists;
  file += body;
  file += directory;
  file += ext_table;
  file += ext_lists;
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
