#include "ui/vesko_layout.h"

#include "ui/text_elision.h"

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
        // "?" is one character wide; every other control has room for its text.
        EXPECT_GE(a.width, twips_to_pixels(controls[i].id == VeskoControlId::cmdHelp ? 375 : 1500, dpi));
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

// Wherever the splitter is put and however small the window, each table
// keeps its least height (the results five rows), the results fill the space
// below the splitter down to the status line, and nothing overlaps.
TEST(VeskoLayout, TheSplitterKeepsBothTablesUsable) {
  for (const int dpi : {96, 144}) {
    for (const int height_twips : {kVeskoMinHeightTwips, kVeskoClientHeightTwips, 20000}) {
      for (const int split_twips : {0, 900, kVeskoCataloguesTwips, 5000, 30000}) {
        const int width = twips_to_pixels(kVeskoClientWidthTwips, dpi);
        const int height = twips_to_pixels(height_twips, dpi);
        SCOPED_TRACE(std::to_string(dpi) + " dpi, height " + std::to_string(height_twips) + ", split " +
                     std::to_string(split_twips));
        const auto at = vesko_pixel_layout(dpi, width, height, twips_to_pixels(split_twips, dpi));
        const PixelRect catalogues = at[static_cast<std::size_t>(VeskoControlId::lstCatalogues)];
        const PixelRect results = at[static_cast<std::size_t>(VeskoControlId::lstResults)];
        const PixelRect status = at[static_cast<std::size_t>(VeskoControlId::lblStatus)];
        EXPECT_GE(catalogues.height, twips_to_pixels(kVeskoMinCataloguesTwips, dpi));
        EXPECT_GE(results.height, twips_to_pixels(kVeskoMinResultsTwips, dpi) - 1);
        EXPECT_EQ(results.top, catalogues.top + catalogues.height + twips_to_pixels(kVeskoSplitterTwips, dpi));
        EXPECT_LT(results.top + results.height, status.top);
        EXPECT_LE(status.top + status.height, height);
        // Where it fits, the split is where it was put.
        const int wanted = twips_to_pixels(split_twips, dpi);
        if (wanted >= twips_to_pixels(kVeskoMinCataloguesTwips, dpi) &&
            results.height > twips_to_pixels(kVeskoMinResultsTwips, dpi) + 1) {
          EXPECT_EQ(catalogues.height, wanted);
        }
      }
    }
  }
  // Without a split the tables lie as drawn.
  const auto drawn = vesko_pixel_layout(96, 720, 480);
  for (const VeskoControlShape& shape : vesko_controls())
    EXPECT_EQ(drawn[static_cast<std::size_t>(shape.id)], control_pixel_rect(shape, 96, 96, 1.0, 720, 480)) << shape.name;
}

// A long folder loses its middle and keeps both ends; characters are never
// cut in two, in UTF-8 or UTF-16.
TEST(TextElision, CutsTheMiddleBetweenCharacters) {
  const std::function<int(std::string_view)> bytes = [](std::string_view text) { return static_cast<int>(text.size()); };
  const std::string dots = "\xE2\x80\xA6";
  struct Case {
    std::string text;
    int width;
    std::string shown;
  };
  const Case cases[] = {
      {"C:\\Photos\\2019\\", 20, "C:\\Photos\\2019\\"},                   // fits: as it is
      {"C:\\Photos\\2019\\Summer\\", 13, "C:\\Ph" + dots + "mmer\\"},         // 5 + 3 + 5 bytes
      {"abcdefghij", 3, dots},                                                    // room for the ellipsis only
      {"abcdefghij", 2, dots},                                                    // not even that
      {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 7, "\xC3\xA9" + dots + "\xC3\xA9"},  // two-byte characters kept whole
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " in " + std::to_string(c.width));
    EXPECT_EQ(elide_middle<char>(c.text, c.width, bytes), c.shown);
  }
  const std::function<int(std::wstring_view)> units = [](std::wstring_view text) { return static_cast<int>(text.size()); };
  // U+1F600 is a surrogate pair: either both halves stay or neither.
  const std::wstring wide = L"ab\xD83D\xDE00" L"cd\xD83D\xDE00" L"ef";
  for (int width = 1; width < static_cast<int>(wide.size()); ++width) {
    const std::wstring shown = elide_middle<wchar_t>(wide, width, units);
    EXPECT_LE(static_cast<int>(shown.size()), std::max(width, 1));
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const bool high = shown[i] >= 0xD800 && shown[i] <= 0xDBFF;
      const bool low = shown[i] >= 0xDC00 && shown[i] <= 0xDFFF;
      if (high) {
        EXPECT_TRUE(i + 1 < shown.size() && shown[i + 1] >= 0xDC00 && shown[i + 1] <= 0xDFFF) << width;
      }
      if (low) {
        EXPECT_TRUE(i > 0 && shown[i - 1] >= 0xD800 && shown[i - 1] <= 0xDBFF) << width;
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
