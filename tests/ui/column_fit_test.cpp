#include "ui/column_fit.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvint::ui {
namespace {

// At 96 dots per inch the results are drawn Name 160, Folder 170 (the spare
// width), Size 100, Date 150, Catalogue 90 pixels; the names' cap is 360.
TEST(ColumnFit, NamesGrowToTheirTextsWithinTheCapAndLeaveTheFolderItsWidth) {
  const std::vector<int> widths{160, 400, 100, 150, 90};
  struct Case {
    int text;
    int room;
    int width;
  };
  const Case cases[] = {
      {120, 1060, 160},  // short names: the drawn width
      {250, 1060, 250},  // as wide as the widest name
      {500, 1060, 360},  // no wider than the cap
      {300, 700, 190},   // the folder keeps its 170: 700 - 170 - 340
      {300, 500, 160},   // a small window: the drawn width, the folder scrolls
  };
  for (const Case& c : cases)
    EXPECT_EQ(fitted_column_width(result_columns(), 0, c.text, widths, c.room, 96), c.width)
        << c.text << " in " << c.room;
  // At 144 dots per inch everything is half as wide again.
  EXPECT_EQ(fitted_column_width(result_columns(), 0, 800, std::vector<int>{240, 600, 150, 225, 135}, 1590, 144), 540);
}

TEST(ColumnFit, ShortTextsOfAKnownKindAreNeverCut) {
  const auto columns = catalogue_columns();
  ASSERT_EQ(columns[6].title, "Age");
  EXPECT_FALSE(columns[6].longest.empty());
  EXPECT_FALSE(fits_rows(columns[6]));
  const int drawn = twips_to_pixels(columns[6].width, 96);
  const std::vector<int> widths(columns.size(), 80);
  // Wider than drawn in a larger font, however narrow the table.
  EXPECT_EQ(fitted_column_width(columns, 6, drawn + 30, widths, 300, 96), drawn + 30);
  EXPECT_EQ(fitted_column_width(columns, 6, 40, widths, 300, 96), drawn);
  EXPECT_FALSE(fits_texts(columns[0]));  // a catalogue's name keeps the width drawn or dragged
}

}  // namespace
}  // namespace korvint::ui
