// Reading catalogues back: which files are catalogues, and
// how malformed text is skipped and counted without harm.

#include <gtest/gtest.h>

#include "search/catalogue.h"
#include "search/query.h"
#include "search/searcher.h"
#include "search_fixture.h"

namespace korvint::search {
namespace {

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
