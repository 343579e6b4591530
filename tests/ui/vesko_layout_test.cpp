#include "ui/vesko_layout.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

namespace korvint::ui {
namespace {

bool overlap(const PixelRect& a, const PixelRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

// At the size drawn and at the smallest the window may become, at 96 and 144
// dots per inch: every control is inside the client area, has room, and
// covers no other.
TEST(VeskoLayout, ControlsStayApartAndInsideFromTheSmallestWindowUp) {
  for (const int dpi : {96, 144}) {
    for (const auto& [width, height] : {std::pair{kVeskoClientWidthTwips, kVeskoClientHeightTwips},
                                       std::pair{kVeskoMinWidthTwips, kVeskoMinHeightTwips}}) {
      const int client_width = twips_to_pixels(width, dpi);
      const int client_height = twips_to_pixels(height, dpi);
      const auto controls = vesko_controls();
      for (std::size_t i = 0; i < controls.size(); ++i) {
        const PixelRect a = control_pixel_rect(controls[i], dpi, dpi, 1.0, client_width, client_height);
        SCOPED_TRACE(std::string(controls[i].name) + " at " + std::to_string(dpi) + " dpi, " +
                     std::to_string(client_width) + "x" + std::to_string(client_height));
        EXPECT_EQ(controls[i].id, static_cast<VeskoControlId>(i));  // vesko_control() finds it there
        EXPECT_GE(a.width, twips_to_pixels(1500, dpi));
        EXPECT_GE(a.height, twips_to_pixels(285, dpi));
        EXPECT_GE(a.left, 0);
        EXPECT_GE(a.top, 0);
        EXPECT_LE(a.left + a.width, client_width);
        EXPECT_LE(a.top + a.height, client_height);
        for (std::size_t j = i + 1; j < controls.size(); ++j)
          EXPECT_FALSE(overlap(a, control_pixel_rect(controls[j], dpi, dpi, 1.0, client_width, client_height)))
              << controls[j].name;
      }
    }
  }
}

// The columns of both tables fit the table as drawn, with room for its frame
// and a vertical scroll bar (20 pixels at 96 dpi), so the last column is not
// cut off behind a horizontal scroll bar.
TEST(VeskoLayout, EveryColumnFitsItsTableAsDrawn) {
  for (const auto& [id, columns] : {std::pair{VeskoControlId::lstResults, result_columns()},
                                   std::pair{VeskoControlId::lstCatalogues, catalogue_columns()}}) {
    const int table = control_pixel_rect(vesko_control(id), 96, 96, 1.0, twips_to_pixels(kVeskoClientWidthTwips, 96),
                                         twips_to_pixels(kVeskoClientHeightTwips, 96))
                          .width;
    const int twips = std::accumulate(columns.begin(), columns.end(), 0,
                                      [](int sum, const VeskoColumn& column) { return sum + column.width; });
    EXPECT_LE(twips_to_pixels(twips, 96) + 20, table) << vesko_control(id).name;
  }
}

}  // namespace
}  // namespace korvint::ui
