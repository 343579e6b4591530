// The results table's order: names, folders and catalogues sorted as text,
// whatever the catalogue's encoding, with digits as numbers.

#include <gtest/gtest.h>

#include "jobs/vesko_rows.h"
#include "search/query.h"
#include "search/searcher.h"

namespace korvint::jobs {
namespace {

std::shared_ptr<search::Catalogue> catalogue(const std::string& name, const std::vector<std::string>& lines) {
  std::string text = "D:\\\r\n";
  for (const std::string& line : lines) text += line + "\t1\t 2020.1.1\t0:0.0\r\n";
  search::OpenProblem problem = search::OpenProblem::None;
  std::shared_ptr<search::Catalogue> made = search::Catalogue::from_bytes(text, name, problem);
  EXPECT_TRUE(made) << name;
  return made;
}

TEST(VeskoRowsTest, NamesFoldersAndCataloguesSortAsText) {
  // The same root in UTF-8 and in Windows-1252: "Ärger.txt" is one name in both.
  const std::vector<std::shared_ptr<search::Catalogue>> catalogues = {
      catalogue("disk 10", {"with space.txt", "\xC3\x84rger.txt", "disk 10", "disk 9", "Arger.txt", "zeta",
                            "\xC3\x89mile", "Zebra\\", "x1", "\xC3\x84rger\\", "x2"}),
      catalogue("disk 9", {"\xC4rger.txt", "disk 02", "\xC4rger\\", "x3"})};
  std::string error;
  const search::Matcher matcher(*search::parse_query("type:file", error));
  search::SearchOptions options;
  options.code_page = "windows-1252";
  search::ResultCollector collector(catalogues);
  search::run_search(catalogues, matcher, options, collector);
  const search::ResultSet results = collector.results();
  ResultRows rows("windows-1252");
  struct Case {
    ResultColumn column;
    bool descending;
    std::vector<std::string> cells;  // the names in their rows, with their catalogue
  };
  const Case cases[] = {
      {ResultColumn::Name, false, {"Arger.txt 10", "\xC3\x84rger.txt 10", "\xC3\x84rger.txt 9", "disk 02 9",
                                   "disk 9 10", "disk 10 10", "\xC3\x89mile 10", "with space.txt 10", "x1 10",
                                   "x2 10", "x3 9", "zeta 10"}},
      {ResultColumn::Name, true, {"zeta 10", "x3 9", "x2 10", "x1 10", "with space.txt 10", "\xC3\x89mile 10",
                                  "disk 10 10", "disk 9 10", "disk 02 9", "\xC3\x84rger.txt 10",
                                  "\xC3\x84rger.txt 9", "Arger.txt 10"}},
      // The root's files, then the folders "Ärger" (both catalogues) before "Zebra".
      {ResultColumn::Folder, false, {"with space.txt 10", "\xC3\x84rger.txt 10", "disk 10 10", "disk 9 10",
                                     "Arger.txt 10", "zeta 10", "\xC3\x89mile 10", "\xC3\x84rger.txt 9",
                                     "disk 02 9", "x2 10", "x3 9", "x1 10"}},
      {ResultColumn::Catalogue, false, {"\xC3\x84rger.txt 9", "disk 02 9", "x3 9", "with space.txt 10",
                                        "\xC3\x84rger.txt 10", "disk 10 10", "disk 9 10", "Arger.txt 10", "zeta 10",
                                        "\xC3\x89mile 10", "x1 10", "x2 10"}},
  };
  for (const Case& c : cases) {
    const auto order = sorted_rows(results, c.column, c.descending, "windows-1252", nullptr);
    ASSERT_TRUE(order);
    rows.show(ShownResults{std::shared_ptr<const search::ResultSet>(&results, [](const auto*) {}), *order});
    std::vector<std::string> cells;
    std::string name;
    std::string catalogue_name;
    for (std::size_t row = 0; row < rows.row_count(); ++row) {
      rows.cell(row, static_cast<int>(ResultColumn::Name), name);
      rows.cell(row, static_cast<int>(ResultColumn::Catalogue), catalogue_name);
      cells.push_back(name + " " + catalogue_name.substr(5));
    }
    EXPECT_EQ(cells, c.cells) << static_cast<int>(c.column) << " " << c.descending;
  }
  const std::atomic<bool> cancelled{true};
  EXPECT_FALSE(sorted_rows(results, ResultColumn::Name, false, "", &cancelled));
}

}  // namespace
}  // namespace korvint::jobs
