#include "search/catalogue.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "catalogue/parse_lines.h"
#include "platform/per_thread.h"
#include "search/block_reader.h"
#include "search/candidate_finder.h"
#include "search/line_scan.h"
#include "search/utf8.h"

namespace korvint::search {
namespace {

// The block a check reads at a time.
constexpr std::size_t kCountBlockBytes = 256u << 10;

// The longest line that can be a root or an entry, with its CR LF.
constexpr std::size_t kLongestLine = catalogue::kMaxLineBytes + 2;

std::atomic<std::uint64_t> next_serial{1};

// The blocks of catalogue text that lines were last read from, one set per
// thread. Lines asked for one after the other through a catalogue (results
// printed, names read for a sort) are read in runs of 64 KiB; a line on its
// own (a folder looked back to, a row painted) in the page that holds it.
class LineCache {
 public:
  static constexpr std::size_t kPage = 4u << 10;
  static constexpr std::size_t kRun = 64u << 10;

  struct Block {
    std::uint64_t serial = 0;
    std::uint64_t begin = 0;
    std::string bytes;
    [[nodiscard]] bool holds(std::uint64_t of, std::uint64_t offset) const {
      return serial == of && offset >= begin && offset - begin < bytes.size();
    }
  };

  // The block of catalogue `serial` here that holds `offset`, or nullptr.
  const Block* find(std::uint64_t serial, std::uint64_t offset) const {
    for (const Block& block : blocks_)
      if (block.holds(serial, offset)) return &block;
    return nullptr;
  }

  // How much to read at `begin`: a run when it follows what was read last.
  [[nodiscard]] std::size_t size_at(std::uint64_t serial, std::uint64_t begin) const {
    return serial == last_serial_ && begin >= last_begin_ && begin - last_begin_ <= 2 * kRun ? kRun : kPage;
  }

  // Reads `size` bytes at `begin` of catalogue `serial` through `read` into a
  // block of its own; nullptr when `read` fails.
  template <typename Read>
  const Block* fill(std::uint64_t serial, std::uint64_t begin, std::size_t size, Read read) {
    Block& block = blocks_[next_];
    next_ = (next_ + 1) % blocks_.size();
    block.serial = 0;
    block.bytes.resize(size);
    if (!read(begin, block.bytes)) return nullptr;
    block.serial = serial;
    block.begin = begin;
    last_serial_ = serial;
    last_begin_ = begin;
    return &block;
  }

 private:
  std::array<Block, 8> blocks_;
  std::size_t next_ = 0;
  std::uint64_t last_serial_ = 0;
  std::uint64_t last_begin_ = 0;
};

// A line's text without its line end, from `start` up to the LF at `lf`.
void assign_line(std::string& out, const char* start, const char* lf) {
  std::size_t length = static_cast<std::size_t>(lf - start);
  if (length > 0 && start[length - 1] == '\r') --length;
  out.assign(start, length);
}

}  // namespace

// The file of a catalogue in use by one read: opened now unless it is kept
// open or held, closed again after the last user when it should not stay open.
class FileUse {
 public:
  explicit FileUse(const Catalogue& catalogue) : catalogue_(catalogue) {
    const std::lock_guard lock(catalogue_.file_mutex_);
    ++catalogue_.users_;
    if (catalogue_.file_.is_open() || catalogue_.changed()) return;
    platform::OpenFailure failure = platform::OpenFailure::None;
    platform::Status error;
    platform::ReadOnlyFile file = platform::ReadOnlyFile::open(catalogue_.source_.path, failure, error);
    // Opened again by its name: that name may now stand for another file.
    if (!catalogue_.same_version(file.identity())) {
      catalogue_.mark_changed();
      return;
    }
    catalogue_.file_ = std::move(file);
  }
  ~FileUse() {
    const std::lock_guard lock(catalogue_.file_mutex_);
    if (--catalogue_.users_ == 0 && !catalogue_.keep_open_) catalogue_.file_.close();
  }
  FileUse(const FileUse&) = delete;
  FileUse& operator=(const FileUse&) = delete;

  // The open file, or nullptr when the catalogue changed.
  [[nodiscard]] const platform::ReadOnlyFile* file() const {
    return catalogue_.changed() || !catalogue_.file_.is_open() ? nullptr : &catalogue_.file_;
  }

 private:
  const Catalogue& catalogue_;
};

void LineCounts::add(const LineCounts& other) {
  entries += other.entries;
  skipped += other.skipped;
  files += other.files;
  folders += other.folders;
  bytes += other.bytes;
  non_ascii = non_ascii || other.non_ascii;
  valid_utf8 = valid_utf8 && other.valid_utf8;
}

Catalogue::Catalogue() : serial_(next_serial.fetch_add(1)) {}

std::unique_ptr<Catalogue> Catalogue::open(CatalogueSource source, OpenProblem& problem, std::string& message) {
  platform::OpenFailure failure = platform::OpenFailure::None;
  platform::Status error;
  platform::ReadOnlyFile file = platform::ReadOnlyFile::open(source.path, failure, error);
  const auto identity = file.identity();
  if (!identity) {
    problem = failure == platform::OpenFailure::NotAFile ? OpenProblem::NotAFile : OpenProblem::Unreadable;
    message = error.ok() ? "Cannot read \"" + source.path + "\"" : error.message();
    return nullptr;
  }
  std::unique_ptr<Catalogue> catalogue(new Catalogue());
  catalogue->source_ = std::move(source);
  catalogue->identity_ = *identity;
  catalogue->size_ = identity->size;
  catalogue->keep_open_ = file.worth_keeping();
  catalogue->file_ = std::move(file);
  const bool header = catalogue->read_header();
  if (catalogue->changed()) {
    problem = OpenProblem::Unreadable;
    message = "Cannot read \"" + catalogue->path() + "\": it changed while it was opened";
    return nullptr;
  }
  if (!catalogue->keep_open_) catalogue->file_.close();
  if (!header) {
    problem = OpenProblem::NotACatalogue;
    return nullptr;
  }
  problem = OpenProblem::None;
  return catalogue;
}

std::unique_ptr<Catalogue> Catalogue::from_bytes(std::string bytes, std::string name, OpenProblem& problem) {
  std::unique_ptr<Catalogue> catalogue(new Catalogue());
  catalogue->memory_ = std::move(bytes);
  catalogue->in_memory_ = true;
  catalogue->size_ = catalogue->memory_.size();
  catalogue->source_.name = std::move(name);
  if (!catalogue->read_header()) {
    problem = OpenProblem::NotACatalogue;
    return nullptr;
  }
  problem = OpenProblem::None;
  return catalogue;
}

std::unique_ptr<Catalogue> Catalogue::reopen(OpenProblem& problem, std::string& message) const {
  if (in_memory_) return from_bytes(memory_, source_.name, problem);
  return open(source_, problem, message);
}

bool Catalogue::same_version(const std::optional<platform::FileVersion>& now) const {
  if (!now || !now->same_file(identity_)) return false;
  // A file being written only grows; what was read of it stays as it was.
  if (source_.growing) return now->size >= identity_.size;
  return now->size == identity_.size && now->write_time == identity_.write_time;
}

bool Catalogue::read(std::uint64_t offset, std::size_t size, char* out, bool check_version) const {
  if (offset > size_ || size > size_ - offset) return false;
  if (in_memory_) {
    std::memcpy(out, memory_.data() + offset, size);
    return true;
  }
  if (changed()) return false;
  const FileUse use(*this);
  const platform::ReadOnlyFile* file = use.file();
  if (file == nullptr) return false;
  const auto got = file->read_at(offset, size, out);
  // Checked after the read: text changed before it changed the identity first.
  if (!got || *got != size || (check_version && !same_version(file->identity()))) {
    mark_changed();
    return false;
  }
  return true;
}

bool Catalogue::still_as_opened() const {
  if (in_memory_ || changed()) return !changed();
  const FileUse use(*this);
  const platform::ReadOnlyFile* file = use.file();
  if (file != nullptr && !same_version(file->identity())) mark_changed();
  return !changed();
}

Catalogue::Hold::Hold(const Catalogue& catalogue) : catalogue_(catalogue) {
  const std::lock_guard lock(catalogue_.file_mutex_);
  ++catalogue_.users_;
}

Catalogue::Hold::~Hold() {
  const std::lock_guard lock(catalogue_.file_mutex_);
  if (--catalogue_.users_ == 0 && !catalogue_.keep_open_) catalogue_.file_.close();
}

std::optional<std::string> Catalogue::line_bytes(std::uint64_t offset, std::size_t limit) const {
  std::string bytes;
  for (std::size_t want = 4u << 10;; want *= 4) {
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>({limit, size_ - offset, want}));
    bytes.resize(size);
    if (!read(offset, size, bytes.data())) return std::nullopt;
    const std::size_t lf = bytes.find('\n');
    if (lf != std::string::npos) {
      bytes.resize(lf + 1);
      return bytes;
    }
    if (size == limit || offset + size == size_) return bytes;
  }
}

bool Catalogue::read_header() {
  const auto head = line_bytes(0, catalogue::kUtf8Mark.size() + kLongestLine);
  if (!head || head->empty()) return false;
  const std::size_t mark = head->rfind(catalogue::kUtf8Mark, 0) == 0 ? catalogue::kUtf8Mark.size() : 0;
  const bool ended = head->back() == '\n';
  if (!ended && size_ - mark > catalogue::kMaxLineBytes) return false;
  const auto root = catalogue::root_of_first_line(std::string_view(*head).substr(0, head->size() - (ended ? 1 : 0)));
  if (!root) return false;
  root_ = *root;
  body_begin_ = ended ? head->size() : size_;
  for (const char c : root_) root_ascii_ = root_ascii_ && static_cast<unsigned char>(c) < 0x80;
  root_utf8_ = is_valid_utf8(root_);
  if (body_begin_ < size_) {
    // The second line decides: a list of something else is not searched.
    const auto second = line_bytes(body_begin_, kLongestLine);
    if (!second || second->size() < 2 || second->back() != '\n' || (*second)[second->size() - 2] != '\r') return false;
    if (!catalogue::parse_entry_line(std::string_view(*second).substr(0, second->size() - 2))) return false;
  }
  encoding_ = root_ascii_ ? TextEncoding::Ascii : (root_utf8_ ? TextEncoding::Utf8 : TextEncoding::CodePage);
  return true;
}

std::vector<Chunk> Catalogue::chunks(std::uint64_t target_bytes) const {
  std::vector<Chunk> result;
  std::uint64_t begin = body_begin_;
  if (target_bytes == 0) target_bytes = 1;
  while (begin < size_) {
    std::uint64_t end = size_;
    if (size_ - begin > target_bytes) {
      // The line end after the cut.
      char piece[512];
      for (std::uint64_t at = begin + target_bytes; at < size_; at += sizeof piece) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof piece, size_ - at));
        if (!read(at, length, piece)) break;  // the search of this catalogue fails on its first read
        if (const auto* lf = static_cast<const char*>(std::memchr(piece, '\n', length))) {
          end = at + static_cast<std::uint64_t>(lf - piece) + 1;
          break;
        }
      }
    }
    result.push_back(Chunk{begin, end});
    begin = end;
  }
  return result;
}

LineCounts Catalogue::count_lines(const Chunk& chunk) const {
  LineCounts counts;
  thread_local platform::PerThread<std::vector<char>> buffer_slot;
  std::vector<char>& buffer = buffer_slot.get();
  BlockReader reader(*this, chunk, kCountBlockBytes, buffer);
  Block block;
  while (reader.next(block)) {
    for_each_line(block.data, block.data + block.size, [&](const char* start, const char* lf) {
      // A line must end in CR LF; the last one, cut off before its line end, is not read.
      if (lf == nullptr || lf == start || lf[-1] != '\r') {
        ++counts.skipped;
        return true;
      }
      const auto entry = catalogue::parse_entry_line(std::string_view(start, static_cast<std::size_t>(lf - 1 - start)));
      if (!entry) {
        ++counts.skipped;
        return true;
      }
      ++counts.entries;
      if (entry->is_folder) {
        ++counts.folders;
      } else {
        ++counts.files;
        counts.bytes += entry->size;
      }
      if (!entry->ascii) {
        counts.non_ascii = true;
        if (counts.valid_utf8 && !is_valid_utf8(entry->path)) counts.valid_utf8 = false;
      }
      return true;
    });
  }
  counts.skipped += reader.overlong();
  return counts;
}

LineCounts Catalogue::text_of_entries(const Chunk& chunk) const {
  LineCounts counts;
  static const CandidateFinder high = CandidateFinder::high_bytes();
  thread_local platform::PerThread<std::vector<char>> buffer_slot;
  std::vector<char>& buffer = buffer_slot.get();
  BlockReader reader(*this, chunk, kCountBlockBytes, buffer);
  Block block;
  while (reader.next(block)) {
    const char* const end = block.data + block.size;
    const char* p = block.data;
    while ((p = high.find(p, end)) != end) {
      // Blocks hold whole lines: the line of `p` starts and ends in this one.
      const char* start = find_last_byte(block.data, p, '\n');
      start = start == nullptr ? block.data : start + 1;
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      if (lf == nullptr) break;  // a last line without its line end is no entry
      if (lf != start && lf[-1] == '\r') {
        const auto entry = catalogue::parse_entry_line(std::string_view(start, static_cast<std::size_t>(lf - 1 - start)));
        if (entry && !entry->ascii) {
          counts.non_ascii = true;
          if (!is_valid_utf8(entry->path)) {
            counts.valid_utf8 = false;
            return counts;  // not UTF-8, whatever the rest holds
          }
        }
      }
      p = lf + 1;
    }
  }
  return counts;
}

std::optional<std::uint64_t> Catalogue::last_folder_line(std::uint64_t from, std::uint64_t before) const {
  if (in_memory_) {
    const char* const base = memory_.data();
    const char* found = find_last_folder_line(base + from, base + before, base + size_);
    if (found == nullptr) return std::nullopt;
    return static_cast<std::uint64_t>(found - base);
  }
  // Read backwards a block at a time, each block ending at a line start; a
  // block that starts inside a line looks only from its first line start.
  thread_local platform::PerThread<std::string> buffer_slot;
  std::string& buffer = buffer_slot.get();
  std::uint64_t end = before;
  std::size_t step = 16u << 10;
  while (end > from) {
    const std::uint64_t low = end - std::min<std::uint64_t>(end - from, step);
    buffer.resize(static_cast<std::size_t>(end - low));
    if (!read(low, buffer.size(), buffer.data())) return std::nullopt;
    const char* const data = buffer.data();
    const char* const data_end = data + buffer.size();
    const char* first = data;
    if (low != from) {
      const auto* lf = static_cast<const char*>(std::memchr(data, '\n', buffer.size()));
      if (lf == nullptr) {
        // One line fills the block: when it is longer than any entry it names no folder.
        if (buffer.size() > kLongestLine) {
          end = low;
        } else {
          step *= 2;
        }
        continue;
      }
      first = lf + 1;
    }
    if (const char* found = find_last_folder_line(first, data_end, data_end))
      return low + static_cast<std::uint64_t>(found - data);
    end = low + static_cast<std::uint64_t>(first - data);
    step = std::min<std::size_t>(step * 2, 1u << 20);
  }
  return std::nullopt;
}

bool Catalogue::line_at(std::uint64_t offset, std::string& out) const {
  out.clear();
  if (offset >= size_) return false;
  if (in_memory_) {
    const auto* lf = static_cast<const char*>(std::memchr(memory_.data() + offset, '\n', size_ - offset));
    assign_line(out, memory_.data() + offset, lf == nullptr ? memory_.data() + size_ : lf);
    return true;
  }
  thread_local platform::PerThread<LineCache> cache_slot;
  LineCache& cache = cache_slot.get();
  const auto read_block = [this](std::uint64_t begin, std::string& bytes) {
    return read(begin, bytes.size(), bytes.data());
  };
  const std::uint64_t page = offset - offset % LineCache::kPage;
  const LineCache::Block* block = cache.find(serial_, offset);
  if (block == nullptr) {
    const auto size = std::min<std::uint64_t>(cache.size_at(serial_, page), size_ - page);
    block = cache.fill(serial_, page, static_cast<std::size_t>(size), read_block);
  }
  for (bool as_far_as_reached = false; block != nullptr;) {
    const char* start = block->bytes.data() + (offset - block->begin);
    const char* block_end = block->bytes.data() + block->bytes.size();
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(block_end - start)));
    // The last line may lack its line end; a line longer than any entry is cut.
    if (lf != nullptr || block->begin + block->bytes.size() == size_ || as_far_as_reached) {
      assign_line(out, start, lf != nullptr ? lf : block_end);
      return true;
    }
    // The line goes on past the block: read twice as much from its page, as
    // far as the longest entry line reaches.
    const std::uint64_t reach = std::min<std::uint64_t>(size_ - page, offset - page + kLongestLine);
    const std::uint64_t size = std::min<std::uint64_t>(reach, 2 * (block->begin + block->bytes.size() - page));
    block = cache.fill(serial_, page, static_cast<std::size_t>(size), read_block);
    as_far_as_reached = size == reach;  // no line end within it: the line is cut there
  }
  return false;
}

void Catalogue::set_counts(const LineCounts& counts) {
  counts_ = counts;
  decide_encoding(counts.non_ascii, counts.valid_utf8, true);
}

void Catalogue::decide_encoding(bool non_ascii, bool valid_utf8, bool saw_every_line) {
  if (encoding_known_) return;
  non_ascii = non_ascii || !root_ascii_;
  const bool utf8 = valid_utf8 && root_utf8_;
  encoding_.store(!non_ascii ? TextEncoding::Ascii : (utf8 ? TextEncoding::Utf8 : TextEncoding::CodePage),
                  std::memory_order_release);
  encoding_known_.store(saw_every_line, std::memory_order_release);
}

const char* find_last_folder_line(const char* low, const char* before, const char* text_end) {
  // Only folder lines (and, on Linux, rare names) hold a backslash, so jumping
  // from backslash to backslash passes over file lines without reading them.
  const char* end = before;
  while (end > low) {
    const char* slash = find_last_byte(low, end, '\\');
    if (slash == nullptr) return nullptr;
    const char* lf = find_last_byte(low, slash, '\n');
    const char* start = lf == nullptr ? low : lf + 1;
    const auto* line_end = static_cast<const char*>(std::memchr(slash, '\n', static_cast<std::size_t>(text_end - slash)));
    std::string_view line(start, static_cast<std::size_t>((line_end == nullptr ? text_end : line_end) - start));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (catalogue::folder_path_of_line(line)) return start;
    end = start;
  }
  return nullptr;
}

}  // namespace korvint::search
