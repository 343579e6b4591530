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

std::string_view ResultSet::raw_name(const Hit& hit) const {
  const auto entry = parse_entry_line(catalogue_of(hit).line_at(hit.line));
  return entry ? entry->name : std::string_view();
}

std::string_view ResultSet::raw_folder(const Hit& hit) const {
  const Catalogue& catalogue = catalogue_of(hit);
  if (hit.is_folder()) {
    const auto entry = parse_entry_line(catalogue.line_at(hit.line));
    if (!entry) return {};
    return entry->path.substr(0, entry->path.size() - entry->name.size() - 1);
  }
  if (hit.folder == kRootFolder) return {};
  return folder_path_of_line(catalogue.line_at(hit.folder)).value_or(std::string_view());
}

void ResultSet::full_path(const Hit& hit, NameDecoder& decoder, std::string& out) const {
  const Catalogue& catalogue = catalogue_of(hit);
  std::string& raw = raw_buffer();
  if (hit.is_folder()) {
    const auto entry = parse_entry_line(catalogue.line_at(hit.line));
    append_raw_path(raw, catalogue, entry ? entry->path : std::string_view(), {});
  } else {
    append_raw_path(raw, catalogue, raw_folder(hit), raw_name(hit));
  }
  decoder.decode(catalogue.encoding(), raw, out);
}

void ResultSet::name(const Hit& hit, NameDecoder& decoder, std::string& out) const {
  decoder.decode(catalogue_of(hit).encoding(), raw_name(hit), out);
}

void ResultSet::folder_path(const Hit& hit, NameDecoder& decoder, std::string& out) const {
  const Catalogue& catalogue = catalogue_of(hit);
  std::string& raw = raw_buffer();
  append_raw_path(raw, catalogue, raw_folder(hit), {});
  decoder.decode(catalogue.encoding(), raw, out);
}

void ResultSet::sort(Column column, bool descending) {
  auto order = [&](const Hit& a, const Hit& b) -> int {
    switch (column) {
      case Column::Name:
        return compare_names(raw_name(a), raw_name(b));
      case Column::Folder: {
        const int roots = compare_names(catalogue_of(a).root(), catalogue_of(b).root());
        return roots != 0 ? roots : compare_names(raw_folder(a), raw_folder(b));
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
