// Reading catalogues back: which lines parse, which files are catalogues, and
// how malformed text is skipped and counted without harm.

#include <gtest/gtest.h>

#include "search/catalogue.h"
#include "search/catalogue_line.h"
#include "search/query.h"
#include "search/searcher.h"
#include "search_fixture.h"

namespace korvint::search {
namespace {

TEST(CatalogueReaderTest, LinesParseOnlyInTheCatalogueFormat) {
  struct Case {
    std::string line;
    bool parses;
  };
  const Case cases[] = {
      {"a.jpg\t204800\t 2009.1.2\t8:15.42", true},
      {"2009\\Trip\\\t0\t 2009.7.14\t10:30.0", true},
      {"huge\t18446744073709551615\t 30827.12.31\t23:59.59", true},
      {"leap\t1\t 2024.2.29\t0:0.0", true},
      {"name with\ttab\t1\t 2009.1.2\t8:1.2", false},  // five fields
      {"a.jpg\t204800\t 2009.1.2", false},             // three fields
      {"\t1\t 2009.1.2\t8:1.2", false},                // no name
      {"\\\t0\t 2009.1.2\t8:1.2", false},              // a folder line naming no folder
      {"a\t18446744073709551616\t 2009.1.2\t8:1.2", false},
      {"a\t-1\t 2009.1.2\t8:1.2", false},
      {"a\t1x\t 2009.1.2\t8:1.2", false},
      {"a\t1\t2009.1.2\t8:1.2", false},  // the date's leading space
      {"a\t1\t 2023.2.29\t8:1.2", false},
      {"a\t1\t 2009.13.2\t8:1.2", false},
      {"a\t1\t 0.1.2\t8:1.2", false},
      {"a\t1\t 2009.1.2\t24:0.0", false},
      {"a\t1\t 2009.1.2\t8:60.0", false},
      {"a\t1\t 2009.1.2\t8:1.2 ", false},
      {std::string("a\0b\t1\t 2009.1.2\t8:1.2", 21), false},
      {"a\rb\t1\t 2009.1.2\t8:1.2", false},
      {std::string(kMaxLineBytes, 'x') + "\t1\t 2009.1.2\t8:1.2", false},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_entry_line(c.line).has_value(), c.parses) << c.line;

  const auto folder = parse_entry_line("2009\\Trip\\\t0\t 2009.7.14\t10:30.0");
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder->is_folder);
  EXPECT_EQ(folder->name, "Trip");
  EXPECT_EQ(folder->time.packed(), (EntryTime{2009, 7, 14, 10, 30, 0}.packed()));
}

TEST(CatalogueReaderTest, OnlyAFileWithARootAndAnEntryLineIsACatalogue) {
  struct Case {
    std::string text;
    bool catalogue;
  };
  const Case cases[] = {
      {"D:\\\r\n", true},  // a root that could not be listed: no entries
      {"/home/ann/\r\nx\t1\t 2009.1.2\t8:1.2\r\n", true},
      {"", false},
      {"notes\r\nx\t1\t 2009.1.2\t8:1.2\r\n", false},
      {"D:\\\r\nsome text\r\n", false},
      {"D:\\\tx\r\n", false},
      {"D:\\\r\nx\t1\t 2009.1.2\t8:1.2", false},  // the second line without its line end
      {std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), false},
  };
  for (const Case& c : cases) {
    OpenProblem problem = OpenProblem::None;
    EXPECT_EQ(Catalogue::from_bytes(c.text, "c", problem) != nullptr, c.catalogue) << c.text;
    EXPECT_EQ(problem, c.catalogue ? OpenProblem::None : OpenProblem::NotACatalogue);
  }
}

TEST(CatalogueReaderTest, MalformedLinesAreSkippedAndCountedTheRestSearched) {
  std::string text = test::catalogue_text("D:\\Disk\\", {
      "good1.txt\t1\t 2009.1.2\t8:1.2",
      "bad date.txt\t1\t 2009.2.30\t8:1.2",
      "Folder\\\t0\t 2009.1.2\t8:1.2",
      "wrong\tfield\tcount",
      std::string("nul\0.txt\t1\t 2009.1.2\t8:1.2", 26),
      std::string(100000, 'L'),
      "good2.txt\t2\t 2009.1.2\t8:1.2",
      // A folder line with a damaged date still names the folder of the files after it.
      "Other\\\t0\t 2009.99.2\t8:1.2",
      "good3.txt\t3\t 2009.1.2\t8:1.2",
  });
  text += "lf only.txt\t4\t 2009.1.2\t8:1.2\nbinary\x01\x02\xFF\r\n";
  text += "good4.txt\t5\t 2009.1.2\t8:1.2\r\n";
  text += "no line end.txt\t6\t 2009.1.2\t8:1.2";
  const auto catalogue = test::make_catalogue("disk", text);
  ASSERT_TRUE(catalogue);
  check_catalogues({catalogue}, {});
  ASSERT_TRUE(catalogue->counts());
  EXPECT_EQ(catalogue->counts()->entries, 5u);
  EXPECT_EQ(catalogue->counts()->skipped, 8u);
  // Counting in chunks of any size gives the same.
  const auto again = test::make_catalogue("disk", text);
  SearchOptions small;
  small.chunk_bytes = 5;
  check_catalogues({again}, small);
  EXPECT_EQ(again->counts()->entries, 5u);
  EXPECT_EQ(again->counts()->skipped, 8u);

  const std::vector<std::string> good = {"disk\tD:\\Disk\\good1.txt", "disk\tD:\\Disk\\Folder\\good2.txt",
                                         "disk\tD:\\Disk\\Other\\good3.txt", "disk\tD:\\Disk\\Other\\good4.txt"};
  EXPECT_EQ(test::search_paths({catalogue}, "good"), good);
  EXPECT_EQ(test::search_paths({catalogue}, "good", 3), good);
  EXPECT_EQ(test::search_paths({catalogue}, "txt"), good);
}

TEST(CatalogueReaderTest, EncodingIsDecidedPerCatalogueFromItsText) {
  const auto decide = [](const std::string& text) {
    const auto catalogue = test::make_catalogue("c", text);
    check_catalogues({catalogue}, {});
    return catalogue->encoding();
  };
  const std::string line = "\t1\t 2009.1.2\t8:1.2";
  EXPECT_EQ(decide(test::catalogue_text("C:\\", {"plain" + line})), TextEncoding::Ascii);
  EXPECT_EQ(decide(test::catalogue_text("C:\\", {"\xC3\xA4" + line})), TextEncoding::Utf8);
  EXPECT_EQ(decide(test::catalogue_text("C:\\", {"\xE4" + line, "\xC3\xA4" + line})), TextEncoding::CodePage);
  EXPECT_EQ(decide(test::catalogue_text("C:\\\xE4\\", {"plain" + line})), TextEncoding::CodePage);
  // A damaged line does not decide: it is not part of the catalogue's text.
  EXPECT_EQ(decide(test::catalogue_text("C:\\", {"\xC3\xA4" + line, "\xE4 broken"})), TextEncoding::Utf8);
}

}  // namespace
}  // namespace korvint::search
