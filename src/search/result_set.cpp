#include "search/result_set.h"

#include <algorithm>

namespace korvint::search {
namespace {

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

}  // namespace korvint::search
