// The folder tree and the overview's counts against a naive reading of every
// line over random catalogues (nested folders in walk order and out of it,
// damaged lines, UTF-8 and code page names, small chunks), and the lookup of a
// folder by the path a user types.

#include <gtest/gtest.h>

#include <random>

#include "catalogue/parse_lines.h"
#include "search/catalogue_overview.h"
#include "search/folder_totals.h"
#include "search/searcher.h"
#include "search_fixture.h"
#include "support/temp_tree.h"

namespace korvint::search {

void PrintTo(const FolderTotals& totals, std::ostream* out) {
  *out << totals.bytes << " bytes, " << totals.files << " files, " << totals.folders << " folders";
}

namespace {

// A random catalogue: folders below any folder made so far (so mostly in walk
// order, sometimes not), files, and lines that are not entries.
std::string random_catalogue(std::mt19937_64& rng) {
  auto below = [&](std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(rng); };
  static constexpr const char* kRoots[] = {"D:\\Disk\\", "/home/ann/"};
  static constexpr const char* kNames[] = {"a", "B", "Photos", "caf\xC3\xA9", "caf\xE9", "x y", "2019"};
  static constexpr const char* kDamaged[] = {
      "junk",  "a\tb\tc", "Bad\\\t0\t 2009.99.2\t8:1.2" /* still names a folder */, "..\\up\\\t0\t 2009.1.2\t8:1.2"};
  std::string text = std::string(kRoots[below(2)]) + "\r\n";
  std::vector<std::string> open{""};  // the folders a next folder line may go below
  const std::size_t lines = 1 + below(200);
  for (std::size_t i = 0; i < lines; ++i) {
    const std::size_t kind = i == 0 ? 99 : below(100);
    if (kind < 15) {
      // Mostly below the last folder or one of its ancestors, as a walk writes them.
      const std::string parent = below(6) == 0 ? open[below(open.size())] : open.back().substr(0, open.back().rfind('\\', open.back().size() - 2) + 1);
      open.push_back((below(2) == 0 ? open.back() : parent) + kNames[below(std::size(kNames))] + "\\");
      text += open.back() + "\t0\t 2010.3.4\t5:6.7\r\n";
    } else if (kind < 20) {
      text += kDamaged[below(std::size(kDamaged))] + std::string(below(8) == 0 ? "\n" : "\r\n");
    } else {
      static constexpr std::uint64_t kSizes[] = {0, 7, 1000, 5000000000ULL};
      text += std::string(kNames[below(std::size(kNames))]) + ".txt\t" + std::to_string(kSizes[below(4)]) +
              "\t 2011.1.1\t0:0.0\r\n";
    }
  }
  if (below(4) == 0) text += "cut.txt\t1\t 2019.1.1\t0:0.0";  // a last line without its end
  return text;
}

// One line of the catalogue as the naive reading sees it.
struct NaiveLine {
  std::uint64_t offset = 0;
  std::optional<std::string> folder;  // a folder line's path
  std::optional<catalogue::EntryLine> file;
  std::string text;
};

std::vector<NaiveLine> naive_lines(const std::string& text) {
  std::vector<NaiveLine> lines;
  std::size_t at = text.find('\n') + 1;
  while (at < text.size()) {
    const std::size_t lf = text.find('\n', at);
    NaiveLine line;
    line.offset = at;
    if (lf != std::string::npos && lf > at && text[lf - 1] == '\r') {
      line.text = text.substr(at, lf - 1 - at);
      const auto entry = catalogue::parse_entry_line(line.text);
      if (entry && !entry->is_folder) line.file = entry;
      if (const auto folder = catalogue::folder_path_of_line(line.text); folder && !line.file) line.folder = std::string(*folder);
    }
    lines.push_back(std::move(line));
    if (lf == std::string::npos) break;
    at = lf + 1;
  }
  return lines;
}

TEST(FolderTotalsTest, TreeAndCountsEqualANaiveReadingOfEveryLine) {
  std::mt19937_64 rng(24);
  for (int round = 0; round < 200; ++round) {
    const std::string text = random_catalogue(rng);
    SCOPED_TRACE(text);
    auto catalogue = test::make_catalogue("c", text);
    ASSERT_TRUE(catalogue);
    const std::vector<NaiveLine> lines = naive_lines(text);

    // The naive tree: a folder holds the lines after it up to the first folder
    // line that is not below it by its path; its parent is the nearest folder
    // before it whose lines hold it.
    std::vector<std::size_t> folder_lines;  // positions in `lines`
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].folder) folder_lines.push_back(i);
    std::vector<std::size_t> ends;
    for (const std::size_t i : folder_lines) {
      std::size_t end = i + 1;
      while (end < lines.size() && !(lines[end].folder && !(lines[end].folder->size() > lines[i].folder->size() &&
                                                            lines[end].folder->starts_with(*lines[i].folder))))
        ++end;
      ends.push_back(end);
    }
    auto totals_of = [&](std::size_t begin, std::size_t end) {
      FolderTotals totals;
      for (std::size_t i = begin; i < end; ++i) {
        if (lines[i].folder) ++totals.folders;
        if (lines[i].file) {
          ++totals.files;
          totals.bytes += lines[i].file->size;
        }
      }
      return totals;
    };

    std::string error;
    // A few lines at a time on several threads, as a large catalogue is read.
    const auto tree = FolderTree::build(catalogue, error, nullptr, 3, 1 + rng() % 300);
    ASSERT_TRUE(tree) << error;
    ASSERT_EQ(tree->size(), folder_lines.size() + 1);
    EXPECT_EQ(tree->totals(FolderTree::kRoot), totals_of(0, lines.size()));
    NameDecoder decoder;
    for (std::size_t k = 0; k < folder_lines.size(); ++k) {
      const auto index = static_cast<FolderTree::Index>(k + 1);
      const NaiveLine& line = lines[folder_lines[k]];
      EXPECT_EQ(tree->line(index), line.offset);
      EXPECT_EQ(tree->totals(index), totals_of(folder_lines[k] + 1, ends[k])) << *line.folder;
      FolderTree::Index parent = FolderTree::kRoot;
      for (std::size_t j = 0; j < k; ++j)
        if (folder_lines[j] < folder_lines[k] && folder_lines[k] < ends[j]) parent = static_cast<FolderTree::Index>(j + 1);
      EXPECT_EQ(tree->parent(index), parent) << *line.folder;
      // Its path as stored (decoded, without the last separator) and a lookup by it finds a folder of that path.
      std::string expected_path;
      decoder.decode(catalogue->encoding(), std::string_view(*line.folder).substr(0, line.folder->size() - 1), expected_path);
      if (catalogue->posix_root()) std::replace(expected_path.begin(), expected_path.end(), '\\', '/');
      EXPECT_EQ(tree->path(index, decoder), expected_path);
      const FolderTree::Index found = tree->find(expected_path, decoder);
      ASSERT_NE(found, FolderTree::kNone) << expected_path;
      EXPECT_EQ(tree->path(found, decoder), expected_path);
    }
    // Each folder's files: the file lines after it up to the next folder line.
    for (FolderTree::Index folder = 0; folder < tree->size(); ++folder) {
      std::vector<std::uint64_t> expected;
      for (std::size_t i = folder == 0 ? 0 : folder_lines[folder - 1] + 1; i < lines.size() && !lines[i].folder; ++i)
        if (lines[i].file) expected.push_back(lines[i].offset);
      const auto files = tree->files(folder, decoder);
      ASSERT_TRUE(files);
      std::vector<std::uint64_t> got;
      for (const FolderFile& file : *files) {
        got.push_back(file.line);
        EXPECT_EQ(tree->folder_of_line(file.line), folder);
      }
      EXPECT_EQ(got, expected);
    }

    // The overview's counts, made a few lines at a time on several threads, add up the same.
    SearchOptions options;
    options.chunk_bytes = 1 + rng() % 200;
    options.threads = 3;
    check_catalogues({catalogue}, options);
    const CatalogueOverview overview = catalogue_overview(*catalogue, decoder);
    ASSERT_TRUE(overview.counted);
    std::uint64_t folders = 0;
    std::uint64_t skipped = 0;
    for (const NaiveLine& line : lines) {
      const auto entry = catalogue::parse_entry_line(line.text);
      folders += entry && entry->is_folder;
      skipped += !entry;
    }
    EXPECT_EQ(overview.files, tree->totals(FolderTree::kRoot).files);
    EXPECT_EQ(overview.bytes, tree->totals(FolderTree::kRoot).bytes);
    EXPECT_EQ(overview.folders, folders);
    EXPECT_EQ(overview.skipped, skipped);
  }
}

TEST(FolderTotalsTest, FindsAFolderAsAUserTypesIt) {
  const auto windows = test::make_catalogue(
      "w", test::catalogue_text("D:\\Photos\\", {"Trip\\\t0\t 2009.1.2\t8:0.0", "Trip\\Rome\\\t0\t 2009.1.2\t8:0.0",
                                                  "Trip\\rome\\\t0\t 2009.1.2\t8:0.0", "Empty\\\t0\t 2009.1.2\t8:0.0",
                                                  "Lost\\Deep\\\t0\t 2009.1.2\t8:0.0"}));
  const auto posix = test::make_catalogue(
      "p", test::catalogue_text("/mnt/usb/", {"Music\\\t0\t 2009.1.2\t8:0.0", "Music\\Live\\\t0\t 2009.1.2\t8:0.0"}));
  std::string error;
  const auto w = FolderTree::build(windows, error);
  const auto p = FolderTree::build(posix, error);
  ASSERT_TRUE(w && p);
  struct Case {
    const FolderTree& tree;
    const char* typed;
    const char* found;  // its path, or nullptr for none
  };
  const Case cases[] = {
      {*w, "", "."},
      {*w, ".", "."},
      {*w, "Trip", "Trip"},
      {*w, "Trip/Rome/", "Trip\\Rome"},
      {*w, "\\Trip\\rome", "Trip\\rome"},        // exact case first
      {*w, "EMPTY", "Empty"},                    // any case when one folder only matches
      {*w, "trip\\ROME", nullptr},               // two folders differ in case only
      {*w, "d:\\photos\\Trip", "Trip"},          // the root before it
      {*w, "D:\\Photos", "."},
      {*w, "Lost\\Deep", "Lost\\Deep"},          // below an ancestor whose line is missing
      {*w, "Lost", nullptr},
      {*w, "Tri", nullptr},
      {*p, "Music/Live", "Music/Live"},
      {*p, "music", nullptr},                    // a POSIX root: case counts
      {*p, "/mnt/usb/Music", "Music"},
  };
  NameDecoder decoder;
  for (const Case& c : cases) {
    const FolderTree::Index index = c.tree.find(c.typed, decoder);
    if (c.found == nullptr) {
      EXPECT_EQ(index, FolderTree::kNone) << c.typed;
    } else {
      ASSERT_NE(index, FolderTree::kNone) << c.typed;
      EXPECT_EQ(c.tree.path(index, decoder), c.found) << c.typed;
    }
  }
  EXPECT_EQ(w->name(w->find("Lost\\Deep", decoder), decoder), "Lost\\Deep");
  EXPECT_EQ(w->name(w->find("Trip\\Rome", decoder), decoder), "Rome");
}

TEST(FolderTotalsTest, TextsForPeople) {
  struct Age {
    std::int64_t seconds;
    const char* text;
  };
  constexpr std::int64_t kDay = 86400;
  const Age ages[] = {{-5, "in the future"}, {0, "under a minute"},  {60, "1 minute"},        {7199, "1 hour"},
                      {kDay - 1, "23 hours"}, {3 * kDay, "3 days"}, {30 * kDay, "30 days"}, {31 * kDay, "1 month"},
                      {364 * kDay, "11 months"}, {365 * kDay, "1 year"}, {800 * kDay, "2 years"}};
  for (const Age& age : ages) EXPECT_EQ(age_text(1000000000, 1000000000 + age.seconds), age.text) << age.seconds;
  struct Size {
    std::uint64_t bytes;
    const char* text;
  };
  const Size sizes[] = {{0, "0 B"},           {1023, "1023 B"},          {1536, "1.5 KB"},
                        {10 * 1024, "10 KB"}, {1048575, "1.0 MB"},       {4617726116249ULL, "4.2 TB"},
                        {~0ULL, "16 EB"}};
  for (const Size& size : sizes) EXPECT_EQ(byte_size_text(size.bytes), size.text) << size.bytes;
  std::vector<CatalogueOverview> overviews(31);
  overviews[0].files = 2400000;
  overviews[1].folders = 100000;
  overviews[2].bytes = 4617726116249ULL;
  EXPECT_EQ(overview_total_text(overviews), "31 catalogues, 2.5M entries, 4.2 TB");
  EXPECT_EQ(overview_total_text({CatalogueOverview{}}), "1 catalogue, 0 entries, 0 B");
  EXPECT_EQ(local_seconds_text(0), "1970-01-01 00:00:00");
}

TEST(FolderTotalsTest, ACatalogueCutShortWhileReadIsNoTree) {
  test::TempTree tree;
  const std::string text = test::catalogue_text("/r/", {"a\\\t0\t 2009.1.2\t8:0.0", "f\t5\t 2009.1.2\t8:0.0"});
  tree.text_file("c.lst", text);
  const std::string path = test::path_text(tree.root() / "c.lst");
  OpenProblem problem = OpenProblem::None;
  std::string message;
  std::shared_ptr<Catalogue> catalogue = Catalogue::open(CatalogueSource{path, "c.lst", "c"}, problem, message);
  ASSERT_TRUE(catalogue);
  tree.text_file("c.lst", text.substr(0, text.size() - 5));
  std::string error;
  EXPECT_FALSE(FolderTree::build(catalogue, error));
  EXPECT_EQ(error, "c.lst changed while it was read");
}

}  // namespace
}  // namespace korvint::search
