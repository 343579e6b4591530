// Duplicates and the comparison of two catalogues against naive ones that
// read every line, build every path and hold it as a string: random trees
// written in UTF-8 or Windows-1252 under Windows and POSIX roots, a backup
// made from each with files dropped, changed, added, renamed in case and
// folders dropped whole. Then the path rules, one table.

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <random>
#include <set>

#include "catalogue/parse_lines.h"
#include "platform/case_folding.h"
#include "search/compare.h"
#include "search/compare_runs.h"
#include "search/duplicates.h"
#include "search/forward_lines.h"
#include "search/hit_list.h"
#include "search/result_line.h"
#include "search_fixture.h"

namespace korvint::search {
namespace {

// Name pieces in UTF-8 and as Windows-1252 writes them; case twins on purpose.
struct Piece {
  const char* utf8;
  const char* code_page;
};
constexpr Piece kPieces[] = {{"holiday", "holiday"}, {"HOLIDAY", "HOLIDAY"}, {"zebra", "zebra"},
                             {"\xC3\xA4rger", "\xE4rger"}, {"\xC3\x84RGER", "\xC4RGER"}, {"caf\xC3\xA9", "caf\xE9"},
                             {"cafe", "cafe"}, {"IMG_1", "IMG_1"}};
constexpr const char* kExtensions[] = {".jpg", ".JPG", ".txt"};

struct File {
  std::vector<int> name;  // pieces
  int extension = 0;
  std::uint64_t size = 0;
  int date = 0;
};
struct Folder {
  std::vector<int> name;
  int date = 0;
  std::vector<File> files;
  std::vector<Folder> folders;
};

class Trees {
 public:
  explicit Trees(std::uint64_t seed) : rng_(seed) {}
  std::uint64_t below(std::uint64_t bound) { return std::uniform_int_distribution<std::uint64_t>(0, bound - 1)(rng_); }

  Folder make(int depth = 0) {
    Folder folder{name(), static_cast<int>(below(3)), {}, {}};
    for (std::uint64_t i = below(6); i > 0; --i) folder.files.push_back(file());
    if (depth < 3)
      for (std::uint64_t i = below(depth == 0 ? 5 : 3); i > 0; --i) folder.folders.push_back(make(depth + 1));
    return folder;
  }

  // A backup of `tree`: files dropped, resized, redated, renamed in case, added; folders dropped whole.
  Folder backup(Folder tree) {
    std::erase_if(tree.files, [&](const File&) { return below(12) == 0; });
    for (File& file : tree.files) {
      if (below(10) == 0) file.size += 1;
      if (below(10) == 0) file.date = (file.date + 1) % 3;
      if (below(10) == 0) file.extension = file.extension == 0 ? 1 : file.extension == 1 ? 0 : 2;
    }
    if (below(5) == 0) tree.files.push_back(file());
    std::erase_if(tree.folders, [&](const Folder&) { return below(6) == 0; });
    for (Folder& folder : tree.folders) folder = backup(std::move(folder));
    if (below(8) == 0) tree.folders.push_back(make(3));
    return tree;
  }

  // The catalogue text: the root's files, then each folder's line and what is below it.
  std::string text(const std::string& root, const Folder& tree, bool code_page) {
    std::string out = root + "\r\n";
    write(out, tree, "", code_page);
    return out;
  }

  std::string piece_text(const std::vector<int>& pieces, bool code_page) const {
    std::string out;
    for (int piece : pieces) out += (out.empty() ? "" : "_") + std::string(code_page ? kPieces[piece].code_page : kPieces[piece].utf8);
    return out;
  }

 private:
  std::vector<int> name() {
    std::vector<int> pieces;
    for (std::uint64_t i = 1 + below(2); i > 0; --i) pieces.push_back(static_cast<int>(below(std::size(kPieces))));
    return pieces;
  }
  File file() {
    static constexpr std::uint64_t kSizes[] = {0, 10, 1000, 5000000000ULL};
    return File{name(), static_cast<int>(below(3)), kSizes[below(4)], static_cast<int>(below(3))};
  }
  static std::string date(int which) { return which == 0 ? " 2019.1.2\t3:4.5" : which == 1 ? " 2019.1.2\t3:4.6" : " 2021.7.8\t9:10.11"; }

  void write(std::string& out, const Folder& folder, const std::string& path, bool code_page) {
    std::set<std::string> written;  // a folder never holds one name twice
    for (const File& file : folder.files) {
      const std::string name = piece_text(file.name, code_page) + kExtensions[file.extension];
      if (written.insert(name).second) out += name + "\t" + std::to_string(file.size) + "\t" + date(file.date) + "\r\n";
    }
    for (const Folder& sub : folder.folders) {
      const std::string sub_path = path + piece_text(sub.name, code_page) + "\\";
      if (!written.insert(sub_path).second) continue;
      out += sub_path + "\t0\t" + date(sub.date) + "\r\n";
      write(out, sub, sub_path, code_page);
    }
  }

  std::mt19937_64 rng_;
};

// One entry as the naive readers see it: every line read, its path built.
struct Line {
  std::uint64_t offset;
  std::string folder;  // relative, decoded, ending in "\" ("" for the root)
  std::string name;    // decoded
  catalogue::EntryLine entry;
  [[nodiscard]] std::string path() const { return folder + name + (entry.is_folder ? "\\" : ""); }
};

std::vector<Line> every_line(const Catalogue& catalogue, const std::string& text, const Matcher& matcher) {
  std::vector<Line> lines;
  NameDecoder decoder("windows-1252");
  MatchScratch scratch("windows-1252");
  std::string raw_folder;  // the folder of the file lines that follow, as stored
  for (std::size_t start = catalogue.body_begin(); start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    const auto entry = catalogue::parse_entry_line(std::string_view(text).substr(start, end - start));
    EXPECT_TRUE(entry);
    if (entry->is_folder) raw_folder.assign(entry->path);
    if (matcher.matches(catalogue, catalogue.encoding(), *entry, entry->is_folder ? "" : raw_folder, scratch)) {
      Line read{start, {}, {}, *entry};
      const std::string_view parent =
          entry->is_folder ? entry->path.substr(0, entry->path.size() - entry->name.size() - 1) : raw_folder;
      decoder.decode(catalogue.encoding(), parent, read.folder);
      decoder.decode(catalogue.encoding(), entry->name, read.name);
      lines.push_back(std::move(read));
    }
    start = end + 2;
  }
  return lines;
}

Matcher matcher_of(const std::string& words) {
  if (words.empty()) {
    Term every;  // as compare_catalogues() reads every entry
    every.kind = TermKind::Date;
    return Matcher(Query{{every}});
  }
  std::string error;
  return Matcher(*parse_query(words, error));
}

// A key hash under which every two names or paths of one length collide:
// put in place for a third of the seeds, it must change no result.
std::uint64_t length_only(std::string_view text, std::uint64_t) { return (text.size() + 1) * 0x9E3779B97F4A7C15ULL; }
class CollidingKeys {
 public:
  explicit CollidingKeys(bool on) {
    if (on) set_key_hash(length_only);
  }
  ~CollidingKeys() { set_key_hash(nullptr); }
  CollidingKeys(const CollidingKeys&) = delete;
  CollidingKeys& operator=(const CollidingKeys&) = delete;
};

constexpr const char* kRoots[] = {"D:\\Disk\\", "/home/ann/", "\\\\nas\\share\\", "/mnt/usb/"};

TEST(DuplicatesTest, GroupsAsANaiveReadingOfEveryLineDoes) {
  constexpr const char* kQueries[] = {"", "ext:jpg", "-zebra", "in:c0,c2"};
  const DuplicateKeys kKeys[] = {{true, true, false}, {false, true, true}, {true, false, false}};
  for (std::uint64_t seed = 1; seed <= 30; ++seed) {
    const CollidingKeys colliding(seed % 3 == 1);
    Trees trees(seed);
    std::vector<std::string> texts;
    std::vector<std::shared_ptr<Catalogue>> catalogues;
    const Folder first = trees.make();
    for (int c = 0; c < 3; ++c) {
      // Catalogues that share much, as disks and their backups do.
      texts.push_back(trees.text(kRoots[trees.below(4)], c == 0 ? first : trees.backup(first), trees.below(3) == 0));
      catalogues.push_back(test::make_catalogue("c" + std::to_string(c), texts.back()));
      check_catalogues({catalogues.back()}, {});  // the encoding the naive reading decodes with
    }
    for (const char* words : kQueries) {
      for (const DuplicateKeys& keys : kKeys) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " query \"" + words + "\" keys " + std::to_string(keys.name) +
                     std::to_string(keys.size) + std::to_string(keys.date));
        // Naive: every file with its key held as a string, grouped in a map.
        const Matcher matcher = matcher_of(words);
        std::map<std::tuple<std::string, std::uint64_t, std::uint64_t>, std::vector<std::pair<std::size_t, std::uint64_t>>> naive;
        for (std::size_t c = 0; c < catalogues.size(); ++c) {
          if (!matcher.selects(*catalogues[c])) continue;
          for (const Line& line : every_line(*catalogues[c], texts[c], matcher)) {
            if (line.entry.is_folder || line.entry.size == 0) continue;
            std::string folded;
            platform::fold_for_search(line.name, folded, platform::Marks::Keep);
            naive[{keys.name ? folded : "", keys.size ? line.entry.size : 0, keys.date ? line.entry.time.packed() : 0}]
                .emplace_back(c, line.offset);
          }
        }
        std::vector<std::tuple<std::uint64_t, std::size_t, std::vector<std::pair<std::size_t, std::uint64_t>>>> expected;
        for (auto& [key, files] : naive) {
          if (files.size() < 2) continue;
          std::uint64_t total = 0, largest = 0;
          for (const auto& [c, offset] : files) {
            const auto entry = catalogue::parse_entry_line(std::string_view(texts[c]).substr(offset, texts[c].find("\r\n", offset) - offset));
            total += entry->size;
            largest = std::max(largest, entry->size);
          }
          expected.emplace_back(total - largest, files.size(), files);
        }
        std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
          if (std::get<0>(a) != std::get<0>(b)) return std::get<0>(a) > std::get<0>(b);
          if (std::get<1>(a) != std::get<1>(b)) return std::get<1>(a) > std::get<1>(b);
          return std::get<2>(a).front() < std::get<2>(b).front();
        });

        std::string error;
        SearchOptions options;
        options.threads = 1 + static_cast<unsigned>(seed % 3);
        options.code_page = "windows-1252";
        options.chunk_bytes = 256;
        // Runs told apart in parts of a few keys for half the seeds (a run larger than that a part of its own).
        const std::size_t part_keys = seed % 2 == 0 ? 0 : seed % 5;
        const Duplicates found =
            find_duplicates(catalogues, words[0] ? *parse_query(words, error) : Query{}, keys, options, nullptr, part_keys);
        ASSERT_EQ(found.groups.size(), expected.size());
        for (std::size_t g = 0; g < expected.size(); ++g) {
          const DuplicateGroup& group = found.groups[g];
          EXPECT_EQ(group.wasted, std::get<0>(expected[g])) << "group " << g;
          std::vector<std::pair<std::size_t, std::uint64_t>> members;
          for (const Hit& hit : found.members(group)) members.emplace_back(hit.catalogue(), hit.line);
          EXPECT_EQ(members, std::get<2>(expected[g])) << "group " << g;
        }
      }
    }
  }
}

TEST(DuplicatesTest, ACancelledSearchGivesNothingAndSaysSo) {
  const auto a = test::make_catalogue("a", "D:\\\r\nx.jpg\t5\t 2019.1.1\t0:0.0\r\nX.JPG\t5\t 2019.1.1\t0:0.0\r\n");
  const std::atomic<bool> cancel{true};
  const Duplicates found = find_duplicates({a}, Query{}, DuplicateKeys{}, SearchOptions{}, &cancel);
  EXPECT_TRUE(found.outcome.cancelled);
  EXPECT_TRUE(found.groups.empty());
  const Comparison comparison = compare_catalogues(CompareSide{a, ""}, CompareSide{a, "nowhere"}, Query{}, {}, &cancel);
  EXPECT_TRUE(comparison.cancelled);
  EXPECT_TRUE(comparison.differences.empty());
  EXPECT_EQ(find_duplicates({a}, Query{}, DuplicateKeys{}, SearchOptions{}).groups.size(), 1u);
}

TEST(DuplicatesTest, ReadsItsKeys) {
  std::string error;
  const auto keys = parse_duplicate_keys("Size,DATE", error);
  ASSERT_TRUE(keys);
  EXPECT_TRUE(!keys->name && keys->size && keys->date);
  EXPECT_FALSE(parse_duplicate_keys("name,colour", error));
  EXPECT_NE(error.find("not \"name,colour\""), std::string::npos);
  EXPECT_FALSE(parse_duplicate_keys("name,", error));
}

// The naive comparison: every path held as a string, a folder missing as a
// whole found by its path, its bytes summed up the chain of missing folders.
struct NaiveSide {
  const Catalogue* catalogue;
  std::vector<Line> lines;
  std::vector<std::string> keys;     // "" outside the compared folder
  std::vector<std::string> display;  // below the compared folder, the catalogue's separator
  bool has_folder = false;           // the compared folder is there (empty or not)
};

NaiveSide naive_side(const Catalogue& catalogue, const std::string& text, const Matcher& matcher,
                     const std::string& folder, bool ignore_case) {
  NaiveSide side{&catalogue, every_line(catalogue, text, matcher), {}, {}, folder.empty()};
  auto key_of = [&](std::string path) {
    std::string key = path;
    if (ignore_case) platform::fold_case(path, key);
    std::replace(key.begin(), key.end(), '/', '\\');
    return key;
  };
  std::string prefix = key_of(folder);
  if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
  const auto levels = std::count(prefix.begin(), prefix.end(), '\\');
  for (const Line& line : side.lines) {
    const std::string key = key_of(line.path());
    side.has_folder = side.has_folder || key.compare(0, prefix.size(), prefix) == 0;
    const bool below = key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0;
    side.keys.push_back(below ? key.substr(prefix.size()) : "");
    std::string shown = line.path();
    for (auto l = 0; l < levels; ++l) shown.erase(0, shown.find('\\') + 1);
    if (catalogue.posix_root()) std::replace(shown.begin(), shown.end(), '\\', '/');
    side.display.push_back(shown);
  }
  return side;
}

std::string parent_key(const std::string& key) {
  const std::string trimmed = key.back() == '\\' ? key.substr(0, key.size() - 1) : key;
  const std::size_t cut = trimmed.rfind('\\');
  return cut == std::string::npos ? "" : trimmed.substr(0, cut + 1);
}

std::string time_text(const catalogue::CalendarTime& time) {
  std::string text;
  catalogue::append_time_text(text, time);
  return text;
}

// The lines of one side's entries the other lacks (and, for A, those that changed).
void naive_lines(const NaiveSide& side, const NaiveSide& other, char sign, const CompareOptions& options,
                 std::vector<std::string>& out, std::uint64_t& bytes_only) {
  std::map<std::string, std::size_t> in_other;
  for (std::size_t i = 0; i < other.lines.size(); ++i)
    if (!other.keys[i].empty()) in_other.emplace(other.keys[i], i);
  std::map<std::string, std::size_t> missing;  // a folder key -> its line, or npos when it has none
  std::map<std::size_t, std::uint64_t> folder_bytes;
  std::vector<std::pair<std::size_t, std::size_t>> shown;  // (line index, entry index)
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < side.lines.size(); ++i) {
    const std::string& key = side.keys[i];
    if (key.empty()) continue;
    const catalogue::EntryLine& entry = side.lines[i].entry;
    if (const auto found = in_other.find(key); found != in_other.end()) {
      const catalogue::EntryLine& twin = other.lines[found->second].entry;
      if (sign == '-' && !entry.is_folder &&
          (entry.size != twin.size || (!options.ignore_date && !(entry.time == twin.time))))
        texts.push_back("~\t" + side.display[i] + "\t" + std::to_string(entry.size) + "\t" + time_text(entry.time) + "\t" +
                        std::to_string(twin.size) + "\t" + time_text(twin.time));
      continue;
    }
    const bool folded = !options.all && missing.count(parent_key(key)) != 0;
    std::size_t line = std::string::npos;
    if (!folded) {
      line = texts.size();
      texts.push_back(std::string(1, sign) + "\t" + side.display[i] + "\t");
      shown.emplace_back(line, i);
    }
    if (entry.is_folder) {
      missing.emplace(key, line);
      continue;
    }
    bytes_only += entry.size;
    folder_bytes[line] += entry.size;
    for (std::string up = parent_key(key); missing.count(up) != 0; up = parent_key(up)) folder_bytes[missing[up]] += entry.size;
  }
  for (const auto& [line, i] : shown) {
    texts[line] += std::to_string(folder_bytes[line]) + "\t" + time_text(side.lines[i].entry.time);
  }
  out.insert(out.end(), texts.begin(), texts.end());
}

// The comparison's lines as the command line prints them.
std::vector<std::string> lines_of(const Comparison& comparison) {
  std::vector<std::string> lines;
  NameDecoder decoder("windows-1252");
  for (const Difference& difference : comparison.differences) {
    std::string path;
    EXPECT_TRUE(comparison.relative_path(difference.entry, difference.kind == DifferenceKind::OnlyInB, decoder, path));
    std::string line = std::string(1, static_cast<char>(difference.kind)) + "\t" + path + "\t" +
                       std::to_string(difference.bytes) + "\t" + time_text(difference.entry.time());
    if (difference.kind == DifferenceKind::Changed)
      line += "\t" + std::to_string(difference.other.size) + "\t" + time_text(difference.other.time());
    lines.push_back(line);
  }
  return lines;
}

TEST(CompareTest, FindsWhatANaiveReadingOfEveryPathFinds) {
  constexpr const char* kQueries[] = {"", "ext:jpg", "-zebra"};
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    const CollidingKeys colliding(seed % 3 == 1);
    Trees trees(seed);
    const Folder tree = trees.make();
    const std::string roots[2] = {kRoots[trees.below(4)], kRoots[trees.below(4)]};
    const std::string texts[2] = {trees.text(roots[0], tree, trees.below(3) == 0),
                                  trees.text(roots[1], trees.backup(tree), trees.below(3) == 0)};
    const auto a = test::make_catalogue("a", texts[0]);
    const auto b = test::make_catalogue("b", texts[1]);
    // Mostly with their encodings known; else the search learns them as it
    // goes, and the keys of the lines it read before are read again.
    if (seed % 4 != 0) check_catalogues({a, b}, {});
    // Below the root, or below a first-level folder of the tree's under another case and separator.
    std::string folder;
    if (seed % 3 == 0 && !tree.folders.empty()) folder = trees.piece_text(tree.folders.front().name, false) + "/";
    for (const char* words : kQueries) {
      for (int flags = 0; flags < 4; ++flags) {
        CompareOptions options;
        options.all = (flags & 1) != 0;
        options.ignore_date = (flags & 2) != 0;
        options.search.code_page = "windows-1252";
        options.search.chunk_bytes = 512;
        options.search.threads = 1 + static_cast<unsigned>(seed % 2);
        SCOPED_TRACE("seed " + std::to_string(seed) + " query \"" + words + "\" folder \"" + folder + "\" all " +
                     std::to_string(options.all) + " ignore date " + std::to_string(options.ignore_date));
        // (Compared first: the naive reading decodes in the encoding the search learnt.)
        std::string error;
        const Comparison comparison = compare_catalogues(CompareSide{a, folder}, CompareSide{b, folder},
                                                         words[0] ? *parse_query(words, error) : Query{}, options);
        const bool ignore_case = paths_ignore_case(roots[0], roots[1]);
        const Matcher matcher = matcher_of(words);
        const NaiveSide naive_a = naive_side(*a, texts[0], matcher, folder, ignore_case);
        const NaiveSide naive_b = naive_side(*b, texts[1], matcher, folder, ignore_case);
        std::vector<std::string> expected;
        std::uint64_t bytes_a = 0, bytes_b = 0;
        naive_lines(naive_a, naive_b, '-', options, expected, bytes_a);
        naive_lines(naive_b, naive_a, '+', options, expected, bytes_b);

        // A folder a catalogue lacks is an error; with a query, finding nothing below it is an answer.
        if (words[0] == '\0' && (!naive_a.has_folder || !naive_b.has_folder)) {
          ASSERT_EQ(comparison.errors.size(), 1u);
          EXPECT_EQ(comparison.errors[0], std::string(naive_a.has_folder ? "b" : "a") + " has no folder \"" + folder + "\"");
          continue;
        }
        ASSERT_TRUE(comparison.errors.empty()) << comparison.errors.front();
        const std::vector<std::string> lines = lines_of(comparison);
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(comparison.only_in_a_bytes, bytes_a);
        EXPECT_EQ(comparison.only_in_b_bytes, bytes_b);
      }
    }
  }
}

TEST(CompareTest, FollowsThePathRules) {
  const std::string photos = "Photos\\\t0\t 2019.1.1\t0:0.0\r\nA.JPG\t10\t 2019.1.1\t0:0.0\r\n";
  const std::string year = "Photos\\2019\\\t0\t 2019.2.2\t0:0.0\r\nb.jpg\t20\t 2019.2.2\t0:0.0\r\n"
                           "Photos\\2019\\x\\\t0\t 2019.2.3\t0:0.0\r\nc.jpg\t30\t 2019.2.3\t0:0.0\r\n";
  const std::string lower = "photos\\\t0\t 2019.1.1\t0:0.0\r\na.jpg\t10\t 2019.1.1\t0:0.0\r\n";
  struct Case {
    const char* what;
    std::string a, b;  // the catalogues' texts
    const char* folder_a;
    const char* folder_b;
    bool all, ignore_date;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a drive root compares without case", "D:\\\r\n" + photos, "/mnt/\r\n" + lower, "", "", false, false, {}},
      {"a UNC root too", "/mnt/\r\n" + photos, "\\\\nas\\share\\\r\n" + lower, "", "", false, false, {}},
      {"two POSIX roots compare bytes, B's paths with its separator",
       "/a/\r\n" + photos,
       "/b/\r\n" + lower,
       "", "", false, false,
       {"-\tPhotos/\t10\t2019-01-01 00:00:00", "+\tphotos/\t10\t2019-01-01 00:00:00"}},
      {"a folder missing as a whole is one line with the bytes below it", "D:\\\r\n" + photos + year,
       "E:\\\r\n" + photos, "", "", false, false, {"-\tPhotos\\2019\\\t50\t2019-02-02 00:00:00"}},
      {"--all lists what is below it", "D:\\\r\n" + photos + year, "E:\\\r\n" + photos, "", "", true, false,
       {"-\tPhotos\\2019\\\t50\t2019-02-02 00:00:00", "-\tPhotos\\2019\\b.jpg\t20\t2019-02-02 00:00:00",
        "-\tPhotos\\2019\\x\\\t30\t2019-02-03 00:00:00", "-\tPhotos\\2019\\x\\c.jpg\t30\t2019-02-03 00:00:00"}},
      {"A:FOLDER and B:FOLDER in another case and separator", "D:\\\r\n" + photos + year,
       "E:\\\r\nBackup\\\t0\t 2019.1.1\t0:0.0\r\nBackup\\photos\\\t0\t 2019.1.1\t0:0.0\r\n"
       "Backup\\photos\\2019\\\t0\t 2019.2.2\t0:0.0\r\nB.JPG\t21\t 2019.2.2\t0:0.0\r\n",
       "photos/2019", "backup/PHOTOS/2019/", false, false,
       {"~\tb.jpg\t20\t2019-02-02 00:00:00\t21\t2019-02-02 00:00:00", "-\tx\\\t30\t2019-02-03 00:00:00"}},
      {"a date alone differs unless ignored", "D:\\\r\nf.txt\t5\t 2019.1.1\t0:0.0\r\n",
       "E:\\\r\nf.txt\t5\t 2020.1.1\t0:0.0\r\n", "", "", false, false,
       {"~\tf.txt\t5\t2019-01-01 00:00:00\t5\t2020-01-01 00:00:00"}},
      {"--ignore-date", "D:\\\r\nf.txt\t5\t 2019.1.1\t0:0.0\r\n", "E:\\\r\nf.txt\t5\t 2020.1.1\t0:0.0\r\n",
       "", "", false, true, {}},
      {"a name holding \"\\\" on Linux is the path of a file below a folder", "/a/\r\nx\\y\t5\t 2019.1.1\t0:0.0\r\n",
       "/b/\r\nx\\\t0\t 2019.1.1\t0:0.0\r\ny\t5\t 2019.1.1\t0:0.0\r\n", "", "", false, false,
       {"+\tx/\t0\t2019-01-01 00:00:00"}},
      {"a file and a folder of one name are two entries", "D:\\\r\nx\t5\t 2019.1.1\t0:0.0\r\n",
       "E:\\\r\nx\\\t0\t 2019.1.1\t0:0.0\r\n", "", "", false, false,
       {"-\tx\t5\t2019-01-01 00:00:00", "+\tx\\\t0\t2019-01-01 00:00:00"}},
      {"a name read as UTF-8 until a later line shows the code page: its key is the code page's",
       "D:\\\r\na.txt\t5\t 2019.1.1\t0:0.0\r\ncaf\xC3\xA9.txt\t5\t 2019.1.1\t0:0.0\r\nb.txt\t5\t 2019.1.1\t0:0.0\r\n"
       "z\xE9.txt\t5\t 2019.1.1\t0:0.0\r\n",
       "E:\\\r\na.txt\t5\t 2019.1.1\t0:0.0\r\ncaf\xC3\x83\xC2\xA9.txt\t5\t 2019.1.1\t0:0.0\r\nb.txt\t6\t 2019.1.1\t0:0.0\r\n"
       "z\xC3\xA9.txt\t5\t 2019.1.1\t0:0.0\r\n",
       "", "", false, false, {"~\tb.txt\t5\t2019-01-01 00:00:00\t6\t2019-01-01 00:00:00"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CompareOptions options;
    options.all = c.all;
    options.ignore_date = c.ignore_date;
    options.search.code_page = "windows-1252";
    const Comparison comparison = compare_catalogues(CompareSide{test::make_catalogue("a", c.a), c.folder_a},
                                                     CompareSide{test::make_catalogue("b", c.b), c.folder_b}, Query{}, options);
    ASSERT_TRUE(comparison.errors.empty()) << comparison.errors.front();
    EXPECT_EQ(lines_of(comparison), c.lines);
  }
}

// Keys are made as the search finds each entry, before a catalogue's
// encoding is known: a name that reads as UTF-8 in a catalogue that turns out
// to be in the code page has the code page's key, on either side, whether
// the line that shows it lies in the same chunk (its lines verified again) or
// a later one; a file of a folder only one side holds goes to its line.
TEST(CompareTest, KeysMadeBeforeTheEncodingIsKnownAreThoseOfTheEncodingFound) {
  const std::string file = "\t5\t 2019.1.1\t0:0.0\r\n";
  const std::string folder = "\t0\t 2019.1.1\t0:0.0\r\n";
  // The same paths, in windows-1252 (valid UTF-8 until "z\xE9") and in UTF-8.
  const std::string code_page = "D:\\\r\na.txt" + file + "caf\xC3\xA9.txt" + file + "d\xC3\xA9j\xC3\xA0\\" + folder +
                                "b.txt" + file + "z\xE9.txt" + file + "\xC3\xBC\\" + folder + "c.txt\t7\t 2019.1.1\t0:0.0\r\n";
  const std::string deja = "d\xC3\x83\xC2\xA9j\xC3\x83\xC2\xA0\\";
  const std::string utf8 = "E:\\\r\na.txt" + file + "caf\xC3\x83\xC2\xA9.txt" + file + deja + folder +
                           "b.txt\t6\t 2019.1.1\t0:0.0\r\nz\xC3\xA9.txt" + file;
  const std::string day = "\t2019-01-01 00:00:00";
  for (const bool code_page_first : {true, false}) {
    for (const std::uint64_t chunk_bytes : {std::uint64_t{48}, std::uint64_t{4} << 20}) {
      for (const unsigned threads : {1u, 2u}) {
        SCOPED_TRACE("code page first " + std::to_string(code_page_first) + " chunk " + std::to_string(chunk_bytes) +
                     " threads " + std::to_string(threads));
        CompareOptions options;
        options.search.code_page = "windows-1252";
        options.search.chunk_bytes = chunk_bytes;
        options.search.threads = threads;
        // Fresh catalogues: their encodings are learnt by this search.
        const auto x = test::make_catalogue("x", code_page);
        const auto y = test::make_catalogue("y", utf8);
        const Comparison comparison = code_page_first
                                          ? compare_catalogues(CompareSide{x, ""}, CompareSide{y, ""}, Query{}, options)
                                          : compare_catalogues(CompareSide{y, ""}, CompareSide{x, ""}, Query{}, options);
        ASSERT_TRUE(comparison.errors.empty()) << comparison.errors.front();
        EXPECT_EQ(x->encoding(), TextEncoding::CodePage);
        const std::vector<std::string> expected =
            code_page_first ? std::vector<std::string>{"~\t" + deja + "b.txt\t5" + day + "\t6" + day,
                                                       "-\t\xC3\x83\xC2\xBC\\\t7" + day}
                            : std::vector<std::string>{"~\t" + deja + "b.txt\t6" + day + "\t5" + day,
                                                       "+\t\xC3\x83\xC2\xBC\\\t7" + day};
        EXPECT_EQ(lines_of(comparison), expected);
      }
    }
  }
}

// Lines read forward from a buffer of a few bytes are the lines line_at()
// reads: ahead of the buffer, inside it, behind it, longer than it, the last
// line without its line end, across two catalogues.
TEST(ForwardLinesTest, ReadsWhatLineAtReads) {
  const std::string texts[2] = {"D:\\\r\nshort\t1\t 2019.1.1\t0:0.0\r\na rather longer name than a block\t2\t 2019.1.1\t0:0.0\r\n"
                                "Folder\\\t0\t 2019.1.1\t0:0.0\r\nno tab here\r\nlast\t3\t 2019.1.1\t0:0.0",
                                "/x/\r\nb\t1\t 2019.1.1\t0:0.0\r\nc\t1\t 2019.1.1\t0:0.0\n"};
  const std::shared_ptr<Catalogue> catalogues[2] = {test::make_catalogue("a", texts[0]), test::make_catalogue("b", texts[1])};
  std::vector<std::pair<int, std::uint64_t>> lines;  // every line of both, in order
  for (int c = 0; c < 2; ++c)
    for (std::size_t at = catalogues[c]->body_begin(); at < texts[c].size(); at = texts[c].find('\n', at) + 1) {
      lines.emplace_back(c, at);
      if (texts[c].find('\n', at) == std::string::npos) break;
    }
  // Forward, every other line, then backwards (each behind the buffer).
  std::vector<std::pair<int, std::uint64_t>> orders = lines;
  for (std::size_t i = 0; i < lines.size(); i += 2) orders.push_back(lines[i]);
  orders.insert(orders.end(), lines.rbegin(), lines.rend());
  for (const std::size_t block : {std::size_t{8}, std::size_t{40}, std::size_t{1} << 16}) {
    ForwardLines reader(block);
    for (const auto& [c, at] : orders) {
      SCOPED_TRACE("block " + std::to_string(block) + " catalogue " + std::to_string(c) + " line at " + std::to_string(at));
      std::string expected;
      ASSERT_TRUE(catalogues[c]->line_at(at, expected));
      std::string_view line;
      ASSERT_TRUE(reader.line_at(*catalogues[c], at, line));
      EXPECT_EQ(line, expected);
      std::string_view field;
      EXPECT_EQ(reader.first_field_at(*catalogues[c], at, field), expected.find('\t') != std::string::npos);
      if (expected.find('\t') != std::string::npos) {
        EXPECT_EQ(field, expected.substr(0, expected.find('\t')));
      }
    }
    std::string_view none;
    EXPECT_FALSE(reader.line_at(*catalogues[0], texts[0].size(), none));
  }
}

// The result lines made forward are append_result_line()'s, files and
// folders, under every kind of root and in both encodings, across catalogues.
TEST(ForwardLinesTest, ResultLinesAreAppendResultLines) {
  for (std::uint64_t seed = 1; seed <= 8; ++seed) {
    Trees trees(seed);
    std::vector<std::shared_ptr<Catalogue>> catalogues;
    for (int c = 0; c < 2; ++c) {
      catalogues.push_back(test::make_catalogue("c" + std::to_string(c), trees.text(kRoots[(seed + c) % 4], trees.make(), (seed + c) % 2 == 0)));
      check_catalogues({catalogues.back()}, {});
    }
    HitStore hits;
    std::vector<std::shared_ptr<const Catalogue>> searched;
    SearchOptions options;
    options.code_page = "windows-1252";
    collect_hits(catalogues, matcher_of(""), options, hits, searched, nullptr);
    ForwardResultLines forward("windows-1252");
    NameDecoder decoder("windows-1252");
    for (std::size_t i = 0; i < hits.size(); ++i) {
      std::string expected, made;
      ASSERT_TRUE(append_result_line(expected, *searched[hits[i].catalogue()], hits[i], decoder));
      ASSERT_TRUE(forward.append(made, *searched[hits[i].catalogue()], hits[i]));
      EXPECT_EQ(made, expected) << "seed " << seed;
    }
  }
}

// The comparison keys each hit as the search finds it: a chunk searched
// once is shown to one recorder, or the keys made of it are dropped as
// those of a chunk searched twice and every path is read again.
TEST(HitObserverTest, AChunkSearchedOnceIsShownToOneRecorder) {
  struct Counting final : HitObserver {
    mutable std::mutex mutex;
    mutable std::map<std::uint64_t, int> opened;  // by the chunk's first byte
    std::unique_ptr<HitRecorder> open(const Catalogue&, std::size_t, const Chunk& chunk) const override {
      const std::lock_guard lock(mutex);
      ++opened[chunk.begin];
      return nullptr;
    }
  };
  Trees trees(3);
  const auto catalogue = test::make_catalogue("c", trees.text(kRoots[0], trees.make(), true));
  check_catalogues({catalogue}, {});
  Counting counting;
  SearchOptions options;
  options.code_page = "windows-1252";
  options.chunk_bytes = 512;  // several chunks
  options.observer = &counting;
  HitStore hits;
  std::vector<std::shared_ptr<const Catalogue>> searched;
  collect_hits({catalogue}, matcher_of(""), options, hits, searched, nullptr);
  ASSERT_GT(hits.size(), 0u);
  EXPECT_GT(counting.opened.size(), 1u);
  for (const auto& [begin, times] : counting.opened) EXPECT_EQ(times, 1) << "the chunk at " << begin;
}

// The chunks a worker searches in turn keep their records one after another
// in one lane; each run must see its own records, wherever its lane stood,
// and a catalogue opened afresh must see none of the version before.
TEST(CompareRunsTest, RunsShareLanesInTurnAndSeeOnlyTheirOwnRecords) {
  using namespace compare_detail;
  const auto old_version = test::make_catalogue("c", "C:\\\n");
  const auto new_version = test::make_catalogue("c", "C:\\\n");
  Runs runs;
  auto fill = [](compare_detail::Run& run, std::initializer_list<std::uint64_t> lines) {
    for (const std::uint64_t line : lines) run.lane->records.push_back(Record{line, {}, 0});
  };
  auto lines_of = [](const compare_detail::Run& run) {
    std::vector<std::uint64_t> lines;
    for (const Record& record : run.records) lines.push_back(record.line);
    return lines;
  };
  EXPECT_FALSE(runs.start(*old_version));
  auto first = runs.open(*old_version, Chunk{0, 10}, 1 << 20);
  auto second = runs.open(*old_version, Chunk{10, 20}, 1 << 20);  // while the first is filled
  EXPECT_NE(first->lane, second->lane);
  fill(*first, {1, 2});
  fill(*second, {11});
  runs.add(std::move(second));
  auto third = runs.open(*old_version, Chunk{20, 30}, 1 << 20);  // after the second, in its lane
  fill(*third, {21, 22});
  fill(*first, {3});
  runs.add(std::move(first));
  runs.add(std::move(third));
  auto again = runs.open(*old_version, Chunk{10, 20}, 1 << 20);  // its lines settled by the encoding
  fill(*again, {12});
  runs.add(std::move(again));
  const auto taken = runs.take(old_version.get());
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(lines_of(*taken[0]), (std::vector<std::uint64_t>{1, 2, 3}));
  EXPECT_EQ(lines_of(*taken[1]), (std::vector<std::uint64_t>{21, 22}));

  EXPECT_TRUE(runs.start(*new_version));
  auto fresh = runs.open(*new_version, Chunk{0, 30}, 1 << 20);
  EXPECT_EQ(fresh->first, 0u);
  fill(*fresh, {5});
  runs.add(std::move(fresh));
  const auto retaken = runs.take(new_version.get());
  ASSERT_EQ(retaken.size(), 1u);
  EXPECT_EQ(lines_of(*retaken[0]), (std::vector<std::uint64_t>{5}));
}

}  // namespace
}  // namespace korvint::search
