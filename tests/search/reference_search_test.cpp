// The search against a naive one that reads every line, builds every path and
// asks Matcher::matches: random catalogues (UTF-8, code page, both in one,
// damaged lines), queries, chunk and block sizes and thread counts give equal
// results in equal order, streamed to the sink or stopped by a limit.

#include <gtest/gtest.h>

#include <random>

#include "catalogue/parse_lines.h"
#include "search/query.h"
#include "search/searcher.h"
#include "search_fixture.h"

namespace korvint::search {
namespace {

// Name pieces in UTF-8 and as a Windows catalogue writes them in Windows-1252.
struct Piece {
  const char* utf8;
  const char* code_page;
};
constexpr Piece kPieces[] = {
    {"holiday", "holiday"},       {"Photos", "Photos"},           {"backup", "backup"},
    {"IMG_0042", "IMG_0042"},     {"zebra", "zebra"},             {"two words", "two words"},
    {"Stra\xC3\x9F" "e", "Stra\xDF" "e"}, {"\xC3\xA4rger", "\xE4rger"}, {"\xC3\x84RGER", "\xC4RGER"},
    {"caf\xC3\xA9", "caf\xE9"},   {"cafe", "cafe"},               {"Z\xC3\xBCrich", "Z\xFCrich"},
    {"\xE2\x84\xAA" "elvin", "Kelvin"}, {"\xEF\xAC\x81le", "file"},  {"na\xC3\xAFve", "na\xEFve"},
    {"x.y", "x.y"},               {".hidden", ".hidden"},         {"2019", "2019"},
};
constexpr const char* kExtensions[] = {".jpg", ".txt", ".flac", ".MP3", "", ".tar.gz"};

constexpr const char* kQueries[] = {
    "holiday",        "photos",        "\xC3\xA4rger",      "arger",          "\xC3\x84RGER",
    "strasse",        "stra\xC3\x9F" "e", "cafe",           "caf\xC3\xA9",    "zurich",
    "kelvin",         "file",          "*.jpg",             "img_????.jpg",   "\"two words\"",
    "-backup txt",    "path:photos",   "path:photos\\zebra", "path:\xC3\xA4rger", "path:hol",
    "size:>1M",       "size:0",        "date:2019",          "date:2005-01..2010-12", "ext:jpg;flac",
    "type:folder",    "type:file zebra", "in:a",             "in:b -x.y",      "x.y",
    "path:/zebra",    "e",             "type:file",          "-e",             "date:>2020 type:folder",
};

class Catalogues {
 public:
  explicit Catalogues(std::uint64_t seed) : rng_(seed) {}

  std::uint64_t below(std::uint64_t bound) { return std::uniform_int_distribution<std::uint64_t>(0, bound - 1)(rng_); }

  // A catalogue's text: its names in UTF-8, in the code page, or (rarely) in
  // both, a walk of nested folders and some lines that are not entries.
  std::string make() {
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
      } else if (kind < 16) {
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
    if (below(4) == 0) text += "no line end.jpg\t1\t 2019.1.1\t0:0.0";
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

// A hit's every field, comparable.
struct Found {
  std::uint64_t line, folder, size, bits;
  friend bool operator==(const Found&, const Found&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Found& found) {
    return out << "{catalogue " << ((found.bits >> 41) & 0x3FFFFF) << " line " << found.line << " folder "
               << found.folder << "}";
  }
};
Found found_of(const Hit& hit) { return Found{hit.line, hit.folder, hit.size, hit.bits}; }

// Every line read, every folder followed, every entry asked of the matcher,
// in the encoding a count of every line decides.
std::vector<Found> naive_search(const std::vector<std::string>& texts, const Matcher& matcher) {
  std::vector<Found> hits;
  MatchScratch scratch("windows-1252");
  for (std::size_t c = 0; c < texts.size(); ++c) {
    const auto catalogue = test::make_catalogue(std::string(1, static_cast<char>('a' + c)), texts[c]);
    if (!matcher.selects(*catalogue)) continue;
    check_catalogues({catalogue}, {});
    const std::string& text = texts[c];
    std::uint64_t folder = kRootFolder;
    std::string folder_path;
    for (std::size_t start = catalogue->body_begin(); start < text.size();) {
      const std::size_t lf = text.find('\n', start);
      if (lf == std::string::npos) break;  // a last line without its line end is not read
      std::string_view line(text.data() + start, lf - start);
      const bool ended = !line.empty() && line.back() == '\r';
      if (ended) line.remove_suffix(1);
      if (const auto path = catalogue::folder_path_of_line(line)) {
        folder = start;
        folder_path = *path;
      }
      const auto entry = ended ? catalogue::parse_entry_line(line) : std::nullopt;
      if (entry &&
          matcher.matches(*catalogue, catalogue->encoding(), *entry, entry->is_folder ? "" : folder_path, scratch))
        hits.push_back(found_of(Hit::make(start, folder, *entry, c)));
      start = lf + 1;
    }
  }
  return hits;
}

std::vector<Found> hits_of(const ResultSet& results) {
  std::vector<Found> hits;
  results.for_each([&](const Hit& hit) { hits.push_back(found_of(hit)); });
  return hits;
}

TEST(ReferenceSearchTest, EqualsTheNaiveSearchInResultsAndOrder) {
  for (std::uint64_t seed = 1; seed <= 400; ++seed) {
    Catalogues draw(seed);
    std::vector<std::string> texts;
    const std::uint64_t count = 1 + draw.below(4);
    for (std::uint64_t c = 0; c < count; ++c) texts.push_back(draw.make());
    const char* const query_text = kQueries[draw.below(std::size(kQueries))];
    std::string error;
    auto query = parse_query(query_text, error);
    ASSERT_TRUE(query) << query_text << ": " << error;
    const Matcher matcher(std::move(*query));

    SearchOptions options;
    static constexpr std::uint64_t kChunks[] = {1, 7, 64, 333, 4096, 4u << 20};
    static constexpr std::size_t kBlocks[] = {7, 100, 1000, 128u << 10};
    options.chunk_bytes = kChunks[draw.below(std::size(kChunks))];
    options.block_bytes = kBlocks[draw.below(std::size(kBlocks))];
    options.threads = 1 + static_cast<unsigned>(draw.below(4));
    static constexpr std::size_t kWaiting[] = {1, 10, std::size_t{1} << 18};
    options.waiting_hits = kWaiting[draw.below(std::size(kWaiting))];
    options.code_page = "windows-1252";
    const bool known = draw.below(3) == 0;  // the encodings counted before, as the window does
    const bool limited = draw.below(4) == 0;
    SCOPED_TRACE("seed " + std::to_string(seed) + ", query " + query_text + ", chunks of " +
                 std::to_string(options.chunk_bytes) + ", blocks of " + std::to_string(options.block_bytes) + ", " +
                 std::to_string(options.threads) + " threads, " + std::to_string(options.waiting_hits) +
                 " waiting" + (known ? ", encodings known" : ""));

    std::vector<std::shared_ptr<Catalogue>> catalogues;
    for (std::size_t c = 0; c < texts.size(); ++c)
      catalogues.push_back(test::make_catalogue(std::string(1, static_cast<char>('a' + c)), texts[c]));
    if (known) check_catalogues(catalogues, {});
    std::vector<Found> expected = naive_search(texts, matcher);
    // A limit stops the search early: its results are the first ones, where
    // the encodings are known (else they are decided on what was seen).
    if (limited && known) options.max_hits = 1 + draw.below(expected.size() + 2);
    const test::Collected found = test::collect(catalogues, matcher, options);
    if (options.max_hits != 0 && expected.size() >= options.max_hits) {
      expected.resize(options.max_hits);
      EXPECT_TRUE(found.outcome.limited);
    }
    EXPECT_EQ(hits_of(found.results), expected);
    EXPECT_EQ(found.outcome.found, expected.size());
    if (options.max_hits == 0)
      for (std::size_t c = 0; c < texts.size(); ++c)
        if (matcher.selects(*catalogues[c])) {
          const auto counted = test::make_catalogue("x", texts[c]);
          check_catalogues({counted}, {});
          EXPECT_EQ(catalogues[c]->encoding(), counted->encoding()) << "catalogue " << c;
        }
  }
}

}  // namespace
}  // namespace korvint::search
