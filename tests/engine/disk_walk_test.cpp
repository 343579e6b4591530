// The walker on real folders of this platform: sizes, times, links and names
// as the file system reports them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

#include "engine/catalogue_writer.h"
#include "engine/folder_prefetch.h"
#include "engine/opened_root_source.h"
#include "engine/walker.h"
#include "platform/clock.h"
#include "support/catalogue_reader.h"
#include "support/memory_output.h"
#include "support/temp_tree.h"
#include "support/walk_host.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#endif

namespace korvint::engine {
namespace {

namespace fs = std::filesystem;
using test::parse_catalogue;
using test::ParsedCatalogue;
using test::reported_creation_time;
using test::TempTree;
using test::utc_seconds;

struct DiskWalk {
  ParsedCatalogue parsed;
  WalkResult result;
  std::string raw;
};

DiskWalk walk_tree(const TempTree& tree, std::int64_t offset = 0) {
  auto source = platform::make_system_folder_source();
  test::MemoryOutputFile out;
  CatalogueWriter writer(out);
  std::string root = tree.root_text();
  writer.header(root);
  test::RecordingWalkHost host;
  TurnPacer pacer(host);
  Walker walker(*source, writer, pacer, offset);
  std::int32_t files = 0, dirs = 0;
  DiskWalk walk;
  walk.result = walker.FindFilesAPI(root, "*.*", files, dirs);
  (void)writer.flush();
  walk.raw = out.content;
  walk.parsed = parse_catalogue(out.content);
  return walk;
}

std::string folder_line(const std::string& relative, std::int64_t created, std::int64_t offset = 0) {
  std::string line;
  catalogue::append_folder_line(line, relative, catalogue::to_calendar(created, offset));
  return line.substr(0, line.size() - 2);
}

std::string file_line(const std::string& name, std::uint64_t size, std::int64_t written) {
  std::string line;
  catalogue::append_file_line(line, name, size, catalogue::to_calendar(written, 0));
  return line.substr(0, line.size() - 2);
}

TEST(DiskWalk, WorkedExampleTreeWithRealSizesAndTimes) {
  TempTree tree;
  tree.file("index.txt", 1234, utc_seconds(2010, 6, 30, 9, 5, 7));
  tree.file("big.iso", 5000000000ULL, utc_seconds(2009, 12, 1, 23, 59, 59));
  tree.file("2009/a.jpg", 204800, utc_seconds(2009, 1, 2, 8, 15, 42));
  tree.file("2009/Trip/b.jpg", 0, utc_seconds(2009, 7, 14, 10, 31, 0));
  tree.folder("Empty");
  tree.file("four-gib", 4294967296ULL, utc_seconds(2011, 1, 1, 0, 0, 0));

  const DiskWalk walk = walk_tree(tree);
  ASSERT_EQ(walk.parsed.problem, "") << walk.raw;
  EXPECT_EQ(walk.parsed.header, tree.root_text());
  using Set = std::multiset<std::string>;
  EXPECT_EQ(walk.parsed.files.at(""),
            (Set{file_line("index.txt", 1234, utc_seconds(2010, 6, 30, 9, 5, 7)),
                 "big.iso\t5000000000\t 2009.12.1\t23:59.59",
                 "four-gib\t4294967296\t 2011.1.1\t0:0.0"}));
  EXPECT_EQ(walk.parsed.files.at("2009\\"), (Set{"a.jpg\t204800\t 2009.1.2\t8:15.42"}));
  EXPECT_EQ(walk.parsed.files.at("2009\\Trip\\"), (Set{"b.jpg\t0\t 2009.7.14\t10:31.0"}));
  EXPECT_EQ(walk.parsed.files.at("Empty\\"), Set{});
  // Folder lines carry the creation time the file system reports.
  EXPECT_EQ(walk.parsed.folder_lines,
            (Set{folder_line("2009\\", reported_creation_time(tree.root() / "2009")),
                 folder_line("2009\\Trip\\", reported_creation_time(tree.root() / "2009" / "Trip")),
                 folder_line("Empty\\", reported_creation_time(tree.root() / "Empty"))}));
  EXPECT_EQ(walk.result.unreadable_folders, 0u);
}

TEST(DiskWalk, AMissingRootGivesNoLinesAndSaysWhy) {
  TempTree tree;
  auto source = platform::make_system_folder_source();
  platform::Status error;
  EXPECT_EQ(source->open_root(test::path_text(tree.root() / "missing"), error), nullptr);
  EXPECT_NE(error.message().find("missing"), std::string::npos);
}

#ifndef _WIN32
// Pins the process's time zone for one test.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ZoneScope() {
    if (saved_) ::setenv("TZ", saved_->c_str(), 1); else ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST(DiskWalk, EveryStampUsesTheOffsetInForceWhenTheScanStarts) {
  TempTree tree;
  tree.file("summer", 1, utc_seconds(2010, 7, 1, 12, 0, 0));
  tree.file("winter", 1, utc_seconds(2010, 1, 1, 12, 0, 0));
  {
    // Three hours east of UTC all year.
    ZoneScope zone("XYZ-3");
    EXPECT_EQ(platform::current_utc_offset_seconds(), 3 * 3600);
  }
  // A zone with summer time: whatever today's offset, both stamps get that one.
  ZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
  const std::int64_t now_offset = platform::current_utc_offset_seconds();
  EXPECT_TRUE(now_offset == 3600 || now_offset == 7200);
  const DiskWalk walk = walk_tree(tree, now_offset);
  const std::string hour = std::to_string(12 + now_offset / 3600);
  EXPECT_EQ(walk.parsed.files.at("").count("summer\t1\t 2010.7.1\t" + hour + ":0.0"), 1u) << walk.raw;
  EXPECT_EQ(walk.parsed.files.at("").count("winter\t1\t 2010.1.1\t" + hour + ":0.0"), 1u) << walk.raw;
}

TEST(DiskWalk, NamesAreBytesAndNeverBreakLines) {
  TempTree tree;
  tree.file("tab\there", 1, 0);
  tree.file("cr\rlf\n", 2, 0);
  tree.file(std::string("latin1-\xe9\xff"), 3, 0);
  tree.file(" spaced . dots.. ", 4, 0);
  tree.folder("dir\twith\ttabs");
  const DiskWalk walk = walk_tree(tree);
  ASSERT_EQ(walk.parsed.problem, "") << walk.raw;
  using Set = std::multiset<std::string>;
  EXPECT_EQ(walk.parsed.files.at(""),
            (Set{"tab?here\t1\t 1970.1.1\t0:0.0", "cr?lf?\t2\t 1970.1.1\t0:0.0",
                 "latin1-\xe9\xff\t3\t 1970.1.1\t0:0.0", " spaced . dots.. \t4\t 1970.1.1\t0:0.0"}));
  EXPECT_EQ(walk.parsed.files.count("dir?with?tabs\\"), 1u);
}

#ifndef _WIN32
TEST(DiskWalk, ABackslashInANameIsNoFolderMark) {
  TempTree tree;
  tree.file("trail\\", 1, 0);
  tree.file("mid\\dle", 2, 0);
  tree.file("odd\\dir\\/in", 3, 0);
  tree.file("odd\\dir\\/deeper\\/low", 4, 0);
  const DiskWalk walk = walk_tree(tree);
  ASSERT_EQ(walk.parsed.problem, "") << walk.raw;
  using Set = std::multiset<std::string>;
  using Files = std::map<std::string, Set>;
  EXPECT_EQ(walk.parsed.files, (Files{{"", {"trail?\t1\t 1970.1.1\t0:0.0", "mid?dle\t2\t 1970.1.1\t0:0.0"}},
                                      {"odd?dir?\\", {"in\t3\t 1970.1.1\t0:0.0"}},
                                      {"odd?dir?\\deeper?\\", {"low\t4\t 1970.1.1\t0:0.0"}}}))
      << walk.raw;
}
#endif

TEST(DiskWalk, AnUnreadableFolderShowsEmptyAndIsCounted) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  TempTree tree;
  tree.file("locked/secret", 1, 0);
  fs::permissions(tree.root() / "locked", fs::perms::none);
  const DiskWalk walk = walk_tree(tree);
  EXPECT_EQ(walk.parsed.files.at("locked\\").size(), 0u);
  EXPECT_EQ(walk.result.unreadable_folders, 1u);
}

// Walks `root` with `threads` read-ahead helpers into memory, as a scan does:
// the root opened first, the walk given that open folder.
std::string walk_bytes(const std::string& root_text, unsigned threads, WalkResult& result) {
  auto system = platform::make_system_folder_source();
  platform::Status opened;
  OpenedRootSource source(*system, system->open_root(root_text, opened));
  test::MemoryOutputFile out;
  CatalogueWriter writer(out);
  std::string root = root_text;
  test::RecordingWalkHost host;
  TurnPacer pacer(host);
  Walker walker(source, writer, pacer, 0, threads);
  std::int32_t files = 0, dirs = 0;
  result = walker.FindFilesAPI(root, "*.*", files, dirs);
  (void)writer.flush();
  return out.content;
}

// Links are followed, but the walk is bounded: each real folder's contents
// appear once however many links lead to it (18 levels with two links each to
// the next would give half a million lines), a circle through two folders
// ends, and a link to /proc/self leads into a file system of the kernel's
// state, which is listed but not entered. The same bytes with or without
// read-ahead helpers.
TEST(DiskWalk, LinksAreFollowedButEveryFolderIsEnteredOnce) {
  TempTree tree;
  tree.file("data/target.bin", 777, utc_seconds(2015, 5, 5, 5, 5, 5));
  fs::create_symlink("target.bin", tree.root() / "data" / "file-link");
  fs::create_symlink("nowhere", tree.root() / "dangling");
  for (int level = 0; level < 18; ++level) {
    const std::string here = "dag/L" + std::to_string(level);
    tree.file(here + "/f" + std::to_string(level), 1, 0);
    if (level == 17) continue;
    fs::create_directory_symlink("../L" + std::to_string(level + 1), tree.root() / here / "a");
    fs::create_directory_symlink("../L" + std::to_string(level + 1), tree.root() / here / "b");
  }
  tree.folder("ring/one");
  tree.folder("ring/two");
  fs::create_directory_symlink("../two", tree.root() / "ring" / "one" / "to-two");
  fs::create_directory_symlink("../one", tree.root() / "ring" / "two" / "to-one");
  fs::create_directory_symlink("/proc/self", tree.root() / "proc-self");

  WalkResult alone_result;
  const std::string alone = walk_bytes(tree.root_text(), 0, alone_result);
  const ParsedCatalogue parsed = parse_catalogue(tree.root_text() + "\r\n" + alone);
  ASSERT_EQ(parsed.problem, "") << alone;
  // Every file once: the one target, the eighteen levels' files.
  std::size_t file_lines = 0;
  for (const auto& [folder, files] : parsed.files) file_lines += files.size();
  EXPECT_EQ(file_lines, 2u + 1u + 18u) << alone;
  EXPECT_EQ(parsed.files.at("data\\").count("file-link\t777\t 2015.5.5\t5:5.5"), 1u);
  EXPECT_EQ(parsed.files.at("proc-self\\").size(), 0u);
  EXPECT_EQ(parsed.folder_lines.size(), parsed.files.size() - 1) << "a folder without its line";
  EXPECT_LT(parsed.folder_lines.size(), 100u);
  EXPECT_EQ(alone_result.pseudo_file_systems_not_entered, 1u);
  EXPECT_GE(alone_result.folders_met_again, 2u * 17u);
  struct stat link_stat {};
  ASSERT_EQ(::lstat((tree.root() / "dangling").c_str(), &link_stat), 0);
  EXPECT_EQ(parsed.files.at("").count(file_line("dangling", 0, link_stat.st_mtime)), 1u);

  for (const unsigned threads : {4u, kAdaptiveListing}) {
    SCOPED_TRACE(threads);
    WalkResult result;
    EXPECT_EQ(walk_bytes(tree.root_text(), threads, result), alone);
    EXPECT_EQ(result.folders_met_again, alone_result.folders_met_again);
    EXPECT_EQ(result.pseudo_file_systems_not_entered, 1u);
  }
}

// In a child process whose descriptors are limited to `limit`: walks `root`
// alone, with 4 and 32 helpers and with the adaptive depth (many helpers
// reopening folders given back, on one small budget), and ends with status 0
// only when every catalogue is the same bytes, holds `lines` lines and no
// folder was left unread.
[[noreturn]] void walk_under_descriptor_limit(const std::string& root, rlim_t limit, std::size_t lines) {
  ::alarm(120);  // a walk that hangs ends the child, and fails the test, instead of hanging it
  const struct rlimit few {limit, limit};
  if (::setrlimit(RLIMIT_NOFILE, &few) != 0) {
    std::fprintf(stderr, "setrlimit failed\n");
    std::_Exit(2);
  }
  int failures = 0;
  {
    // The read-ahead sizes what it opens by the budget the scan's source tells.
    auto system = platform::make_system_folder_source();
    platform::Status opened;
    const OpenedRootSource scan_source(*system, system->open_root(root, opened));
    if (system->folders_open_at_once() >= limit || scan_source.folders_open_at_once() != system->folders_open_at_once()) {
      std::fprintf(stderr, "the walk is told %zu folders open at once, the limit is %zu\n",
                   scan_source.folders_open_at_once(), static_cast<std::size_t>(limit));
      ++failures;
    }
  }
  WalkResult alone_result;
  const std::string alone = walk_bytes(root, 0, alone_result);
  const auto count = static_cast<std::size_t>(std::count(alone.begin(), alone.end(), '\n'));
  if (count != lines) {
    std::fprintf(stderr, "%zu lines, not %zu\n", count, lines);
    ++failures;
  }
  for (const unsigned threads : {0u, 4u, 32u, kAdaptiveListing}) {
    WalkResult result;
    const std::string helped = threads == 0 ? alone : walk_bytes(root, threads, result);
    if (threads == 0) result = alone_result;
    if (result.unreadable_folders != 0) {
      std::fprintf(stderr, "%u threads: %zu folders unread, the first: %s\n", threads, result.unreadable_folders,
                   result.first_unreadable.c_str());
      ++failures;
    }
    if (helped != alone) {
      std::fprintf(stderr, "with %u threads: %zu bytes, alone: %zu\n", threads, helped.size(), alone.size());
      ++failures;
    }
  }
  std::_Exit(failures == 0 ? 0 : 1);
}

// Makes the TempTrees of its lifetime in memory where the system offers a
// memory file system: removing tens of thousands of folders from a disk
// takes a minute on a busy machine.
class TreesInMemory {
 public:
  TreesInMemory() {
    if (const char* old = std::getenv("TMPDIR")) saved_ = old;
    std::error_code error;
    if (fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
  }
  ~TreesInMemory() {
    if (saved_) ::setenv("TMPDIR", saved_->c_str(), 1); else ::unsetenv("TMPDIR");
  }

 private:
  std::optional<std::string> saved_;
};

// Descriptors run short: far fewer than the tree has folders, or than its
// depth. No folder may be shown empty for it, with or without read-ahead.
TEST(DiskWalk, FewDescriptorsNeverCostAFolder) {
  TreesInMemory in_memory;
  TempTree wide;
  for (int top = 0; top < 100; ++top) {
    for (int inner = 0; inner < 200; ++inner) {
      const std::string folder = "t" + std::to_string(top) + "/i" + std::to_string(inner);
      wide.folder(folder);
      if (inner % 10 == 0) wide.file(folder + "/f", 1, 0);
    }
  }
  EXPECT_EXIT(walk_under_descriptor_limit(wide.root_text(), 32, 100 + 20000 + 2000),
              ::testing::ExitedWithCode(0), "");

  // 2,000 levels, each with a file: built level by level, the whole path is too long for one call.
  TempTree deep;
  const int here = ::open(".", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(here, 0);
  ASSERT_EQ(::chdir(deep.root().c_str()), 0);
  for (int level = 0; level < 2000; ++level) {
    test::write_file("f", "x");
    ASSERT_EQ(::mkdir("d", 0755), 0);
    ASSERT_EQ(::chdir("d"), 0);
  }
  ASSERT_EQ(::fchdir(here), 0);
  ::close(here);
  EXPECT_EXIT(walk_under_descriptor_limit(deep.root_text(), 256, 2000 + 2000),
              ::testing::ExitedWithCode(0), "");

  // 40 levels with a sibling at each, under a limit that leaves a handful of
  // folders: on its way back up the walk reopens levels whose parents were
  // given back too.
  TempTree siblings;
  std::string level;
  for (int depth = 0; depth < 40; ++depth) {
    siblings.file(level + "z/f", 1, 0);
    level += "a/";
  }
  siblings.folder(level);
  EXPECT_EXIT(walk_under_descriptor_limit(siblings.root_text(), 20, 40 * 3), ::testing::ExitedWithCode(0), "");
}

TEST(DiskWalk, PathsLongerThanPathMaxAreListed) {
  TempTree tree;
  std::string relative;
  const std::string level(200, 'd');
  for (int i = 0; i < 30; ++i) {  // about 6,000 characters
    relative += level + "\\";
  }
  // The whole path is too long for one system call: build it level by level.
  ASSERT_EQ(::chdir(tree.root().c_str()), 0);
  for (int i = 0; i < 30; ++i) {
    ASSERT_EQ(::mkdir(level.c_str(), 0755), 0);
    ASSERT_EQ(::chdir(level.c_str()), 0);
  }
  test::write_file("leaf.txt", "x");
  ASSERT_EQ(::chdir("/"), 0);
  const DiskWalk walk = walk_tree(tree);
  ASSERT_EQ(walk.parsed.problem, "");
  ASSERT_EQ(walk.parsed.files.count(relative), 1u);
  EXPECT_EQ(walk.parsed.files.at(relative).size(), 1u);
  EXPECT_EQ(walk.result.unreadable_folders, 0u);
}
#endif

}  // namespace
}  // namespace korvint::engine
