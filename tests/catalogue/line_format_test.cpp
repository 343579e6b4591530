// The catalogue format's exact bytes: the lines Korvint writes (which the list
// plugin reads) and the lines the search accepts.

#include <gtest/gtest.h>

#include <limits>

#include "catalogue/file_names.h"
#include "catalogue/format_lines.h"
#include "catalogue/parse_lines.h"
#include "support/temp_tree.h"

namespace korvint::catalogue {
namespace {

using test::utc_seconds;

std::string file_line(std::string_view name, std::uint64_t size, std::int64_t utc, std::int64_t offset = 0) {
  std::string out;
  append_file_line(out, name, size, to_calendar(utc, offset));
  return out;
}

TEST(LineFormatTest, LinesAreWrittenByteForByte) {
  std::string header;
  append_header_line(header, "D:\\Photos\\");
  std::string folder;
  append_folder_line(folder, "2009\\", to_calendar(utc_seconds(2009, 1, 2, 8, 0, 0), 0));
  struct Case {
    std::string written;
    std::string expected;
  };
  const Case cases[] = {
      {header, "D:\\Photos\\\r\n"},
      {folder, "2009\\\t0\t 2009.1.2\t8:0.0\r\n"},
      {file_line("big.iso", 5000000000ULL, utc_seconds(2009, 12, 1, 23, 59, 59)),
       "big.iso\t5000000000\t 2009.12.1\t23:59.59\r\n"},
      {file_line("index.txt", 1234, utc_seconds(2010, 6, 30, 9, 5, 7)), "index.txt\t1234\t 2010.6.30\t9:5.7\r\n"},
      // Sizes are full 64-bit decimals.
      {file_line("a", 0, 0), "a\t0\t 1970.1.1\t0:0.0\r\n"},
      {file_line("a", 4294967296ULL, 0), "a\t4294967296\t 1970.1.1\t0:0.0\r\n"},
      {file_line("a", 18446744073709551615ULL, 0), "a\t18446744073709551615\t 1970.1.1\t0:0.0\r\n"},
      // A name can neither break the line nor pass for a folder mark ("\"
      // in a POSIX name), nor hold what the reader refuses.
      {file_line("a\tb\rc\nd", 1, 0), "a?b?c?d\t1\t 1970.1.1\t0:0.0\r\n"},
      {file_line("trail\\", 1, 0), "trail?\t1\t 1970.1.1\t0:0.0\r\n"},
      {file_line(std::string("n\0/l", 4), 1, 0), "n??l\t1\t 1970.1.1\t0:0.0\r\n"},
      // Other bytes, spaces and dots pass unchanged.
      {file_line(" a..b. \xff", 1, 0), " a..b. \xff\t1\t 1970.1.1\t0:0.0\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.written, c.expected);
}

TEST(LineFormatTest, TimesAreLocalByTheOneOffsetAndClampedToTheFormat) {
  struct Case {
    std::int64_t utc;
    std::int64_t offset;
    CalendarTime expected;
  };
  const Case cases[] = {
      // New Year in local time at UTC+1.
      {utc_seconds(2010, 12, 31, 23, 0, 0), 3600, {2011, 1, 1, 0, 0, 0}},
      // A summer file shown with a winter offset keeps that offset: no per-date zone rules.
      {utc_seconds(2010, 7, 1, 12, 0, 0), 3600, {2010, 7, 1, 13, 0, 0}},
      // Negative offsets cross back over midnight and month ends.
      {utc_seconds(2012, 3, 1, 2, 30, 0), -5 * 3600, {2012, 2, 29, 21, 30, 0}},
      // Before 1970 the split still rounds toward the past.
      {-1, 0, {1969, 12, 31, 23, 59, 59}},
      {-20000000000LL, 0, kEarliestTime},
      {std::numeric_limits<std::int64_t>::max(), 3600, kLatestTime},
      {std::numeric_limits<std::int64_t>::min(), -3600, kEarliestTime},
  };
  for (const Case& c : cases) EXPECT_EQ(to_calendar(c.utc, c.offset), c.expected) << c.utc;
}

TEST(LineFormatTest, OnlyLinesInTheFormatParse) {
  struct Case {
    std::string line;
    bool parses;
  };
  const Case cases[] = {
      {"a.jpg\t204800\t 2009.1.2\t8:15.42", true},
      {"2009\\Trip\\\t0\t 2009.7.14\t10:30.0", true},
      {"huge\t18446744073709551615\t 30827.12.31\t23:59.59", true},
      {"early\t1\t 1601.1.1\t0:0.0", true},
      {"leap\t1\t 2024.2.29\t0:0.0", true},
      {"name with\ttab\t1\t 2009.1.2\t8:1.2", false},  // five fields
      {"a.jpg\t204800\t 2009.1.2", false},             // three fields
      {"\t1\t 2009.1.2\t8:1.2", false},                // no name
      {"\\\t0\t 2009.1.2\t8:1.2", false},              // a folder line naming no folder
      {"a\\\\b\\\t0\t 2009.1.2\t8:1.2", false},        // an empty level
      {"a\\..\\\t0\t 2009.1.2\t8:1.2", false},         // a level that leaves the folder
      {"..\t1\t 2009.1.2\t8:1.2", false},
      {"a/b\t1\t 2009.1.2\t8:1.2", false},
      {"a\t18446744073709551616\t 2009.1.2\t8:1.2", false},
      {"a\t-1\t 2009.1.2\t8:1.2", false},
      {"a\t1x\t 2009.1.2\t8:1.2", false},
      {"a\t1\t2009.1.2\t8:1.2", false},  // the date's leading space
      {"a\t1\t 2023.2.29\t8:1.2", false},
      {"a\t1\t 2009.13.2\t8:1.2", false},
      {"a\t1\t 1600.12.31\t23:59.59", false},  // before the earliest time a line holds
      {"a\t1\t 0.1.2\t8:1.2", false},
      {"a\t1\t 2009.1.2\t24:0.0", false},
      {"a\t1\t 2009.1.2\t8:60.0", false},
      {"a\t1\t 2009.1.2\t8:1.2 ", false},
      {std::string("a\0b\t1\t 2009.1.2\t8:1.2", 21), false},
      {"a\rb\t1\t 2009.1.2\t8:1.2", false},
      {std::string(kMaxLineBytes, 'x') + "\t1\t 2009.1.2\t8:1.2", false},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_entry_line(c.line).has_value(), c.parses) << c.line;
}

TEST(LineFormatTest, TheFirstLineNamesTheRoot) {
  struct Case {
    std::string first_line;
    std::optional<std::string_view> root;
  };
  const Case cases[] = {
      {"D:\\", "D:\\"},
      {"/home/ann/\r", "/home/ann/"},
      {"\xEF\xBB\xBF" "C:\\Daten\\", "C:\\Daten\\"},  // after a byte-order mark
      {"", std::nullopt},
      {"notes", std::nullopt},  // no separator at its end
      {"D:\\\tx", std::nullopt},
      {std::string("D:\0\\", 4), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(root_of_first_line(c.first_line), c.root) << c.first_line;
}

TEST(LineFormatTest, ACataloguesFilesAreNamedAfterIt) {
  EXPECT_EQ(backup_path("D:\\cats\\disk.lst"), "D:\\cats\\disk.lst.old");
  EXPECT_EQ(lock_path("/c/disk.lst"), "/c/disk.lst.lock");
  EXPECT_TRUE(ends_with_caseless("DISK.LST", kCatalogueEnding));
  EXPECT_FALSE(ends_with_caseless(".lst", kCatalogueEnding));  // a name needs more than its ending
  EXPECT_FALSE(ends_with_caseless("disk.lst.old", kCatalogueEnding));
}

}  // namespace
}  // namespace korvint::catalogue
