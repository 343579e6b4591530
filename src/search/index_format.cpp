#include "search/index_format.h"

#include <cstring>

#include "search/ascii_folds.h"

namespace korvint::search::index {
namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;

std::uint64_t rotate(std::uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime1;
  return h ^ (h >> 32);
}

std::string hex(std::uint64_t value) {
  static const char digits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 15];
  return text;
}

}  // namespace

std::uint64_t checksum(std::string_view bytes) {
  std::uint64_t h = kPrime1 ^ bytes.size();
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) h = rotate(h ^ (get_u64(bytes.data() + i) * kPrime2), 31) * kPrime1;
  std::uint64_t tail = 0;
  for (std::size_t k = 0; i + k < bytes.size(); ++k)
    tail |= std::uint64_t{static_cast<unsigned char>(bytes[i + k])} << (8 * k);
  return mix(h ^ (tail * kPrime2));
}

void put_u32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}
void put_u64(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void encode_list(const std::vector<std::uint32_t>& values, std::string& out) {
  std::uint32_t next = 0;  // the least the next value can be
  for (const std::uint32_t value : values) {
    std::uint32_t gap = value - next;
    while (gap >= 0x80) {
      out.push_back(static_cast<char>((gap & 0x7f) | 0x80));
      gap >>= 7;
    }
    out.push_back(static_cast<char>(gap));
    next = value + 1;
  }
}

std::optional<std::vector<std::uint32_t>> decode_list(std::string_view bytes, std::uint32_t count, std::uint32_t limit) {
  if (count > bytes.size() || count > limit) return std::nullopt;  // a value takes a byte at least
  std::vector<std::uint32_t> values;
  values.reserve(count);
  std::uint64_t next = 0;
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint64_t gap = 0;
    for (int shift = 0;; shift += 7) {
      if (at == bytes.size() || shift > 28) return std::nullopt;
      const auto byte = static_cast<unsigned char>(bytes[at++]);
      gap |= std::uint64_t{byte & 0x7fu} << shift;
      if (byte < 0x80) break;
    }
    const std::uint64_t value = next + gap;
    if (value >= limit) return std::nullopt;
    values.push_back(static_cast<std::uint32_t>(value));
    next = value + 1;
  }
  if (at != bytes.size()) return std::nullopt;
  return values;
}

std::string encode_header(const Header& h) {
  std::string out(kMagic, sizeof kMagic);
  put_u32(out, h.version);
  put_u32(out, static_cast<std::uint32_t>(h.path.size()));
  for (const std::uint64_t value : {h.file_size, h.device, h.file, h.size, static_cast<std::uint64_t>(h.write_time),
                                    h.body_begin, h.counts.entries, h.counts.skipped, h.counts.files,
                                    h.counts.folders, h.counts.bytes})
    put_u64(out, value);
  out.push_back(h.counts.non_ascii ? 1 : 0);
  out.push_back(h.counts.valid_utf8 ? 1 : 0);
  out.append(2, '\0');
  put_u32(out, h.block_count);
  put_u32(out, h.bucket_bits);
  put_u32(out, h.folding);
  put_u64(out, h.blocks_offset);
  put_u64(out, h.directory_offset);
  put_u64(out, h.blocks_checksum);
  put_u64(out, h.words_offset);
  put_u64(out, h.words_bytes);
  put_u64(out, h.words_checksum);
  put_u64(out, h.ext_offset);
  put_u64(out, h.ext_bytes);
  put_u64(out, h.ext_checksum);
  const std::uint64_t sum = checksum(out + h.path);
  put_u64(out, sum);
  return out + h.path;
}

std::size_t header_size(std::string_view bytes) {
  if (bytes.size() < kHeaderBytes) return 0;
  const std::uint32_t path = get_u32(bytes.data() + 12);
  return path > kMostPath ? 0 : kHeaderBytes + path;
}

std::optional<Header> decode_header(std::string_view bytes) {
  const std::size_t size = header_size(bytes);
  if (size == 0 || bytes.size() < size || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
  const char* p = bytes.data();
  Header h;
  h.version = get_u32(p + 8);
  if (h.version != kFormatVersion) return std::nullopt;
  h.path.assign(p + kHeaderBytes, size - kHeaderBytes);
  if (checksum(std::string(p, kHeaderBytes - 8) + h.path) != get_u64(p + kHeaderBytes - 8)) return std::nullopt;
  std::uint64_t* fields[] = {&h.file_size, &h.device, &h.file, &h.size, nullptr, &h.body_begin,
                             &h.counts.entries, &h.counts.skipped, &h.counts.files, &h.counts.folders,
                             &h.counts.bytes};
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    const std::uint64_t value = get_u64(p + 16 + 8 * i);
    if (fields[i] != nullptr) *fields[i] = value;
    else h.write_time = static_cast<std::int64_t>(value);
  }
  h.counts.non_ascii = p[104] != 0;
  h.counts.valid_utf8 = p[105] != 0;
  h.block_count = get_u32(p + 108);
  h.bucket_bits = get_u32(p + 112);
  h.folding = get_u32(p + 116);
  h.blocks_offset = get_u64(p + 120);
  h.directory_offset = get_u64(p + 128);
  h.blocks_checksum = get_u64(p + 136);
  h.words_offset = get_u64(p + 144);
  h.words_bytes = get_u64(p + 152);
  h.words_checksum = get_u64(p + 160);
  h.ext_offset = get_u64(p + 168);
  h.ext_bytes = get_u64(p + 176);
  h.ext_checksum = get_u64(p + 184);
  if (h.bucket_bits > 20) return std::nullopt;
  return h;
}

void add_trigrams(std::string_view skeleton, std::vector<Trigram>& out) {
  if (skeleton.size() < 3) return;
  for (std::size_t i = 0; i + 3 <= skeleton.size(); ++i) {
    const auto a = static_cast<unsigned char>(skeleton[i]);
    const auto b = static_cast<unsigned char>(skeleton[i + 1]);
    const auto c = static_cast<unsigned char>(skeleton[i + 2]);
    if (a == 0 || b == 0 || c == 0 || a >= 0x80 || b >= 0x80 || c >= 0x80) continue;
    out.push_back((Trigram{a} << 14) | (Trigram{b} << 7) | c);
  }
}

void add_pairs(std::string_view token, std::vector<Trigram>& out) {
  for (std::size_t i = 0; i + 2 <= token.size(); ++i)
    out.push_back((Trigram{static_cast<unsigned char>(token[i])} << 7) | static_cast<unsigned char>(token[i + 1]));
}

std::string folder_prefix(std::string_view folder) {
  std::string_view trimmed = folder;
  while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) trimmed.remove_suffix(1);
  return hex(checksum(trimmed)) + "-";
}

std::string index_file_name(std::string_view folder, std::string_view path) {
  return folder_prefix(folder) + hex(checksum(path)) + ".kvx";
}

}  // namespace korvint::search::index
