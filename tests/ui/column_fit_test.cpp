#include "ui/column_fit.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvint::ui {
namespace {

// At 96 dots per inch the results are drawn Name 160 (cap 360), Folder 170
// (the spare width, down to 80), Size 100, Date 150, Catalogue 90 (cap 240).
TEST(ColumnFit, NamesKeepTheirWidthBeforeTheFolderAndTheFolderKeepsItsLeast) {
  struct Case {
    const char* what;
    std::vector<int> texts;
    std::vector<int> user;
    int room;
    std::vector<int> widths;
  };
  const Case cases[] = {
      {"short texts: as drawn, the folder the rest", {120, 0, 90, 140, 60}, {}, 1060, {160, 560, 100, 150, 90}},
      {"as wide as the widest name", {250, 0, 90, 140, 60}, {}, 1060, {250, 470, 100, 150, 90}},
      {"no wider than the caps", {500, 0, 90, 140, 400}, {}, 1200, {360, 350, 100, 150, 240}},
      {"a long catalogue name whole", {250, 0, 90, 140, 200}, {}, 1060, {250, 360, 100, 150, 200}},
      {"the folder gives up its width first", {300, 0, 90, 140, 200}, {}, 830, {300, 80, 100, 150, 200}},
      {"then the name, before the catalogue", {300, 0, 90, 140, 200}, {}, 700, {170, 80, 100, 150, 200}},
      {"then the catalogue; past that it scrolls", {300, 0, 90, 140, 200}, {}, 500, {160, 80, 100, 150, 90}},
      {"a date in a larger font is never cut", {120, 0, 90, 175, 60}, {}, 400, {160, 80, 100, 175, 90}},
      {"the user's widths stand", {300, 0, 90, 140, 200}, {120, 0, 0, 0, 300}, 600, {120, 80, 100, 150, 300}},
      {"and the others give up around them", {300, 0, 90, 140, 200}, {0, 0, 0, 90, 0}, 700, {230, 80, 100, 90, 200}},
  };
  for (const Case& c : cases) EXPECT_EQ(fit_columns(result_columns(), c.texts, c.user, c.room, 96), c.widths) << c.what;
  // At 144 dots per inch everything is half as wide again; short spans count as nothing measured.
  EXPECT_EQ(fit_columns(result_columns(), std::vector<int>{800}, {}, 1590, 144),
            (std::vector<int>{540, 540, 150, 225, 135}));
  EXPECT_EQ(fit_columns(result_columns(), std::vector<int>{800}, {}, 900, 144),
            (std::vector<int>{270, 120, 150, 225, 135}));
}

TEST(ColumnFit, ShortTextsOfAKnownKindAreNeverCut) {
  const auto columns = catalogue_columns();
  ASSERT_EQ(columns[6].title, "Age");
  EXPECT_FALSE(columns[6].longest.empty());
  EXPECT_FALSE(fits_rows(columns[6]));
  std::vector<int> texts(columns.size());
  const int drawn = twips_to_pixels(columns[6].width, 96);
  // Wider than drawn in a larger font, however narrow the table; as drawn in a smaller one.
  texts[6] = drawn + 30;
  EXPECT_EQ(fit_columns(columns, texts, {}, 300, 96)[6], drawn + 30);
  texts[6] = 40;
  EXPECT_EQ(fit_columns(columns, texts, {}, 300, 96)[6], drawn);
}

}  // namespace
}  // namespace korvint::ui
