#include "search/forward_lines.h"

#include <charconv>
#include <cstring>

#include "catalogue/parse_lines.h"

namespace korvint::search {

bool ForwardLines::from_buffer(std::uint64_t offset, std::string_view& out) const {
  const char* start = buffer_.data() + (offset - begin_);
  const char* end = buffer_.data() + size_;
  const auto* lf = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(end - start)));
  // Without a line end, the line is whole only where the file ends.
  if (lf == nullptr && begin_ + size_ != catalogue_->size()) return false;
  std::size_t length = static_cast<std::size_t>((lf != nullptr ? lf : end) - start);
  if (length > 0 && start[length - 1] == '\r') --length;
  out = std::string_view(start, length);
  return true;
}

bool ForwardLines::fill(const Catalogue& catalogue, std::uint64_t offset) {
  // The next block from this line on, its version checked.
  const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(block_bytes_, catalogue.size() - offset));
  buffer_.resize(block_bytes_);
  size_ = 0;
  if (!catalogue.read(offset, size, buffer_.data())) return false;
  begin_ = offset;
  size_ = size;
  return true;
}

bool ForwardLines::line_at(const Catalogue& catalogue, std::uint64_t offset, std::string_view& out) {
  out = {};
  if (&catalogue != catalogue_) {
    catalogue_ = &catalogue;
    size_ = 0;
  }
  if (offset >= begin_ && offset < begin_ + size_ && from_buffer(offset, out)) return true;
  if (offset >= begin_ + size_ && offset < catalogue.size()) {
    if (!fill(catalogue, offset)) return false;
    if (from_buffer(offset, out)) return true;
  }
  // Behind the buffer, or longer than a block.
  if (!catalogue.line_at(offset, single_)) return false;
  out = single_;
  return true;
}

bool ForwardLines::first_field_at(const Catalogue& catalogue, std::uint64_t offset, std::string_view& out) {
  if (&catalogue == catalogue_ && offset >= begin_ && offset < begin_ + size_) {
    const char* start = buffer_.data() + (offset - begin_);
    const auto* tab = static_cast<const char*>(std::memchr(start, '\t', size_ - (offset - begin_)));
    const std::size_t length = tab == nullptr ? 0 : static_cast<std::size_t>(tab - start);
    if (tab != nullptr && std::memchr(start, '\n', length) == nullptr) {  // the TAB is this line's
      out = std::string_view(start, length);
      return true;
    }
  }
  if (!line_at(catalogue, offset, out)) return false;
  const std::size_t tab = out.find('\t');
  out = out.substr(0, tab);
  return tab != std::string_view::npos;
}

bool ForwardResultLines::append(std::string& out, const Catalogue& catalogue, const Hit& hit) {
  // The raw path as full_path() builds it: a folder's from its own line, a
  // file's from its folder line's path and its name.
  raw_.clear();
  std::string_view text;
  if (hit.is_folder()) {
    const auto entry = lines_.line_at(catalogue, hit.line, text) ? catalogue::parse_entry_line(text) : std::nullopt;
    if (!entry) return false;
    append_raw_path(raw_, catalogue, entry->path, {});
  } else {
    if (&catalogue != folder_catalogue_ || hit.folder != folder_line_) {
      folder_catalogue_ = nullptr;
      folder_.clear();
      if (hit.folder != kRootFolder) {
        const auto path = lines_.line_at(catalogue, hit.folder, text) ? catalogue::folder_path_of_line(text) : std::nullopt;
        if (!path) return false;
        folder_.assign(*path);
      }
      folder_catalogue_ = &catalogue;
      folder_line_ = hit.folder;
    }
    if (!lines_.first_field_at(catalogue, hit.line, text)) return false;  // a file's name is its first field
    append_raw_path(raw_, catalogue, folder_, text);
  }
  decoder_.decode(catalogue.encoding(), raw_, path_);
  out += catalogue.name();
  out += '\t';
  out += path_;
  out += '\t';
  char digits[24];
  out.append(digits, std::to_chars(std::begin(digits), std::end(digits), hit.size).ptr);
  out += '\t';
  catalogue::append_time_text(out, hit.time());
  out += '\n';
  return true;
}

}  // namespace korvint::search
