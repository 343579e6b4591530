// The index reader on damaged indexes: never a crash or a hang, and what it
// accepts stays inside the bounds it promises (blocks that follow one another
// through the catalogue, lists of blocks that exist, in order; the words'
// table with blocks' first entries in order and lists of entries that exist; the
// extensions' table with rows in order and lists of entries that exist). The input
// edits a sound index of a small catalogue (bytes changed, the file cut short,
// optionally with the checksums made to fit again so the parsing behind them
// is reached too), or is an index file of its own.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "search/catalogue.h"
#include "search/index_builder.h"
#include "search/index_ext.h"
#include "search/index_format.h"
#include "search/index_reader.h"
#include "search/index_words.h"

namespace {

using namespace korvint::search;
using namespace korvint::search::index;

// A sound index of a small catalogue, made once.
const std::string& sound_index() {
  static const std::string bytes = [] {
    std::string text = "D:\\Disk\\\r\n";
    for (int i = 0; i < 300; ++i) {
      if (i % 40 == 0) text += "Folder " + std::to_string(i) + "\\\t0\t 2019.1.2\t3:4.5\r\n";
      // Extensions listed as a token's, on their own, not ASCII, and a folder's.
      static const char* const kExtensions[] = {".jpg", ".txt", ".tar_gz", ".\xC3\xA9", ".d\\"};
      const char* extension = kExtensions[i % 11 == 0 ? 2 + i % 3 : i % 2];
      const bool folder = extension[std::strlen(extension) - 1] == '\\';
      text += "name_" + std::to_string(i * 7) + extension + "\t" + std::to_string(folder ? 0 : i * 100) +
              "\t 2019.1.2\t3:4.5\r\n";
    }
    char path[] = "/tmp/fuzz_index_XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    ::close(fd);
    OpenProblem problem = OpenProblem::None;
    std::string message;
    const auto catalogue = Catalogue::open(CatalogueSource{path, "a.lst", "a"}, problem, message);
    const auto index = catalogue ? build_index(*catalogue, nullptr, 500, 3) : std::nullopt;
    ::unlink(path);
    if (!index) std::abort();
    return *index;
  }();
  return bytes;
}

void put_u64_at(std::string& bytes, std::size_t at, std::uint64_t value) {
  std::string field;
  put_u64(field, value);
  if (at + 8 <= bytes.size()) bytes.replace(at, 8, field);
}

// Makes the checksums fit the bytes again, where the places they cover lie inside the file.
void fit_checksums(std::string& bytes) {
  if (bytes.size() < kHeaderBytes) return;
  put_u64_at(bytes, 16, bytes.size());
  const std::size_t head = header_size(bytes);
  const std::uint64_t blocks = get_u64(bytes.data() + 120);
  const std::uint64_t count = get_u32(bytes.data() + 108);
  if (blocks <= bytes.size() && count * kBlockBytes <= bytes.size() - blocks)
    put_u64_at(bytes, 136, checksum(std::string_view(bytes).substr(blocks, count * kBlockBytes)));
  const std::uint64_t words = get_u64(bytes.data() + 144);
  const std::uint64_t words_size = get_u64(bytes.data() + 152);
  if (words <= bytes.size() && words_size <= bytes.size() - words) {
    const std::string_view table = std::string_view(bytes).substr(words, words_size);
    put_u64_at(bytes, 160, checksum(table));
  }
  const std::uint64_t extensions = get_u64(bytes.data() + 168);
  const std::uint64_t extensions_size = get_u64(bytes.data() + 176);
  if (extensions <= bytes.size() && extensions_size <= bytes.size() - extensions)
    put_u64_at(bytes, 184, checksum(std::string_view(bytes).substr(extensions, extensions_size)));
  const std::uint64_t directory = get_u64(bytes.data() + 128);
  for (std::uint64_t at = directory; at < bytes.size() && bytes.size() - at >= kBucketPlaceBytes; at += kBucketPlaceBytes) {
    const std::uint64_t offset = get_u64(bytes.data() + at);
    const std::uint32_t size = get_u32(bytes.data() + at + 8);
    if (offset <= bytes.size() && size <= bytes.size() - offset)
      put_u64_at(bytes, at + 16, checksum(std::string_view(bytes).substr(offset, size)));
  }
  if (head != 0 && head <= bytes.size())
    put_u64_at(bytes, kHeaderBytes - 8,
               checksum(bytes.substr(0, kHeaderBytes - 8) + bytes.substr(kHeaderBytes, head - kHeaderBytes)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  std::string bytes;
  if (mode & 4) {
    bytes.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  } else {
    bytes = sound_index();
    std::size_t i = 1;
    if ((mode & 2) && size >= 3) {  // cut short
      bytes.resize(std::min<std::size_t>(bytes.size(), (data[1] << 8 | data[2]) * 4u));
      i = 3;
    }
    for (; i + 3 <= size; i += 3) {  // each edit: where (scaled to the file) and what to flip
      if (bytes.empty()) break;
      const std::size_t at = (std::size_t{data[i]} << 8 | data[i + 1]) * bytes.size() / 65536;
      bytes[at] = static_cast<char>(bytes[at] ^ data[i + 2]);
    }
  }
  if (mode & 1) fit_checksums(bytes);
  const auto index = IndexFile::open(
      [&](std::uint64_t offset, std::size_t length, char* out) {
        if (offset > bytes.size() || length > bytes.size() - offset) return false;
        bytes.copy(out, length, offset);
        return true;
      },
      bytes.size());
  if (!index) return 0;
  const Header& header = index->header();
  if (const auto blocks = index->blocks()) {
    std::uint64_t end = header.body_begin;
    for (const BlockInfo& block : *blocks) {
      if (block.begin != end || block.end <= block.begin || block.end > header.size) std::abort();
      end = block.end;
    }
  }
  const Trigram probes[] = {kEveryWord, ('n' << 14) | ('a' << 7) | 'm', ('j' << 14) | ('p' << 7) | 'g',
                            ('_' << 14) | ('1' << 7) | '4', kTrigramSpace - 1, kRareTag | ('1' << 7) | '4',
                            kRareTag | ('1' << 14) | ('4' << 7) | '7'};
  for (const Trigram trigram : probes) {
    if (const auto list = index->blocks_of(trigram)) {
      for (std::size_t k = 0; k < list->size(); ++k)
        if ((*list)[k] >= header.block_count || (k > 0 && (*list)[k] <= (*list)[k - 1])) std::abort();
    }
  }
  if (const auto words = read_words(*index)) {
    for (std::size_t b = 0; b < words->first_entry.size(); ++b)
      if (words->first_entry[b] > words->entries || (b > 0 && words->first_entry[b] < words->first_entry[b - 1]))
        std::abort();
    for (const Word& word : words->words) {
      if (const auto entries = entries_of(*index, *words, word)) {
        for (std::size_t k = 0; k < entries->size(); ++k)
          if ((*entries)[k] >= words->entries || (k > 0 && (*entries)[k] <= (*entries)[k - 1])) std::abort();
        for (const std::uint32_t e : *entries)
          if (words->block_of(e) >= words->first_entry.size()) std::abort();
      }
    }
    if (const auto extensions = read_extensions(*index)) {
      for (std::size_t r = 0; r < extensions->rows.size(); ++r) {
        const ExtensionRow& row = extensions->rows[r];
        if (r > 0 && (row.kind < extensions->rows[r - 1].kind ||
                      (row.kind == extensions->rows[r - 1].kind && row.key <= extensions->rows[r - 1].key)))
          std::abort();
        if (const auto entries = entries_of(*index, *words, row)) {
          for (std::size_t k = 0; k < entries->size(); ++k)
            if ((*entries)[k] >= words->entries || (k > 0 && (*entries)[k] <= (*entries)[k - 1])) std::abort();
        }
      }
    }
  }
  return 0;
}
