#include "engine/catalogue_format.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace korvint::engine {
namespace {

using test::utc_seconds;

std::string file_line(std::string_view name, std::uint64_t size, std::int64_t utc,
                      std::int64_t offset = 0) {
  std::string out;
  append_file_line(out, name, size, to_calendar(utc, offset));
  return out;
}

TEST(CatalogueFormat, LinesOfTheWorkedExample) {
  std::string out;
  append_header_line(out, "D:\\Photos\\");
  EXPECT_EQ(out, "D:\\Photos\\\r\n");
  EXPECT_EQ(file_line("big.iso", 5000000000ULL, utc_seconds(2009, 12, 1, 23, 59, 59)),
            "big.iso\t5000000000\t 2009.12.1\t23:59.59\r\n");
  EXPECT_EQ(file_line("index.txt", 1234, utc_seconds(2010, 6, 30, 9, 5, 7)),
            "index.txt\t1234\t 2010.6.30\t9:5.7\r\n");
  out.clear();
  append_folder_line(out, "2009\\", to_calendar(utc_seconds(2009, 1, 2, 8, 0, 0), 0));
  EXPECT_EQ(out, "2009\\\t0\t 2009.1.2\t8:0.0\r\n");
}

TEST(CatalogueFormat, SizesAreFull64BitDecimals) {
  EXPECT_EQ(file_line("a", 0, 0), "a\t0\t 1970.1.1\t0:0.0\r\n");
  EXPECT_EQ(file_line("a", 4294967296ULL, 0), "a\t4294967296\t 1970.1.1\t0:0.0\r\n");
  EXPECT_EQ(file_line("a", 4294967295ULL, 0), "a\t4294967295\t 1970.1.1\t0:0.0\r\n");
  EXPECT_EQ(file_line("a", 2147483648ULL, 0), "a\t2147483648\t 1970.1.1\t0:0.0\r\n");
  EXPECT_EQ(file_line("a", 18446744073709551615ULL, 0),
            "a\t18446744073709551615\t 1970.1.1\t0:0.0\r\n");
}

TEST(CatalogueFormat, LocalTimeUsesTheOneOffsetGiven) {
  // New Year in local time at UTC+1: 2010-12-31 23:00:00 UTC.
  EXPECT_EQ(to_calendar(utc_seconds(2010, 12, 31, 23, 0, 0), 3600),
            (CalendarTime{2011, 1, 1, 0, 0, 0}));
  // A summer file shown with a winter offset keeps that offset: no per-date zone rules.
  EXPECT_EQ(to_calendar(utc_seconds(2010, 7, 1, 12, 0, 0), 3600),
            (CalendarTime{2010, 7, 1, 13, 0, 0}));
  // Negative offsets cross back over midnight and month ends.
  EXPECT_EQ(to_calendar(utc_seconds(2012, 3, 1, 2, 30, 0), -5 * 3600),
            (CalendarTime{2012, 2, 29, 21, 30, 0}));
}

TEST(CatalogueFormat, TimesOutsideWhatReadersKnowAreClamped) {
  EXPECT_EQ(to_calendar(-20000000000LL, 0), (CalendarTime{1601, 1, 1, 0, 0, 0}));
  EXPECT_EQ(to_calendar(std::numeric_limits<std::int64_t>::max(), 3600),
            (CalendarTime{30827, 12, 31, 23, 59, 59}));
  EXPECT_EQ(to_calendar(std::numeric_limits<std::int64_t>::min(), -3600),
            (CalendarTime{1601, 1, 1, 0, 0, 0}));
  // Before 1970 the split still rounds toward the past.
  EXPECT_EQ(to_calendar(-1, 0), (CalendarTime{1969, 12, 31, 23, 59, 59}));
}

TEST(CatalogueFormat, NamesNeverBreakTheLineStructure) {
  EXPECT_EQ(file_line("a\tb\rc\nd", 1, 0), "a?b?c?d\t1\t 1970.1.1\t0:0.0\r\n");
  std::string out;
  append_folder_line(out, "x\ty\\", CalendarTime{});
  EXPECT_EQ(out, "x?y\\\t0\t 1970.1.1\t0:0.0\r\n");
  // A "\" inside a name is no folder mark: a file "trail\" must not read as a folder.
  EXPECT_EQ(file_line("trail\\", 1, 0), "trail?\t1\t 1970.1.1\t0:0.0\r\n");
  EXPECT_EQ(file_line("mid\\dle", 1, 0), "mid?dle\t1\t 1970.1.1\t0:0.0\r\n");
  out.clear();
  append_name(out, "a\\b\t");
  EXPECT_EQ(out, "a?b?");
  // Other bytes, spaces and dots pass unchanged.
  EXPECT_EQ(file_line(" a..b. \xff", 1, 0), " a..b. \xff\t1\t 1970.1.1\t0:0.0\r\n");
}

}  // namespace
}  // namespace korvint::engine
