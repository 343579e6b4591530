#include "search/compare_keys.h"

#include <algorithm>
#include <array>

#include "catalogue/parse_lines.h"
#include "platform/case_folding.h"
#include "search/compare.h"

namespace korvint::search {
namespace {

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// append_path_key() of a path whose letters are ASCII (other bytes pass as
// they are): each byte through a table, "/" made "\\" and, when
// `ignore_case`, letters folded as the file system folds ASCII. True when
// every byte was ASCII.
bool append_ascii_key(std::string_view path, bool ignore_case, std::string& out) {
  using Table = std::array<char, 256>;
  static const std::array<Table, 2> tables = [] {
    std::string folded;
    platform::fold_case("a", folded);
    const bool upper = folded == "A";
    std::array<Table, 2> made{};
    for (int c = 0; c < 256; ++c) {
      const char byte = c == '/' ? '\\' : static_cast<char>(c);
      made[0][c] = byte;
      made[1][c] = (upper ? (c >= 'a' && c <= 'z') : (c >= 'A' && c <= 'Z')) ? static_cast<char>(c ^ 0x20) : byte;
    }
    return made;
  }();
  const Table& table = tables[ignore_case ? 1 : 0];
  const std::size_t start = out.size();
  out.resize(start + path.size());
  char* to = out.data() + start;
  unsigned char high = 0;
  for (const char c : path) {
    high |= static_cast<unsigned char>(c);
    *to++ = table[static_cast<unsigned char>(c)];
  }
  return high < 0x80;
}

}  // namespace

std::string path_key(std::string_view path, bool ignore_case) {
  std::string key;
  append_path_key(path, ignore_case, key);
  return key;
}

void append_path_key(std::string_view path, bool ignore_case, std::string& out) {
  if (ignore_case && !is_ascii(path)) {
    std::string folded;
    platform::fold_case(path, folded);
    const std::size_t start = out.size();
    out += folded;
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '/', '\\');
    return;
  }
  append_ascii_key(path, ignore_case, out);
}

namespace compare_keys {

void append_key(const Catalogue& catalogue, std::string_view raw, bool ignore_case, KeyReader& reader,
                std::string& key) {
  append_key(catalogue.encoding(), raw, ignore_case, reader, key);
}

void append_key(TextEncoding encoding, std::string_view raw, bool ignore_case, KeyReader& reader, std::string& key) {
  if (encoding != TextEncoding::CodePage) {
    const std::size_t start = key.size();
    if (append_ascii_key(raw, ignore_case, key)) return;  // ASCII reads as itself in UTF-8
    key.resize(start);
  }
  reader.decoder.decode(encoding, raw, reader.decoded);
  append_path_key(reader.decoded, ignore_case, key);
}

std::string folder_prefix(std::string_view folder, bool ignore_case) {
  std::string key = path_key(folder, ignore_case);
  while (!key.empty() && key.front() == '\\') key.erase(key.begin());
  while (!key.empty() && key.back() == '\\') key.pop_back();
  if (!key.empty()) key += '\\';
  return key;
}

std::string_view parent_of(std::string_view key) {
  const std::string_view trimmed = key.substr(0, key.size() - (key.ends_with('\\') ? 1 : 0));
  const std::size_t cut = trimmed.rfind('\\');
  return cut == std::string_view::npos ? std::string_view() : trimmed.substr(0, cut + 1);
}

bool read_key(const Catalogue& catalogue, const Hit& hit, bool ignore_case, KeyReader& reader, std::string& key,
              std::size_t& folder_size) {
  key.clear();
  if (!raw_folder(catalogue, hit, reader.raw) || !raw_name(catalogue, hit, reader.name)) return false;
  append_key(catalogue, reader.raw, ignore_case, reader, key);
  folder_size = key.size();
  append_key(catalogue, reader.name, ignore_case, reader, key);
  if (hit.is_folder()) {
    key += '\\';
    folder_size = key.size();
  }
  return true;
}

bool key_below(const Catalogue& catalogue, const Hit& hit, std::string_view prefix, bool ignore_case,
               KeyReader& reader, std::string& out) {
  std::size_t folder_size = 0;
  std::string key;
  if (!read_key(catalogue, hit, ignore_case, reader, key, folder_size)) return false;
  if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return false;
  out.assign(key, prefix.size());
  return true;
}

std::uint64_t folder_hash(std::string_view key, std::size_t folder_size, std::string_view prefix) {
  return folder_size >= prefix.size() ? key_hash()(key.substr(prefix.size(), folder_size - prefix.size()), 0) | 1 : 0;
}

PathHashes path_hashes(std::string_view key, std::size_t folder_size, std::uint64_t folder_part_hash, bool is_folder,
                       std::string_view prefix) {
  const KeyHash hash = key_hash();
  const std::string_view below = key.substr(prefix.size());
  if (is_folder) return PathHashes{hash(below, 0) | 1, hash(parent_of(below), 0) | 1};
  // A file's path hash: its last level's, seeded with the hash of the levels
  // before it, which for a name without "\" is its folder's, made once for
  // all its files. (So both sides hash a path alike however its levels came:
  // a name may hold a "\" on Linux.)
  const std::size_t cut = below.rfind('\\');
  const std::size_t head = cut == std::string_view::npos ? 0 : cut + 1;
  const bool folders_part = folder_size >= prefix.size() && head == folder_size - prefix.size();
  const std::uint64_t head_hash = folders_part ? folder_part_hash : hash(below.substr(0, head), 0) | 1;
  return PathHashes{hash(below.substr(head), head_hash) | 1, folder_part_hash};
}

}  // namespace compare_keys
}  // namespace korvint::search
