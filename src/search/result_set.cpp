#include "platform/per_thread.h"
#include "search/result_set.h"

#include <algorithm>

namespace korvint::search {
namespace {

// The undecoded path being built, reused by each thread.
std::string& raw_buffer() {
  thread_local platform::PerThread<std::string> raw_slot;
  std::string& raw = raw_slot.get();
  raw.clear();
  return raw;
}

// A catalogue line being read, reused by each thread.
std::string& line_buffer() {
  thread_local platform::PerThread<std::string> line_slot;
  std::string& line = line_slot.get();
  return line;
}

}  // namespace

Hit Hit::make(std::uint64_t line, std::uint64_t folder, const catalogue::EntryLine& entry, std::size_t catalogue) {
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

bool raw_name(const Catalogue& catalogue, const Hit& hit, std::string& out) {
  std::string& line = line_buffer();
  const auto entry = catalogue.line_at(hit.line, line) ? catalogue::parse_entry_line(line) : std::nullopt;
  out.assign(entry ? entry->name : std::string_view());
  return entry.has_value();
}

bool raw_folder(const Catalogue& catalogue, const Hit& hit, std::string& out) {
  std::string& line = line_buffer();
  out.clear();
  if (hit.is_folder()) {
    const auto entry = catalogue.line_at(hit.line, line) ? catalogue::parse_entry_line(line) : std::nullopt;
    if (entry) out.assign(entry->path.substr(0, entry->path.size() - entry->name.size() - 1));
    return entry.has_value();
  }
  if (hit.folder == kRootFolder) return true;
  const auto folder = catalogue.line_at(hit.folder, line) ? catalogue::folder_path_of_line(line) : std::nullopt;
  if (folder) out.assign(*folder);
  return folder.has_value();
}

bool full_path(const Catalogue& catalogue, const Hit& hit, NameDecoder& decoder, std::string& out) {
  thread_local platform::PerThread<std::string> folder_slot;
  thread_local platform::PerThread<std::string> name_slot;
  std::string& folder = folder_slot.get();
  std::string& name = name_slot.get();
  std::string& raw = raw_buffer();
  out.clear();
  bool read = false;
  if (hit.is_folder()) {
    std::string& line = line_buffer();
    const auto entry = catalogue.line_at(hit.line, line) ? catalogue::parse_entry_line(line) : std::nullopt;
    read = entry.has_value();
    if (read) append_raw_path(raw, catalogue, entry->path, {});
  } else {
    read = raw_folder(catalogue, hit, folder) && raw_name(catalogue, hit, name);
    if (read) append_raw_path(raw, catalogue, folder, name);
  }
  if (read) decoder.decode(catalogue.encoding(), raw, out);
  return read;
}

bool ResultSet::name(const Hit& hit, NameDecoder& decoder, std::string& out) const {
  thread_local platform::PerThread<std::string> raw_slot;
  std::string& raw = raw_slot.get();
  out.clear();
  if (!raw_name(hit, raw)) return false;
  decoder.decode(catalogue_of(hit).encoding(), raw, out);
  return true;
}

bool ResultSet::folder_path(const Hit& hit, NameDecoder& decoder, std::string& out) const {
  const Catalogue& catalogue = catalogue_of(hit);
  thread_local platform::PerThread<std::string> folder_slot;
  std::string& folder = folder_slot.get();
  out.clear();
  if (!raw_folder(hit, folder)) return false;
  std::string& raw = raw_buffer();
  append_raw_path(raw, catalogue, folder, {});
  decoder.decode(catalogue.encoding(), raw, out);
  return true;
}

}  // namespace korvint::search
