#include "search/result_set.h"

#include <algorithm>

#include "search/text_match.h"

namespace korvint::search {
namespace {

// Compares without ASCII case, then byte by byte.
int compare_names(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(ascii_lower(a[i]));
    const auto y = static_cast<unsigned char>(ascii_lower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

// The undecoded path being built, reused by each thread.
std::string& raw_buffer() {
  thread_local std::string raw;
  raw.clear();
  return raw;
}

// A catalogue line being read, reused by each thread.
std::string& line_buffer() {
  thread_local std::string line;
  return line;
}

}  // namespace

Hit Hit::make(std::uint64_t line, std::uint64_t folder, const EntryLine& entry, std::size_t catalogue) {
  Hit hit;
  hit.line = line;
  hit.folder = entry.is_folder ? kRootFolder : folder;
  hit.size = entry.size;
  hit.bits = entry.time.packed() | (static_cast<std::uint64_t>(catalogue & 0x3FFFFF) << 41) |
             (static_cast<std::uint64_t>(entry.is_folder) << 63);
  return hit;
}

ResultSet::ResultSet(std::vector<std::shared_ptr<const Catalogue>> catalogues, std::vector<std::vector<Hit>> parts)
    : catalogues_(std::move(catalogues)) {
  std::size_t total = 0;
  for (auto& part : parts) {
    if (part.empty()) continue;
    total += part.size();
    parts_.push_back(std::move(part));
    ends_.push_back(total);
  }
}

const Hit& ResultSet::operator[](std::size_t i) const {
  const auto part = static_cast<std::size_t>(std::upper_bound(ends_.begin(), ends_.end(), i) - ends_.begin());
  return parts_[part][i - (part == 0 ? 0 : ends_[part - 1])];
}

bool ResultSet::raw_name(const Hit& hit, std::string& out) const {
  std::string& line = line_buffer();
  const auto entry = catalogue_of(hit).line_at(hit.line, line) ? parse_entry_line(line) : std::nullopt;
  out.assign(entry ? entry->name : std::string_view());
  return entry.has_value();
}

bool ResultSet::raw_folder(const Hit& hit, std::string& out) const {
  const Catalogue& catalogue = catalogue_of(hit);
  std::string& line = line_buffer();
  out.clear();
  if (hit.is_folder()) {
    const auto entry = catalogue.line_at(hit.line, line) ? parse_entry_line(line) : std::nullopt;
    if (entry) out.assign(entry->path.substr(0, entry->path.size() - entry->name.size() - 1));
    return entry.has_value();
  }
  if (hit.folder == kRootFolder) return true;
  const auto folder = catalogue.line_at(hit.folder, line) ? folder_path_of_line(line) : std::nullopt;
  if (folder) out.assign(*folder);
  return folder.has_value();
}

bool ResultSet::full_path(const Hit& hit, NameDecoder& decoder, std::string& out) const {
  const Catalogue& catalogue = catalogue_of(hit);
  thread_local std::string folder, name;
  std::string& raw = raw_buffer();
  out.clear();
  bool read = false;
  if (hit.is_folder()) {
    std::string& line = line_buffer();
    const auto entry = catalogue.line_at(hit.line, line) ? parse_entry_line(line) : std::nullopt;
    read = entry.has_value();
    if (read) append_raw_path(raw, catalogue, entry->path, {});
  } else {
    read = raw_folder(hit, folder) && raw_name(hit, name);
    if (read) append_raw_path(raw, catalogue, folder, name);
  }
  if (read) decoder.decode(catalogue.encoding(), raw, out);
  return read;
}

bool ResultSet::name(const Hit& hit, NameDecoder& decoder, std::string& out) const {
  thread_local std::string raw;
  out.clear();
  if (!raw_name(hit, raw)) return false;
  decoder.decode(catalogue_of(hit).encoding(), raw, out);
  return true;
}

bool ResultSet::folder_path(const Hit& hit, NameDecoder& decoder, std::string& out) const {
  const Catalogue& catalogue = catalogue_of(hit);
  thread_local std::string folder;
  out.clear();
  if (!raw_folder(hit, folder)) return false;
  std::string& raw = raw_buffer();
  append_raw_path(raw, catalogue, folder, {});
  decoder.decode(catalogue.encoding(), raw, out);
  return true;
}

void ResultSet::sort(Column column, bool descending) {
  std::string first, second;
  auto order = [&](const Hit& a, const Hit& b) -> int {
    switch (column) {
      case Column::Name:
        raw_name(a, first);
        raw_name(b, second);
        return compare_names(first, second);
      case Column::Folder: {
        const int roots = compare_names(catalogue_of(a).root(), catalogue_of(b).root());
        if (roots != 0) return roots;
        raw_folder(a, first);
        raw_folder(b, second);
        return compare_names(first, second);
      }
      case Column::Size:
        return a.size == b.size ? 0 : (a.size < b.size ? -1 : 1);
      case Column::Date: {
        const auto x = a.bits & ((std::uint64_t{1} << 41) - 1);
        const auto y = b.bits & ((std::uint64_t{1} << 41) - 1);
        return x == y ? 0 : (x < y ? -1 : 1);
      }
      case Column::Catalogue:
        return compare_names(catalogue_of(a).name(), catalogue_of(b).name());
    }
    return 0;
  };
  if (parts_.size() > 1) {  // one array to sort
    std::vector<Hit> all;
    all.reserve(size());
    for (auto& part : parts_) {
      all.insert(all.end(), part.begin(), part.end());
      std::vector<Hit>().swap(part);
    }
    parts_.assign(1, std::move(all));
    ends_.assign(1, parts_[0].size());
  }
  if (parts_.empty()) return;
  std::vector<Hit>& hits = parts_[0];
  std::stable_sort(hits.begin(), hits.end(), [&](const Hit& a, const Hit& b) {
    const int c = order(a, b);
    return descending ? c > 0 : c < 0;
  });
}

}  // namespace korvint::search
