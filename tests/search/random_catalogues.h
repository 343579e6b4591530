#pragma once
// Random catalogue texts and queries for the tests that compare two ways of
// searching: names with every kind of character, in UTF-8 and in the code page.

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace korvint::test {

// Name pieces in UTF-8 and as a Windows catalogue writes them in Windows-1252.
struct Piece {
  const char* utf8;
  const char* code_page;
};
inline constexpr Piece kPieces[] = {
    {"holiday", "holiday"},       {"Photos", "Photos"},           {"backup", "backup"},
    {"IMG_0042", "IMG_0042"},     {"zebra", "zebra"},             {"two words", "two words"},
    {"Stra\xC3\x9F" "e", "Stra\xDF" "e"}, {"\xC3\xA4rger", "\xE4rger"}, {"\xC3\x84RGER", "\xC4RGER"},
    {"caf\xC3\xA9", "caf\xE9"},   {"cafe", "cafe"},               {"Z\xC3\xBCrich", "Z\xFCrich"},
    {"\xE2\x84\xAA" "elvin", "Kelvin"}, {"\xEF\xAC\x81le", "file"},  {"na\xC3\xAFve", "na\xEFve"},
    {"x.y", "x.y"},               {".hidden", ".hidden"},         {"2019", "2019"},
};
inline constexpr const char* kExtensions[] = {".jpg", ".txt",          ".flac", ".MP3", "", ".tar.gz",
                                              ".FL\xC3\x81" "C", ".\xEF\xAC\x82" "ac", ".7z",   ".c"};

/// Queries of every kind for the catalogues below.
inline constexpr const char* kRandomQueries[] = {
    "holiday",        "photos",        "\xC3\xA4rger",      "arger",          "\xC3\x84RGER",
    "strasse",        "stra\xC3\x9F" "e", "cafe",           "caf\xC3\xA9",    "zurich",
    "kelvin",         "file",          "*.jpg",             "img_????.jpg",   "\"two words\"",
    "-backup txt",    "path:photos",   "path:photos\\zebra", "path:\xC3\xA4rger", "path:hol",
    "size:>1M",       "size:0",        "date:2019",          "date:2005-01..2010-12", "ext:jpg;flac",
    "type:folder",    "type:file zebra", "in:a",             "in:b -x.y",      "x.y",
    "path:/zebra",    "e",             "type:file",          "-e",             "date:>2020 type:folder",
};

/// Random catalogues: ASCII, UTF-8, the code page or both, nested folders, damaged lines.
class RandomCatalogues {
 public:
  explicit RandomCatalogues(std::uint64_t seed) : rng_(seed) {}

  std::uint64_t below(std::uint64_t bound) { return std::uniform_int_distribution<std::uint64_t>(0, bound - 1)(rng_); }

  // A catalogue's text: its names in UTF-8, in the code page, or (rarely) in
  // both, a walk of nested folders and, when `damaged`, some lines that are not entries.
  std::string make(bool damaged = true) {
    const std::uint64_t mode = below(4);  // 0 ASCII, 1 UTF-8, 2 code page, 3 UTF-8 with code page late
    static constexpr const char* kRoots[] = {"D:\\Disk\\", "/home/ann/", "E:\\M\xC3\xBCsic\\", "F:\\\xC4rger\\"};
    std::string text = kRoots[mode == 0 ? below(2) : below(4)];
    text += "\r\n";
    std::vector<std::string> folders{""};
    const std::uint64_t lines = 20 + below(300);
    for (std::uint64_t i = 0; i < lines; ++i) {
      const bool code_page = mode == 2 || (mode == 3 && i > lines * 3 / 4);
      const std::uint64_t kind = i == 0 ? 99 : below(100);  // the second line of a catalogue is an entry
      if (kind < 12) {
        const std::string parent = folders[below(folders.size())];
        const std::string folder = parent + name(mode == 0, code_page) + "\\";
        folders.push_back(folder);
        text += folder + "\t0\t" + date() + "\r\n";
      } else if (kind < 16 && damaged) {
        static constexpr const char* kDamaged[] = {"junk\r\n", "a\tb\tc\r\n", "lf only.txt\t4\t 2009.1.2\t8:1.2\n",
                                                   "Other\\\t0\t 2009.99.2\t8:1.2\r\n", "..\\up\\\t0\t 2009.1.2\t8:1.2\r\n",
                                                   "bad\xFF\t1\t 2009.1.2\t8:1.2 \r\n"};
        text += kDamaged[below(std::size(kDamaged))];
      } else {
        static constexpr std::uint64_t kSizes[] = {0, 10, 1000, 5000000, 3000000000ULL};
        text += name(mode == 0, code_page) + kExtensions[below(std::size(kExtensions))] + "\t" +
                std::to_string(kSizes[below(std::size(kSizes))]) + "\t" + date() + "\r\n";
      }
    }
    if (damaged && below(4) == 0) text += "no line end.jpg\t1\t 2019.1.1\t0:0.0";
    return text;
  }

 private:
  std::string name(bool ascii, bool code_page) {
    std::string name;
    const std::uint64_t pieces = 1 + below(3);
    for (std::uint64_t i = 0; i < pieces; ++i) {
      const Piece& piece = kPieces[below(ascii ? 6 : std::size(kPieces))];
      if (i > 0) name += below(2) == 0 ? " " : "_";
      name += code_page ? piece.code_page : piece.utf8;
    }
    return name;
  }

  std::string date() {
    return " " + std::to_string(2005 + below(20)) + "." + std::to_string(1 + below(12)) + "." +
           std::to_string(1 + below(28)) + "\t" + std::to_string(below(24)) + ":" + std::to_string(below(60)) + "." +
           std::to_string(below(60));
  }

  std::mt19937_64 rng_;
};

}  // namespace korvint::test
