#include "search/catalogue.h"

#include <algorithm>
#include <cstring>

#include "search/block_reader.h"
#include "search/catalogue_line.h"
#include "search/line_scan.h"
#include "search/utf8.h"

namespace korvint::search {
namespace {

// The block a check reads at a time.
constexpr std::size_t kCountBlockBytes = 256u << 10;

}  // namespace

void LineCounts::add(const LineCounts& other) {
  entries += other.entries;
  skipped += other.skipped;
  non_ascii = non_ascii || other.non_ascii;
  valid_utf8 = valid_utf8 && other.valid_utf8;
}

std::unique_ptr<Catalogue> Catalogue::open(const std::string& path, std::string name, bool from_old,
                                           OpenProblem& problem, std::string& message) {
  platform::Status error;
  platform::MappedFile file = platform::MappedFile::open(path, error);
  if (!error.ok()) {
    problem = OpenProblem::Unreadable;
    message = error.message();
    return nullptr;
  }
  std::unique_ptr<Catalogue> catalogue(new Catalogue());
  catalogue->file_ = std::move(file);
  catalogue->bytes_ = catalogue->file_.bytes();
  catalogue->path_ = path;
  catalogue->name_ = std::move(name);
  catalogue->from_old_ = from_old;
  if (!catalogue->read_header()) {
    problem = OpenProblem::NotACatalogue;
    return nullptr;
  }
  problem = OpenProblem::None;
  return catalogue;
}

std::unique_ptr<Catalogue> Catalogue::from_bytes(std::string bytes, std::string name, OpenProblem& problem) {
  std::unique_ptr<Catalogue> catalogue(new Catalogue());
  catalogue->memory_ = std::move(bytes);
  catalogue->bytes_ = catalogue->memory_;
  catalogue->name_ = std::move(name);
  if (!catalogue->read_header()) {
    problem = OpenProblem::NotACatalogue;
    return nullptr;
  }
  problem = OpenProblem::None;
  return catalogue;
}

bool Catalogue::read_header() {
  if (bytes_.empty()) return false;
  const std::size_t limit = std::min<std::size_t>(bytes_.size(), kMaxLineBytes + 2);
  const auto* lf = static_cast<const char*>(std::memchr(bytes_.data(), '\n', limit));
  std::string_view header = lf == nullptr ? bytes_ : bytes_.substr(0, static_cast<std::size_t>(lf - bytes_.data()));
  if (lf == nullptr && bytes_.size() > kMaxLineBytes) return false;
  if (!header.empty() && header.back() == '\r') header.remove_suffix(1);
  if (!is_root_line(header)) return false;
  root_ = header;
  body_begin_ = lf == nullptr ? bytes_.size() : static_cast<std::uint64_t>(lf - bytes_.data()) + 1;
  for (const char c : root_) root_ascii_ = root_ascii_ && static_cast<unsigned char>(c) < 0x80;
  root_utf8_ = is_valid_utf8(root_);
  if (body_begin_ < bytes_.size()) {
    // The second line decides: a list of something else is not searched.
    const std::string_view rest = bytes_.substr(body_begin_);
    const auto* end = static_cast<const char*>(std::memchr(rest.data(), '\n', std::min(rest.size(), kMaxLineBytes + 2)));
    if (end == nullptr || end == rest.data() || end[-1] != '\r') return false;
    if (!parse_entry_line(rest.substr(0, static_cast<std::size_t>(end - rest.data()) - 1))) return false;
  }
  encoding_ = root_ascii_ ? TextEncoding::Ascii : (root_utf8_ ? TextEncoding::Utf8 : TextEncoding::CodePage);
  return true;
}

std::vector<Chunk> Catalogue::chunks(std::uint64_t target_bytes) const {
  std::vector<Chunk> result;
  const std::uint64_t size = bytes_.size();
  std::uint64_t begin = body_begin_;
  if (target_bytes == 0) target_bytes = 1;
  while (begin < size) {
    std::uint64_t end = size;
    if (size - begin > target_bytes) {
      // The line end after the cut, read through copy(): the mapping stays untouched.
      end = size;
      char piece[512];
      for (std::uint64_t at = begin + target_bytes; at < size; at += sizeof piece) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof piece, size - at));
        copy(at, length, piece);
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
  thread_local std::vector<char> buffer;
  BlockReader reader(*this, chunk, kCountBlockBytes, buffer);
  Block block;
  while (reader.next(block)) {
    for_each_line(block.data, block.data + block.size, [&](const char* start, const char* lf) {
      // A line must end in CR LF; the last one, cut off before its line end, is not read.
      if (lf == nullptr || lf == start || lf[-1] != '\r') {
        ++counts.skipped;
        return true;
      }
      const auto entry = parse_entry_line(std::string_view(start, static_cast<std::size_t>(lf - 1 - start)));
      if (!entry) {
        ++counts.skipped;
        return true;
      }
      ++counts.entries;
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

std::optional<std::uint64_t> Catalogue::last_folder_line(std::uint64_t from, std::uint64_t before) const {
  const char* const base = bytes_.data();
  const char* found = find_last_folder_line(base + from, base + before, base + bytes_.size());
  if (found == nullptr) return std::nullopt;
  return static_cast<std::uint64_t>(found - base);
}

void Catalogue::copy(std::uint64_t offset, std::size_t size, char* out) const {
  if (memory_.empty()) {
    file_.copy(offset, size, out);
  } else {
    std::memcpy(out, bytes_.data() + offset, size);
  }
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
    if (folder_path_of_line(line)) return start;
    end = start;
  }
  return nullptr;
}

std::string_view Catalogue::line_at(std::uint64_t offset) const {
  if (offset >= bytes_.size()) return {};
  const std::string_view rest = bytes_.substr(offset);
  std::string_view line = rest.substr(0, rest.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

void Catalogue::set_counts(const LineCounts& counts) {
  counts_ = counts;
  decide_encoding(counts.non_ascii, counts.valid_utf8, true);
}

void Catalogue::decide_encoding(bool non_ascii, bool valid_utf8, bool saw_every_line) {
  if (encoding_known_) return;
  non_ascii = non_ascii || !root_ascii_;
  const bool utf8 = valid_utf8 && root_utf8_;
  encoding_ = !non_ascii ? TextEncoding::Ascii : (utf8 ? TextEncoding::Utf8 : TextEncoding::CodePage);
  encoding_known_ = saw_every_line;
}

}  // namespace korvint::search
