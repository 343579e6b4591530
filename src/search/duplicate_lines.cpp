#include "search/duplicate_lines.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <memory>

#include "catalogue/calendar_time.h"
#include "catalogue/parse_lines.h"
#include "search/forward_lines.h"
#include "search/name_decoder.h"
#include "search/parallel_tasks.h"

namespace korvint::search {
namespace {

// A text kept by a worker: its number above the offset of its length (4
// bytes) and bytes in that worker's store.
using TextRef = std::uint64_t;
constexpr TextRef kNoText = ~TextRef{0};
constexpr unsigned kWorkerShift = 56;
// How many files ahead a pass in another order than the files' asks for their memory.
constexpr std::size_t kAhead = 16;

// Where a batch's file's raw text stands: its folder's relative path, kept
// once for the files after it in the same folder, and its own name.
struct Piece {
  TextRef folder = kNoText;
  TextRef name = kNoText;  // kNoText: its catalogue changed
};

// The texts one worker read, each after its length, in pieces of a few
// MiB kept from batch to batch: a batch that holds more text than guessed
// takes a piece more, never twice its room (as a string grown by doubling
// would).
class TextStore {
 public:
  TextRef add(unsigned worker, std::string_view text) {
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    const std::size_t need = sizeof length + text.size();
    if (filled_ == 0 || used_ + need > blocks_[filled_ - 1].size) {
      const std::size_t size = std::max(kBlockBytes, need);
      if (filled_ == blocks_.size()) blocks_.emplace_back();
      if (blocks_[filled_].size < need) blocks_[filled_] = Block{std::make_unique_for_overwrite<char[]>(size), size};
      ++filled_;
      used_ = 0;
    }
    char* at = blocks_[filled_ - 1].bytes.get() + used_;
    std::memcpy(at, &length, sizeof length);
    if (!text.empty()) std::memcpy(at + sizeof length, text.data(), text.size());  // (an empty view may hold no pointer)
    const TextRef ref = TextRef{worker} << kWorkerShift | TextRef{filled_ - 1} << kBlockShift | used_;
    used_ += need;
    kept_ += need;
    return ref;
  }
  [[nodiscard]] std::string_view at(TextRef ref) const {
    const char* text = where(ref);
    std::uint32_t length = 0;
    std::memcpy(&length, text, sizeof length);
    return std::string_view(text + sizeof length, length);
  }
  /// Asks for the text at `ref` ahead of its use (the texts are read in another order than written).
  void prefetch(TextRef ref) const { __builtin_prefetch(where(ref)); }
  /// The bytes the texts of this batch took.
  [[nodiscard]] std::size_t size() const { return kept_; }
  /// Empties the store for the next batch; its blocks are kept.
  void reset() {
    filled_ = 0;
    used_ = 0;
    kept_ = 0;
  }

 private:
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
  static constexpr unsigned kBlockShift = 32;
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
  };
  [[nodiscard]] const char* where(TextRef ref) const {
    return blocks_[(ref >> kBlockShift) & 0xFFFFFF].bytes.get() + (ref & 0xFFFFFFFF);
  }
  std::vector<Block> blocks_;
  std::size_t filled_ = 0;  // the blocks this batch has written to
  std::size_t used_ = 0;    // the bytes written to the last of them
  std::size_t kept_ = 0;
};

// Reads the raw texts of the files order[from, to) names (a batch's, in
// catalogue and line order) into `store`, their places in `pieces`.
std::uint64_t read_texts(const std::vector<std::shared_ptr<const Catalogue>>& catalogues, std::span<const Hit> batch,
                         std::span<const std::pair<std::uint64_t, std::size_t>> order, unsigned worker,
                         TextStore& store, std::vector<Piece>& pieces) {
  ForwardLines lines;
  std::uint64_t unreadable = 0;
  const Catalogue* folder_catalogue = nullptr;
  std::uint64_t folder_line = kRootFolder;
  TextRef folder = kNoText;
  std::string_view text;
  for (std::size_t k = 0; k < order.size(); ++k) {
    // A batch's files lie anywhere in its order: asked for a few files ahead.
    if (k + kAhead < order.size()) {
      __builtin_prefetch(&batch[order[k + kAhead].second]);
      __builtin_prefetch(&pieces[order[k + kAhead].second], 1);
    }
    const std::size_t i = order[k].second;
    const Hit& hit = batch[i];
    const Catalogue& catalogue = *catalogues[hit.catalogue()];
    Piece& piece = pieces[i];
    piece = Piece{};
    if (hit.is_folder()) {  // a folder's path is its own line's, its name none
      const auto entry = lines.line_at(catalogue, hit.line, text) ? catalogue::parse_entry_line(text) : std::nullopt;
      if (entry) piece = Piece{store.add(worker, entry->path), store.add(worker, {})};
    } else {
      if (&catalogue != folder_catalogue || hit.folder != folder_line) {
        folder = kNoText;
        if (hit.folder == kRootFolder) {
          folder = store.add(worker, {});
        } else if (lines.line_at(catalogue, hit.folder, text)) {
          if (const auto path = catalogue::folder_path_of_line(text)) folder = store.add(worker, *path);
        }
        folder_catalogue = folder != kNoText ? &catalogue : nullptr;
        folder_line = hit.folder;
      }
      if (folder != kNoText && lines.first_field_at(catalogue, hit.line, text))  // a file's name is its first field
        piece = Piece{folder, store.add(worker, text)};
    }
    if (piece.name == kNoText) ++unreadable;
  }
  return unreadable;
}

void append_number(std::string& out, std::uint64_t value) {
  char digits[24];
  out.append(digits, std::to_chars(std::begin(digits), std::end(digits), value).ptr);
}

}  // namespace

std::uint64_t write_duplicate_lines(const std::vector<std::shared_ptr<const Catalogue>>& catalogues,
                                    std::span<const Hit> files, std::span<const std::uint32_t> group_starts,
                                    const std::string& code_page, unsigned threads, std::size_t memory,
                                    const std::function<bool(std::string_view)>& write) {
  threads = std::max(1u, threads);
  std::vector<std::unique_ptr<Catalogue::Hold>> holds;
  for (const auto& catalogue : catalogues) holds.push_back(std::make_unique<Catalogue::Hold>(*catalogue));
  std::atomic<std::uint64_t> unreadable{0};
  std::vector<std::pair<std::uint64_t, std::size_t>> order;  // (catalogue and line, place in the batch)
  std::vector<Piece> pieces;
  std::vector<TextStore> stores(threads);
  std::vector<std::string> out(threads);
  // A file's cost in a batch: its order and piece, and its texts (guessed
  // at first as a folder's path and a name, then as the last batch found
  // them, with an eighth to spare). Each worker's lines and last block of
  // texts are held beside the batch.
  constexpr std::size_t kFixed = sizeof(order[0]) + sizeof(Piece);
  constexpr std::size_t kStretch = std::size_t{1} << 14;  // some 2 MB of lines a worker
  const std::size_t room = std::max(memory / 2, memory - std::min(memory, threads * (std::size_t{2} << 20)));
  std::size_t text_bytes = 96;
  for (std::size_t start = 0; start < files.size();) {
    const std::size_t count = std::min(files.size() - start, std::max<std::size_t>(64, room / (kFixed + text_bytes)));
    const std::span<const Hit> batch = files.subspan(start, count);
    if (count > order.capacity()) {  // (grown in place, the old and new would stand together)
      std::vector<std::pair<std::uint64_t, std::size_t>>().swap(order);
      std::vector<Piece>().swap(pieces);
      order.reserve(count);
      pieces.reserve(count);
    }
    order.resize(count);
    for (std::size_t i = 0; i < count; ++i)
      order[i] = {static_cast<std::uint64_t>(batch[i].catalogue()) << 42 | batch[i].line, i};
    std::sort(order.begin(), order.end());
    pieces.resize(count);
    for_slices(count, threads, [&](std::size_t from, std::size_t to, unsigned worker) {
      stores[worker].reset();
      unreadable += read_texts(catalogues, batch, std::span(order).subspan(from, to - from), worker, stores[worker], pieces);
    });
    std::size_t kept = 0;
    for (const TextStore& store : stores) kept += store.size();
    text_bytes = std::max<std::size_t>(8, kept / count * 9 / 8 + 1);

    // The lines made on every core a stretch at a time, written in order.
    for (std::size_t from = 0; from < count; from += kStretch) {
      const std::size_t to = std::min(count, from + kStretch);
      for (std::string& text : out) text.clear();  // (a short stretch has fewer slices than workers)
      for_slices(to - from, threads, [&](std::size_t begin, std::size_t end, unsigned worker) {
        NameDecoder decoder(code_page);
        std::string raw;
        std::string path;
        std::string& text = out[worker];
        const std::size_t first = start + from + begin;
        auto group = static_cast<std::size_t>(std::upper_bound(group_starts.begin(), group_starts.end(), first) -
                                              group_starts.begin());
        for (std::size_t i = from + begin; i < from + end; ++i) {
          if (i + kAhead < from + end && pieces[i + kAhead].name != kNoText) {
            const Piece& ahead = pieces[i + kAhead];
            stores[ahead.folder >> kWorkerShift].prefetch(ahead.folder);
            stores[ahead.name >> kWorkerShift].prefetch(ahead.name);
          }
          while (group < group_starts.size() && group_starts[group] <= start + i) ++group;
          const Piece& piece = pieces[i];
          if (piece.name == kNoText) continue;  // its catalogue changed
          const Hit& hit = batch[i];
          const Catalogue& catalogue = *catalogues[hit.catalogue()];
          raw.clear();
          append_raw_path(raw, catalogue, stores[piece.folder >> kWorkerShift].at(piece.folder),
                          stores[piece.name >> kWorkerShift].at(piece.name));
          decoder.decode(catalogue.encoding(), raw, path);
          append_number(text, group);
          text += '\t';
          text += catalogue.name();
          text += '\t';
          text += path;
          text += '\t';
          append_number(text, hit.size);
          text += '\t';
          catalogue::append_time_text(text, hit.time());
          text += '\n';
        }
      });
      for (const std::string& text : out)
        if (!text.empty() && !write(text)) return unreadable;
    }
    start += count;
  }
  return unreadable;
}

}  // namespace korvint::search
